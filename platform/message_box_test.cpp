#include "platform/message_box.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(MessageBoxTest, CaptionAndTextGoToStandardErrorOnOneLine) {
  testing::internal::CaptureStderr();
  ShowMessageBox(u"Caption \u00E9", u"Text.");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption \xC3\xA9: Text.\n");
}

}  // namespace
}  // namespace dravanta
