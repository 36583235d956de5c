#include "platform/executable_path.h"

#include <unistd.h>

#include <string>

#include "platform/text.h"

namespace dravanta {

std::u16string ExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::u16string();
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      return Utf8ToUtf16(buffer);
    }
    buffer.resize(buffer.size() * 2);  // the path may have been cut: retry larger
  }
}

std::u16string ExecutableDirectory() {
  const std::u16string path = ExecutablePath();
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return std::u16string();
  return path.substr(0, slash + 1);
}

}  // namespace dravanta
