// Messages for the person at the machine. This platform has no message box:
// the caption and the text go to standard error, on one line.
#pragma once

#include <string_view>

namespace dravanta {

// Writes "<caption>: <text>" and a line feed to standard error.
void ShowMessageBox(std::u16string_view caption, std::u16string_view text);

}  // namespace dravanta
