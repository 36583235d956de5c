#include "tools/scan-server/documents.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

namespace dravanta::scan_server {
namespace {

// The client's way of reading an element: the text between the first
// opening tag and the closing tag after it.
std::string FirstElementText(const std::string& document, const std::string& name) {
  std::size_t open = document.find("<" + name + ">");
  if (open == std::string::npos) return "<missing>";
  std::size_t start = open + name.size() + 2;
  return document.substr(start, document.find("</" + name + ">", start) - start);
}

pugi::xml_document Parse(const std::string& text) {
  pugi::xml_document document;
  pugi::xml_parse_result result = document.load_string(text.c_str());
  EXPECT_TRUE(result) << result.description() << " in " << text;
  return document;
}

FileVerdict EicarVerdict() {
  return CombineVerdicts({{"ClamAV", 1, "Dravanta.Test.EICAR"},
                          {"YARA", 0, ""},
                          {"Hash list", 1, "Dravanta.Test.EICAR"}});
}

TEST(DocumentsTest, EngineInfoHasOneEnginePerEngine) {
  std::string document =
      EngineInfoDocument({{"ClamAV", "1.4.6", "2 signatures"}, {"YARA", "4.2.3", "2 rules"}});
  EXPECT_EQ(document.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?><method_response>", 0), 0u);
  EXPECT_NE(document.find("<name>getengineinfo</name>"), std::string::npos);
  EXPECT_EQ(Parse(document).select_nodes("/method_response/engines/engine").size(), 2u);
}

TEST(DocumentsTest, UploadAnswerPutsTheFileVerdictFirst) {
  std::string document = UploadAnswerDocument(EicarVerdict(), {"a.com", "AB", "CD", 68});
  Parse(document);
  EXPECT_EQ(FirstElementText(document, "final_scan_result"), "1");
  EXPECT_EQ(FirstElementText(document, "threat_name"), "<![CDATA[Dravanta.Test.EICAR]]>");
  std::string objects = FirstElementText(document, "objects");
  EXPECT_EQ(objects,
            "<engine_result><engine_name>ClamAV</engine_name>"
            "<threat_name><![CDATA[Dravanta.Test.EICAR]]></threat_name>"
            "<scan_result>1</scan_result></engine_result>"
            "<engine_result><engine_name>YARA</engine_name>"
            "<threat_name><![CDATA[]]></threat_name><scan_result>0</scan_result></engine_result>"
            "<engine_result><engine_name>Hash list</engine_name>"
            "<threat_name><![CDATA[Dravanta.Test.EICAR]]></threat_name>"
            "<scan_result>1</scan_result></engine_result>");
}

TEST(DocumentsTest, RequestTextsCannotInjectMarkup) {
  std::string document = UploadAnswerDocument(CombineVerdicts({{"ClamAV", 0, ""}}),
                                              {"<error>x</error>&<objects>.txt", "AB", "CD", 1});
  Parse(document);
  EXPECT_EQ(document.find("<error>"), std::string::npos);
  EXPECT_EQ(document.find("<objects>", document.find("</objects>")), std::string::npos);
  EXPECT_NE(document.find("&lt;error&gt;x&lt;/error&gt;&amp;&lt;objects&gt;.txt"),
            std::string::npos);
  std::string error = ErrorDocument("bad <error> \x01");
  EXPECT_EQ(error, std::string(kXmlDeclaration) + "<error>bad &lt;error&gt; ?</error>");
}

TEST(DocumentsTest, LookupAnswerHasOneObjectPerEntryInOrder) {
  std::vector<LookupEntry> entries = {
      {"3395856CE81F2B7382DEE72602F798B642F14140", true,
       std::make_shared<const RememberedVerdict>(RememberedVerdict{
           1, "Dravanta.Test.EICAR", EngineResultElements(EicarVerdict().engines)})},
      {"0000000000000000000000000000000000000000", true, nullptr},
      {"x<y", false, nullptr},
      {std::string(100, 'z'), false, nullptr},
  };
  std::string document = LookupAnswerDocument(entries);
  pugi::xml_document parsed = Parse(document);
  pugi::xpath_node_set objects = parsed.select_nodes("//object");
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_STREQ(objects[0].node().child_value("final_scan_result"), "1");
  EXPECT_STREQ(objects[0].node().child("threat_name").text().get(), "Dravanta.Test.EICAR");
  EXPECT_EQ(objects[0].node().child("objects").select_nodes("engine_result").size(), 3u);
  EXPECT_STREQ(objects[1].node().child_value("final_scan_result"), "5");
  EXPECT_STREQ(objects[2].node().child_value("signature"), "x<y");
  EXPECT_STREQ(objects[2].node().child_value("final_scan_result"), "5");
  EXPECT_EQ(std::string(objects[3].node().child_value("signature")).size(), 64u);
  // The client splits on "<object>" (no attributes), and "<objects>" must not
  // be taken for one.
  std::size_t count = 0;
  for (std::size_t at = document.find("<object>"); at != std::string::npos;
       at = document.find("<object>", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(document.find("<object "), std::string::npos);
}

TEST(DocumentsTest, EmptyLookupAnswerHasNoObject) {
  std::string document = LookupAnswerDocument({});
  Parse(document);
  EXPECT_EQ(document.find("<object"), std::string::npos);
}

}  // namespace
}  // namespace dravanta::scan_server
