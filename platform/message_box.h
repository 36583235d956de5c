// Messages for the person at the machine. On Windows a message box with no
// owner, an OK button and the warning icon; where none can be shown (no
// visible desktop, and on POSIX, which has no message box) the caption and
// the text go to standard error, on one line.
#pragma once

#include <string_view>

namespace dravanta {

// Shows the box, or writes "<caption>: <text>" and a line feed to standard
// error.
void ShowMessageBox(std::u16string_view caption, std::u16string_view text);

}  // namespace dravanta
