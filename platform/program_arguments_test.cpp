#include "platform/program_arguments.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace dravanta {
namespace {

TEST(ProgramArgumentsTest, ArgvAfterTheNameIsDecodedLosslesslyFromUtf8) {
  const char* argv[] = {"dravanta-client", "server=caf\xC3\xA9", "key=\xFF\xFE", "", nullptr};
  const std::vector<std::u16string> arguments = ProgramArguments(4, argv);
  ASSERT_EQ(arguments.size(), 3u);
  EXPECT_EQ(arguments[0], u"server=caf\u00E9");
  EXPECT_EQ(Utf16ToUtf8(arguments[1]), "key=\xFF\xFE");  // the same bytes come back
  EXPECT_EQ(arguments[2], u"");
  EXPECT_TRUE(ProgramArguments(1, argv).empty());
}

}  // namespace
}  // namespace dravanta
