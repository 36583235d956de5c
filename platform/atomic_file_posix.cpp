#include "platform/atomic_file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "internal/write_all_posix.h"

namespace dravanta {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
}

// The process id in a temporary's name "<file>.tmp.<id>.<counter>" for the
// file named `base`; 0 when the name is not one of those.
long TemporaryOwner(std::string_view entry, std::string_view base) {
  const std::string prefix = std::string(base) + ".tmp.";
  if (entry.substr(0, prefix.size()) != prefix) return 0;
  entry.remove_prefix(prefix.size());
  const size_t dot = entry.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot + 1 == entry.size()) return 0;
  long owner = 0;
  for (size_t i = 0; i < entry.size(); ++i) {
    const char c = entry[i];
    if (i == dot) continue;
    if (c < '0' || c > '9') return 0;
    if (i < dot) {
      if (owner > 100000000) return 0;
      owner = owner * 10 + (c - '0');
    }
  }
  return owner;
}

// A writer killed between creating its temporary and renaming it leaves the
// temporary behind. Each replacement removes those of `path` whose writing
// process has ended, so repeated kills never pile them up; a temporary of a
// process still running is its write in progress and stays.
void RemoveAbandonedTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const size_t slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  const long self = static_cast<long>(getpid());
  while (const dirent* entry = readdir(listing)) {
    const long owner = TemporaryOwner(entry->d_name, base);
    if (owner <= 0 || owner == self) continue;
    if (kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH) {
      unlinkat(dirfd(listing), entry->d_name, 0);
    }
  }
  closedir(listing);
}

// The file that a write to `path` should replace: `path` itself, or the file a
// link there points to. Empty when `path` names something that is not a
// regular file (a folder, a device such as /dev/full, a FIFO), which must
// never be replaced by a rename.
std::string ReplaceableTarget(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT ? path : std::string();
  if (S_ISREG(info.st_mode)) return path;
  if (!S_ISLNK(info.st_mode) || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return {};
  }
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string target(resolved);
  free(resolved);
  return target;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& requested, std::string_view bytes) {
  if (requested.empty() || requested.back() == '/') return false;
  const std::string path = ReplaceableTarget(requested);
  if (path.empty()) return false;
  RemoveAbandonedTemporaries(path);
  const std::string temporary = TemporaryName(path);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable.
  const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

}  // namespace dravanta
