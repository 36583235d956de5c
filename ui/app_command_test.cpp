#include "ui/app_command.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace dravanta {
namespace {

using K = AppCommandKind;

TEST(ParseAppAddress, CommandTable) {
  struct Case {
    std::u16string address;
    bool intercepted;
    K kind;
    std::u16string argument;
  };
  const Case cases[] = {
      {u"app:1005@Init", true, K::kInit, u""},
      {u"app:1005@Done", true, K::kDone, u""},
      {u"app:1005@SetupScan", true, K::kSetupScan, u""},
      {u"app:1005@ShowResults", true, K::kShowResults, u""},
      {u"app:1005@UpdateProgressBar", true, K::kUpdateProgressBar, u""},
      {u"app:1005@SetScanLoadedModulesON", true, K::kLoadedModulesOn, u""},
      {u"app:1005@SetScanLoadedModulesOFF", true, K::kLoadedModulesOff, u""},
      {u"app:1005@StopScan", true, K::kStopScan, u""},
      // Without "@" the whole address is the command text, which matches nothing.
      {u"app:Init", true, K::kNone, u"Init"},
      {u"app:1005@init", true, K::kNone, u""},
      {u"app:1005@Init:x", true, K::kNone, u"x"},
      {u"app:1005@ScanNow:0|C:\\x", true, K::kScanNow, u"0|C:\\x"},
      {u"app:1005@ScanNow:3|", true, K::kScanNow, u"3|"},
      {u"app:1005@XScanNowY", true, K::kScanNow, u""},
      {u"app:1005@ScanNow:0|/a:b|/c", true, K::kScanNow, u"0|/a:b|/c"},
      // Only the first "@" cuts; the identifier is ignored.
      {u"app:x@ScanNow:1|a@b", true, K::kScanNow, u"1|a@b"},
      {u"app:", true, K::kNone, u""},
      {u"app:1005@", true, K::kNone, u""},
      {u"APP:1005@Init", false, K::kNone, u""},
      {u"https://example.invalid/", false, K::kNone, u""},
      {u"ap", false, K::kNone, u""},
      {u"", false, K::kNone, u""},
  };
  for (const Case& c : cases) {
    const AppCommand command = ParseAppAddress(c.address);
    EXPECT_EQ(command.intercepted, c.intercepted) << Utf16ToUtf8(c.address);
    EXPECT_EQ(command.kind, c.kind) << Utf16ToUtf8(c.address);
    EXPECT_EQ(command.argument, c.argument) << Utf16ToUtf8(c.address);
  }
}

}  // namespace
}  // namespace dravanta
