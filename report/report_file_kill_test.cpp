// Saving a report under faults: a writer killed at any moment leaves the old
// report or the new one, whole; a save that runs out of space or meets
// read-only folders answers only what was really written.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/resource.h>

#include <fstream>
#include <sstream>

#include "platform/text.h"
#include "report/report_file.h"
#include "report/testing/report_folders_fixture.h"
#include "tests/support/kill_rounds.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Runs `body` in a child process and answers its exit code (-1 when it did
// not end by itself), so that limits and identities set there stay there.
int InChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ReportUnderFaults : public ReportFoldersTest {
 protected:
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(root_, ignored);
  }
};

TEST_F(ReportUnderFaults, AKilledSaveLeavesTheOldReportOrTheNew) {
  const fs::path target = root_ / "report.txt";
  const std::string reports[] = {std::string(400000, 'o') + "\r\n", std::string(90000, 'n')};
  ASSERT_FALSE(WriteReportFile(Utf8ToUtf16(target.string()), folders_, reports[0]).empty());
  int mostTemporaries = 0;
  KillWhileWriting(
      20261212, 60, 15ms,
      [&](long counter) {
        WriteReportFile(Utf8ToUtf16(target.string()), folders_, reports[counter % 2]);
      },
      [&](int round) {
        const std::string content = Read(target);
        EXPECT_TRUE(content == reports[0] || content == reports[1])
            << "round " << round << ": " << content.size() << " bytes";
        mostTemporaries = std::max(mostTemporaries, CountEntries(root_, "report.txt.tmp."));
      });
  EXPECT_LE(mostTemporaries, 2);
  // The fallback was never needed.
  EXPECT_FALSE(fs::exists(root_ / "program" / "DravantaClientLog"));
}

TEST_F(ReportUnderFaults, ASaveThatRunsOutOfSpaceClaimsNothingAndKeepsTheOldReport) {
  const fs::path target = root_ / "report.txt";
  std::ofstream(target) << "the old report";
  // A file size limit makes every write past 4 KiB fail as a full disk does.
  const int code = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    const std::u16string written =
        WriteReportFile(Utf8ToUtf16(target.string()), folders_, std::string(100000, 'r'));
    return written.empty() ? 0 : 1;
  });
  EXPECT_EQ(code, 0) << "a save that wrote nothing whole answered a path";
  EXPECT_EQ(Read(target), "the old report");
  EXPECT_FALSE(fs::exists(root_ / "program" / "DravantaClientLog"));
  EXPECT_EQ(CountEntries(root_, "report.txt.tmp."), 0);
  EXPECT_EQ(CountEntries(root_ / "program", "DravantaClientLog.tmp."), 0);
}

TEST_F(ReportUnderFaults, ReadOnlyFoldersGiveTheFallbackOrNothing) {
  // File permissions are checked as an unprivileged user, even when the
  // tests run as root.
  fs::create_directories(root_ / "locked");
  fs::permissions(root_, fs::perms::all);
  fs::permissions(root_ / "program", fs::perms::all);
  fs::permissions(root_ / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
  const std::u16string chosen = Utf8ToUtf16((root_ / "locked" / "r.txt").string());
  const std::u16string fallback = folders_.programFolder + u"DravantaClientLog";
  const auto asNobody = [](const std::function<int()>& body) {
    return InChild([&] {
      setfsgid(65534);
      setfsuid(65534);
      return body();
    });
  };
  EXPECT_EQ(asNobody([&] { return WriteReportFile(chosen, folders_, "r") == fallback ? 0 : 1; }),
            0);
  EXPECT_EQ(Read(root_ / "program" / "DravantaClientLog"), "r");

  // With the program folder read-only too, nothing is written and the
  // answer is the empty text, which the page shows as a failed save.
  fs::remove(root_ / "program" / "DravantaClientLog");
  fs::permissions(root_ / "program", fs::perms::owner_read | fs::perms::owner_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(asNobody([&] { return WriteReportFile(chosen, folders_, "r").empty() ? 0 : 1; }), 0);
  EXPECT_FALSE(fs::exists(root_ / "locked" / "r.txt"));
  EXPECT_FALSE(fs::exists(root_ / "program" / "DravantaClientLog"));
}

}  // namespace
}  // namespace dravanta
