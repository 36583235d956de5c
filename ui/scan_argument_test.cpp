#include "ui/scan_argument.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace dravanta {
namespace {

TEST(PercentDecode, Rules) {
  struct Case {
    std::u16string in;
    std::u16string out;
  };
  const Case cases[] = {
      {u"C:%5Ca", u"C:\\a"}, {u"/x%7Cy", u"/x|y"}, {u"100%25", u"100%"}, {u"a+b", u"a+b"},
      {u"%41%62", u"Ab"},    {u"%e9", u"\u00e9"},  {u"50%", u"50%"},     {u"%4", u"%4"},
      {u"%zz", u"%zz"},      {u"%%41", u"%A"},     {u"", u""},           {u"%2525", u"%25"},
  };
  for (const Case& c : cases) EXPECT_EQ(PercentDecode(c.in), c.out) << Utf16ToUtf8(c.in);
}

TEST(PlanScan, Levels) {
  struct Case {
    std::u16string argument;
    std::u16string level;
    int32_t scanType;
    std::u16string location;
    bool all_modules;
  };
  const Case cases[] = {
      {u"0|/home/a|/tmp/b", u"0", 1, u"/home/a|/tmp/b", false},
      {u"0|C:%5Ca", u"0", 1, u"C:\\a", false},
      {u"0", u"0", 1, u"", false},
      {u"1|", u"1", 0, u"", false},
      {u"2|", u"2", 0, u"", true},
      {u"3|", u"3", 1, u"ALL", false},
      {u"3|/ignored", u"3", 1, u"ALL", false},
      {u"7|x", u"7", 0, u"", false},
      {u"", u"", 0, u"", false},
  };
  for (const Case& c : cases) {
    const ScanPlan plan = PlanScan(c.argument);
    EXPECT_EQ(plan.level, c.level) << Utf16ToUtf8(c.argument);
    EXPECT_EQ(plan.scanType, c.scanType) << Utf16ToUtf8(c.argument);
    EXPECT_EQ(plan.location, c.location) << Utf16ToUtf8(c.argument);
    if (plan.scanType == 0) {
      EXPECT_EQ(plan.all_modules, c.all_modules) << Utf16ToUtf8(c.argument);
    }
  }
}

}  // namespace
}  // namespace dravanta
