#include <gtest/gtest.h>

#include "platform/message_box.h"

namespace dravanta {
namespace {

// The tests run where no box can be shown (Wine without a display, a service
// session), so the message goes to standard error, as UTF-8 because it is
// captured to a file.
TEST(MessageBoxWin32Test, WithoutADesktopCaptionAndTextGoToStandardError) {
  testing::internal::CaptureStderr();
  ShowMessageBox(u"Caption \u00E9", u"Text \u20AC.");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption \xC3\xA9: Text \xE2\x82\xAC.\n");
}

}  // namespace
}  // namespace dravanta
