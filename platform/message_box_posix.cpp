#include "platform/message_box.h"

#include <cstdio>
#include <string>

#include "platform/text.h"

namespace dravanta {

void ShowMessageBox(std::u16string_view caption, std::u16string_view text) {
  const std::string line = Utf16ToUtf8(caption) + ": " + Utf16ToUtf8(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace dravanta
