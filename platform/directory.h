// Directory listing for the file walk.
//
// Paths and names are UTF-16 texts; where the system's names are bytes
// (POSIX) they pass through the lossless mapping of platform/text.h, so
// every name the system lists can be opened again. Entries are classified
// without following links: a link (on Windows any reparse point) is
// `kOther`, whatever it points to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dravanta {

enum class EntryKind { kRegularFile, kDirectory, kOther };

struct DirectoryEntry {
  std::u16string_view name;  // valid until the next call on the reader
  EntryKind kind = EntryKind::kOther;
  uint64_t size = 0;  // regular files only
};

enum class FinalLink { kFollow, kDoNotFollow };

// The system's own state of an open folder (implementation-defined).
struct FolderState;
struct FolderStateDeleter {
  void operator()(FolderState* state) const;
};
using FolderStatePointer = std::unique_ptr<FolderState, FolderStateDeleter>;

// A folder held open so that folders below it can be opened by their path
// relative to it (DirectoryReader::OpenBelow), whatever happens to the names
// above it meanwhile. Not copyable; closes itself.
class FolderAnchor {
 public:
  bool valid() const { return state_ != nullptr; }
  void Close() { state_.reset(); }

 private:
  friend class DirectoryReader;
  FolderStatePointer state_;
};

// One open directory. Not copyable; closes itself.
class DirectoryReader {
 public:
  // Opens `path` for listing. With kDoNotFollow a link in the last component
  // fails the open (a trailing separator does not make it follow one).
  // False when it is not a readable directory. Paths of any length.
  bool Open(std::u16string_view path, FinalLink final_link);

  // Opens the folder `relative` (names joined by kPathSeparator, a trailing
  // one allowed) below `anchor` for listing, following no link in any of
  // its components: a folder that was replaced by a link after it was
  // listed is not entered. Relative paths of any length.
  bool OpenBelow(const FolderAnchor& anchor, std::u16string_view relative);

  // Makes `anchor` hold the open directory, for later OpenBelow calls.
  bool KeepAsAnchor(FolderAnchor* anchor) const;

  // The filesystem of the open directory (POSIX st_dev; Windows the volume
  // serial number).
  uint64_t device() const { return device_; }

  // True when the open directory is on a pseudo filesystem (proc, sysfs,
  // devtmpfs, cgroup, ...). Costs a query; ask when the device changes.
  bool OnPseudoFilesystem() const;

  // The next entry other than "." and ".."; false at the end or on a read
  // error. Entries that vanish between listing and their size lookup are
  // passed over.
  bool Next(DirectoryEntry* entry);

 private:
  FolderStatePointer state_;
  uint64_t device_ = 0;
};

// What a path names, following links. false when it does not exist. Paths
// of any length.
bool LookUpPath(std::u16string_view path, EntryKind* kind, uint64_t* size);

// The path itself, or, when its last name is a symbolic link, the path of
// the file the link leads to with every link resolved (empty when that
// cannot be resolved). A picked file that is a link is read at its target.
std::u16string FollowFinalLink(std::u16string_view path);

}  // namespace dravanta
