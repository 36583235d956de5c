#include "shell/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/text.h"

namespace dravanta {
namespace {

using testing::IsEmpty;

KeyValueMap Parse(const std::vector<std::u16string>& arguments) {
  CCustomCommandLineInfo info;
  ParseCommandLine(arguments, &info);
  return info.key_values();
}

TEST(CommandLineTest, KeyRules) {
  struct Case {
    std::vector<std::u16string> arguments;
    KeyValueMap expected;
  } cases[] = {
      {{u"server=host/path"}, {{u"server", u"host/path"}}},
      {{u"/SERVER=host/path"}, {{u"server", u"host/path"}}},
      {{u"-SERVER=x"}, {{u"server", u"x"}}},
      {{u"--server=x"}, {{u"server", u"x"}}},
      {{u"/server=a=b"}, {{u"server", u"a=b"}}},
      {{u"/server="}, {{u"server", u""}}},
      {{u"/server=x", u"/server=y"}, {{u"server", u"y"}}},
      {{u"/Server=x", u"SERVER=y"}, {{u"server", u"y"}}},
      {{u"/server =x"}, {{u"server ", u"x"}}},  // no trimming
      {{u"/server= x "}, {{u"server", u" x "}}},
      {{u"/p"}, {}},  // no "=": no setting
      {{u"file.txt"}, {}},
      {{u"--help"}, {}},
      {{u""}, {}},
      {{u"/"}, {}},
      {{u"="}, {{u"", u""}}},
      {{u"//server=x"}, {{u"/server", u"x"}}},  // only one "/" is removed
      {{u"---server=x"}, {{u"-server", u"x"}}},
      {{u"-/server=x"}, {{u"/server", u"x"}}},
      {{u"/THREAD_Count=5", u"batch_SIZE=7"}, {{u"thread_count", u"5"}, {u"batch_size", u"7"}}},
      // Only ASCII letters are lower-cased.
      {{u"/\u00C9T\u00C9=1"}, {{u"\u00C9t\u00C9", u"1"}}},
      {{u"KEY=VALUE"}, {{u"key", u"VALUE"}}},  // the value keeps its case
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.arguments), c.expected) << Utf16ToUtf8(c.arguments[0]);
  }
}

TEST(CommandLineTest, TheFlagAndLastPositionDoNotChangeTheRule) {
  for (const bool flag : {false, true}) {
    for (const bool last : {false, true}) {
      CCustomCommandLineInfo info;
      info.ParseParam(u"Server=x", flag, last);
      info.ParseParam(u"nothing", flag, last);
      EXPECT_EQ(info.key_values(), (KeyValueMap{{u"server", u"x"}}));
    }
  }
}

TEST(CommandLineTest, ArgumentsAreDecodedLosslesslyFromUtf8) {
  const char* argv[] = {"dravanta-client", "server=caf\xC3\xA9", "key=\xFF\xFE",
                        "scan_location=/a b", nullptr};
  const std::vector<std::u16string> arguments = DecodeArguments(4, argv);
  ASSERT_EQ(arguments.size(), 3u);
  EXPECT_EQ(arguments[0], u"server=caf\u00E9");
  EXPECT_EQ(Utf16ToUtf8(arguments[1]), "key=\xFF\xFE");  // the same bytes come back
  const KeyValueMap map = Parse(arguments);
  EXPECT_EQ(map.at(u"server"), u"caf\u00E9");
  EXPECT_EQ(Utf16ToUtf8(map.at(u"key")), "\xFF\xFE");
  EXPECT_EQ(map.at(u"scan_location"), u"/a b");
  EXPECT_THAT(DecodeArguments(1, argv), IsEmpty());
}

TEST(CommandLineTest, HelpAndVersionRequests) {
  struct Case {
    std::vector<std::u16string> arguments;
    ShellRequest request;
  } cases[] = {
      {{}, ShellRequest::kRun},
      {{u"server=x"}, ShellRequest::kRun},
      {{u"--help"}, ShellRequest::kHelp},
      {{u"server=x", u"--version"}, ShellRequest::kVersion},
      {{u"--version", u"--help"}, ShellRequest::kVersion},
      {{u"--help=1"}, ShellRequest::kRun},  // that is the key "help"
      {{u"-help"}, ShellRequest::kRun},
      {{u"--HELP"}, ShellRequest::kRun},
  };
  for (const auto& c : cases) EXPECT_EQ(FindShellRequest(c.arguments), c.request);
}

}  // namespace
}  // namespace dravanta
