#include "platform/text.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/ascii.h"

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
      "\x80",              // lone continuation byte
      "\xFF\xFE",          // bytes never valid in UTF-8
      "a\xC3",             // truncated sequence at the end
      "\xC0\xAF",          // overlong "/"
      "\xED\xA0\x80",      // encoded surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "name\xE9.txt",      // Latin-1 file name
      "\xED\xB2\x80",      // would-be U+DC80 written as UTF-8
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
  // Bytes: only A..Z change; UTF-8 sequences and controls stay as they are.
  EXPECT_EQ(AsciiLower(std::string_view("Content-LENGTH: \xC3\x89@[`{")),
            "content-length: \xC3\x89@[`{");
}

TEST(TextTest, HexDigitValues) {
  const struct {
    char32_t c;
    int value;
  } cases[] = {
      {U'0', 0},       {U'9', 9},   {U'a', 10},      {U'f', 15}, {U'A', 10}, {U'F', 15},
      {U'g', -1},      {U'G', -1},  {U'/', -1},      {U':', -1}, {U'@', -1}, {U'`', -1},
      {U' ', -1},      {U'\0', -1}, {U'\u0661', -1},  // ARABIC-INDIC DIGIT ONE
      {U'\uFF21', -1},                                // FULLWIDTH LATIN CAPITAL LETTER A
  };
  for (const auto& c : cases) EXPECT_EQ(HexDigitValue(c.c), c.value) << static_cast<int>(c.c);
  // A byte above 0x7F (a negative char) is no digit, nor a UTF-16 unit that
  // ends in a digit's code.
  EXPECT_EQ(HexDigitValue('\xB1'), -1);
  EXPECT_EQ(HexDigitValue(u'\u0141'), -1);
  EXPECT_EQ(HexDigitValue(u'B'), 11);
}

TEST(TextTest, LowerHexTextOfBytes) {
  EXPECT_EQ(LowerHexText({}), "");
  EXPECT_EQ(LowerHexText({0x00, 0x0f, 0xa5, 0xff}), "000fa5ff");
}

TEST(TextTest, LittleEndianBytesTakeTwoPerCodeUnitLowFirst) {
  const struct {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"", ""},
      {u"A\r\n", std::string("A\0\r\0\n\0", 6)},
      {u"\u20AC\u00FF\u0100", std::string("\xAC\x20\xFF\x00\x00\x01", 6)},
      {std::u16string(1, u'\0'), std::string(2, '\0')},
      {u"\U0001F600", std::string("\x3D\xD8\x00\xDE", 4)},  // a surrogate pair, each unit as it is
      {std::u16string(1, u'\xDC80'), "\x80\xDC"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16LittleEndianBytes(c.text), c.bytes);
}
}  // namespace
}  // namespace dravanta
