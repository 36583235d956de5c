#include "shell/diagnostic_log.h"

#include <errno.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_info.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "shell/testing/log_lines.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::SizeIs;

// The records of a log file.
std::vector<std::string> ReadLogLines(const std::string& path) {
  return LogLines(ReadWholeFile(path));
}

constexpr char kTime[] = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}";

class DiagnosticLogTest : public testing::Test {
 protected:
  std::string LogPath() const { return folder_.PathOf("DravantaClient.log"); }
  std::string PartnerPath() const { return folder_.PathOf("_DravantaClient.log"); }
  void OpenAtLevel(int level) {
    log_.SetLevel(level);
    ASSERT_TRUE(log_.Open(Utf8ToUtf16(LogPath())));
  }
  void Write(LogKind kind, std::u16string_view format, std::initializer_list<FormatArg> args = {}) {
    log_.Write(kind, "/src/ui/QN5RAClntDlg.cpp", 321, format, {args.begin(), args.size()});
  }

  ScratchTree folder_;
  DiagnosticLog log_;
};

TEST(AlternateLogPathTest, UnderscoreGoesAfterTheLastSeparator) {
  EXPECT_EQ(AlternateLogPath(u"/opt/dravanta/DravantaClient.log"),
            u"/opt/dravanta/_DravantaClient.log");
  EXPECT_EQ(AlternateLogPath(u"DravantaClient.log"), u"_DravantaClient.log");
  EXPECT_EQ(AlternateLogPath(u"a/b.c/log"), u"a/b.c/_log");
  EXPECT_EQ(AlternateLogPath(u"/dir/"), u"/dir/_");
  // The system's own separator ("\\" on Windows) counts too.
  const std::u16string folder = std::u16string(u"C:") + kPathSeparator + u"Client" + kPathSeparator;
  EXPECT_EQ(AlternateLogPath(folder + u"DravantaClient.log"), folder + u"_DravantaClient.log");
}

TEST(SourceBaseNameTest, TextAfterTheLastSeparator) {
  EXPECT_EQ(SourceBaseName("/work/ui/QN5RAClntDlg.cpp"), "QN5RAClntDlg.cpp");
  EXPECT_EQ(SourceBaseName("C:\\src\\dlg.cpp"), "dlg.cpp");
  EXPECT_EQ(SourceBaseName("plain.cpp"), "plain.cpp");
}

TEST_F(DiagnosticLogTest, LevelsSelectKindsAndLevelThreeAddsTheSource) {
  struct Case {
    int level;
    std::vector<std::string> expected;  // regular expressions, one per line
  } cases[] = {
      {0, {}},
      {1, {std::string(kTime) + "\tError\tmessage E"}},
      {2, {std::string(kTime) + "\tError\tmessage E", std::string(kTime) + "\tInfo\tmessage I"}},
      {3,
       {std::string(kTime) + "\tError\tQN5RAClntDlg.cpp#321\tmessage E",
        std::string(kTime) + "\tInfo\tQN5RAClntDlg.cpp#321\tmessage I",
        std::string(kTime) + "\tDevInfo\tQN5RAClntDlg.cpp#321\tmessage D"}},
  };
  for (const auto& c : cases) {
    ScratchTree folder;
    DiagnosticLog log;
    log.SetLevel(c.level);
    ASSERT_TRUE(log.Open(Utf8ToUtf16(folder.PathOf("log"))));
    for (const auto& [kind, name] :
         {std::pair{LogKind::kError, u"E"}, std::pair{LogKind::kInfo, u"I"},
          std::pair{LogKind::kDevInfo, u"D"}}) {
      const FormatArg arg(name);
      log.Write(kind, "/src/ui/QN5RAClntDlg.cpp", 321, u"message %s", {&arg, 1});
    }
    const std::vector<std::string> lines = ReadLogLines(folder.PathOf("log"));
    ASSERT_EQ(lines.size(), c.expected.size()) << "level " << c.level;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_THAT(lines[i], MatchesLinePattern(c.expected[i])) << "level " << c.level;
    }
  }
}

TEST_F(DiagnosticLogTest, LevelIsClamped) {
  log_.SetLevel(7);
  EXPECT_EQ(log_.level(), 3);
  log_.SetLevel(-2);
  EXPECT_EQ(log_.level(), 0);
}

TEST_F(DiagnosticLogTest, UiLogRecordAtLevelTwoHasTheDocumentedLayout) {
  OpenAtLevel(2);
  Write(LogKind::kError, u"UI log: %s", {u"page said \u00E9"});
  const std::string bytes = ReadWholeFile(LogPath());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_NE(bytes.substr(0, 2), "\xFF\xFE");  // no byte-order mark
  EXPECT_EQ(bytes[0], '2');                   // the year, little-endian
  EXPECT_EQ(bytes[1], '\0');
  EXPECT_THAT(
      ReadLogLines(LogPath()),
      ElementsAre(MatchesLinePattern(std::string(kTime) + "\tError\tUI log: page said \xC3\xA9")));
}

TEST_F(DiagnosticLogTest, LineBreaksInAMessageBecomeBars) {
  OpenAtLevel(2);
  Write(LogKind::kInfo, u"first\nsecond\r\nthird %s", {u"a\rb"});
  EXPECT_THAT(ReadLogLines(LogPath()),
              ElementsAre(MatchesLinePattern(std::string(kTime) +
                                             "\tInfo\tfirst\\|second\\|\\|third a\\|b")));
}

TEST_F(DiagnosticLogTest, AppendsToWhatIsThereAndCountsIt) {
  OpenAtLevel(2);
  Write(LogKind::kInfo, u"one");
  log_.Close();
  DiagnosticLog again;
  again.SetLevel(2);
  ASSERT_TRUE(again.Open(Utf8ToUtf16(LogPath())));
  again.Write(LogKind::kInfo, "x.cpp", 1, u"two", {});
  EXPECT_THAT(ReadLogLines(LogPath()), SizeIs(2));
}

TEST_F(DiagnosticLogTest, RecordsKeepTheCallersErrorCode) {
  log_.SetLevel(3);
  errno = EACCES;
  Write(LogKind::kError, u"no file open yet");
  EXPECT_EQ(errno, EACCES);
  ASSERT_TRUE(log_.Open(Utf8ToUtf16(LogPath())));
  errno = ENOENT;
  Write(LogKind::kError, u"written");
  Write(LogKind::kDevInfo, u"written too");
  EXPECT_EQ(errno, ENOENT);
  log_.SetLevel(0);
  errno = EINTR;
  Write(LogKind::kError, u"not written");
  EXPECT_EQ(errno, EINTR);
}

TEST_F(DiagnosticLogTest, UnopenableLogDropsRecordsSilently) {
  log_.SetLevel(3);
  EXPECT_FALSE(log_.Open(Utf8ToUtf16(folder_.PathOf("missing/folder/DravantaClient.log"))));
  Write(LogKind::kError, u"dropped");
  EXPECT_FALSE(log_.Open(Utf8ToUtf16(folder_.root())));  // a folder, not a file
  Write(LogKind::kError, u"dropped");
  EXPECT_FALSE(log_.Open(u""));
  Write(LogKind::kError, u"dropped");
}

TEST_F(DiagnosticLogTest, ASecondWriterOfTheSameFileIsKeptOut) {
  OpenAtLevel(2);
  DiagnosticLog second;
  second.SetLevel(2);
  EXPECT_FALSE(second.Open(Utf8ToUtf16(LogPath())));
  second.Write(LogKind::kError, "x.cpp", 1, u"from the second", {});
  Write(LogKind::kError, u"from the first");
  EXPECT_THAT(ReadLogLines(LogPath()), ElementsAre(MatchesLinePattern(".*from the first")));
}

TEST_F(DiagnosticLogTest, PathsOfAnyLengthWork) {
  std::string folder = folder_.root();
  for (int i = 0; i < 6; ++i) folder += "/" + std::string(60, static_cast<char>('a' + i));
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/DravantaClient.log";
  ASSERT_GT(path.size(), 300u);
  log_.SetLevel(2);
  ASSERT_TRUE(log_.Open(Utf8ToUtf16(path)));
  Write(LogKind::kError, u"deep");
  EXPECT_THAT(ReadLogLines(path), SizeIs(1));
}

TEST_F(DiagnosticLogTest, FirstOpenContinuesInTheMoreRecentlyWrittenFile) {
  struct Case {
    bool log_exists, partner_exists;
    FileTime log_time, partner_time;
    bool expect_partner;
  } cases[] = {
      {false, false, 0, 0, false},
      {true, false, 0, 0, false},
      {false, true, 0, 0, true},
      {true, true, 2000000000, 1000000000, false},
      {true, true, 1000000000, 2000000000, true},
      {true, true, 1000000000, 1000000000, false},  // equal times: keep the given path
  };
  for (const auto& c : cases) {
    ScratchTree folder;
    const std::u16string log_path = Utf8ToUtf16(folder.PathOf("DravantaClient.log"));
    const std::u16string partner_path = Utf8ToUtf16(folder.PathOf("_DravantaClient.log"));
    if (c.log_exists) {
      ASSERT_TRUE(SetFileSize(log_path, 0));
      ASSERT_TRUE(SetLastWriteTime(log_path, c.log_time));
    }
    if (c.partner_exists) {
      ASSERT_TRUE(SetFileSize(partner_path, 0));
      ASSERT_TRUE(SetLastWriteTime(partner_path, c.partner_time));
    }
    DiagnosticLog log;
    log.SetLevel(2);
    ASSERT_TRUE(log.Open(log_path));
    EXPECT_EQ(log.active_path(), c.expect_partner ? partner_path : log_path);
    // Only the first open chooses: opening the given path again stays there.
    ASSERT_TRUE(log.Open(log_path));
    EXPECT_EQ(log.active_path(), log_path);
  }
}

TEST_F(DiagnosticLogTest, RotationPastOneHundredMebibytes) {
  struct Case {
    uint64_t size;
    bool rotates;
  } cases[] = {{kLogRotationBytes, false}, {kLogRotationBytes + 1, true}};
  for (const auto& c : cases) {
    ScratchTree folder;
    const std::string log_path = folder.PathOf("DravantaClient.log");
    const std::string partner_path = folder.PathOf("_DravantaClient.log");
    WriteWholeFile(partner_path, "older records");
    ASSERT_TRUE(SetLastWriteTime(Utf8ToUtf16(partner_path), 1000000000));
    ASSERT_TRUE(SetFileSize(Utf8ToUtf16(log_path), c.size));  // sparse: no disk space used
    DiagnosticLog log;
    log.SetLevel(2);
    ASSERT_TRUE(log.Open(Utf8ToUtf16(log_path)));
    log.Write(LogKind::kInfo, "x.cpp", 1, u"next", {});
    if (c.rotates) {
      EXPECT_EQ(log.active_path(), Utf8ToUtf16(partner_path));
      EXPECT_EQ(FileSize(Utf8ToUtf16(log_path)), c.size);  // the full file is kept
      EXPECT_THAT(ReadLogLines(partner_path), ElementsAre(MatchesLinePattern(".*\tInfo\tnext")));
    } else {
      EXPECT_EQ(log.active_path(), Utf8ToUtf16(log_path));
      EXPECT_GT(FileSize(Utf8ToUtf16(log_path)), c.size);
      EXPECT_EQ(ReadWholeFile(partner_path), "older records");
    }
  }
}

TEST_F(DiagnosticLogTest, TheNextRotationSwitchesBack) {
  const std::u16string log_path = Utf8ToUtf16(LogPath());
  const std::u16string partner_path = Utf8ToUtf16(PartnerPath());
  ASSERT_TRUE(SetFileSize(log_path, kLogRotationBytes + 1));
  OpenAtLevel(2);
  Write(LogKind::kInfo, u"in the partner");
  ASSERT_EQ(log_.active_path(), partner_path);

  // Grow the partner past the limit and have the log count it again (closed
  // meanwhile: while the log holds it, no other writer may change it).
  log_.Close();
  ASSERT_TRUE(SetFileSize(partner_path, kLogRotationBytes + 2));
  ASSERT_TRUE(log_.Open(partner_path));
  Write(LogKind::kInfo, u"back in the first file");
  EXPECT_EQ(log_.active_path(), log_path);
  EXPECT_THAT(ReadLogLines(LogPath()), ElementsAre(MatchesLinePattern(".*back in the first file")));
  EXPECT_EQ(FileSize(partner_path), kLogRotationBytes + 2);
}

TEST_F(DiagnosticLogTest, LongMessagesAreCutAt1024CodeUnits) {
  OpenAtLevel(2);
  const std::u16string long_text(5000, u'x');
  Write(LogKind::kInfo, u"%s", {long_text});
  const std::vector<std::string> lines = ReadLogLines(LogPath());
  ASSERT_THAT(lines, SizeIs(1));
  EXPECT_EQ(lines[0].substr(lines[0].rfind('\t') + 1), std::string(1024, 'x'));
}

TEST(ProcessLogTest, MacrosWriteWithTheCallersFileAndLine) {
  ScratchTree folder;
  const std::string path = folder.PathOf("process.log");
  ProcessLog().SetLevel(3);
  ASSERT_TRUE(ProcessLog().Open(Utf8ToUtf16(path)));
  LOG_ERROR(u"UI log: %s", u"text");
  const int error_line = __LINE__ - 1;
  LOG_INFO(u"Skipped File: %s. \"%s\"", u"Clean", std::u16string(u"/a/b"));
  LOG_DEVINFO(u"OnInitGui");
  ProcessLog().Close();
  ProcessLog().SetLevel(0);
  const std::string where = "diagnostic_log_test.cpp#";
  EXPECT_THAT(
      ReadLogLines(path),
      ElementsAre(
          MatchesLinePattern(".*\tError\t" + where + std::to_string(error_line) + "\tUI log: text"),
          MatchesLinePattern(".*\tInfo\t" + where + "[0-9]+\tSkipped File: Clean. \"/a/b\""),
          MatchesLinePattern(".*\tDevInfo\t" + where + "[0-9]+\tOnInitGui")));
  LOG_ERROR(u"after close: dropped");
  EXPECT_THAT(ReadLogLines(path), SizeIs(3));
}

}  // namespace
}  // namespace dravanta
