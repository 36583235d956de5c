// A yes/no question for the person at the machine.
#pragma once

#include <string_view>

namespace dravanta {

// Windows: a message box with no owner, the caption, the text and the
// buttons Yes and No; true only for Yes. Where no box can be shown (no
// visible desktop with input, and on POSIX, which has no message box)
// nobody can answer: false.
bool AskYesNo(std::u16string_view caption, std::u16string_view text);

}  // namespace dravanta
