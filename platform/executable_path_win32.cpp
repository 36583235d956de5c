#include <string>

#include "internal/wide_win32.h"
#include "platform/executable_path.h"

namespace dravanta {
namespace {

// The longest path the system accepts (in the \\?\ form), terminator included.
constexpr size_t kLongestPath = 32768;

}  // namespace

std::u16string ExecutablePath() {
  std::u16string buffer(MAX_PATH, u'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetModuleFileNameW(nullptr, WideOf(buffer), size);
    if (n == 0) return std::u16string();
    // A path that fills the buffer was cut (the terminator did not fit).
    if (n < size) {
      buffer.resize(n);
      return buffer;
    }
    if (buffer.size() >= kLongestPath) return std::u16string();
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string ExecutableDirectory() {
  const std::u16string path = ExecutablePath();
  const size_t separator = path.rfind(u'\\');
  if (separator == std::u16string::npos) return std::u16string();
  return path.substr(0, separator + 1);
}

}  // namespace dravanta
