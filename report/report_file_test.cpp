#include "report/report_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text.h"
#include "report/testing/report_folders_fixture.h"

namespace dravanta {
namespace {

namespace fs = std::filesystem;

using ReportFileTest = ReportFoldersTest;

TEST_F(ReportFileTest, AbsolutePathIsWrittenAndAnswered) {
  const fs::path target = root_ / "chosen.txt";
  const std::u16string written =
      WriteReportFile(Utf8ToUtf16(target.string()), folders_, "report\r\n");
  EXPECT_EQ(Utf16ToUtf8(written), target.string());
  EXPECT_EQ(Read(target), "report\r\n");
}

TEST_F(ReportFileTest, ExistingReportIsReplacedWhole) {
  const fs::path target = root_ / "again.txt";
  std::ofstream(target) << std::string(10000, 'x');
  WriteReportFile(Utf8ToUtf16(target.string()), folders_, "short");
  EXPECT_EQ(Read(target), "short");
  // No temporary files are left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(root_)) ++entries;
  EXPECT_EQ(entries, 3);  // program, home, again.txt
}

TEST_F(ReportFileTest, RelativePathGoesIntoTheProgramFolder) {
  const std::u16string written = WriteReportFile(u"report.txt", folders_, "r");
  EXPECT_EQ(written, folders_.programFolder + u"report.txt");
  EXPECT_EQ(Read(root_ / "program" / "report.txt"), "r");
}

TEST_F(ReportFileTest, RelativePathGoesHomeWhenTheProgramFolderIsNotWritable) {
  // A program folder that cannot take files (here: gone) sends the report home.
  folders_.programFolder = Utf8ToUtf16((root_ / "gone").string() + "/");
  const std::u16string written = WriteReportFile(u"report.txt", folders_, "r");
  EXPECT_EQ(written, folders_.homeFolder + u"/report.txt");
  EXPECT_EQ(Read(root_ / "home" / "report.txt"), "r");
}

TEST_F(ReportFileTest, UnwritablePathFallsBackAndAnswersTheFallback) {
  const std::u16string chosen = Utf8ToUtf16((root_ / "missing" / "folder" / "r.txt").string());
  const std::u16string written = WriteReportFile(chosen, folders_, "r");
  EXPECT_EQ(written, folders_.programFolder + u"DravantaClientLog");
  EXPECT_EQ(Read(root_ / "program" / "DravantaClientLog"), "r");
}

TEST_F(ReportFileTest, DevicesAndFoldersAreNeverReplaced) {
  // A device or folder as target is refused; the fallback is used instead
  // and the device stays a device.
  for (const std::string& target : {std::string("/dev/full"), root_.string()}) {
    const std::u16string written = WriteReportFile(Utf8ToUtf16(target), folders_, "r");
    EXPECT_EQ(written, folders_.programFolder + u"DravantaClientLog") << target;
  }
  struct stat info;
  ASSERT_EQ(stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST_F(ReportFileTest, NothingWrittenAnswersTheEmptyText) {
  folders_.programFolder = Utf8ToUtf16((root_ / "gone").string() + "/");
  folders_.homeFolder = Utf8ToUtf16((root_ / "no-home").string());
  EXPECT_EQ(WriteReportFile(u"/dev/full", folders_, "r"), u"");
  EXPECT_EQ(WriteReportFile(u"report.txt", folders_, "r"), u"");
}

TEST_F(ReportFileTest, ReadOnlyFolderFallsBack) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  fs::create_directories(root_ / "locked");
  fs::permissions(root_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  const std::u16string written =
      WriteReportFile(Utf8ToUtf16((root_ / "locked" / "r.txt").string()), folders_, "r");
  fs::permissions(root_ / "locked", fs::perms::owner_all);
  EXPECT_EQ(written, folders_.programFolder + u"DravantaClientLog");
}

TEST_F(ReportFileTest, LinkToAFileWritesThroughTheLink) {
  const fs::path real = root_ / "real.txt";
  std::ofstream(real) << "old";
  fs::create_symlink(real, root_ / "link.txt");
  const std::u16string written =
      WriteReportFile(Utf8ToUtf16((root_ / "link.txt").string()), folders_, "new");
  EXPECT_EQ(Utf16ToUtf8(written), (root_ / "link.txt").string());
  EXPECT_TRUE(fs::is_symlink(root_ / "link.txt"));
  EXPECT_EQ(Read(real), "new");
}

}  // namespace
}  // namespace dravanta

namespace dravanta {
namespace {

TEST_F(ReportFileTest, ANameWithoutExtensionGetsTxt) {
  std::ofstream(root_ / "program" / "existing") << "old";
  struct Case {
    std::u16string chosen;
    std::u16string written;  // in the program folder
  } cases[] = {
      {u"report", u"report.txt"},
      {u"DravantaClientLog_201403051015", u"DravantaClientLog_201403051015.txt"},
      {u"notes.v2", u"notes.v2"},
      {u".hidden", u".hidden.txt"},
      {u"sub.dir/plain", u"sub.dir/plain.txt"},
      // Something of that name exists: it is replaced as it is.
      {u"existing", u"existing"},
  };
  fs::create_directories(root_ / "program" / "sub.dir");
  for (const Case& c : cases) {
    const std::u16string written = WriteReportFile(c.chosen, folders_, "r");
    EXPECT_EQ(written, folders_.programFolder + c.written) << Utf16ToUtf8(c.chosen);
    EXPECT_EQ(Read(root_ / "program" / Utf16ToUtf8(c.written)), "r");
  }
}

}  // namespace
}  // namespace dravanta
