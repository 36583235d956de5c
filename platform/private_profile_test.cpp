#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

// The POSIX stand-in answers as the system's calls do.
class PrivateProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = Utf8ToUtf16(folder_.WriteFile(
        "c.ini", "[dravantaclient]\nthread_count=5\nkey=K\n[other]\nx=1\n[dravantaclient]\ny=2\n"));
  }
  // The buffer's content up to the answer, with the zero after it.
  static std::u16string Written(const std::u16string& buffer, size_t answer) {
    return buffer.substr(0, answer + 1);
  }
  ScratchTree folder_;
  std::u16string path_;
};

TEST_F(PrivateProfileTest, ListsAreDoubleZeroTerminated) {
  std::u16string buffer(64, u'#');
  size_t n = ReadProfileSectionNames(path_, buffer);
  EXPECT_EQ(Written(buffer, n), std::u16string(u"dravantaclient\0other\0dravantaclient\0\0", 37));
  buffer.assign(64, u'#');
  n = ReadProfileSection(path_, u"dravantaclient", buffer);
  EXPECT_EQ(Written(buffer, n), std::u16string(u"thread_count=5\0key=K\0\0", 22));
  // The name is compared as the system does, without regard to case.
  buffer.assign(64, u'#');
  EXPECT_EQ(ReadProfileSection(path_, u"DravantaClient", buffer), n);
}

TEST_F(PrivateProfileTest, ACutOffListAnswersTheSizeMinusTwo) {
  // "thread_count=5\0key=K\0" is 21 characters, and its last zero makes 22.
  struct Case {
    size_t size;
    size_t answer;
  } cases[] = {{23, 21}, {22, 21}, {21, 19}, {17, 15}, {16, 14}, {15, 13}, {2, 0}};
  for (const Case& c : cases) {
    std::u16string buffer(c.size, u'#');
    EXPECT_EQ(ReadProfileSection(path_, u"dravantaclient", buffer), c.answer) << c.size;
    // Either way the list in the buffer ends in two zeros.
    const bool cut_off = c.answer == c.size - 2 && c.size < 22;
    EXPECT_EQ(buffer[c.answer], u'\0') << c.size;
    EXPECT_EQ(buffer[cut_off ? c.answer + 1 : c.answer - 1], u'\0') << c.size;
  }
}

TEST_F(PrivateProfileTest, OnlyTheFirstSectionAndExistingFilesHaveEntries) {
  std::u16string buffer(64, u'#');
  EXPECT_EQ(ReadProfileSection(path_, u"other", buffer), 0u);
  EXPECT_EQ(buffer[0], u'\0');
  const std::u16string missing = Utf8ToUtf16(folder_.PathOf("missing.ini"));
  EXPECT_EQ(ReadProfileSectionNames(missing, buffer), 0u);
  EXPECT_EQ(ReadProfileSection(missing, u"dravantaclient", buffer), 0u);
  EXPECT_EQ(ReadProfileSectionNames(path_, std::span<char16_t>()), 0u);
}

}  // namespace
}  // namespace dravanta
