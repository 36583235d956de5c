#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/program_arguments.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// The test is started with the arguments below (see the build): the quoted
// one with a blank, characters outside any ANSI code page, and an empty one.
TEST(ProgramArgumentsWin32, TheCommandLineComesWholeAsUtf16) {
  const char* ignored[] = {"program", "not-this", nullptr};
  const std::vector<std::u16string> expected = {u"server=caf\u00E9/\u4E2D", u"/key=a b",
                                                u"scan_location=C:\\x\\", u""};
  std::vector<std::u16string> arguments = ProgramArguments(2, ignored);
  // GoogleTest's own flags, if any were given, come last.
  arguments.resize(std::min(arguments.size(), expected.size()));
  EXPECT_EQ(arguments, expected);
}

}  // namespace
}  // namespace dravanta
