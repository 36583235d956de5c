#include "platform/file_reader.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace dravanta {

bool OpenReadableFile(std::string_view path, ReadableFile* file, int* error_number) {
  std::string terminated(path);
  int descriptor;
  do {
    descriptor = open(terminated.c_str(), O_RDONLY | O_CLOEXEC);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    if (error_number != nullptr) *error_number = errno;
    return false;
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
    // A directory opens for reading on POSIX but has no contents to send.
    if (error_number != nullptr) *error_number = S_ISDIR(status.st_mode) ? EISDIR : errno;
    close(descriptor);
    return false;
  }
  file->descriptor = descriptor;
  return true;
}

bool ReadableFileSize(const ReadableFile& file, std::uint64_t* size) {
  struct stat status {};
  if (fstat(file.descriptor, &status) != 0) return false;
  *size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

std::int64_t ReadFromFile(ReadableFile& file, void* buffer, std::size_t size) {
  ssize_t count;
  do {
    count = read(file.descriptor, buffer, size);
  } while (count < 0 && errno == EINTR);
  return count;
}

bool SeekReadableFile(ReadableFile& file, std::uint64_t offset) {
  return lseek(file.descriptor, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

void AdviseSequentialRead(const ReadableFile& file) {
  posix_fadvise(file.descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void CloseReadableFile(ReadableFile* file) {
  if (file->descriptor >= 0) {
    close(file->descriptor);
    file->descriptor = -1;
  }
}

}  // namespace dravanta
