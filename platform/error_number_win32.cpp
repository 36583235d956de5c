#include <windows.h>

#include <string>

#include "internal/wide_win32.h"
#include "platform/error_number.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// The system's text for a code, without the line end and the final full stop
// it comes with, so that it reads like the POSIX texts in a longer line.
std::u16string SystemText(DWORD code) {
  wchar_t buffer[512] = {};
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD n = FormatMessageW(flags, nullptr, code, 0, buffer, ARRAYSIZE(buffer), nullptr);
  while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ' ||
                   buffer[n - 1] == L'.')) {
    --n;
  }
  return FromWide(buffer, n);
}

}  // namespace

bool ErrorMeansMissing(int error_number) {
  // A missing folder on the way, or a file in its place, is "path not found".
  return error_number == ERROR_FILE_NOT_FOUND || error_number == ERROR_PATH_NOT_FOUND;
}

std::string OpenFailureText(int error_number) {
  const std::u16string text = SystemText(static_cast<DWORD>(error_number));
  if (text.empty()) return "error " + std::to_string(error_number);
  return Utf16ToUtf8(text);
}

}  // namespace dravanta
