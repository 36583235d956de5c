#include "tests/support/scratch_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace dravanta {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "ScratchTree: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  std::abort();
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t n = write(fd, content.data(), content.size());
    if (n <= 0) return false;
    content.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Removes `name` in `folder` and everything below it, links not followed.
bool RemoveBelow(int folder, const char* name) {
  struct stat st;
  if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return unlinkat(folder, name, 0) == 0;
  fchmodat(folder, name, 0700, 0);  // a folder a test made unreadable
  bool ok = true;
  const int fd = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    if (DIR* dir = fdopendir(fd)) {
      while (const dirent* entry = readdir(dir)) {
        const char* child = entry->d_name;
        if (std::strcmp(child, ".") == 0 || std::strcmp(child, "..") == 0) continue;
        ok = RemoveBelow(dirfd(dir), child) && ok;
      }
      closedir(dir);
    } else {
      close(fd);
    }
  }
  return unlinkat(folder, name, AT_REMOVEDIR) == 0 && ok;
}

}  // namespace

ScratchTree::ScratchTree() {
  char pattern[] = "/tmp/dravanta-tree-XXXXXX";
  if (mkdtemp(pattern) == nullptr) Fail("mkdtemp", pattern);
  root_ = pattern;
}

ScratchTree::~ScratchTree() { RemoveTree(root_); }

std::string ScratchTree::PathOf(std::string_view relative) const {
  std::string path = root_;
  if (!relative.empty()) path.append("/").append(relative);
  return path;
}

void ScratchTree::AddFolder(std::string_view relative) {
  const std::string path = PathOf(relative);
  if (!CreateFolder(path)) Fail("mkdir", path);
}

std::string ScratchTree::WriteFile(std::string_view relative, std::string_view content) {
  const std::string path = PathOf(relative);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("create", path);
  const bool written = WriteAll(fd, content);
  close(fd);
  if (!written) Fail("write", path);
  return path;
}

void ScratchTree::AddFile(std::string_view relative, uint64_t size) {
  const std::string path = PathOf(relative);
  if (!CreateSizedFile(path, size)) Fail("create", path);
}

void ScratchTree::AddEmptyFiles(std::string_view relative, std::string_view prefix, int count) {
  constexpr int kLinksPerFile = 60000;
  const std::string path = PathOf(relative);
  const int folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) Fail("open", path);
  std::string name(prefix);
  std::string first;
  for (int i = 0; i < count; ++i) {
    name.resize(prefix.size());
    name += std::to_string(i);
    if (i % kLinksPerFile == 0) {
      const int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (fd < 0) Fail("create", path + "/" + name);
      close(fd);
      first = name;
    } else if (linkat(folder, first.c_str(), folder, name.c_str(), 0) != 0) {
      Fail("link", path + "/" + name);
    }
  }
  close(folder);
}

void ScratchTree::AddSymlink(std::string_view relative, std::string_view target) {
  const std::string path = PathOf(relative);
  if (symlink(std::string(target).c_str(), path.c_str()) != 0) Fail("symlink", path);
}

void ScratchTree::AddFifo(std::string_view relative) {
  const std::string path = PathOf(relative);
  if (mkfifo(path.c_str(), 0644) != 0) Fail("mkfifo", path);
}

void ScratchTree::AddSocket(std::string_view relative) {
  const std::string path = PathOf(relative);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) Fail("socket path too long", path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) Fail("socket", path);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) Fail("bind", path);
  close(fd);  // the socket file stays
}

std::string ScratchTree::AddFolderChain(std::string_view relative, std::string_view component,
                                        int depth, std::string_view file_name,
                                        std::string_view content) {
  std::string path = PathOf(relative);
  int folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) Fail("open", path);
  const std::string name(component);
  const std::string file(file_name);
  for (int level = 0; level < depth; ++level) {
    path.append("/").append(name);
    if (mkdirat(folder, name.c_str(), 0755) != 0) Fail("mkdirat", path);
    const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (next < 0) Fail("openat", path);
    close(folder);
    folder = next;
    const int fd = openat(folder, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !WriteAll(fd, content)) Fail("write", path + "/" + file);
    close(fd);
  }
  close(folder);
  return path;
}

void ScratchTree::SetMode(std::string_view relative, unsigned mode) {
  const std::string path = PathOf(relative);
  if (chmod(path.c_str(), static_cast<mode_t>(mode)) != 0) Fail("chmod", path);
}

void ScratchTree::Remove(std::string_view relative) {
  const std::string path = PathOf(relative);
  if (!RemoveTree(path)) Fail("remove", path);
}

bool CreateFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0; }

bool CreateSizedFile(const std::string& path, uint64_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool sized = ftruncate(fd, static_cast<off_t>(size)) == 0;
  close(fd);
  return sized;
}

bool IgnoresFilePermissions() { return geteuid() == 0; }

bool RemoveTree(const std::string& path) { return RemoveBelow(AT_FDCWD, path.c_str()); }

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace dravanta
