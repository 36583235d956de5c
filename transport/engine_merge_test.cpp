#include "transport/engine_merge.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "transport/client_properties.h"
#include "transport/engine_info.h"

namespace dravanta {
namespace {

std::string Answer(int engines,
                   const char* declaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>") {
  std::string text =
      std::string(declaration) + "<method_response><name>getengineinfo</name><engines>";
  for (int i = 0; i < engines; ++i) text += "<engine><id>" + std::to_string(i) + "</id></engine>";
  return text + "</engines></method_response>";
}

TEST(EngineMergeTest, OneAnswerPassesUnchanged) {
  EXPECT_EQ(MergeEngineDocuments(Answer(3)), Answer(3));
}

TEST(EngineMergeTest, TwoAnswersBecomeOneRootWithBothEngineLists) {
  std::string merged = MergeEngineDocuments(Answer(2) + Answer(3));
  EXPECT_EQ(merged,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><method_response><name>getengineinfo</name>"
            "<engines><engine><id>0</id></engine><engine><id>1</id></engine></engines>"
            "<engines><engine><id>0</id></engine><engine><id>1</id></engine>"
            "<engine><id>2</id></engine></engines></method_response>");
  EXPECT_EQ(CountEngines(WidenBytes(merged)), 5u);
}

// A removal that joins the text around it into a marker (the same or
// another) removes that one too: the merged document never holds a second
// root.
TEST(EngineMergeTest, MarkersJoinedByARemovalAreRemovedToo) {
  struct Case {
    std::string text;
    std::string merged;
  };
  const Case cases[] = {
      {"<method_response>a<method_<method_response>response>b", "<method_response>ab"},
      {"<method_response><method_response><method_response>", "<method_response>"},
      {"x</method_</method_response>response>y</method_response>", "xy</method_response>"},
      {"</method_response></method_response></method_response>", "</method_response>"},
      // A closing marker removed last joins a declaration, removed in turn.
      {"<?xml version=\"1.0\" encoding=\"utf-8\"?><method_response>"
       "<?xml version=\"1.0\" encoding=\"u</method_response>tf-8\"?></method_response>",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><method_response></method_response>"},
  };
  for (const Case& c : cases) EXPECT_EQ(MergeEngineDocuments(c.text), c.merged) << c.text;
}

TEST(EngineMergeTest, UpperCaseDeclarationIsNotMerged) {
  const char* upper = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  std::string merged = MergeEngineDocuments(Answer(1, upper) + Answer(1, upper));
  size_t first = merged.find(upper);
  EXPECT_NE(merged.find(upper, first + 1), std::string::npos);
}

TEST(EngineInfoTest, CountsEnginesOrZeroForUnparsableText) {
  EXPECT_EQ(CountEngines(WidenBytes(Answer(3))), 3u);
  EXPECT_EQ(CountEngines(WidenBytes(Answer(0))), 0u);
  EXPECT_EQ(CountEngines(u"<method_response><engines><engine>"), 0u);
  EXPECT_EQ(CountEngines(u""), 0u);
  EXPECT_EQ(CountEngines(u"<other><engines><engine/></engines></other>"), 0u);
}

class ClientPropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearProperties(); }
  void TearDown() override { ClearProperties(); }
};

TEST_F(ClientPropertiesTest, EngineCountIsCopiedWithItsTerminator) {
  SetProperty(EngineCountProperty, 3);
  char16_t buffer[100];
  std::fill(std::begin(buffer), std::end(buffer), u'x');
  EXPECT_EQ(GetEngineCount(buffer), 0u);
  EXPECT_EQ(std::u16string(buffer), u"3");
  EXPECT_EQ(GetEngineCount(nullptr), 1u);
}

TEST_F(ClientPropertiesTest, MissingCountIsEmptyAndNamesAreListed) {
  char16_t buffer[100] = {u'x'};
  EXPECT_EQ(GetEngineCount(buffer), 0u);
  EXPECT_EQ(buffer[0], u'\0');
  std::u16string value = u"untouched";
  EXPECT_FALSE(GetProperty(u"total_av", &value));
  EXPECT_EQ(value, u"untouched");
  SetProperty(u"total_av", 5);
  SetProperty(u"a_first", 1);
  EXPECT_TRUE(GetProperty(u"", &value));
  EXPECT_EQ(value, u"a_first|total_av");
  EXPECT_TRUE(GetProperty(u"total_av", &value));
  EXPECT_EQ(value, u"5");
}

}  // namespace
}  // namespace dravanta
