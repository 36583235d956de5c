// The real program run without a page (auto_start=1 show_ui=0) against the
// fake scanning server: exit code, report on standard output, message on
// standard error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/support/fake_scan_server.h"
#include "tests/support/json_result_check.h"
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

  // A run with its JSON result written beside the tree (and checked against
  // the schema), and further settings.
  SubprocessRun RunWithJson(const fs::path& location, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {client_,
                                          "auto_start=1",
                                          "show_ui=0",
                                          "scan_type=1",
                                          "scan_location=" + location.string(),
                                          "server=" + server_.Url(),
                                          "log_enable=0",
                                          "json_report=" + JsonPath().string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    const SubprocessRun run = RunSubprocess({.arguments = arguments}, std::chrono::seconds(300));
    EXPECT_EQ(JsonResultProblems(JsonPath().string()), "");
    return run;
  }
  fs::path JsonPath() const { return root_ / "result.json"; }
  std::string Json() const {
    std::ifstream in(JsonPath());
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // 400 files f0..f399 in a few folders.
  fs::path ManyFiles() {
    const fs::path many = root_ / "many";
    for (int i = 0; i < 400; ++i) {
      const fs::path folder = many / ("d" + std::to_string(i % 5));
      fs::create_directories(folder);
      std::ofstream(folder / ("f" + std::to_string(i))) << "content of file " << i;
    }
    return many;
  }

  // Uploads of odd-numbered files answer 500; the file named threat_number
  // carries a threat; the rest are clean.
  void FailEverySecondUpload(int threat_number = -1) {
    server_.SetHandler("scan", [threat_number](const RecordedRequest& request) {
      const auto found = request.params.find("filename");
      const std::string name = found == request.params.end() ? "" : found->second;
      const size_t f = name.rfind('f');
      const int number = f == std::string::npos ? -1 : std::atoi(name.c_str() + f + 1);
      if (number % 2 == 1) return ScriptedAnswer{.status = 500, .body = "overloaded"};
      const Verdict verdict =
          number == threat_number ? Verdict{1, "Test.File.Dravanta"} : Verdict{};
      return ScriptedAnswer{.body = FakeScanServer::UploadAnswer(name, verdict)};
    });
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

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST_F(HeadlessRun, HalfTheUploadsFailingIsAnErrorThatListsEveryFailedFile) {
  FailEverySecondUpload();
  const SubprocessRun run = RunWithJson(ManyFiles());
  EXPECT_EQ(run.exit_code, 100) << run.errors;
  const std::string message = "200 of 400 files could not be scanned: the server answered 500";
  EXPECT_NE(run.errors.find(message + "\n"), std::string::npos) << run.errors;
  EXPECT_NE(run.output.find("SCAN DID NOT FINISH: " + message + "\r\n"), std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("SCAN FINISHED SUCCESSFULLY"), std::string::npos);
  EXPECT_NE(run.output.find("Clean Files:                 200\r\n"), std::string::npos);
  EXPECT_NE(run.output.find("\r\nFILES NOT SCANNED\r\n"), std::string::npos);
  EXPECT_EQ(Count(run.output, "    CATEGORY:      failed\r\n"), 200u);
  EXPECT_NE(run.output.find("Failed:                      200\r\n"), std::string::npos);
  EXPECT_NE(run.errors.find("Dravanta Client: error; 400 files: 200 clean, 0 threats; "
                            "not scanned: 0 without verdict, 0 over the size limit, 0 "
                            "unreadable, 0 vanished, 200 failed;"),
            std::string::npos)
      << run.errors;
  const std::string json = Json();
  EXPECT_NE(json.find("\"status\": \"error\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"exit_code\": 100"), std::string::npos);
  EXPECT_NE(json.find("\"message\": \"" + message + "\""), std::string::npos);
  EXPECT_EQ(Count(json, "\"category\": \"failed\""), 200u);
  EXPECT_EQ(Count(json, "\"reason\": \"the server answered 500\""), 200u);
}

TEST_F(HeadlessRun, AThreatAmongFailuresExitsOne) {
  FailEverySecondUpload(10);
  const SubprocessRun run = RunWithJson(ManyFiles());
  EXPECT_EQ(run.exit_code, 1) << run.errors;
  EXPECT_NE(run.output.find("Infected Files:              1\r\n"), std::string::npos) << run.output;
  EXPECT_EQ(Count(run.output, "    CATEGORY:      failed\r\n"), 200u);
  EXPECT_NE(Json().find("\"status\": \"infected\""), std::string::npos);
  EXPECT_NE(Json().find("\"category\": \"threat\""), std::string::npos);
}

TEST_F(HeadlessRun, UnreadableVanishedAndOversizedFilesLeaveACleanScanCleanButShown) {
  // Listed, then changed before their upload: one removed, one replaced by
  // a link (never followed), one too large to send.
  std::ofstream(root_ / "samples" / "gone") << "here at listing time";
  std::ofstream(root_ / "samples" / "swapped") << "a file at listing time";
  std::ofstream(root_ / "outside") << "outside the target";
  const fs::path samples = root_ / "samples";
  const fs::path outside = root_ / "outside";
  auto changed = std::make_shared<std::once_flag>();
  server_.SetHandler("scanmultiple", [=](const RecordedRequest& request) {
    std::call_once(*changed, [&] {
      fs::remove(samples / "gone");
      fs::remove(samples / "swapped");
      fs::create_symlink(outside, samples / "swapped");
    });
    std::vector<std::pair<std::string, Verdict>> objects;
    size_t start = 0;
    for (size_t bar; (bar = request.body.find('|', start)) != std::string::npos; start = bar + 1) {
      objects.push_back({request.body.substr(start, bar - start), Verdict{5, ""}});
    }
    objects.push_back({request.body.substr(start), Verdict{5, ""}});
    return ScriptedAnswer{.body = FakeScanServer::LookupAnswer(objects)};
  });
  const SubprocessRun run = RunWithJson(samples, {"maximum_file_size_bytes=2000"});
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_NE(run.output.find("SCAN FINISHED SUCCESSFULLY"), std::string::npos);
  EXPECT_NE(run.output.find("Clean Files:                 1\r\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("    CATEGORY:      vanished\r\n"), std::string::npos);
  EXPECT_NE(run.output.find("    CATEGORY:      unreadable\r\n"
                            "    REASON:        could not be opened: a link took the "
                            "file's place\r\n"),
            std::string::npos);
  EXPECT_NE(run.output.find("    CATEGORY:      skipped_size\r\n"), std::string::npos);
  EXPECT_NE(run.errors.find("Dravanta Client: clean; 4 files: 1 clean, 0 threats; not "
                            "scanned: 0 without verdict, 1 over the size limit, 1 "
                            "unreadable, 1 vanished, 0 failed;"),
            std::string::npos)
      << run.errors;
  const std::string json = Json();
  EXPECT_NE(json.find("\"counts\": {\"collected\": 4, \"clean\": 1, \"threat\": 0, "
                      "\"no_verdict\": 0, \"skipped_size\": 1, \"unreadable\": 1, "
                      "\"vanished\": 1, \"failed\": 0,"),
            std::string::npos)
      << json;
}

TEST_F(HeadlessRun, JsonReportDashGoesToStandardOutputInsteadOfTheReport) {
  const SubprocessRun run =
      RunSubprocess({.arguments = {client_, "auto_start=1", "show_ui=0", "scan_type=1",
                                   "scan_location=" + (root_ / "samples").string(),
                                   "server=" + server_.Url(), "log_enable=0", "json_report=-"}},
                    std::chrono::seconds(120));
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.output.rfind("{\n  \"format\": \"dravanta-scan-result\",", 0), 0u) << run.output;
  EXPECT_EQ(run.output.find("SCAN RESULTS"), std::string::npos);
  std::ofstream(JsonPath()) << run.output;
  EXPECT_EQ(JsonResultProblems(JsonPath().string()), "");
}

}  // namespace
}  // namespace dravanta
