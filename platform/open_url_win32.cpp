#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "internal/visible_desktop_win32.h"
#include "internal/wide_win32.h"
#include "platform/open_url.h"

namespace dravanta {

bool OpenUrlOnDesktop(std::u16string_view url) {
  if (url.empty() || url.front() == u'-') return false;
  const std::u16string address(url);
  // The shell opens the address with its scheme's handler (the default
  // browser for http and https). Results above 32 mean it was handed over.
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", WideOf(address), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool DesktopBrowserAvailable() {
  const char* off = std::getenv("DRAVANTA_NO_BROWSER");
  if (off != nullptr && std::strcmp(off, "1") == 0) return false;
  return DesktopIsVisible();
}

}  // namespace dravanta
