// Writing a whole buffer to a file descriptor, for the platform's POSIX
// files: a write may take only part of it, or be interrupted by a signal.
#pragma once

#include <errno.h>
#include <unistd.h>

#include <string_view>

namespace dravanta {

inline bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace dravanta
