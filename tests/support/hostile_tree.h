// A tree of files that fight back, for the tests of the walker, the file
// signature and the whole path scan: odd names, unreadable entries, things
// that are not files, links, very long paths, a very wide folder, and files
// that change between their listing and their hashing.
//
// Every case says how it settles in a path scan of the tree's root:
//   kScanned   listed, hashed and looked up or uploaded, reported once with
//              a verdict;
//   kFailed    listed, but its contents cannot be read: reported once as a
//              failed upload (its signature is the all-zero stand-in);
//   kTooLarge  listed, above the size limit: reported once as skipped for
//              size, never looked up;
//   kSkipped   never listed, never reported (a walk handing it over, or any
//              request carrying its contents, is a fault).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/scratch_tree.h"

namespace dravanta {

enum class Settlement { kScanned, kFailed, kTooLarge, kSkipped };

struct HostileFile {
  std::string path;     // full path in the system's bytes, as the walk names it
  std::string content;  // what reading it gives once the changes are made
  Settlement settlement = Settlement::kScanned;
};

struct HostileCase {
  std::string name;
  std::string how_built;
  std::vector<HostileFile> files;
  // Settles as written only when file permissions apply to the walk (see
  // tests/support/file_access_user.h); otherwise its files are simply scanned.
  bool needs_permissions = false;
  // The walk alone keeps it out: its paths still lead somewhere when opened
  // as they are (through a link that the walk never follows).
  bool kept_out_by_the_walk = false;
};

// The size limit ("MaxFileSizeBytes") the scan runs with: every file of the
// tree is below it except the trigger.
inline constexpr uint64_t kHostileSizeLimit = 65536;

// The entries of the wide folder.
inline constexpr int kWideFolderEntries = 100000;

// Builds every case in the folder HostileRoot(tree), the walk's root (the
// tree is opened to every user, so that an unprivileged walk can enter it).
// The walk must run with one worker, so that each level is listed before
// the next.
std::vector<HostileCase> BuildHostileTree(ScratchTree& tree);
std::string HostileRoot(const ScratchTree& tree);

// The name of the trigger file (above the size limit, in a second-level
// folder): a filter or size report that sees it calls ChangeHostileTree.
inline constexpr char kHostileTrigger[] = "trigger-above-limit";

// The changes made while the walk runs, after the root and the first level
// were listed and before the third level is: a file removed, one shrunk, one
// grown, one replaced by a FIFO, a listed folder replaced by a link to a
// folder outside the target.
// Call once.
void ChangeHostileTree(ScratchTree& tree);

// Makes the changes of ChangeHostileTree on a thread of its own, started
// with the identity of the thread that creates it: a walk that runs as an
// unprivileged user (tests/support/file_access_user.h) may not change the tree
// itself. Create it before switching identity.
class HostileChanger {
 public:
  explicit HostileChanger(ScratchTree& tree);
  ~HostileChanger();
  HostileChanger(const HostileChanger&) = delete;
  HostileChanger& operator=(const HostileChanger&) = delete;

  // Makes the changes the first time and returns once they are made; later
  // calls return at once. Safe from any thread.
  void ChangeOnce();
  bool changed() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A name of every byte 0x80..0xFF in order: no two of them form a UTF-8
// sequence, so the walk hands it over as U+DC80..U+DCFF.
std::string HighByteName();

}  // namespace dravanta
