// Every collected file ends in exactly one category, and the final word
// follows the categories: the dialog over the real connector, its walkers
// and upload threads, with a scripted transport table.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "connector/scan_connector.h"
#include "connector/testing/fake_server_client.h"
#include "platform/text.h"
#include "platform/wide_format.h"
#include "tests/support/json_result_check.h"
#include "tests/support/scratch_tree.h"
#include "ui/main_dialog.h"

namespace dravanta {
namespace {

// The connector the dialog drives; entry points are plain functions.
ScanConnector* g_connector = nullptr;

ConnectorEntryPoints TestConnector() {
  ConnectorEntryPoints entry_points = {
      [](std::u16string_view key) {
        return InitializeConnector(*g_connector, key, FakeServerClient());
      },
      [] { return IsConnectorInitialized(*g_connector); },
      [](const char16_t* name, const char16_t* value) {
        return SetConnectorOption(*g_connector, name, value);
      },
      [](bool all, ModuleProgressCallback progress, CompletionCallback completion, void* context) {
        return ScanLoadedModules(*g_connector, all, progress, completion, context);
      },
      [](std::u16string_view targets, FileProgressCallback progress, CompletionCallback completion,
         void* context) { return ScanPaths(*g_connector, targets, progress, completion, context); },
      [](FileProgressCallback progress, CompletionCallback completion, void* context) {
        return ScanAllDrives(*g_connector, progress, completion, context);
      },
      [](char16_t* buffer) {
        buffer[0] = u'3';
        buffer[1] = 0;
        return 0u;
      },
      [] { StopConnectorScan(*g_connector); },
      [] { return GetScanCoverage(*g_connector); },
  };
  return entry_points;
}

// The number at the end of a file name "f<N>".
int FileNumber(std::u16string_view path) {
  const size_t f = path.rfind(u"/f");
  if (f == std::u16string_view::npos) return -1;
  int n = 0;
  for (size_t i = f + 2; i < path.size(); ++i) {
    if (path[i] < u'0' || path[i] > u'9') return -1;
    n = n * 10 + (path[i] - u'0');
  }
  return n;
}

std::u16string Error(std::string_view text) {
  return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>" + Utf8ToUtf16(text) + u"</error>";
}

// How the scripted server treats file number n.
enum class Upload { kClean, kThreat, kNoVerdict, kServerError, kUnreadable, kVanished };

struct Case {
  std::string name;
  std::function<Upload(int)> upload;
  int failing_lookup = 0;  // this lookup (1-based) fails and abandons the scan; 0: none
  int max_size = 0;        // MaxFileSizeBytes; 0: no limit
  std::u16string status;
  int exit_code;
  std::u16string message;   // empty: not checked
  CoverageCounts expected;  // checked when collected is set
};

class CoverageAccounting : public testing::Test {
 protected:
  static constexpr int kFiles = 400;

  void SetUp() override {
    ResetFakeTransport();
    // Four targets, so four walkers with four workers each.
    for (int t = 0; t < 4; ++t) {
      tree_.AddFolder("t" + std::to_string(t));
      for (int s = 0; s < 3; ++s)
        tree_.AddFolder("t" + std::to_string(t) + "/s" + std::to_string(s));
    }
    for (int i = 0; i < kFiles; ++i) {
      tree_.AddFile(
          "t" + std::to_string(i % 4) + "/s" + std::to_string(i % 3) + "/f" + std::to_string(i),
          static_cast<uint64_t>(i + 1));
    }
  }

  // argument: the ScanNow argument; empty: a custom scan of the four targets.
  int Run(const Case& c, std::u16string argument = {}) {
    ResetFakeTransport();
    auto lookups = std::make_shared<std::atomic<int>>(0);
    FakeTransportScript script;
    const int failing = c.failing_lookup;
    script.scan_multiple = [lookups, failing](const std::vector<std::u16string>& paths,
                                              std::u16string* answer) {
      if (++*lookups == failing) {
        *answer = Error("HTTP/1.1 503 Service Unavailable");
        return TransportFailed;
      }
      *answer = LookupAnswer(std::vector<int>(paths.size(), 5));
      return TransportOk;
    };
    const auto upload = c.upload;
    script.scan_object = [upload](const std::u16string& path, std::u16string* answer) {
      switch (upload(FileNumber(path))) {
        case Upload::kClean:
          *answer = u"<final_scan_result>0</final_scan_result>";
          return TransportOk;
        case Upload::kThreat:
          *answer =
              u"<final_scan_result>1</final_scan_result><threat_name>Test.Threat</threat_name>";
          return TransportOk;
        case Upload::kNoVerdict:
          *answer = u"<final_scan_result>10</final_scan_result>";
          return TransportOk;
        case Upload::kServerError:
          *answer = Error("HTTP/1.1 500 Internal Server Error");
          return TransportFailed;
        case Upload::kUnreadable:
          *answer = Error("failed to read file '" + Utf16ToUtf8(path) + "' (13)");
          return TransportInvalidArgument;
        case Upload::kVanished:
          *answer = Error("failed to read file '" + Utf16ToUtf8(path) + "' (2)");
          return TransportInvalidArgument;
      }
      return TransportFailed;
    };
    ResetFakeTransport(script);

    const OwnedScanConnector connector = MakeScanConnector();
    g_connector = connector.get();
    DialogServices services;
    services.connector = TestConnector();
    services.close_grace = std::chrono::milliseconds(0);
    ClientSettings settings;
    settings.server = u"127.0.0.1:1/dravanta_rest";
    settings.scan_type = 1;
    settings.thread_count = u"4";
    settings.batch_size = u"7";
    if (c.max_size > 0) settings.maximum_file_size_bytes = Utf8ToUtf16(std::to_string(c.max_size));
    settings.json_report = Utf8ToUtf16(tree_.PathOf("result.json"));
    {
      CQn5raClntDlg dialog(services);
      dialog.SetSettings(settings);
      dialog.OnInitGui();
      if (argument.empty()) {
        argument = u"0";
        for (int t = 0; t < 4; ++t) {
          argument += u"|" + Utf8ToUtf16(tree_.PathOf("t" + std::to_string(t)));
        }
      }
      dialog.OnBeforeNavigate(u"app:1005@ScanNow:" + argument);
      for (int i = 0; i < 6000 && !IsFinalScanStatus(dialog.StatusText()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      status_ = dialog.StatusText();
      message_ = dialog.LastErrorMessage();
      counts_ = dialog.Coverage();
      outcomes_ = dialog.Results().Outcomes();
      report_ = dialog.ComposeReport();
      dialog.ExitApplication(true);
      exit_code_ = dialog.result().value_or(-1);
    }
    // The connector's threads are done before it goes.
    g_connector = nullptr;
    return exit_code_;
  }

  ScratchTree tree_;
  std::u16string status_;
  std::u16string message_;
  CoverageCounts counts_;
  std::vector<FileOutcome> outcomes_;
  std::u16string report_;
  int exit_code_ = -1;
};

int64_t Sum(const CoverageCounts& c) {
  return c.clean + c.threat + c.noVerdict + c.skippedSize + c.unreadable + c.vanished + c.failed;
}

TEST_F(CoverageAccounting, EveryFileInOneCategoryAndAnHonestFinalWord) {
  const Case cases[] = {
      {"every second upload fails",
       [](int n) { return n % 2 ? Upload::kServerError : Upload::kClean; },
       0,
       0,
       u"error",
       100,
       u"200 of 400 files could not be scanned: the server answered 500",
       {.collected = 400, .clean = 200, .failed = 200}},
      {"a threat among failures",
       [](int n) {
         return n == 10 ? Upload::kThreat : n % 2 ? Upload::kServerError : Upload::kClean;
       },
       0,
       0,
       u"infected",
       1,
       u"",
       {.collected = 400, .clean = 199, .threat = 1, .failed = 200}},
      {"unreadable, vanished, no verdict and size-skipped files in a clean tree",
       [](int n) {
         return n % 10 == 1   ? Upload::kUnreadable
                : n % 10 == 2 ? Upload::kVanished
                : n % 10 == 3 ? Upload::kNoVerdict
                              : Upload::kClean;
       },
       0,
       390,
       u"clean",
       0,
       u"",
       // Files 390..399 (sizes 391..400) are over the limit.
       {.collected = 400,
        .clean = 273,
        .noVerdict = 39,
        .skippedSize = 10,
        .unreadable = 39,
        .vanished = 39}},
      {"a lookup fails half-way",
       [](int) { return Upload::kClean; },
       6,
       0,
       u"error",
       100,
       u"HTTP/1.1 503 Service Unavailable",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Run(c), c.exit_code);
    EXPECT_EQ(status_, c.status);
    if (!c.message.empty()) {
      EXPECT_EQ(message_, c.message);
    }
    EXPECT_EQ(Sum(counts_), counts_.collected);
    // The JSON result written at the end holds the same and is valid.
    EXPECT_EQ(JsonResultProblems(tree_.PathOf("result.json")), "");
    if (c.expected.collected != 0) {
      EXPECT_EQ(counts_.collected, c.expected.collected);
      EXPECT_EQ(counts_.clean, c.expected.clean);
      EXPECT_EQ(counts_.threat, c.expected.threat);
      EXPECT_EQ(counts_.noVerdict, c.expected.noVerdict);
      EXPECT_EQ(counts_.skippedSize, c.expected.skippedSize);
      EXPECT_EQ(counts_.unreadable, c.expected.unreadable);
      EXPECT_EQ(counts_.vanished, c.expected.vanished);
      EXPECT_EQ(counts_.failed, c.expected.failed);
      EXPECT_EQ(counts_.notReached, 0);
      // Every file that did not end clean is listed once, with its reason.
      EXPECT_EQ(static_cast<int64_t>(outcomes_.size()), counts_.collected - counts_.clean);
      for (const FileOutcome& file : outcomes_)
        EXPECT_FALSE(file.text.empty()) << Utf16ToUtf8(file.path);
    } else {
      // Abandoned: the files never reached count as failed.
      EXPECT_GT(counts_.collected, 0);
      EXPECT_LE(counts_.collected, kFiles);
      EXPECT_GT(counts_.notReached, 0);
    }
    const bool finished = c.status != u"error";
    EXPECT_EQ(report_.find(u"SCAN FINISHED SUCCESSFULLY") != std::u16string::npos, finished);
    EXPECT_EQ(report_.find(u"SCAN DID NOT FINISH: " + message_) != std::u16string::npos, !finished);
  }
}

// Loaded modules: every module of this process is looked up and uploaded;
// the uploads of every second one fail.
TEST_F(CoverageAccounting, ModuleScansCountEveryModule) {
  auto number = std::make_shared<std::atomic<int>>(0);
  const Case c{
      "modules", [number](int) {
                 return ++*number % 2 ? Upload::kServerError : Upload::kClean; },
      0,         0,
      u"error",  100,
      u"",       {}};
  EXPECT_EQ(Run(c, u"2|"), 100);
  EXPECT_EQ(status_, u"error");
  EXPECT_GT(counts_.collected, 1);
  EXPECT_EQ(Sum(counts_), counts_.collected);
  EXPECT_EQ(counts_.notReached, 0);
  EXPECT_EQ(counts_.failed, counts_.collected / 2 + counts_.collected % 2);
  EXPECT_EQ(counts_.clean, counts_.collected / 2);
  EXPECT_EQ(message_, FormatWide(u"%d of %d files could not be scanned: the server answered 500",
                                 counts_.failed, counts_.collected));
  for (const FileOutcome& file : outcomes_) EXPECT_EQ(file.size, std::nullopt);
}

}  // namespace
}  // namespace dravanta
