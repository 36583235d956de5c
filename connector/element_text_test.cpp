#include "connector/element_text.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(ElementTextTest, GetElementText) {
  struct Case {
    std::u16string document;
    std::u16string name;
    std::u16string text;
  } cases[] = {
      {u"<a>1</a>", u"a", u"1"},
      {u"<a x=\"y\">2</a>", u"a", u"2"},
      {u"<a>first</a><a>second</a>", u"a", u"first"},
      {u"<a><b>inner</b></a>", u"a", u"<b>inner</b>"},
      {u"<a>runs to the end", u"a", u"runs to the end"},
      {u"<b>1</b>", u"a", u""},
      {u"<ab>1</ab>", u"a", u""},
      {u"<a ", u"a", u""},                  // opening tag never ends
      {u"<A>1</A>", u"a", u""},             // case-sensitive
      {u"<a/>", u"a", u""},                 // neither opening form
      {u"<a>x</a><a y>z</a>", u"a", u"z"},  // the attribute form is searched first
      {u"", u"a", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetElementText(c.document, c.name), c.text);
  }
}

TEST(ElementTextTest, SplitElements) {
  struct Case {
    std::u16string document;
    std::vector<std::u16string> elements;
  } cases[] = {
      {u"", {}},
      {u"<r><o>1</o><o>2</o></r>", {u"<o>1</o>", u"<o>2</o>"}},
      {u"<o id=\"1\">1</o><o id=\"2\">2</o>", {u"<o id=\"1\">1</o>", u"<o id=\"2\">2</o>"}},
      // Both forms present: only the attribute form is split on.
      {u"<o>1</o><o id=\"2\">2</o>", {u"<o id=\"2\">2</o>"}},
      // No closing tag: this and every later element end at the next "/>".
      {u"<o a=\"1\"/><o a=\"2\"/>", {u"<o a=\"1\"/>", u"<o a=\"2\"/>"}},
      // A closing tag found further on ends the first element there.
      {u"<o a=\"1\"/><o a=\"2\">x</o>", {u"<o a=\"1\"/><o a=\"2\">x</o>"}},
      // Neither closing form: the element runs to the end.
      {u"<o>1<o>2", {u"<o>1<o>2"}},
      {u"<op>1</op>", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitElements(c.document, u"o"), c.elements);
  }
}

TEST(ElementTextTest, StripCdata) {
  struct Case {
    std::u16string text;
    std::u16string stripped;
  } cases[] = {
      {u"<![CDATA[EICAR]]>", u"EICAR"},
      {u" <![CDATA[a b]]> ", u"a b"},
      {u"plain", u"plain"},
      {u"<![CDATA[unclosed", u"<![CDATA[unclosed"},
      {u"<![CDATA[]]>", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(StripCdata(c.text), c.stripped);
}

}  // namespace
}  // namespace dravanta
