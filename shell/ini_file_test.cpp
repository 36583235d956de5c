#include "shell/ini_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

std::vector<std::string> Narrow(const std::vector<std::u16string>& items) {
  std::vector<std::string> out;
  for (const auto& item : items) out.push_back(Utf16ToUtf8(item));
  return out;
}

// A reader that holds `list` (items each ended by a zero) and answers as the
// system does, noting the buffer sizes it was asked with.
struct FakeProfile {
  std::u16string list;
  std::vector<size_t> sizes;
  size_t Read(std::span<char16_t> buffer) {
    sizes.push_back(buffer.size());
    if (list.size() + 1 <= buffer.size()) {
      list.copy(buffer.data(), list.size());
      buffer[list.size()] = u'\0';
      return list.size();
    }
    list.copy(buffer.data(), buffer.size() - 2);
    return buffer.size() - 2;
  }
};

// Items of the given lengths, each followed by its zero.
std::u16string ListOf(std::initializer_list<size_t> lengths) {
  std::u16string list;
  char16_t letter = u'a';
  for (const size_t length : lengths) list += std::u16string(length, letter++) + u'\0';
  return list;
}

TEST(IniFileTest, TheBufferGrowsWhileTheListIsCutOffAndGivesUpPast16384) {
  struct Case {
    const char* what;
    std::u16string list;
    std::vector<size_t> sizes;
    size_t items;  // 0: ignored whole
  } cases[] = {
      {"empty", u"", {1024}, 0},
      {"two short items", ListOf({3, 4}), {1024}, 2},
      {"1021 characters fit 1024", ListOf({1020}), {1024}, 1},
      {"1022 characters read as cut off", ListOf({1021}), {1024, 2048}, 1},
      {"3000 characters", ListOf({1000, 1000, 997}), {1024, 2048, 4096}, 3},
      {"16381 characters fit the largest buffer",
       ListOf({8000, 8379}),
       {1024, 2048, 4096, 8192, 16384},
       2},
      {"16382 characters are ignored whole",
       ListOf({8000, 8380}),
       {1024, 2048, 4096, 8192, 16384},
       0},
      {"far too many", ListOf({40000}), {1024, 2048, 4096, 8192, 16384}, 0},
  };
  for (Case& c : cases) {
    FakeProfile fake{c.list, {}};
    const std::vector<std::u16string> items =
        ReadProfileList([&](std::span<char16_t> buffer) { return fake.Read(buffer); });
    EXPECT_EQ(fake.sizes, c.sizes) << c.what;
    EXPECT_EQ(items.size(), c.items) << c.what;
    std::u16string joined;
    for (const std::u16string& item : items) joined += item + u'\0';
    if (c.items > 0) {
      EXPECT_EQ(joined, c.list) << c.what;
    }
  }
}

TEST(IniFileTest, ItemsAreSplitAtTheirZeros) {
  FakeProfile fake{std::u16string(u"a=b=c\0k\0\0x=\0", 12), {}};
  EXPECT_THAT(Narrow(ReadProfileList([&](std::span<char16_t> b) { return fake.Read(b); })),
              ElementsAre("a=b=c", "k", "", "x="));
}

// The system's own INI reading (on POSIX its stand-in): what the
// configuration relies on, whatever the platform's syntax details.
class IniFileReadTest : public testing::Test {
 protected:
  IniContents Read(const std::string& text) {
    return ReadIniFile(Utf8ToUtf16(folder_.WriteFile("DravantaClientConf.ini", text)));
  }
  ScratchTree folder_;
};

TEST_F(IniFileReadTest, NamesInOrderAndTheEntriesOfTheFirstSectionAsWritten) {
  struct Case {
    std::string text;
    std::vector<std::string> names;
    std::vector<std::string> entries;
  } cases[] = {
      {"[dravantaclient]\r\nthread_count=5\r\nServer=x\r\n[other]\r\nthread_count=9\r\n",
       {"dravantaclient", "other"},
       {"thread_count=5", "Server=x"}},  // the letter case of keys is kept
      {"[other]\r\nx=1\r\n[dravantaclient]\r\ny=2\r\n", {"other", "dravantaclient"}, {"x=1"}},
      {"[DravantaClient]\r\nk=v\r\n", {"DravantaClient"}, {"k=v"}},
      {"[dravantaclient]\r\nserver=a=b\r\nlog_file=\r\n",
       {"dravantaclient"},
       {"server=a=b", "log_file="}},
      {"[dravantaclient]\r\nbatch_size=1\r\nbatch_size=2\r\n",
       {"dravantaclient"},
       {"batch_size=1", "batch_size=2"}},  // the reader lets the later one win
      {"[dravantaclient]\r\n", {"dravantaclient"}, {}},
      {"", {}, {}},
  };
  for (const Case& c : cases) {
    const IniContents contents = Read(c.text);
    EXPECT_EQ(Narrow(contents.section_names), c.names) << c.text;
    EXPECT_EQ(Narrow(contents.first_section_entries), c.entries) << c.text;
  }
}

TEST_F(IniFileReadTest, ASectionOf3000CharactersIsReadWholeAndAnOverlongOneNotAtAll) {
  std::string section;
  for (int i = 0; i < 30; ++i)
    section += "k" + std::to_string(i) + "=" + std::string(96, 'v') + "\r\n";
  const IniContents read = Read("[dravantaclient]\r\n" + section + "[next]\r\nz=1\r\n");
  EXPECT_EQ(read.first_section_entries.size(), 30u);
  EXPECT_EQ(Narrow(read.first_section_entries).back(), "k29=" + std::string(96, 'v'));

  const IniContents overlong =
      Read("[dravantaclient]\r\nserver=x\r\nkey=" + std::string(17000, 'k') + "\r\n[next]\r\n");
  EXPECT_THAT(Narrow(overlong.section_names), ElementsAre("dravantaclient", "next"));
  EXPECT_THAT(overlong.first_section_entries, IsEmpty());
}

TEST_F(IniFileReadTest, TooManySectionNamesLeaveNothing) {
  std::string text = "[dravantaclient]\r\nk=v\r\n";
  for (int i = 0; i < 200; ++i) text += "[" + std::to_string(i) + std::string(99, 'n') + "]\r\n";
  const IniContents contents = Read(text);
  EXPECT_THAT(contents.section_names, IsEmpty());
  EXPECT_THAT(contents.first_section_entries, IsEmpty());
}

TEST_F(IniFileReadTest, AMissingFileHasNoSections) {
  const IniContents contents = ReadIniFile(Utf8ToUtf16(folder_.PathOf("missing.ini")));
  EXPECT_THAT(contents.section_names, IsEmpty());
  EXPECT_THAT(contents.first_section_entries, IsEmpty());
}

}  // namespace
}  // namespace dravanta
