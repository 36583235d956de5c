#include "platform/text.h"

#include <gtest/gtest.h>

#include <random>

namespace dravanta {
namespace {

TEST(TextTest, ValidUtf8DecodesToCodePoints) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"plain", u"plain"},
      {"caf\xC3\xA9", u"caf\u00E9"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xEF\xBF\xBF", u"\uFFFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(TextTest, InvalidBytesBecomeLowSurrogatesAndComeBack) {
  const std::string cases[] = {
      "\x80",                 // lone continuation byte
      "\xFF\xFE",             // bytes never valid in UTF-8
      "a\xC3",                // truncated sequence at the end
      "\xC0\xAF",             // overlong "/"
      "\xED\xA0\x80",         // encoded surrogate
      "\xF4\x90\x80\x80",     // past U+10FFFF
      "name\xE9.txt",         // Latin-1 file name
      "\xED\xB2\x80",         // would-be U+DC80 written as UTF-8
  };
  for (const auto& bytes : cases) {
    const std::u16string wide = Utf8ToUtf16(bytes);
    EXPECT_EQ(Utf16ToUtf8(wide), bytes);
    for (char16_t unit : wide) {
      if (unit >= 0x80) {
        EXPECT_GE(unit, 0xDC80);
        EXPECT_LE(unit, 0xDCFF);
      }
    }
  }
  EXPECT_EQ(Utf8ToUtf16("\xE9"), std::u16string(1, char16_t{0xDCE9}));
}

TEST(TextTest, RandomBytesRoundTrip) {
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes(rng() % 24, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    ASSERT_EQ(Utf16ToUtf8(Utf8ToUtf16(bytes)), bytes);
  }
}

TEST(TextTest, LoneSurrogatesOutsideEscapeRangeBecomeReplacement) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xDC10})), "\xEF\xBF\xBD");
}

TEST(TextTest, WidenAndLower) {
  EXPECT_EQ(WidenBytes(std::string("a\xFF\0", 3)), std::u16string(u"a\u00FF\0", 3));
  EXPECT_EQ(AsciiLower(u"SeRvEr\u00C9"), u"server\u00C9");
}

}  // namespace
}  // namespace dravanta
