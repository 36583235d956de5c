#include "platform/sequential_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"

namespace dravanta {

std::unique_ptr<SequentialFile> SequentialFile::Open(std::u16string_view path) {
  const int fd = open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<SequentialFile>(new SequentialFile(fd));
}

SequentialFile::~SequentialFile() { close(descriptor_); }

int64_t SequentialFile::Read(void* buffer, size_t size) {
  for (;;) {
    const ssize_t n = read(descriptor_, buffer, size);
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
}

}  // namespace dravanta
