#include "platform/standard_streams.h"

#include <errno.h>
#include <unistd.h>

namespace dravanta {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
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

}  // namespace

bool WriteStandardOutput(std::string_view bytes) { return WriteAll(STDOUT_FILENO, bytes); }

bool WriteStandardError(std::string_view bytes) { return WriteAll(STDERR_FILENO, bytes); }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace dravanta
