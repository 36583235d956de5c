#include "platform/standard_streams.h"

#include <errno.h>
#include <unistd.h>

namespace dravanta {
namespace {

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

void WriteStandardOutput(std::string_view bytes) { WriteAll(STDOUT_FILENO, bytes); }

void WriteStandardError(std::string_view bytes) { WriteAll(STDERR_FILENO, bytes); }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace dravanta
