#include "platform/directory.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstring>

#include "platform/long_path.h"
#include "platform/mounts.h"

namespace dravanta {
namespace {

// Magic numbers (statfs f_type) of filesystems that hold no user files.
constexpr long kPseudoMagics[] = {
    0x9fa0,      // proc
    0x62656572,  // sysfs
    0x1cd1,      // devpts
    0x27e0eb,    // cgroup
    0x63677270,  // cgroup2
    0x74726163,  // tracefs
    0x64626720,  // debugfs
    0x73636673,  // securityfs
    0xcafe4a11,  // bpf
    0x6165676c,  // pstore
    0x62656570,  // configfs
    0xde5e81e4,  // efivarfs
    0x65735543,  // fusectl
    0x19800202,  // mqueue
    0x42494e4d,  // binfmt_misc
    0xf97cff8c,  // selinuxfs
    0x43415d53,  // smackfs
    0x6e736673,  // nsfs
    0x67596969,  // rpc_pipefs
    0x0187,      // autofs (entering it would trigger mounts)
    0x958458f6,  // hugetlbfs
};
constexpr long kTmpfsMagic = 0x01021994;  // tmpfs and devtmpfs share it
constexpr size_t kBufferBytes = 32 * 1024;

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kRegularFile;
  if (S_ISDIR(mode)) return EntryKind::kDirectory;
  return EntryKind::kOther;
}

// devtmpfs cannot be told from tmpfs by its magic; the mount table can.
bool IsDevtmpfsDevice(uint64_t device) {
  for (const MountEntry& mount : ReadMountTable()) {
    if (mount.fs_type == "devtmpfs" && makedev(mount.major, mount.minor) == device) return true;
  }
  return false;
}

constexpr int kListingFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// One name at a time from `folder`, no link followed; folders on the way
// are opened for searching only, as a plain path lookup would need.
int OpenEachComponent(int folder, std::string_view relative) {
  int current = folder;
  size_t start = 0;
  for (;;) {
    while (start < relative.size() && relative[start] == '/') ++start;
    size_t end = relative.find('/', start);
    if (end == std::string_view::npos) end = relative.size();
    size_t next_start = end;
    while (next_start < relative.size() && relative[next_start] == '/') ++next_start;
    const bool last = next_start >= relative.size();
    const std::string name(relative.substr(start, end - start));
    const int flags = last ? kListingFlags : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const int next = name.empty() ? -1 : openat(current, name.c_str(), flags);
    const int saved = name.empty() ? ENOENT : errno;
    if (current != folder) close(current);
    if (next < 0 || last) {
      errno = saved;
      return next;
    }
    current = next;
    start = next_start;
  }
}

// openat2 that refuses every link on the way, where the kernel has it.
int OpenNoLinks(int folder, const std::string& relative, bool* unsupported) {
  open_how how{};
  how.flags = kListingFlags;
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_BENEATH;
  const long fd = syscall(SYS_openat2, folder, relative.c_str(), &how, sizeof(how));
  // Older kernels, and sandboxes that filter the call, answer ENOSYS (or EPERM).
  *unsupported = fd < 0 && (errno == ENOSYS || errno == EPERM || errno == E2BIG);
  return static_cast<int>(fd);
}

}  // namespace

FolderAnchor::~FolderAnchor() { Close(); }

void FolderAnchor::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

DirectoryReader::~DirectoryReader() {
  if (fd_ >= 0) close(fd_);
}

bool DirectoryReader::Open(const std::string& path, FinalLink final_link) {
  std::string name = path;
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (final_link == FinalLink::kDoNotFollow) {
    // "link/" resolves the link whatever O_NOFOLLOW says: drop the slashes.
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    flags |= O_NOFOLLOW;
  }
  return Adopt(OpenPathOfAnyLength(name, flags));
}

bool DirectoryReader::OpenBelow(const FolderAnchor& anchor, std::string_view relative) {
  if (!anchor.valid()) return Adopt(-1);
  while (!relative.empty() && relative.back() == '/') relative.remove_suffix(1);
  if (relative.empty()) return Adopt(-1);
  bool unsupported = true;
  int fd = -1;
  if (relative.size() < PATH_MAX) fd = OpenNoLinks(anchor.fd_, std::string(relative), &unsupported);
  if (fd < 0 && unsupported) fd = OpenEachComponent(anchor.fd_, relative);
  return Adopt(fd);
}

bool DirectoryReader::KeepAsAnchor(FolderAnchor* anchor) const {
  if (fd_ < 0) return false;
  const int copy = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  if (anchor->fd_ >= 0) close(anchor->fd_);
  anchor->fd_ = copy;
  return true;
}

bool DirectoryReader::Adopt(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  buffer_used_ = buffer_next_ = 0;
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
    close(fd);
    return false;
  }
  device_ = st.st_dev;
  fd_ = fd;
  if (buffer_.empty()) buffer_.resize(kBufferBytes);
  return true;
}

bool DirectoryReader::OnPseudoFilesystem() const {
  if (fd_ < 0) return false;
  struct statfs fs;
  if (fstatfs(fd_, &fs) != 0) return false;
  const long magic = static_cast<long>(fs.f_type);
  for (long pseudo : kPseudoMagics) {
    if (magic == pseudo) return true;
  }
  return magic == kTmpfsMagic && IsDevtmpfsDevice(device_);
}

bool DirectoryReader::Next(DirectoryEntry* entry) {
  if (fd_ < 0) return false;
  for (;;) {
    if (buffer_next_ >= buffer_used_) {
      // getdents64 directly: one system call per buffer, nothing more.
      const ssize_t n = getdents64(fd_, buffer_.data(), buffer_.size());
      if (n <= 0) return false;
      buffer_used_ = static_cast<size_t>(n);
      buffer_next_ = 0;
    }
    const auto* d = reinterpret_cast<const dirent64*>(buffer_.data() + buffer_next_);
    buffer_next_ += d->d_reclen;
    const char* name = d->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    entry->name = std::string_view(name, std::strlen(name));
    entry->size = 0;
    if (d->d_type == DT_DIR) {
      entry->kind = EntryKind::kDirectory;
      return true;
    }
    if (d->d_type != DT_REG && d->d_type != DT_UNKNOWN) {
      entry->kind = EntryKind::kOther;
      return true;
    }
    struct stat st;
    if (fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished
    entry->kind = KindOfMode(st.st_mode);
    if (entry->kind == EntryKind::kRegularFile) entry->size = static_cast<uint64_t>(st.st_size);
    return true;
  }
}

bool LookUpPath(const std::string& path, EntryKind* kind, uint64_t* size) {
  struct stat st;
  if (path.size() < PATH_MAX) {
    if (stat(path.c_str(), &st) != 0) return false;
  } else {
    const int fd = OpenPathOfAnyLength(path, O_PATH | O_CLOEXEC);
    if (fd < 0) return false;
    const bool examined = fstat(fd, &st) == 0;
    close(fd);
    if (!examined) return false;
  }
  *kind = KindOfMode(st.st_mode);
  *size = *kind == EntryKind::kRegularFile ? static_cast<uint64_t>(st.st_size) : 0;
  return true;
}

std::string FollowFinalLink(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string target(resolved);
  free(resolved);
  return target;
}

}  // namespace dravanta
