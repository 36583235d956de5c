#include "ui/result_texts.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "ui/testing/json_check.h"

namespace dravanta {
namespace {

std::string Narrow(const std::u16string& text) { return Utf16ToUtf8(text); }

std::u16string EngineResult(const char* engine, const char* result, const char* threat) {
  return Utf8ToUtf16(std::string("<engine_result><engine_name>") + engine +
                     "</engine_name><threat_name><![CDATA[" + threat +
                     "]]></threat_name><scan_result>" + result + "</scan_result></engine_result>");
}

TEST(ResultTexts, NoThreats) {
  const ResultTexts t = BuildResultTexts({}, {}, {12, 35, 65});
  EXPECT_EQ(Narrow(t.results),
            R"({"numThreats":0,"engine":"12","fileScanned":35,"scanTime":"00:01:05","result":[]})");
  EXPECT_EQ(Narrow(t.details), "[]");
}

TEST(ResultTexts, TwoThreatsPairResultsWithDetailsByIndex) {
  const ThreatMap threats = {{u"/srv/b.so", u"Worm.Y"}, {u"/srv/a.exe", u"Trojan.X"}};
  const DocumentMap documents = {
      {u"/srv/a.exe", u"<object>" + EngineResult("Engine A", "1", "Trojan.X") +
                          EngineResult("Engine B", "0", "") + u"</object>"},
  };
  const ResultTexts t = BuildResultTexts(threats, documents, {12, 35, 65});
  EXPECT_EQ(Narrow(t.results),
            R"({"numThreats":2,"engine":"12","fileScanned":35,"scanTime":"00:01:05","result":)"
            R"([[ "/srv/a.exe","Trojan.X" ],[ "/srv/b.so","Worm.Y" ]]})");
  // The second file has no document: an empty engine list.
  EXPECT_EQ(Narrow(t.details),
            R"([{"index_0":[["Engine A",1,"Trojan.X"],["Engine B",0,""]]},{"index_1":[]}])");
  EXPECT_TRUE(IsValidJson(Narrow(t.results)));
  EXPECT_TRUE(IsValidJson(Narrow(t.details)));
}

TEST(ResultTexts, ScanTimeFormatting) {
  struct Case {
    uint32_t seconds;
    const char* shown;
  };
  for (const Case c : {Case{0, "00:00:00"}, Case{3725, "01:02:05"}, Case{360000, "100:00:00"},
                       Case{59, "00:00:59"}}) {
    const std::string text = Narrow(BuildResultTexts({}, {}, {0, 0, c.seconds}).results);
    EXPECT_NE(text.find(std::string("\"scanTime\":\"") + c.shown + "\""), std::string::npos)
        << c.seconds;
  }
}

TEST(ResultTexts, PathsDifferingInCaseAreTwoEntriesUpperCaseFirst) {
  const ThreatMap threats = {{u"/x/a", u"T1"}, {u"/x/A", u"T2"}};
  const std::string text = Narrow(BuildResultTexts(threats, {}, {}).results);
  EXPECT_NE(text.find(R"([[ "/x/A","T2" ],[ "/x/a","T1" ]])"), std::string::npos);
}

TEST(EscapeForPage, Rules) {
  struct Case {
    std::u16string in;
    std::u16string out;
  };
  const Case cases[] = {
      {u"C:\\dir\\x.exe", u"C:\\\\dir\\\\x.exe"},
      {u"Tro\tjan", u"Trojan"},
      {u"a\bb\nc\fd\re", u"abcde"},
      {u"say \"hi\"", u"say \\\"hi\\\""},
      {std::u16string(u"a\x01z", 3), u"a\\u0001z"},
      {std::u16string(1, u'\0'), u"\\u0000"},
      {u"del\x7f", u"del\\u007f"},
      {u"caf\u00e9 \U0001F600", u"caf\u00e9 \U0001F600"},
      // A file name byte that is not UTF-8 stays recoverable as its code unit.
      {Utf8ToUtf16("bad\xff"), u"bad\\udcff"},
      {std::u16string(1, char16_t(0xD800)), u"\\ud800"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeForPage(c.in), c.out) << Narrow(c.in);
}

TEST(ResultTexts, AnyPathOrThreatNameGivesValidJson) {
  const std::u16string hostile[] = {
      u"\"",
      u"\\",
      u"\"]}",
      u"</script>",
      u"a\"b\\\"c",
      std::u16string(u"\x00\x1f\x7f", 3),
      Utf8ToUtf16("\xc3\x28\xff"),
      u"\u2028\u2029",
      std::u16string(1, char16_t(0xDBFF)),
  };
  for (const auto& text : hostile) {
    const ThreatMap threats = {{text, text}};
    const DocumentMap documents = {
        {text, u"<engine_result><engine_name>" + text + u"</engine_name><threat_name><![CDATA[" +
                   text + u"]]></threat_name><scan_result>1</scan_result></engine_result>"}};
    const ResultTexts t = BuildResultTexts(threats, documents, {1, 1, 1});
    EXPECT_TRUE(IsValidJson(Narrow(t.results))) << Narrow(t.results);
    EXPECT_TRUE(IsValidJson(Narrow(t.details))) << Narrow(t.details);
    EXPECT_TRUE(IsValidJson(Narrow(PickerText(u"folder", text))));
  }
}

TEST(EngineEntry, MissingAndOddFields) {
  struct Case {
    std::u16string document;
    const char* entry;
  };
  const Case cases[] = {
      {u"", R"({"index_3":[]})"},
      {u"<engine_result></engine_result>", R"({"index_3":[]})"},
      {u"<engine_result><engine_name>E</engine_name>", R"({"index_3":[]})"},
      // Missing result and non-numeric results become null, not a broken entry.
      {u"<engine_result><engine_name>E</engine_name></engine_result>",
       R"({"index_3":[["E",null,""]]})"},
      {EngineResult("E", "x1", "T"), R"({"index_3":[["E",null,"T"]]})"},
      {EngineResult("E", "", "T"), R"({"index_3":[["E",null,"T"]]})"},
      {EngineResult("E", "-", "T"), R"({"index_3":[["E",null,"T"]]})"},
      {EngineResult("E", "1.5", "T"), R"({"index_3":[["E",null,"T"]]})"},
      {EngineResult("E", "007", "T"), R"({"index_3":[["E",7,"T"]]})"},
      {EngineResult("E", "-0", "T"), R"({"index_3":[["E",0,"T"]]})"},
      {EngineResult("E", " 14 ", "T"), R"({"index_3":[["E",14,"T"]]})"},
      {EngineResult("E", "-3", "T"), R"({"index_3":[["E",-3,"T"]]})"},
      // Threat name outside CDATA is not read.
      {u"<engine_result><engine_name>E</engine_name><threat_name>T</threat_name>"
       u"<scan_result>2</scan_result></engine_result>",
       R"({"index_3":[["E",2,""]]})"},
  };
  for (const Case& c : cases) {
    const std::string entry = Narrow(BuildEngineEntry(c.document, 3));
    EXPECT_EQ(entry, c.entry) << Narrow(c.document);
    EXPECT_TRUE(IsValidJson(entry)) << entry;
  }
}

TEST(PickerText, FolderAndFile) {
  EXPECT_EQ(Narrow(PickerText(u"folder", u"/home/a b")), R"([{"folder" : "/home/a b"}])");
  EXPECT_EQ(Narrow(PickerText(u"file", u"C:\\x")), R"([{"file" : "C:\\x"}])");
}

}  // namespace
}  // namespace dravanta
