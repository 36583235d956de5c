#include <gtest/gtest.h>

#include "platform/question_box.h"

namespace dravanta {
namespace {

// The tests run where no box can be shown (Wine without a display, a
// service session): nobody can say yes, so the answer is no, at once.
TEST(QuestionBoxWin32, WithoutADesktopTheAnswerIsNo) {
  EXPECT_FALSE(AskYesNo(u"Are you sure?", u"Are you sure you want to cancel your scan?"));
}

}  // namespace
}  // namespace dravanta
