#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/private_profile.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

// The real profile calls, as the configuration reader uses them.
class PrivateProfileWin32Test : public testing::Test {
 protected:
  std::u16string Write(const std::string& text) {
    return Utf8ToUtf16(folder_.WriteFile("DravantaClientConf.ini", text));
  }
  static std::u16string Names(const std::u16string& path, size_t size = 1024) {
    std::u16string buffer(size, u'#');
    return buffer.substr(0, ReadProfileSectionNames(path, buffer) + 1);
  }
  static std::u16string Section(const std::u16string& path, std::u16string_view name,
                                size_t size = 1024) {
    std::u16string buffer(size, u'#');
    return buffer.substr(0, ReadProfileSection(path, name, buffer) + 1);
  }
  ScratchTree folder_;
};

std::u16string List(std::u16string_view items) { return std::u16string(items) + u'\0'; }

TEST_F(PrivateProfileWin32Test, NamesAndEntriesAsTheSystemGivesThem) {
  const std::u16string path = Write(
      "[dravantaclient]\r\nthread_count=5\r\nServer=a=b\r\nonly_a_key\r\nlog_file=\r\n"
      "[Other]\r\nx=1\r\n");
  EXPECT_EQ(Names(path), List(std::u16string(u"dravantaclient\0Other\0", 21)));
  EXPECT_EQ(Section(path, u"dravantaclient"),
            List(std::u16string(u"thread_count=5\0Server=a=b\0only_a_key\0log_file=\0", 47)));
  // The section name is found without regard to case.
  EXPECT_EQ(Section(path, u"DRAVANTACLIENT"), Section(path, u"dravantaclient"));
  EXPECT_EQ(Section(path, u"missing"), List(u""));
}

TEST_F(PrivateProfileWin32Test, ACutOffListAnswersTheSizeMinusTwo) {
  const std::u16string path = Write("[s]\r\n" + std::string(100, 'k') + "=v\r\n");
  std::u16string buffer(50, u'#');
  EXPECT_EQ(ReadProfileSection(path, u"s", buffer), 48u);
  std::u16string larger(200, u'#');
  EXPECT_EQ(ReadProfileSection(path, u"s", larger), 103u);
}

TEST_F(PrivateProfileWin32Test, AMissingFileHasNoSections) {
  const std::u16string missing = Utf8ToUtf16(folder_.PathOf("missing.ini"));
  EXPECT_EQ(Names(missing), List(u""));
  EXPECT_EQ(Section(missing, u"dravantaclient"), List(u""));
}

// The system's own syntax: blanks around the key and the value are
// dropped and empty lines are no entries (comment lines are left to the
// system: Wine drops them). The configuration takes the entries as they
// come.
TEST_F(PrivateProfileWin32Test, TheSystemsSyntaxDetails) {
  const std::u16string path =
      Write("[dravantaclient]\r\n; a comment\r\n\r\n  spaced_key = spaced value  \r\nk=v\r\n");
  const std::u16string entries = Section(path, u"dravantaclient");
  EXPECT_NE(entries.find(std::u16string_view(u"spaced_key=spaced value\0k=v\0\0", 29)),
            std::u16string::npos);
  EXPECT_EQ(entries.find(std::u16string_view(u"\0\0", 2)), entries.size() - 2);
}

}  // namespace
}  // namespace dravanta
