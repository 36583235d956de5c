#include "platform/text_file_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace dravanta {
namespace {

TEST(TextFileEncodingTest, TheReportIsUtf8AndGivesBackAFileNamesStrayBytes) {
  const struct {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"", ""},
      {u"Clean Files: 3\r\n", "Clean Files: 3\r\n"},
      {u"caf\u00E9 \u20AC", "caf\xC3\xA9 \xE2\x82\xAC"},
      {u"bad\xDCFF\xDC80.txt", "bad\xFF\x80.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReportFileBytes(c.text), c.bytes);
}

TEST(TextFileEncodingTest, TheLogIsUtf16LittleEndian) {
  EXPECT_EQ(LogFileBytes(u"I\u20AC\r\n"), std::string("I\0\xAC\x20\r\0\n\0", 8));
}

}  // namespace
}  // namespace dravanta
