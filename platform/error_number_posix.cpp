#include "platform/error_number.h"

#include <errno.h>
#include <string.h>

namespace dravanta {

bool ErrorMeansMissing(int error_number) {
  return error_number == ENOENT || error_number == ENOTDIR;
}

std::string OpenFailureText(int error_number) {
  if (error_number == EISDIR || error_number == EINVAL) return "no longer a regular file";
  if (error_number == ELOOP) return "a link took the file's place";
  char buffer[256] = {};
  // The GNU form may return a static text instead of filling the buffer.
  const char* text = strerror_r(error_number, buffer, sizeof buffer);
  return text != nullptr ? std::string(text) : std::string("error " + std::to_string(error_number));
}

}  // namespace dravanta
