#include "ui/bridge_request.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace dravanta {
namespace {

TEST(ParseStringArray, AcceptedBodies) {
  struct Case {
    std::string body;
    std::vector<std::u16string> elements;
  };
  const Case cases[] = {
      {"", {}},
      {"  ", {}},
      {"[]", {}},
      {" [ ] ", {}},
      {R"(["a"])", {u"a"}},
      {R"([ "a" , "" , "c" ])", {u"a", u"", u"c"}},
      {R"(["q\"b\\s\/n\nt\tr\rf\fb\b"])", {u"q\"b\\s/n\nt\tr\rf\fb\b"}},
      {R"(["\u00e9\uD83D\uDE00"])", {u"\u00e9\U0001F600"}},
      {"[\"caf\xc3\xa9\"]", {u"caf\u00e9"}},
      // A lone surrogate escape is kept as it is: file names stay lossless.
      {R"(["\udcff"])", {std::u16string(1, char16_t(0xDCFF))}},
      {"[\"\xff\"]", {Utf8ToUtf16("\xff")}},
  };
  for (const Case& c : cases) {
    std::vector<std::u16string> elements{u"stale"};
    EXPECT_TRUE(ParseStringArray(c.body, &elements)) << c.body;
    EXPECT_EQ(elements, c.elements) << c.body;
  }
}

TEST(ParseStringArray, RefusedBodies) {
  const std::string bodies[] = {
      "[",
      "]",
      "[\"a\"",
      "[\"a\",]",
      "[,\"a\"]",
      "[\"a\"]x",
      "[1]",
      "[null]",
      "[[\"a\"]]",
      "{\"a\":1}",
      "\"a\"",
      "[\"\\x\"]",
      "[\"\\u12\"]",
      "[\"\\u12g4\"]",
      "[\"a\nb\"]",
      "[\"a\"] [\"b\"]",
      std::string("[\"\0\"]", 5),
      "[\"\\",
  };
  for (const std::string& body : bodies) {
    std::vector<std::u16string> elements;
    EXPECT_FALSE(ParseStringArray(body, &elements)) << body;
  }
}

}  // namespace
}  // namespace dravanta
