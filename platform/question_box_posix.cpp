#include "platform/question_box.h"

namespace dravanta {

// No message box here, so no answer: the question counts as answered no.
bool AskYesNo(std::u16string_view, std::u16string_view) { return false; }

}  // namespace dravanta
