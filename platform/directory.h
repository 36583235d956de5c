// Directory listing for the file walk.
//
// Names are raw bytes as the kernel gives them. Entries are classified
// without following links: a link is `kOther`, whatever it points to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

enum class EntryKind { kRegularFile, kDirectory, kOther };

struct DirectoryEntry {
  std::string_view name;  // valid until the next call on the reader
  EntryKind kind = EntryKind::kOther;
  uint64_t size = 0;  // regular files only
};

enum class FinalLink { kFollow, kDoNotFollow };

// A folder held open so that folders below it can be opened by their path
// relative to it (DirectoryReader::OpenBelow), whatever happens to the names
// above it meanwhile. Not copyable; closes itself.
class FolderAnchor {
 public:
  FolderAnchor() = default;
  ~FolderAnchor();
  FolderAnchor(const FolderAnchor&) = delete;
  FolderAnchor& operator=(const FolderAnchor&) = delete;

  bool valid() const { return fd_ >= 0; }
  void Close();

 private:
  friend class DirectoryReader;
  int fd_ = -1;
};

// One open directory. Not copyable; closes itself.
class DirectoryReader {
 public:
  DirectoryReader() = default;
  ~DirectoryReader();
  DirectoryReader(const DirectoryReader&) = delete;
  DirectoryReader& operator=(const DirectoryReader&) = delete;

  // Opens `path` for listing. With kDoNotFollow a link in the last component
  // fails the open (a trailing "/" does not make it follow one). False when
  // it is not a readable directory. Paths of any length.
  bool Open(const std::string& path, FinalLink final_link);

  // Opens the folder `relative` ("a/b", trailing "/" allowed) below
  // `anchor` for listing, following no link in any of its components: a
  // folder that was replaced by a link after it was listed is not entered.
  // Relative paths of any length.
  bool OpenBelow(const FolderAnchor& anchor, std::string_view relative);

  // Makes `anchor` hold the open directory, for later OpenBelow calls.
  bool KeepAsAnchor(FolderAnchor* anchor) const;

  // The filesystem (st_dev) of the open directory.
  uint64_t device() const { return device_; }

  // True when the open directory is on a pseudo filesystem (proc, sysfs,
  // devtmpfs, cgroup, ...). Costs a query; ask when the device changes.
  bool OnPseudoFilesystem() const;

  // The next entry other than "." and ".."; false at the end or on a read
  // error. Entries that vanish between listing and their size lookup are
  // passed over.
  bool Next(DirectoryEntry* entry);

 private:
  // Takes `fd` (an open directory, or -1) as the one to list.
  bool Adopt(int fd);

  int fd_ = -1;
  uint64_t device_ = 0;
  // Raw entries as the kernel hands them over, read a buffer at a time.
  std::vector<char> buffer_;
  size_t buffer_used_ = 0;
  size_t buffer_next_ = 0;
};

// What a path names, following links. false when it does not exist. Paths
// of any length.
bool LookUpPath(const std::string& path, EntryKind* kind, uint64_t* size);

// The path itself, or, when its last name is a symbolic link, the path of
// the file the link leads to with every link resolved (empty when that
// cannot be resolved). A picked file that is a link is read at its target.
std::string FollowFinalLink(const std::string& path);

}  // namespace dravanta
