#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "internal/visible_desktop_win32.h"
#include "internal/wide_win32.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// "<caption>: <text>" and a line feed on standard error: through the
// console's UTF-16 call when it is a console (bytes would be read in the
// console's code page), as UTF-8 when it is a file or a pipe.
void WriteToStandardError(std::u16string_view caption, std::u16string_view text) {
  std::u16string line = std::u16string(caption) + u": " + std::u16string(text) + u"\n";
  std::fflush(stderr);
  const intptr_t os_handle = _get_osfhandle(_fileno(stderr));
  const HANDLE handle = reinterpret_cast<HANDLE>(os_handle);
  DWORD mode = 0;
  if (os_handle != -1 && GetConsoleMode(handle, &mode)) {
    DWORD written = 0;
    WriteConsoleW(handle, WideOf(line), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  const std::string bytes = Utf16ToUtf8(line);
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void ShowMessageBox(std::u16string_view caption, std::u16string_view text) {
  if (DesktopIsVisible()) {
    const std::u16string caption_text(caption);
    const std::u16string body(text);
    // No owner window; OK button and the warning icon (0x30). With an OK
    // button alone, IDOK is the only answer of a box that was shown: Wine
    // without a display answers -1, not the documented 0.
    if (MessageBoxW(nullptr, WideOf(body), WideOf(caption_text), MB_OK | MB_ICONWARNING) == IDOK) {
      return;
    }
  }
  WriteToStandardError(caption, text);
}

}  // namespace dravanta
