#include <windows.h>

#include <algorithm>
#include <string>

#include "internal/wide_win32.h"
#include "platform/standard_streams.h"
#include "platform/text.h"

namespace dravanta {
namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

// A console reads bytes in its own code page: the UTF-8 text goes to it as
// UTF-16 instead. Files and pipes get the bytes as they are.
bool WriteAll(DWORD which, std::string_view bytes) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  if (IsConsole(handle)) {
    const std::u16string text = Utf8ToUtf16(bytes);
    DWORD written = 0;
    return WriteConsoleW(handle, WideOf(text), static_cast<DWORD>(text.size()), &written,
                         nullptr) != 0;
  }
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  // Nothing is buffered here: what WriteFile took is the system's, as after
  // write(2).
  return true;
}

}  // namespace

bool WriteStandardOutput(std::string_view bytes) { return WriteAll(STD_OUTPUT_HANDLE, bytes); }

bool WriteStandardError(std::string_view bytes) { return WriteAll(STD_ERROR_HANDLE, bytes); }

bool StandardErrorIsTerminal() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

}  // namespace dravanta
