#include "ui/file_category.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(FileCategory, EveryOutcomeCodeFallsInOneCategory) {
  struct Case {
    ScanOutcome code;
    std::u16string text;
    FileCategory category;
  };
  const Case cases[] = {
      {0, u"", FileCategory::kClean},
      {3, u"", FileCategory::kClean},
      {-1, u"Trojan.X", FileCategory::kThreat},
      {-2, u"UNKNOWN", FileCategory::kThreat},
      {-7, u"", FileCategory::kThreat},
      {1, u"", FileCategory::kNoVerdict},
      {2, u"", FileCategory::kNoVerdict},
      {999, u"", FileCategory::kNoVerdict},
      {1000, u"", FileCategory::kNoVerdict},
      {10009, u"", FileCategory::kNoVerdict},
      {10010, u"", FileCategory::kNoVerdict},
      // A failed upload carries its error text; that is what tells it apart.
      {1000, u"HTTP/1.1 500 Internal Server Error", FileCategory::kFailed},
      {10001, u"", FileCategory::kFailed},
      {10002, u"refused 10061", FileCategory::kFailed},
      {10003, u"in use 10048", FileCategory::kFailed},
      {10004, u"", FileCategory::kFailed},
      {10005, u"could not be opened: Permission denied", FileCategory::kUnreadable},
      {10006, u"gone before it could be read", FileCategory::kVanished},
      {10008, u"", FileCategory::kSkippedSize},
      {12345, u"", FileCategory::kFailed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CategoryOfOutcome(c.code, c.text), c.category) << c.code;
  }
}

TEST(FileCategory, StatusLinesBecomeTheServersAnswer) {
  EXPECT_EQ(PlainFailureReason(u"HTTP/1.1 500 Internal Server Error"), u"the server answered 500");
  EXPECT_EQ(PlainFailureReason(u"HTTP/1.0 503"), u"the server answered 503");
  EXPECT_EQ(PlainFailureReason(u"HTTP/1.1 5x0 odd"), u"HTTP/1.1 5x0 odd");
  EXPECT_EQ(PlainFailureReason(u"engine busy"), u"engine busy");
}

}  // namespace
}  // namespace dravanta
