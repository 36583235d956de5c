#include "platform/file_info.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/text.h"

namespace dravanta {

std::optional<uint64_t> FileSize(std::u16string_view path) {
  struct stat info;
  if (stat(Utf16ToUtf8(path).c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

FileTime LastWriteTime(std::u16string_view path) {
  struct stat info;
  if (stat(Utf16ToUtf8(path).c_str(), &info) != 0) return kEarliestFileTime;
  return static_cast<FileTime>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

bool SetLastWriteTime(std::u16string_view path, FileTime time) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays
  times[1].tv_sec = static_cast<time_t>(time / 1000000000);
  times[1].tv_nsec = static_cast<long>(time % 1000000000);
  if (times[1].tv_nsec < 0) {
    times[1].tv_nsec += 1000000000;
    times[1].tv_sec -= 1;
  }
  return utimensat(AT_FDCWD, Utf16ToUtf8(path).c_str(), times, 0) == 0;
}

bool DeleteFile(std::u16string_view path) { return unlink(Utf16ToUtf8(path).c_str()) == 0; }

bool SetFileSize(std::u16string_view path, uint64_t size) {
  const int fd = open(Utf16ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
  return close(fd) == 0 && ok;
}

std::unique_ptr<AppendFile> AppendFile::Open(std::u16string_view path, bool sole_writer) {
  // O_NONBLOCK keeps a FIFO at the path from blocking the open; only a
  // regular file is accepted. A new file is its owner's alone (what is
  // appended may be private); an existing one keeps its mode.
  const int fd = open(Utf16ToUtf8(path).c_str(),
                      O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      (sole_writer && flock(fd, LOCK_EX | LOCK_NB) != 0)) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<AppendFile>(new AppendFile(fd));
}

AppendFile::~AppendFile() { close(static_cast<int>(handle_)); }

bool AppendFile::Write(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(static_cast<int>(handle_), bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace dravanta
