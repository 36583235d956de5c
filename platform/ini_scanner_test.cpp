#include "platform/ini_scanner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/file_info.h"
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

TEST(IniScannerTest, NamesInOrderAndEntriesOfTheFirstSection) {
  const ScannedIni contents = ScanIniText(
      "orphan=before any header\n"
      "[dravantaclient]\n"
      "thread_count=5\n"
      "server = spaced \n"
      "\n"
      "; a comment\n"
      "   \t\n"
      "[other]\n"
      "thread_count=9\n"
      "[dravantaclient]\n"
      "batch_size=1\n");
  EXPECT_THAT(Narrow(contents.section_names),
              ElementsAre("dravantaclient", "other", "dravantaclient"));
  EXPECT_THAT(Narrow(contents.first_section_entries),
              ElementsAre("thread_count=5", "server = spaced "));
}

TEST(IniScannerTest, LineRules) {
  struct Case {
    std::string text;
    std::vector<std::string> names;
    std::vector<std::string> entries;
  } cases[] = {
      {"[s]\r\nkey=value\r\n", {"s"}, {"key=value"}},          // CR LF line ends
      {"\xEF\xBB\xBF[s]\nk=v\n", {"s"}, {"k=v"}},              // UTF-8 byte-order mark
      {"[s]\nk=v", {"s"}, {"k=v"}},                            // no final line end
      {"[s] trailing text\nk\n", {"s"}, {"k"}},                // text after "]" ignored
      {"[s]x]\nk\n", {"s"}, {"k"}},                            // the first "]" ends it
      {"[]\nk\n", {""}, {"k"}},                                // an empty name
      {"[s]\n[broken\nk\n", {"s"}, {"[broken", "k"}},          // "[" without "]"
      {" [s]\nk\n", {}, {}},                                   // no trimming: not a header
      {"[s]\n;k=v\n ;k=v\n#k=v\n", {"s"}, {" ;k=v", "#k=v"}},  // only ";" first comments
      {"[s]\n\t k = v \t\n", {"s"}, {"\t k = v \t"}},          // entries kept as written
      {"[S p a c e]\n", {"S p a c e"}, {}},
      {"[s]\nbad\xff\xfe=v\n", {"s"}, {"bad\xff\xfe=v"}},  // invalid UTF-8 kept
      {"", {}, {}},
      {"\n\n\n", {}, {}},
  };
  for (const auto& c : cases) {
    const ScannedIni contents = ScanIniText(c.text);
    EXPECT_EQ(Narrow(contents.section_names), c.names) << c.text;
    EXPECT_EQ(Narrow(contents.first_section_entries), c.entries) << c.text;
  }
}

TEST(IniScannerTest, PiecesOfAnySizeGiveTheSameResult) {
  const std::string text =
      "\xEF\xBB\xBF[dravantaclient]\r\nthread_count=5\r\n; note\r\n\r\nkey=K\r\n[x]\r\ny=1";
  const ScannedIni whole = ScanIniText(text);
  for (size_t piece = 1; piece <= 4; ++piece) {
    IniScanner scanner;
    for (size_t i = 0; i < text.size(); i += piece) scanner.Feed(text.substr(i, piece));
    const ScannedIni contents = scanner.Finish();
    EXPECT_EQ(contents.section_names, whole.section_names) << piece;
    EXPECT_EQ(contents.first_section_entries, whole.first_section_entries) << piece;
  }
  EXPECT_THAT(Narrow(whole.first_section_entries), ElementsAre("thread_count=5", "key=K"));
}

// The lists are counted in UTF-16 code units, each item with its zero; a
// total of 16381 is read, 16382 is not (it would fill a 16384 buffer to the
// point that reads as cut off).
TEST(IniScannerTest, EntriesUpToTheListLimitAreReadAndLargerOnesIgnoredWhole) {
  struct Case {
    std::string name;
    std::string section;
    bool kept;
  } cases[] = {
      {"3000 characters in 30 entries",
       [] {
         std::string s;
         for (int i = 0; i < 30; ++i)
           s += "k" + std::to_string(i) + "=" + std::string(96, 'v') + "\n";
         return s;
       }(),
       true},
      {"one entry of 16380", std::string(16380, 'a') + "\n", true},
      {"one entry of 16381", std::string(16381, 'a') + "\n", false},
      {"two entries totalling 16381", std::string(8000, 'a') + "\n" + std::string(8379, 'b') + "\n",
       true},
      {"two entries totalling 16382", std::string(8000, 'a') + "\n" + std::string(8380, 'b') + "\n",
       false},
      {"16380 two-byte characters",
       [] {
         std::string s;
         for (int i = 0; i < 16380; ++i) s += "\xC3\xA9";
         return s + "\n";
       }(),
       true},
      {"8191 characters outside the basic plane (2 code units each)",
       [] {
         std::string s;
         for (int i = 0; i < 8191; ++i) s += "\xF0\x9F\x98\x80";
         return s + "\n";
       }(),
       false},
      {"a line of 1 MiB", std::string(1 << 20, 'x') + "\n", false},
  };
  for (const auto& c : cases) {
    const ScannedIni contents = ScanIniText("[dravantaclient]\n" + c.section + "[next]\nz=1\n");
    EXPECT_EQ(contents.first_section_entries.empty(), !c.kept) << c.name;
    EXPECT_THAT(Narrow(contents.section_names), ElementsAre("dravantaclient", "next")) << c.name;
  }
}

TEST(IniScannerTest, SectionNamesUpToTheListLimitAreReadAndLargerOnesIgnoredWhole) {
  auto headers = [](size_t total) {
    // Names of 99 characters and one zero each, then one that makes `total`.
    std::string text = "[dravantaclient]\nk=v\n";
    size_t length = 15;
    for (int i = 0; length + 100 <= total - 20; ++i) {
      text += "[" + std::string(99, 'a' + i % 26) + "]\n";
      length += 100;
    }
    text += "[" + std::string(total - length - 1, 'z') + "]\n";
    return text;
  };
  const ScannedIni fits = ScanIniText(headers(16381));
  EXPECT_FALSE(fits.section_names.empty());
  EXPECT_THAT(Narrow(fits.first_section_entries), ElementsAre("k=v"));
  const ScannedIni too_large = ScanIniText(headers(16382));
  EXPECT_THAT(too_large.section_names, IsEmpty());
  EXPECT_THAT(too_large.first_section_entries, IsEmpty());

  // A single huge name, with or without text after its "]".
  for (const std::string tail : {"]\n", "]rest\n"}) {
    const ScannedIni huge = ScanIniText("[s]\nk=v\n[" + std::string(1 << 20, 'n') + tail);
    EXPECT_THAT(huge.section_names, IsEmpty());
  }
}

TEST(IniScannerTest, HugeLinesThatDoNotCountChangeNothing) {
  const std::string huge(1 << 20, 'x');
  const ScannedIni contents =
      ScanIniText(huge + "\n[dravantaclient]\nk=v\n;" + huge + "\n" + std::string(1 << 20, ' ') +
                  "\n[later]\n" + huge + "\n[" + huge + "\n");
  EXPECT_THAT(Narrow(contents.section_names), ElementsAre("dravantaclient", "later"));
  EXPECT_THAT(Narrow(contents.first_section_entries), ElementsAre("k=v"));
}

TEST(IniScannerTest, BinaryNoiseDoesNotBreakTheReader) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::string noise(1 << 16, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const ScannedIni contents = ScanIniText(noise);
    size_t total = 0;
    for (const auto& name : contents.section_names) total += name.size() + 1;
    EXPECT_LT(total, kIniListBufferLength - 2);
  }
}

TEST(IniScannerTest, FilesThatCannotBeReadGiveNothing) {
  ScratchTree folder;
  EXPECT_THAT(ScanIniFile(Utf8ToUtf16(folder.PathOf("missing.ini"))).section_names, IsEmpty());
  EXPECT_THAT(ScanIniFile(Utf8ToUtf16(folder.root())).section_names, IsEmpty());
}

TEST(IniScannerTest, ReadsAFileAndAHugeOneWithBoundedWork) {
  ScratchTree folder;
  WriteWholeFile(folder.PathOf("a.ini"), "[dravantaclient]\r\nserver=x\r\n");
  EXPECT_THAT(Narrow(ScanIniFile(Utf8ToUtf16(folder.PathOf("a.ini"))).first_section_entries),
              ElementsAre("server=x"));

  // 32 MiB of zero bytes after a good section: one huge line in no section
  // that counts, so the section still reads.
  const std::string path = folder.PathOf("huge.ini");
  WriteWholeFile(path, "[dravantaclient]\nserver=x\n[tail]\n");
  ASSERT_TRUE(SetFileSize(Utf8ToUtf16(path), 32u << 20));
  EXPECT_THAT(Narrow(ScanIniFile(Utf8ToUtf16(path)).first_section_entries),
              ElementsAre("server=x"));
}

}  // namespace
}  // namespace dravanta
