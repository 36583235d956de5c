#include "long_path_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace dravanta {

int OpenPathOfAnyLength(const std::string& path, int flags) {
  if (path.size() < PATH_MAX) return open(path.c_str(), flags, 0);
  int folder = AT_FDCWD;
  size_t start = 0;
  while (path.size() - start >= PATH_MAX) {
    // The longest leading piece that ends at a separator and still fits.
    const size_t cut = path.rfind('/', start + PATH_MAX - 1);
    if (cut == std::string::npos || cut <= start) {
      if (folder != AT_FDCWD) close(folder);
      errno = ENAMETOOLONG;  // one name longer than any the system allows
      return -1;
    }
    const std::string piece = path.substr(start, cut - start);
    const int next = openat(folder, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int saved = errno;
    if (folder != AT_FDCWD) close(folder);
    if (next < 0) {
      errno = saved;
      return -1;
    }
    folder = next;
    start = cut + 1;
  }
  const int fd = openat(folder, path.c_str() + start, flags, 0);
  const int saved = errno;
  if (folder != AT_FDCWD) close(folder);
  errno = saved;
  return fd;
}

}  // namespace dravanta
