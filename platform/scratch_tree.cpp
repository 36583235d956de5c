#include "platform/scratch_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dravanta {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "ScratchTree: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  std::abort();
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

void ScratchTree::AddFile(std::string_view relative, uint64_t size) {
  const std::string path = PathOf(relative);
  if (!CreateSizedFile(path, size)) Fail("create", path);
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

bool RemoveTree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return unlink(path.c_str()) == 0;
  chmod(path.c_str(), 0700);  // a folder a test made unreadable
  bool ok = true;
  if (DIR* dir = opendir(path.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const char* name = entry->d_name;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      ok = RemoveTree(path + "/" + name) && ok;
    }
    closedir(dir);
  }
  return rmdir(path.c_str()) == 0 && ok;
}

}  // namespace dravanta
