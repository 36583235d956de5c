#include "platform/file_reader.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/long_path.h"

namespace dravanta {
namespace {

int DescriptorOf(const ReadableFile& file) { return static_cast<int>(file.handle); }

// A filesystem that takes the open's O_NONBLOCK at its word answers EAGAIN:
// from then on reads of that file wait like any other. False when the flag
// was not set or cannot be cleared.
bool ClearNonBlocking(int descriptor) {
  const int flags = fcntl(descriptor, F_GETFL);
  if (flags < 0 || (flags & O_NONBLOCK) == 0) return false;
  return fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

bool OpenReadableFile(std::string_view path, ReadableFile* file, int* error_number,
                      FinalLink final_link) {
  const std::string terminated(path);
  int descriptor;
  // Non-blocking: a FIFO put where a listed file was would otherwise hold
  // the open until a writer comes; it is refused below instead.
  do {
    descriptor = OpenPathOfAnyLength(terminated,
                                     O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK |
                                         (final_link == FinalLink::kDoNotFollow ? O_NOFOLLOW : 0));
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    if (error_number != nullptr) *error_number = errno;
    return false;
  }
  // Only regular files have contents to send: a directory opens for reading
  // on POSIX, and FIFOs and devices never end. The same status gives the
  // size, so it is taken once.
  struct stat status {};
  int refused = 0;
  if (fstat(descriptor, &status) != 0) {
    refused = errno;
  } else if (S_ISDIR(status.st_mode)) {
    refused = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    refused = EINVAL;
  }
  if (refused != 0) {
    if (error_number != nullptr) *error_number = refused;
    close(descriptor);
    return false;
  }
  // The descriptor stays non-blocking: reads of a regular file wait for the
  // disk whatever the flag says, and ReadFromFile copes with the rare
  // filesystem that honours it.
  file->handle = descriptor;
  file->size_at_open = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool ReadableFileSize(const ReadableFile& file, std::uint64_t* size) {
  if (file.handle == kNoFileHandle) return false;
  *size = file.size_at_open;
  return true;
}

std::int64_t ReadFromFile(ReadableFile& file, void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t count = read(DescriptorOf(file), buffer, size);
    if (count >= 0) return count;
    if (errno == EINTR) continue;
    if (errno != EAGAIN || !ClearNonBlocking(DescriptorOf(file))) return -1;
  }
}

bool SeekReadableFile(ReadableFile& file, std::uint64_t offset) {
  return lseek(DescriptorOf(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

void AdviseSequentialRead(const ReadableFile& file, std::uint64_t size, std::size_t piece) {
  if (size > piece) posix_fadvise(DescriptorOf(file), 0, 0, POSIX_FADV_SEQUENTIAL);
}

void CloseReadableFile(ReadableFile* file) {
  if (file->handle != kNoFileHandle) {
    close(DescriptorOf(*file));
    file->handle = kNoFileHandle;
    file->size_at_open = 0;
  }
}

}  // namespace dravanta
