#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "internal/wide_win32.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// True when the process runs on a window station a person can see, with an
// input desktop: not in a service's session or on a locked workstation,
// where a message box would wait for a click nobody can give.
bool DesktopIsVisible() {
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr) return false;
  USEROBJECTFLAGS flags = {};
  if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return false;
  if ((flags.dwFlags & WSF_VISIBLE) == 0) return false;
  // The desktop that receives the keyboard and mouse; none while the
  // workstation is locked or in a session without input.
  HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (input == nullptr) return false;
  CloseDesktop(input);
  return true;
}

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
