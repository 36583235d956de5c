#include "platform/directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstring>

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

}  // namespace

DirectoryReader::~DirectoryReader() {
  if (fd_ >= 0) close(fd_);
}

bool DirectoryReader::Open(const std::string& path, FinalLink final_link) {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  buffer_used_ = buffer_next_ = 0;
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (final_link == FinalLink::kDoNotFollow) flags |= O_NOFOLLOW;
  const int fd = open(path.c_str(), flags);
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
  if (stat(path.c_str(), &st) != 0) return false;
  *kind = KindOfMode(st.st_mode);
  *size = *kind == EntryKind::kRegularFile ? static_cast<uint64_t>(st.st_size) : 0;
  return true;
}

}  // namespace dravanta
