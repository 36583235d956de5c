// The scan driver end to end over real walkers and a scripted transport
// table: batches, lookups, uploads, progress forms, the one completion.
#include "internal/scan_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "connector/testing/fake_server_client.h"
#include "connector/testing/scan_recorder.h"
#include "internal/scan_connector_internal.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

std::u16string Utf16(std::string_view text) { return Utf8ToUtf16(text); }

std::vector<std::u16string> Uploads() {
  std::lock_guard lock(FakeRecord().lock);
  return FakeRecord().uploads;
}

std::vector<std::vector<std::u16string>> Lookups() {
  std::lock_guard lock(FakeRecord().lock);
  return FakeRecord().lookups;
}

// Lookups that answer every file with `result` (5: unknown).
FakeTransportScript AnswerAll(int result) {
  FakeTransportScript script;
  script.scan_multiple = [result](const std::vector<std::u16string>& paths,
                                  std::u16string* answer) {
    *answer = LookupAnswer(std::vector<int>(paths.size(), result));
    return TransportOk;
  };
  return script;
}

// Uploads that each take `delay` and then answer every file with `answer`.
std::function<TransportCode(const std::u16string&, std::u16string*)> AnswerUploads(
    std::u16string answer, std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
  return [answer, delay](const std::u16string&, std::u16string* out) {
    std::this_thread::sleep_for(delay);
    *out = answer;
    return TransportOk;
  };
}

class ScanDriverTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetFakeTransport(); }

  // Fills the tree with n files of 1..n bytes spread over a few folders.
  std::set<std::u16string> AddFiles(int n, const std::string& prefix = "") {
    std::set<std::u16string> paths;
    if (!prefix.empty()) tree_.AddFolder(prefix);
    for (int d = 0; d < 4; ++d) {
      tree_.AddFolder(prefix + "d" + std::to_string(d));
      for (int s = 0; s < 3; ++s) {
        tree_.AddFolder(prefix + "d" + std::to_string(d) + "/s" + std::to_string(s));
      }
    }
    for (int i = 0; i < n; ++i) {
      const std::string relative = prefix + "d" + std::to_string(i % 4) + "/s" +
                                   std::to_string(i % 3) + "/f" + std::to_string(i);
      tree_.AddFile(relative, static_cast<uint64_t>(i + 1));
      paths.insert(Utf16(tree_.PathOf(relative)));
    }
    return paths;
  }

  // Runs one path scan with a fresh connector; every thread of it has ended
  // when this returns.
  void RunPathScan(ScanRecorder& recorder, const std::u16string& targets,
                   const std::map<std::u16string, std::u16string>& options = {}) {
    ScanConnector connector;
    InitializeConnector(connector, u"", FakeServerClient());
    for (const auto& [name, value] : options) {
      ASSERT_EQ(SetConnectorOption(connector, name.c_str(), value.c_str()), 0);
    }
    ASSERT_EQ(ScanPaths(connector, targets, &ScanRecorder::OnFileProgress,
                        &ScanRecorder::OnCompletion, &recorder),
              0);
    ASSERT_TRUE(recorder.WaitForCompletion());
  }

  void RunModuleScan(ScanRecorder& recorder) {
    ScanConnector connector;
    InitializeConnector(connector, u"", FakeServerClient());
    ASSERT_EQ(ScanLoadedModules(connector, true, &ScanRecorder::OnModuleProgress,
                                &ScanRecorder::OnCompletion, &recorder),
              0);
    ASSERT_TRUE(recorder.WaitForCompletion());
  }

  std::u16string Root() const { return Utf16(tree_.root()); }

  ScratchTree tree_;
};

TEST_F(ScanDriverTest, KnownFilesAreSettledByLookupsOfOneBatchEach) {
  const std::set<std::u16string> files = AddFiles(25);
  ScanRecorder recorder;
  RunPathScan(recorder, Root(), {{u"BatchSize", u"10"}, {u"ThreadCount", u"3"}});

  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_FALSE(completions[0].threats_found);
  EXPECT_EQ(completions[0].files_scanned, 25);
  EXPECT_EQ(completions[0].code, 0);
  EXPECT_EQ(completions[0].message, u"");

  std::multiset<std::u16string> reported;
  const std::vector<RecordedProgress> progress = recorder.Progress();
  for (const RecordedProgress& report : progress) {
    reported.insert(report.path);
    EXPECT_EQ(report.code, 0);
    EXPECT_EQ(report.total_bytes, progress[0].total_bytes);
    EXPECT_NE(report.details.find(u"<object>"), std::u16string::npos);
  }
  EXPECT_GT(progress[0].total_bytes, 0u);
  EXPECT_EQ(reported, std::multiset<std::u16string>(files.begin(), files.end()));
  std::multiset<std::u16string> looked_up;
  for (const auto& lookup : Lookups()) {
    EXPECT_LE(lookup.size(), 10u);
    looked_up.insert(lookup.begin(), lookup.end());
  }
  EXPECT_EQ(looked_up, std::multiset<std::u16string>(files.begin(), files.end()));
  EXPECT_TRUE(Uploads().empty());
  EXPECT_EQ(FakeRecord().unreleased_answers, 0);
}

TEST_F(ScanDriverTest, UnknownFilesAreUploadedOnceEachAtMostTenAtATime) {
  const std::set<std::u16string> files = AddFiles(60);
  FakeTransportScript script = AnswerAll(5);
  script.scan_object =
      AnswerUploads(u"<final_scan_result>0</final_scan_result><objects>per-engine</objects>",
                    std::chrono::milliseconds(5));
  ResetFakeTransport(script);
  ScanRecorder recorder;
  RunPathScan(recorder, Root(), {{u"BatchSize", u"30"}, {u"ThreadCount", u"4"}});

  const std::vector<std::u16string> uploads = Uploads();
  EXPECT_EQ(std::multiset<std::u16string>(uploads.begin(), uploads.end()),
            std::multiset<std::u16string>(files.begin(), files.end()));
  EXPECT_LE(FakeRecord().most_running_uploads, kMaxParallelUploads);
  // Every upload was reported before the completion.
  EXPECT_EQ(recorder.ProgressBeforeCompletion(), files.size());
  for (const RecordedProgress& report : recorder.Progress()) {
    EXPECT_EQ(report.details, u"per-engine");
  }
  EXPECT_EQ(recorder.Completions()[0].files_scanned, 60);
}

TEST_F(ScanDriverTest, AnEmptyFolderCompletesWithNothing) {
  tree_.AddFolder("empty");
  tree_.AddFolder("empty/deeper");
  ScanRecorder recorder;
  RunPathScan(recorder, Utf16(tree_.PathOf("empty")));
  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].files_scanned, 0);
  EXPECT_EQ(completions[0].code, 0);
  EXPECT_EQ(completions[0].message, u"");
  EXPECT_TRUE(Lookups().empty());
}

TEST_F(ScanDriverTest, FilesAboveTheSizeLimitAreReportedAndNeverLookedUp) {
  tree_.AddFile("small", 50);
  tree_.AddFile("large", 200);
  ScanRecorder recorder;
  RunPathScan(recorder, Root(), {{u"MaxFileSizeBytes", u"100"}});
  const std::vector<RecordedProgress> progress = recorder.Progress();
  ASSERT_EQ(progress.size(), 2u);
  const auto large = std::find_if(progress.begin(), progress.end(), [&](const auto& report) {
    return report.path == Utf16(tree_.PathOf("large"));
  });
  ASSERT_NE(large, progress.end());
  EXPECT_EQ(large->code, kOutcomeFileTooLarge);
  EXPECT_EQ(large->size, 200u);
  EXPECT_EQ(Lookups(), (std::vector<std::vector<std::u16string>>{{Utf16(tree_.PathOf("small"))}}));
  EXPECT_EQ(recorder.Completions()[0].files_scanned, 1);
}

TEST_F(ScanDriverTest, AnswersThatDoNotMatchTheRequest) {
  struct Case {
    const char* name;
    std::u16string (*answer)(size_t files);
    ScanOutcome completion_code;
    size_t uploads;  // of a batch of 3 files
  } cases[] = {
      {"fewer elements: the rest is uploaded", [](size_t) { return LookupAnswer({0}); }, 0, 2},
      {"more elements: the extra are ignored",
       [](size_t n) { return LookupAnswer(std::vector<int>(n + 2, 0)); }, 0, 0},
      {"unclosed element: it runs to the end",
       [](size_t) { return std::u16string(u"<object><final_scan_result>0</final_scan_result>"); },
       0, 2},
      {"no verdict in the elements",
       [](size_t n) {
         std::u16string answer;
         for (size_t i = 0; i < n; ++i) answer += u"<object><threat_name>x</threat_name></object>";
         return answer;
       },
       0, 3},
      {"no element at all: abandoned", [](size_t) { return std::u16string(u"<response/>"); },
       kOutcomeFailed, 0},
  };
  tree_.AddFile("a", 1);
  tree_.AddFile("b", 2);
  tree_.AddFile("c", 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    static std::u16string (*answer)(size_t);
    answer = c.answer;
    FakeTransportScript script;
    script.scan_multiple = [](const std::vector<std::u16string>& paths, std::u16string* text) {
      *text = answer(paths.size());
      return TransportOk;
    };
    ResetFakeTransport(script);
    ScanRecorder recorder;
    RunPathScan(recorder, Root(), {{u"ThreadCount", u"1"}});
    const std::vector<RecordedCompletion> completions = recorder.Completions();
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0].code, c.completion_code);
    EXPECT_EQ(Uploads().size(), c.uploads);
    if (c.completion_code == 0) {
      // Nothing dropped: every file is reported exactly once.
      EXPECT_EQ(recorder.Progress().size(), 3u);
      EXPECT_EQ(completions[0].files_scanned, 3);
    } else {
      EXPECT_EQ(completions[0].message,
                u"The server answered a lookup of 3 files without any result");
      EXPECT_TRUE(recorder.Progress().empty());
    }
  }
}

TEST_F(ScanDriverTest, ALookupFailingMidScanAbandonsItOnce) {
  AddFiles(40);
  static std::atomic<int> lookups;
  lookups = 0;
  FakeTransportScript script;
  script.scan_multiple = [](const std::vector<std::u16string>& paths, std::u16string* answer) {
    if (++lookups == 3) {
      *answer = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>server went away</error>";
      return TransportFailed;
    }
    *answer = LookupAnswer(std::vector<int>(paths.size(), 5));
    return TransportOk;
  };
  script.scan_object =
      AnswerUploads(u"<final_scan_result>0</final_scan_result>", std::chrono::milliseconds(10));
  ResetFakeTransport(script);
  ScanRecorder recorder;
  RunPathScan(recorder, Root(), {{u"BatchSize", u"4"}, {u"ThreadCount", u"3"}});
  // RunPathScan has waited for every thread of the scan: still one completion.
  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].code, kOutcomeFailed);
  EXPECT_EQ(completions[0].files_scanned, 0);
  EXPECT_EQ(completions[0].message, u"server went away");
  // No upload was lost: every one started was reported.
  EXPECT_EQ(recorder.Progress().size(), Uploads().size());
  EXPECT_EQ(FakeRecord().unreleased_answers, 0);
}

TEST_F(ScanDriverTest, ThreatsAndFailedUploadsAreReportedAndTheScanGoesOn) {
  tree_.AddFile("known-bad", 1);
  tree_.AddFile("refused", 2);
  tree_.AddFile("no-answer", 3);
  tree_.AddFile("uploaded-bad", 4);
  static ScratchTree* tree;
  tree = &tree_;
  FakeTransportScript script;
  script.scan_multiple = [](const std::vector<std::u16string>& paths, std::u16string* answer) {
    answer->clear();
    for (const std::u16string& path : paths) {
      *answer += path == Utf16(tree->PathOf("known-bad"))
                     ? u"<object><final_scan_result>1</final_scan_result><threat_name>"
                       u"<![CDATA[Known.Bad]]></threat_name></object>"
                     : u"<object><final_scan_result>5</final_scan_result></object>";
    }
    return TransportOk;
  };
  script.scan_object = [](const std::u16string& path, std::u16string* answer) {
    if (path == Utf16(tree->PathOf("refused"))) {
      *answer = u"<error>WinHttpSendRequest failed (10061)</error>";
      return TransportFailed;
    }
    if (path == Utf16(tree->PathOf("no-answer"))) {
      *answer = u"";  // empty answer: no verdict
      return TransportOk;
    }
    *answer = u"<final_scan_result>2</final_scan_result><objects>e</objects>";
    return TransportOk;
  };
  ResetFakeTransport(script);
  ScanRecorder recorder;
  RunPathScan(recorder, Root(), {{u"ThreadCount", u"1"}});

  std::map<std::u16string, RecordedProgress> by_path;
  for (const RecordedProgress& report : recorder.Progress()) by_path[report.path] = report;
  ASSERT_EQ(by_path.size(), 4u);
  EXPECT_EQ(by_path[Utf16(tree_.PathOf("known-bad"))].code, -1);
  EXPECT_EQ(by_path[Utf16(tree_.PathOf("known-bad"))].threat_name, u"Known.Bad");
  EXPECT_EQ(by_path[Utf16(tree_.PathOf("refused"))].code, kOutcomeConnectionRefused);
  EXPECT_EQ(by_path[Utf16(tree_.PathOf("refused"))].threat_name,
            u"WinHttpSendRequest failed (10061)");
  EXPECT_EQ(by_path[Utf16(tree_.PathOf("no-answer"))].code, kOutcomeUnknown);
  EXPECT_EQ(by_path[Utf16(tree_.PathOf("uploaded-bad"))].code, -2);
  EXPECT_EQ(by_path[Utf16(tree_.PathOf("uploaded-bad"))].threat_name, u"UNKNOWN");
  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_TRUE(completions[0].threats_found);
  EXPECT_EQ(completions[0].code, 0);
  EXPECT_EQ(completions[0].files_scanned, 4);
}

TEST_F(ScanDriverTest, AMissingUploadAnswerIsReportedWithoutVerdict) {
  tree_.AddFile("f", 1);
  FakeTransportScript script = AnswerAll(5);
  script.null_upload_answer = true;
  ResetFakeTransport(script);
  ScanRecorder recorder;
  RunPathScan(recorder, Root());
  const std::vector<RecordedProgress> progress = recorder.Progress();
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].code, kOutcomeUnknown);
  EXPECT_EQ(recorder.Completions().size(), 1u);
}

TEST_F(ScanDriverTest, WalkersEndingTogetherGiveOneCompletion) {
  AddFiles(6, "one/");
  AddFiles(6, "two/");
  tree_.AddFile("single", 9);
  const std::u16string targets = Utf16(tree_.PathOf("one")) + u"|" + Utf16(tree_.PathOf("two")) +
                                 u"|" + Utf16(tree_.PathOf("single")) + u"|" +
                                 Utf16(tree_.PathOf("one/d0"));
  for (int round = 0; round < 20; ++round) {
    ScanRecorder recorder;
    RunPathScan(recorder, targets, {{u"ThreadCount", u"2"}, {u"BatchSize", u"2"}});
    const std::vector<RecordedCompletion> completions = recorder.Completions();
    ASSERT_EQ(completions.size(), 1u);
    // The subfolder is its own target, so its files are reported twice.
    EXPECT_EQ(completions[0].files_scanned, 6 + 6 + 1 + 2);
    EXPECT_EQ(recorder.ProgressBeforeCompletion(), 15u);
  }
}

TEST_F(ScanDriverTest, NamesThatAreNotUtf8ReachTheTransportAsWalked) {
  tree_.AddFile("caf\xE9-latin1", 1);
  tree_.AddFile("\xFF\xFE", 2);
  ResetFakeTransport(AnswerAll(5));
  ScanRecorder recorder;
  RunPathScan(recorder, Root());
  std::set<std::string> uploaded;
  for (const std::u16string& path : Uploads()) uploaded.insert(Utf16ToUtf8(path));
  EXPECT_EQ(uploaded,
            (std::set<std::string>{tree_.PathOf("caf\xE9-latin1"), tree_.PathOf("\xFF\xFE")}));
  std::set<std::string> reported;
  for (const RecordedProgress& report : recorder.Progress()) {
    reported.insert(Utf16ToUtf8(report.path));
  }
  EXPECT_EQ(reported, uploaded);
}

TEST_F(ScanDriverTest, ModuleScanSettledByTheLookup) {
  ScanRecorder recorder;
  RunModuleScan(recorder);
  const std::vector<RecordedProgress> progress = recorder.Progress();
  ASSERT_GE(progress.size(), 4u);
  EXPECT_EQ(progress[0].stage, kStagePreparing);
  EXPECT_EQ(progress[0].total, 100);
  EXPECT_EQ(progress[0].done, 3);
  EXPECT_EQ(progress[0].code, kOutcomeUnknown);
  EXPECT_EQ(progress[1].stage, kStagePreparing);
  EXPECT_EQ(progress[1].done, 99);
  EXPECT_EQ(progress[2].stage, kStageLookup);
  EXPECT_EQ(progress[2].done, 0);
  const int32_t modules = progress[2].total;
  EXPECT_GT(modules, 0);
  EXPECT_EQ(progress.size(), 3u + static_cast<size_t>(modules));
  for (size_t i = 3; i < progress.size(); ++i) {
    EXPECT_EQ(progress[i].stage, kStageLookup);
    EXPECT_EQ(progress[i].total, modules);
    EXPECT_EQ(progress[i].done, static_cast<int32_t>(i - 2));
    EXPECT_EQ(progress[i].code, 0);
  }
  ASSERT_EQ(Lookups().size(), 1u);
  EXPECT_TRUE(Uploads().empty());
  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].files_scanned, modules);
  EXPECT_EQ(completions[0].code, 0);
  EXPECT_EQ(completions[0].message, u"Scan Finished");
}

TEST_F(ScanDriverTest, ModuleScanUploadsEveryUnknownModuleOnce) {
  FakeTransportScript script = AnswerAll(5);
  script.scan_object = AnswerUploads(u"<final_scan_result>10</final_scan_result>");  // not scanned
  ResetFakeTransport(script);
  ScanRecorder recorder;
  RunModuleScan(recorder);
  const std::vector<std::vector<std::u16string>> lookups = Lookups();
  ASSERT_EQ(lookups.size(), 1u);
  const std::vector<std::u16string> uploads = Uploads();
  EXPECT_EQ(std::set<std::u16string>(uploads.begin(), uploads.end()),
            std::set<std::u16string>(lookups[0].begin(), lookups[0].end()));
  EXPECT_EQ(uploads.size(), lookups[0].size());
  EXPECT_LE(FakeRecord().most_running_uploads, kMaxParallelUploads);
  size_t stage_two = 0;
  for (const RecordedProgress& report : recorder.Progress()) {
    if (report.stage != kStageUpload) continue;
    ++stage_two;
    EXPECT_EQ(report.total, static_cast<int32_t>(uploads.size()));
    EXPECT_EQ(report.code, kOutcomeNotScanned);
  }
  EXPECT_EQ(stage_two, uploads.size());
  EXPECT_EQ(recorder.ProgressBeforeCompletion(), recorder.Progress().size());
  // Not-scanned modules do not count as scanned.
  EXPECT_EQ(recorder.Completions()[0].files_scanned, 0);
}

TEST_F(ScanDriverTest, ModuleScanWhoseLookupFailsIsAbandoned) {
  struct Case {
    TransportCode code;
    std::u16string answer;
    std::u16string message;
  } cases[] = {
      {TransportFailed, u"<error>no route</error>", u"no route"},
      {TransportOk, u"<response></response>", u""},  // no element: abandoned too
  };
  for (const auto& c : cases) {
    static const Case* current;
    current = &c;
    FakeTransportScript script;
    script.scan_multiple = [](const std::vector<std::u16string>&, std::u16string* answer) {
      *answer = current->answer;
      return current->code;
    };
    ResetFakeTransport(script);
    ScanRecorder recorder;
    RunModuleScan(recorder);
    const std::vector<RecordedCompletion> completions = recorder.Completions();
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0].code, kOutcomeFailed);
    if (!c.message.empty()) {
      EXPECT_EQ(completions[0].message, c.message);
    }
    EXPECT_FALSE(completions[0].message.empty());
    EXPECT_TRUE(Uploads().empty());
  }
}

}  // namespace
}  // namespace dravanta
