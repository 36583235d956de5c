#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/text_file_encoding.h"

namespace dravanta {
namespace {

TEST(TextFileEncodingWin32Test, TheReportIsInTheAnsiCodePage) {
  // Wine's default for an English or C locale, as on most Western systems.
  if (GetACP() != 1252) GTEST_SKIP() << "the expected bytes are those of code page 1252";
  const struct {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"", ""},
      {u"Clean Files: 3\r\n", "Clean Files: 3\r\n"},
      {u"caf\u00E9 \u20AC \u00FF", "caf\xE9 \x80 \xFF"},  // one byte each
      {u"\u4E2D\u6587", "??"},                            // not in the code page
      {std::u16string(1, u'\xDC80'), "?"},                // a lone surrogate
      {std::u16string(1, u'\0') + u"x", std::string("\0x", 2)},
  };
  for (const auto& c : cases) EXPECT_EQ(ReportFileBytes(c.text), c.bytes);
}

TEST(TextFileEncodingWin32Test, ALongTextIsConvertedWhole) {
  const std::u16string text(3 * 1000 * 1000, u'\u00E9');
  const std::string bytes = ReportFileBytes(text);
  ASSERT_EQ(bytes.size(), text.size());
  EXPECT_EQ(bytes.find_first_not_of(ReportFileBytes(u"\u00E9")), std::string::npos);
}

TEST(TextFileEncodingWin32Test, TheLogIsUtf16LittleEndian) {
  EXPECT_EQ(LogFileBytes(u"I\u20AC\r\n"), std::string("I\0\xAC\x20\r\0\n\0", 8));
}

}  // namespace
}  // namespace dravanta
