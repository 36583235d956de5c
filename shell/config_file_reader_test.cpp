#include "shell/config_file_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

using testing::IsEmpty;

std::string N(const std::u16string& s) { return Utf16ToUtf8(s); }

class ConfigFileReaderTest : public testing::Test {
 protected:
  // Loads `file` (nothing when null) as the configuration file and `args`
  // as the command-line map.
  void Load(const char* file, KeyValueMap args = {}) {
    if (file != nullptr) WriteWholeFile(ConfigPath(), file);
    reader_.Load(args, Utf8ToUtf16(ConfigPath()), ModuleDirectory());
  }
  std::string ConfigPath() const { return folder_.PathOf("DravantaClientConf.ini"); }
  std::u16string ModuleDirectory() const { return Utf8ToUtf16(folder_.root()) + kPathSeparator; }

  ScratchTree folder_;
  ConfigFileReader reader_;
};

TEST(LeadingIntegerTest, FollowsTheCRuntimeRule) {
  struct Case {
    std::u16string text;
    int32_t value;
  } cases[] = {
      {u"", 0},
      {u"abc", 0},
      {u"0", 0},
      {u"00", 0},
      {u"-0", 0},
      {u"7", 7},
      {u"7x", 7},
      {u"-5", -5},
      {u"+12", 12},
      {u"  42", 42},
      {u"\t\r\n\v\f9", 9},
      {u"- 5", 0},
      {u"--5", 0},
      {u"1 2", 1},
      {u"x7", 0},
      {u"2147483647", INT_MAX},
      {u"2147483648", INT_MAX},
      {u"99999999999999999999", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"-99999999999999999999", INT_MIN},
      {u"\u0663", 0},  // digits outside ASCII are not digits
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.value) << N(c.text);
}

TEST(SplitEntryTest, FirstEqualsSignSplitsAndAKeyAloneIsItsOwnValue) {
  struct Case {
    std::u16string entry, key, value;
  } cases[] = {
      {u"server=x", u"server", u"x"},    {u"server=a=b", u"server", u"a=b"},
      {u"server=", u"server", u""},      {u"=x", u"", u"x"},
      {u"server", u"server", u"server"}, {u" server = x ", u" server ", u" x "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitEntry(c.entry), std::pair(c.key, c.value)) << N(c.entry);
  }
}

TEST_F(ConfigFileReaderTest, EveryKeyHasItsDefaultWithoutFileOrArguments) {
  Load(nullptr);
  const ClientSettings s = reader_.ReadSettings();
  EXPECT_EQ(s.module_directory, ModuleDirectory());
  EXPECT_EQ(s.server, u"scan.dravanta.example/dravanta_rest");
  EXPECT_EQ(s.thread_count, u"3");
  EXPECT_EQ(s.batch_size, u"100");
  EXPECT_EQ(s.maximum_file_size_bytes, u"5242880");
  EXPECT_EQ(s.scan_location, u"ALL");
  EXPECT_EQ(s.log_file, ModuleDirectory() + u"DravantaClient.log");
  EXPECT_EQ(s.scan_type, 0);
  EXPECT_EQ(s.banner_image, u"");
  EXPECT_FALSE(s.show_trayicon);
  EXPECT_EQ(s.key, u"5B2D07C4-93AF-4E18-B6D2-0C71E9A4F35D");
  EXPECT_EQ(s.key.size(), 36u);
  EXPECT_FALSE(s.auto_start);
  EXPECT_FALSE(s.exit_on_clean);
  EXPECT_FALSE(s.exit_on_dirty);
  EXPECT_TRUE(s.show_ui);
  EXPECT_EQ(s.allowed_scan_levels, u"1,2");
  EXPECT_EQ(reader_.LogEnableSwitch(), 1);
}

TEST_F(ConfigFileReaderTest, NumberKeysTakeTheDefaultOnlyForAZeroLeadingInteger) {
  struct Case {
    std::u16string text, thread_count, batch_size, maximum;
  } cases[] = {
      {u"", u"3", u"100", u"5242880"},      {u"0", u"3", u"100", u"5242880"},
      {u"abc", u"3", u"100", u"5242880"},   {u"00", u"3", u"100", u"5242880"},
      {u" 0x10", u"3", u"100", u"5242880"}, {u"-5", u"-5", u"-5", u"-5"},
      {u"7x", u"7x", u"7x", u"7x"},         {u" 12 ", u" 12 ", u" 12 ", u" 12 "},
  };
  for (const auto& c : cases) {
    Load(
        nullptr,
        {{u"thread_count", c.text}, {u"batch_size", c.text}, {u"maximum_file_size_bytes", c.text}});
    EXPECT_EQ(reader_.ThreadCount(), c.thread_count) << N(c.text);
    EXPECT_EQ(reader_.BatchSize(), c.batch_size) << N(c.text);
    EXPECT_EQ(reader_.MaximumFileSizeBytes(), c.maximum) << N(c.text);
  }
}

TEST_F(ConfigFileReaderTest, FlagsAreTrueOnlyForExactlyOne) {
  const std::u16string keys[] = {u"show_trayicon", u"auto_start", u"exit_on_clean",
                                 u"exit_on_dirty"};
  struct Case {
    std::u16string text;
    bool value;
  } cases[] = {{u"1", true},   {u"", false},     {u"0", false},   {u"1 ", false}, {u" 1", false},
               {u"01", false}, {u"true", false}, {u"yes", false}, {u"2", false}};
  for (const auto& c : cases) {
    KeyValueMap args;
    for (const auto& key : keys) args[key] = c.text;
    Load(nullptr, args);
    EXPECT_EQ(reader_.ShowTrayicon(), c.value) << N(c.text);
    EXPECT_EQ(reader_.AutoStart(), c.value) << N(c.text);
    EXPECT_EQ(reader_.ExitOnClean(), c.value) << N(c.text);
    EXPECT_EQ(reader_.ExitOnDirty(), c.value) << N(c.text);
  }
}

TEST_F(ConfigFileReaderTest, ShowUiIsFalseOnlyForZeroWithAutoStart) {
  struct Case {
    const char16_t* show_ui;
    const char16_t* auto_start;
    bool shown;
  } cases[] = {
      {u"0", u"1", false},   {u"0", nullptr, true}, {u"0", u"0", true},  {u"1", u"1", true},
      {nullptr, u"1", true}, {u"no", u"1", true},   {u"00", u"1", true},
  };
  for (const auto& c : cases) {
    KeyValueMap args;
    if (c.show_ui) args[u"show_ui"] = c.show_ui;
    if (c.auto_start) args[u"auto_start"] = c.auto_start;
    Load(nullptr, args);
    EXPECT_EQ(reader_.ShowUi(), c.shown);
  }
}

TEST_F(ConfigFileReaderTest, LogEnableGivesSwitchAndLevel) {
  struct Case {
    const char16_t* text;
    int log_switch;
    int level;
  } cases[] = {
      {nullptr, 1, 2}, {u"", 1, 2},  {u"0", 0, 0},  {u"1", 1, 2},  {u"2", 2, 3},
      {u"no", 1, 2},   {u"3", 1, 2}, {u" 2", 1, 2}, {u"02", 1, 2},
  };
  for (const auto& c : cases) {
    KeyValueMap args{{u"log_file", Utf8ToUtf16(folder_.PathOf("test.log"))}};
    if (c.text) args[u"log_enable"] = c.text;
    Load(nullptr, args);
    DiagnosticLog log;
    reader_.InitLog(log);
    EXPECT_EQ(reader_.log_switch(), c.log_switch);
    EXPECT_EQ(log.level(), c.level);
    EXPECT_EQ(log.active_path(), Utf8ToUtf16(folder_.PathOf("test.log")));
  }
}

TEST_F(ConfigFileReaderTest, InitLogOpensTheDefaultLogBesideTheExecutable) {
  Load(nullptr);
  DiagnosticLog log;
  reader_.InitLog(log);
  log.Write(LogKind::kInfo, "x.cpp", 1, u"hello", {});
  EXPECT_EQ(ReadWholeFile(folder_.PathOf("DravantaClient.log")).size() % 2, 0u);
  EXPECT_NE(
      ReadWholeFile(folder_.PathOf("DravantaClient.log")).find(std::string("h\0e\0l\0l\0o", 9)),
      std::string::npos);
}

TEST_F(ConfigFileReaderTest, ScanTypeIsTheLeadingInteger) {
  struct Case {
    std::u16string text;
    int32_t value;
  } cases[] = {{u"", 0}, {u"1", 1}, {u" -12abc", -12}, {u"x", 0}, {u"99999999999", INT_MAX}};
  for (const auto& c : cases) {
    Load(nullptr, {{u"scan_type", c.text}});
    EXPECT_EQ(reader_.ScanType(), c.value) << N(c.text);
  }
}

TEST_F(ConfigFileReaderTest, FileValuesAndTheCommandLineOverThem) {
  Load(
      "[dravantaclient]\n"
      "thread_count=7\n"
      "server=file.example/dravanta_rest\n"
      "key=FILEKEY\n"
      "banner_image=banner.png\n"
      "scan_type=1\n",
      {{u"thread_count", u"9"}, {u"server", u""}});
  EXPECT_EQ(reader_.ThreadCount(), u"9");
  // An empty command-line value still wins, and then the default applies.
  EXPECT_EQ(reader_.Lookup(u"server"), u"");
  EXPECT_EQ(reader_.Server(), u"scan.dravanta.example/dravanta_rest");
  EXPECT_EQ(reader_.Key(), u"FILEKEY");
  EXPECT_EQ(reader_.BannerImage(), u"banner.png");
  EXPECT_EQ(reader_.ScanType(), 1);
  EXPECT_EQ(reader_.Lookup(u"absent"), u"");
}

TEST_F(ConfigFileReaderTest, ThreadCountZeroInTheFileGivesTheDefault) {
  Load("[dravantaclient]\nthread_count=0\n");
  EXPECT_EQ(reader_.ThreadCount(), u"3");
}

TEST_F(ConfigFileReaderTest, OnlyAFirstSectionNamedExactlyDravantaclientCounts) {
  struct Case {
    const char* file;
    bool read;
  } cases[] = {
      {"[dravantaclient]\nserver=x\n", true},
      {"; comment first\n\n[dravantaclient]\nserver=x\n", true},
      {"[other]\nserver=y\n[dravantaclient]\nserver=x\n", false},
      {"[DravantaClient]\nserver=x\n", false},
      {"server=x\n", false},
      {"", false},
  };
  for (const auto& c : cases) {
    Load(c.file);
    EXPECT_EQ(reader_.Server(), c.read ? u"x" : u"scan.dravanta.example/dravanta_rest") << c.file;
  }
}

TEST_F(ConfigFileReaderTest, FileKeysAreCaseSensitive) {
  Load("[dravantaclient]\nServer=x\nBATCH_SIZE=5\nthread_count=6\n");
  EXPECT_EQ(reader_.Server(), u"scan.dravanta.example/dravanta_rest");
  EXPECT_EQ(reader_.BatchSize(), u"100");
  EXPECT_EQ(reader_.ThreadCount(), u"6");
  EXPECT_EQ(reader_.file_entries().count(u"Server"), 1u);
}

// (Blanks around "=" and in a section header are a detail of the system's
// INI reading: Windows' private-profile calls drop them, so this case is
// POSIX's.)
TEST_F(ConfigFileReaderTest, FileKeysAreCaseSensitiveAndUntrimmed) {
  Load("[dravantaclient]\nServer=x\n batch_size=5\nthread_count =6\nkey= K\n");
  EXPECT_EQ(reader_.Server(), u"scan.dravanta.example/dravanta_rest");
  EXPECT_EQ(reader_.BatchSize(), u"100");
  EXPECT_EQ(reader_.ThreadCount(), u"3");
  EXPECT_EQ(reader_.Key(), u" K");
  EXPECT_EQ(reader_.file_entries().count(u"Server"), 1u);
  // Nor is a section name trimmed.
  Load("[dravantaclient ]\nserver=x\n");
  EXPECT_EQ(reader_.Server(), u"scan.dravanta.example/dravanta_rest");
}

TEST_F(ConfigFileReaderTest, LaterEntriesWinAndAKeyAloneIsItsOwnValue) {
  Load("[dravantaclient]\nserver=a\nserver=b=c\nscan_location\nshow_trayicon\n");
  EXPECT_EQ(reader_.Server(), u"b=c");
  EXPECT_EQ(reader_.ScanLocation(), u"scan_location");
  EXPECT_FALSE(reader_.ShowTrayicon());  // its value is "show_trayicon", not "1"
}

TEST_F(ConfigFileReaderTest, ASectionOf3000CharactersIsReadCompletely) {
  std::string file = "[dravantaclient]\n";
  for (int i = 0; i < 30; ++i)
    file += "filler" + std::to_string(i) + "=" + std::string(90, 'f') + "\n";
  file += "server=last.example\n";
  ASSERT_GT(file.size(), 3000u);
  Load(file.c_str());
  EXPECT_EQ(reader_.Server(), u"last.example");
  EXPECT_EQ(reader_.file_entries().size(), 31u);
}

TEST_F(ConfigFileReaderTest, ASectionTooLargeIsIgnoredWhole) {
  const std::string file = "[dravantaclient]\nserver=x\nfiller=" + std::string(20000, 'f') + "\n";
  Load(file.c_str());
  EXPECT_EQ(reader_.Server(), u"scan.dravanta.example/dravanta_rest");
  EXPECT_THAT(reader_.file_entries(), IsEmpty());
}

TEST_F(ConfigFileReaderTest, UnusableFilesGiveDefaults) {
  // A folder in place of the file, binary content, then no file at all.
  std::filesystem::create_directory(ConfigPath());
  Load(nullptr, {});
  EXPECT_EQ(reader_.Server(), u"scan.dravanta.example/dravanta_rest");
  std::filesystem::remove(ConfigPath());
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) % 256);
  WriteWholeFile(ConfigPath(), binary);
  reader_.Load({}, Utf8ToUtf16(ConfigPath()), ModuleDirectory());
  EXPECT_EQ(reader_.ThreadCount(), u"3");
  EXPECT_FALSE(reader_.Load({}, Utf8ToUtf16(folder_.PathOf("missing.ini")), ModuleDirectory()));
}

TEST_F(ConfigFileReaderTest, LoadTellsWhetherAnythingWasFound) {
  EXPECT_FALSE(reader_.Load({}, Utf8ToUtf16(ConfigPath()), ModuleDirectory()));
  EXPECT_TRUE(reader_.Load({{u"x", u"y"}}, Utf8ToUtf16(ConfigPath()), ModuleDirectory()));
  WriteWholeFile(ConfigPath(), "[dravantaclient]\nk=v\n");
  EXPECT_TRUE(reader_.Load({}, Utf8ToUtf16(ConfigPath()), ModuleDirectory()));
  EXPECT_EQ(reader_.section_names(), std::vector<std::u16string>{u"dravantaclient"});
}

}  // namespace
}  // namespace dravanta

namespace dravanta {
namespace {

TEST_F(ConfigFileReaderTest, JsonReportComesFromTheFileOrTheCommandLine) {
  struct Case {
    const char* file;
    KeyValueMap args;
    std::u16string json_report;
  } cases[] = {
      {"[dravantaclient]\nserver=a\n", {}, u""},
      {"[dravantaclient]\njson_report=/var/tmp/scan.json\n", {}, u"/var/tmp/scan.json"},
      {"[dravantaclient]\njson_report=/var/tmp/scan.json\n", {{u"json_report", u"-"}}, u"-"},
  };
  for (const auto& c : cases) {
    Load(c.file, c.args);
    EXPECT_EQ(reader_.JsonReport(), c.json_report);
    EXPECT_EQ(reader_.ReadSettings().json_report, c.json_report);
  }
}

}  // namespace
}  // namespace dravanta
