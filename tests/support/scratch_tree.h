// Small file trees built at run time for tests and benchmarks: the one
// temporary folder helper of the tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dravanta {

// A fresh folder under /tmp that removes itself (and everything below it,
// links not followed) when destroyed. Paths given to the members are
// relative to the root; every member aborts the test program on failure,
// so a fixture is either complete or the run stops.
class ScratchTree {
 public:
  ScratchTree();
  ~ScratchTree();
  ScratchTree(const ScratchTree&) = delete;
  ScratchTree& operator=(const ScratchTree&) = delete;

  // The root folder, without a trailing "/".
  const std::string& root() const { return root_; }
  std::string PathOf(std::string_view relative) const;

  void AddFolder(std::string_view relative);
  // A file holding `content`; returns its full path.
  std::string WriteFile(std::string_view relative, std::string_view content);
  // A file of `size` bytes (sparse; the content is zeros).
  void AddFile(std::string_view relative, uint64_t size);
  // `count` names of empty files, `prefix` followed by 0, 1, ..., in the
  // folder `relative`: hard links of a few files (a new inode for each name
  // costs far more; each inode takes at most 60,000 links).
  void AddEmptyFiles(std::string_view relative, std::string_view prefix, int count);
  void AddSymlink(std::string_view relative, std::string_view target);
  void AddFifo(std::string_view relative);
  void AddSocket(std::string_view relative);
  // A chain of `depth` folders named `component` below `relative` ("" for
  // the root), each holding a file `file_name` with `content`, made one
  // name at a time so that the chain may grow past the longest path the
  // system takes at once. Returns the full path of the deepest folder.
  std::string AddFolderChain(std::string_view relative, std::string_view component, int depth,
                             std::string_view file_name, std::string_view content);
  // chmod; used to make folders and files unreadable.
  void SetMode(std::string_view relative, unsigned mode);
  // Removes a file, link or a whole folder.
  void Remove(std::string_view relative);

 private:
  std::string root_;
};

// Whole-file writes and reads at absolute paths (a file that cannot be
// read reads as empty).
void WriteWholeFile(const std::string& path, std::string_view bytes);
std::string ReadWholeFile(const std::string& path);

// True when this process ignores file permissions (root), so that tests of
// unreadable folders can tell whether they can make one.
bool IgnoresFilePermissions();

// A folder, and a sparse file of `size` bytes, at absolute paths (for
// generated trees that outlive one run); false on failure.
bool CreateFolder(const std::string& path);
bool CreateSizedFile(const std::string& path, uint64_t size);

// Removes `path` recursively without following links, one name at a time
// (so trees deeper than the longest path the system takes go too); false on
// failure.
bool RemoveTree(const std::string& path);

}  // namespace dravanta
