// The real program run without a page (auto_start=1 show_ui=0) against the
// fake scanning server: exit code, report on standard output, message on
// standard error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "tests/support/subprocess.h"

namespace dravanta {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class HeadlessRun : public testing::Test {
 protected:
  void SetUp() override {
    const char* client = std::getenv("DRAVANTA_CLIENT");
    ASSERT_NE(client, nullptr) << "DRAVANTA_CLIENT names the program under test";
    client_ = client;
    root_ = scratch_.root();
    fs::create_directories(root_ / "samples" / "sub");
    std::ofstream(root_ / "samples" / "readme.txt") << "just text\n";
    std::ofstream(root_ / "samples" / "sub" / "data.bin") << std::string(3000, 'd');
    ASSERT_TRUE(server_.Start());
    server_.SetEngines(3);
  }
  void TearDown() override { server_.Stop(); }

  SubprocessRun Run(const std::string& server) {
    return RunSubprocess({.arguments = {client_, "auto_start=1", "show_ui=0", "scan_type=1",
                                        "scan_location=" + (root_ / "samples").string(),
                                        "server=" + server, "log_enable=0"}},
                         120s);
  }

  std::string client_;
  ScratchTree scratch_;  // removed after the members below
  fs::path root_;
  FakeScanServer server_;
};

TEST_F(HeadlessRun, CleanFolderExitsZeroWithTheReport) {
  const SubprocessRun run = Run(server_.Url());
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.output.rfind("VARNOK - Dravanta Client SCAN RESULTS\r\n\r\n", 0), 0u) << run.output;
  EXPECT_NE(run.output.find("Scan Type:          \t     0\r\n"), std::string::npos);
  EXPECT_NE(run.output.find("Clean Files:                 2\r\n"), std::string::npos);
  EXPECT_NE(run.output.find("Infected Files:              0\r\n"), std::string::npos);
  EXPECT_EQ(run.output.find("INFECTED FILES"), std::string::npos);
  EXPECT_NE(run.errors.find("Files settled: 2"), std::string::npos) << run.errors;
}

TEST_F(HeadlessRun, InfectedFileExitsOneAndIsListed) {
  std::ofstream(root_ / "samples" / "sub" / "eicar.com") << "pretend this is a test virus";
  server_.SetUploadVerdict("eicar.com", 1, "Test.File.Dravanta");
  const SubprocessRun run = Run(server_.Url());
  EXPECT_EQ(run.exit_code, 1) << run.errors;
  const std::string path = (root_ / "samples" / "sub" / "eicar.com").string();
  EXPECT_NE(run.output.find("Infected Files:              1\r\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("1.  PATH:          " + path +
                            "\r\n"
                            "    THREAT NAME:   Test.File.Dravanta\r\n"),
            std::string::npos)
      << run.output;
}

TEST_F(HeadlessRun, ReportThatCannotBeWrittenIsNoSuccess) {
  // Standard output on a full device: the report is lost, and the run says
  // so instead of ending as a clean scan.
  const SubprocessRun run = RunSubprocess(
      {.arguments = {"/bin/sh", "-c", "exec \"$0\" \"$@\" > /dev/full", client_, "auto_start=1",
                     "show_ui=0", "scan_type=1", "scan_location=" + (root_ / "samples").string(),
                     "server=" + server_.Url(), "log_enable=0"}},
      120s);
  EXPECT_EQ(run.exit_code, 100) << run.errors;
  EXPECT_NE(run.errors.find("the scan report could not be written to standard output\n"),
            std::string::npos)
      << run.errors;
}

TEST_F(HeadlessRun, UnreachableServerExitsHundredWithTheMessage) {
  const std::string url = server_.Url();
  server_.Stop();
  const SubprocessRun run = Run(url);
  EXPECT_EQ(run.exit_code, 100);
  EXPECT_EQ(run.output, "");
  EXPECT_NE(run.errors.find("server cannot be reached\n"), std::string::npos) << run.errors;
}

TEST_F(HeadlessRun, FailedLookupExitsHundred) {
  server_.SetAnswer("scanmultiple", {.status = 500, .body = "broken"});
  const SubprocessRun run = Run(server_.Url());
  EXPECT_EQ(run.exit_code, 100) << run.output;
  EXPECT_EQ(run.output, "");
  EXPECT_FALSE(run.errors.empty());
}

}  // namespace
}  // namespace dravanta
