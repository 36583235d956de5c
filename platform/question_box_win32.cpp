#include <windows.h>

#include <string>

#include "internal/visible_desktop_win32.h"
#include "internal/wide_win32.h"
#include "platform/question_box.h"

namespace dravanta {

bool AskYesNo(std::u16string_view caption, std::u16string_view text) {
  if (!DesktopIsVisible()) return false;
  const std::u16string caption_text(caption);
  const std::u16string body(text);
  return MessageBoxW(nullptr, WideOf(body), WideOf(caption_text), MB_YESNO | MB_SETFOREGROUND) ==
         IDYES;
}

}  // namespace dravanta
