#include "platform/wide_format.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/text.h"

namespace dravanta {
namespace {

std::string Narrow(const std::u16string& s) { return Utf16ToUtf8(s); }

TEST(WideFormatTest, IntegerConversions) {
  struct Case {
    std::u16string format;
    FormatArg arg;
    std::u16string expected;
  } cases[] = {
      {u"%d", 42, u"42"},
      {u"%i", -42, u"-42"},
      {u"%d", 0, u"0"},
      {u"%d", INT32_MIN, u"-2147483648"},
      {u"%u", 4294967295u, u"4294967295"},
      {u"%u", -1, u"4294967295"},  // a 32-bit value read as unsigned
      {u"%x", 255, u"ff"},
      {u"%X", 255, u"FF"},
      {u"%x", -1, u"ffffffff"},
      {u"%x", int64_t{-1}, u"ffffffffffffffff"},  // 64-bit values keep their width
      {u"%d", int64_t{5000000000}, u"5000000000"},
      {u"%u", uint64_t{18446744073709551615u}, u"18446744073709551615"},
      {u"%I64d", int64_t{-5000000000}, u"-5000000000"},
      {u"%lld", int64_t{7}, u"7"},
      {u"%ld", 7L, u"7"},
      {u"%lu", 7u, u"7"},
      {u"%hd", 7, u"7"},
      {u"%#x", 255, u"0xff"},
      {u"%#X", 255, u"0XFF"},
      {u"%#x", 0, u"0"},
      {u"%5d", 42, u"   42"},
      {u"%-5d|", 42, u"42   |"},
      {u"%05d", 42, u"00042"},
      {u"%05d", -42, u"-0042"},
      {u"%-05d|", 42, u"42   |"},  // "-" wins over "0"
      {u"%.3d", 7, u"007"},
      {u"%6.3d", -7, u"  -007"},
      {u"%06.3d", 7, u"   007"},  // a precision turns zero padding off
      {u"%.0d", 0, u""},
      {u"%#06x", 255, u"0x00ff"},
      {u"%.8X", 0x1A, u"0000001A"},
      {u"%c", u'A', u"A"},
      {u"%c", char16_t{0x20AC}, u"\u20AC"},
      {u"%3c", u'A', u"  A"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Narrow(FormatWideList(c.format, {&c.arg, 1})), Narrow(c.expected))
        << Narrow(c.format);
  }
}

TEST(WideFormatTest, TextConversions) {
  const std::u16string path = u"C:/dir/file \u00E9";
  struct Case {
    std::u16string format;
    std::u16string expected;
  } cases[] = {
      {u"%s", path},
      {u"%ls", path},
      {u"%hs", path},
      {u"[%.3s]", u"[C:/]"},
      {u"[%8.2s]", u"[      C:]"},
      {u"[%-8.2s]", u"[C:      ]"},
      {u"Skipped File: %s. \"%s\"", u"Skipped File: " + path + u". \"\""},  // no second value
  };
  for (const auto& c : cases) {
    const FormatArg arg(path);
    EXPECT_EQ(Narrow(FormatWideList(c.format, {&arg, 1})), Narrow(c.expected)) << Narrow(c.format);
  }
}

TEST(WideFormatTest, SeveralValuesInOrder) {
  EXPECT_EQ(FormatWide(u"Skipped File: %s. \"%s\"", u"Clean", u"/a b/c"),
            u"Skipped File: Clean. \"/a b/c\"");
  EXPECT_EQ(FormatWide(u"%s=%d (0x%.8X)%%", std::u16string(u"code"), 10, 0x20001001u),
            u"code=10 (0x20001001)%");
  EXPECT_EQ(FormatWide(u"OnInitGui"), u"OnInitGui");
}

TEST(WideFormatTest, MissingOrMismatchedValuesAreHarmless) {
  struct Case {
    std::u16string format;
    std::u16string expected;
  } cases[] = {
      {u"%s and %s", u"7 and "},  // an integer in %s, then no value left
      {u"%d%d%x%c", u"7"},       {u"%%", u"%"},
      {u"100%", u"100%"},  // a lone percent at the end stays
      {u"50%q", u"50%q"},  // an unknown conversion is copied
      {u"%-5", u"%-5"},    // an unfinished one too
      {u"%*d", u"%*d"},    // no "*" width in these rules
      {u"%.2f", u"%.2f"},  // and no floating point
  };
  for (const auto& c : cases) {
    const FormatArg arg(7);
    EXPECT_EQ(Narrow(FormatWideList(c.format, {&arg, 1})), Narrow(c.expected)) << Narrow(c.format);
  }
  EXPECT_EQ(FormatWide(u"%d|%x", u"text", u"more"), u"text|more");
  EXPECT_EQ(FormatWide(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)");
}

TEST(WideFormatTest, OutputStopsAt1024CodeUnits) {
  const std::u16string long_text(3000, u'a');
  EXPECT_EQ(FormatWide(u"%s", long_text).size(), kWideFormatLimit);
  EXPECT_EQ(FormatWide(u"%99999999999d", 1).size(), kWideFormatLimit);
  EXPECT_EQ(FormatWideList(std::u16string(2000, u'b'), {}).size(), kWideFormatLimit);

  // A surrogate pair cut by the limit is dropped whole.
  const std::u16string cut = FormatWide(u"%s", std::u16string(1023, u'a') + u"\U0001F600");
  EXPECT_EQ(cut, std::u16string(1023, u'a'));
  const std::u16string kept = FormatWide(u"%s", std::u16string(1022, u'a') + u"\U0001F600");
  EXPECT_EQ(kept.size(), kWideFormatLimit);
}

}  // namespace
}  // namespace dravanta
