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

#include <string>
#include <vector>

#include "internal/long_path_posix.h"
#include "internal/mounts_posix.h"
#include "platform/text.h"

namespace dravanta {

// An open directory descriptor and, when it is being listed, the raw
// entries as the kernel hands them over, read a buffer at a time.
struct FolderState {
  int fd = -1;
  std::vector<char> buffer;
  size_t buffer_used = 0;
  size_t buffer_next = 0;
  std::u16string name;  // the current entry's name
  ~FolderState() {
    if (fd >= 0) close(fd);
  }
};

void FolderStateDeleter::operator()(FolderState* state) const { delete state; }

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

// Takes `fd` (an open directory, or -1) as the one `state` lists.
bool Adopt(int fd, FolderStatePointer* state, uint64_t* device) {
  state->reset();
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
    close(fd);
    return false;
  }
  *device = st.st_dev;
  state->reset(new FolderState);
  (*state)->fd = fd;
  (*state)->buffer.resize(kBufferBytes);
  return true;
}

// The name as UTF-16 in `out`, without a fresh allocation for the usual
// ASCII names.
void DecodeName(const char* name, std::u16string* out) {
  out->clear();
  for (const char* p = name; *p != '\0'; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) {
      *out = Utf8ToUtf16(name);
      return;
    }
    out->push_back(static_cast<char16_t>(*p));
  }
}

}  // namespace

bool DirectoryReader::Open(std::u16string_view path, FinalLink final_link) {
  std::string name = Utf16ToUtf8(path);
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (final_link == FinalLink::kDoNotFollow) {
    // "link/" resolves the link whatever O_NOFOLLOW says: drop the slashes.
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    flags |= O_NOFOLLOW;
  }
  return Adopt(OpenPathOfAnyLength(name, flags), &state_, &device_);
}

bool DirectoryReader::OpenBelow(const FolderAnchor& anchor, std::u16string_view relative_text) {
  if (!anchor.valid()) return Adopt(-1, &state_, &device_);
  std::string relative = Utf16ToUtf8(relative_text);
  while (!relative.empty() && relative.back() == '/') relative.pop_back();
  if (relative.empty()) return Adopt(-1, &state_, &device_);
  bool unsupported = true;
  int fd = -1;
  if (relative.size() < PATH_MAX) fd = OpenNoLinks(anchor.state_->fd, relative, &unsupported);
  if (fd < 0 && unsupported) fd = OpenEachComponent(anchor.state_->fd, relative);
  return Adopt(fd, &state_, &device_);
}

bool DirectoryReader::KeepAsAnchor(FolderAnchor* anchor) const {
  if (state_ == nullptr) return false;
  const int copy = fcntl(state_->fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  anchor->state_.reset(new FolderState);
  anchor->state_->fd = copy;
  return true;
}

bool DirectoryReader::OnPseudoFilesystem() const {
  if (state_ == nullptr) return false;
  struct statfs fs;
  if (fstatfs(state_->fd, &fs) != 0) return false;
  const long magic = static_cast<long>(fs.f_type);
  for (long pseudo : kPseudoMagics) {
    if (magic == pseudo) return true;
  }
  return magic == kTmpfsMagic && IsDevtmpfsDevice(device_);
}

bool DirectoryReader::Next(DirectoryEntry* entry) {
  if (state_ == nullptr) return false;
  FolderState& state = *state_;
  for (;;) {
    if (state.buffer_next >= state.buffer_used) {
      // getdents64 directly: one system call per buffer, nothing more.
      const ssize_t n = getdents64(state.fd, state.buffer.data(), state.buffer.size());
      if (n <= 0) return false;
      state.buffer_used = static_cast<size_t>(n);
      state.buffer_next = 0;
    }
    const auto* d = reinterpret_cast<const dirent64*>(state.buffer.data() + state.buffer_next);
    state.buffer_next += d->d_reclen;
    const char* name = d->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    entry->size = 0;
    if (d->d_type == DT_DIR) {
      entry->kind = EntryKind::kDirectory;
    } else if (d->d_type != DT_REG && d->d_type != DT_UNKNOWN) {
      entry->kind = EntryKind::kOther;
    } else {
      struct stat st;
      if (fstatat(state.fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished
      entry->kind = KindOfMode(st.st_mode);
      if (entry->kind == EntryKind::kRegularFile) entry->size = static_cast<uint64_t>(st.st_size);
    }
    DecodeName(name, &state.name);
    entry->name = state.name;
    return true;
  }
}

bool LookUpPath(std::u16string_view path_text, EntryKind* kind, uint64_t* size) {
  const std::string path = Utf16ToUtf8(path_text);
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

std::u16string FollowFinalLink(std::u16string_view path_text) {
  const std::string path = Utf16ToUtf8(path_text);
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::u16string(path_text);
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::u16string target = Utf8ToUtf16(resolved);
  free(resolved);
  return target;
}

}  // namespace dravanta
