#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ui/notification_gate.h"
#include "ui/testing/dialog_fixture.h"

namespace dravanta {
namespace {

using ScanControl = DialogFixture;

TEST_F(ScanControl, SetupInitialisesTheConnectorOnceWithTheServer) {
  Dialog().OnInitGui();
  Dialog().OnSetupScan();
  Dialog().OnSetupScan();
  const FakeConnectorRecord r = FakeRecord();
  EXPECT_EQ(r.initialise_calls, 1);
  EXPECT_EQ(r.api_key, u"KEY-1");
  using Option = std::pair<std::u16string, std::u16string>;
  EXPECT_EQ(r.options,
            (std::vector<Option>{{u"ServerURL", settings_.server}, {u"ServerRandomServer", u"1"}}));
  EXPECT_TRUE(Dialog().ConnectorReady());
}

TEST_F(ScanControl, FileScanSettingsPassTheNumbersThatAreSet) {
  settings_.scan_type = 1;
  settings_.thread_count = u"7";
  settings_.batch_size = u"";
  settings_.maximum_file_size_bytes = u"1000";
  Dialog().OnInitGui();
  Dialog().OnSetupScan();
  using Option = std::pair<std::u16string, std::u16string>;
  EXPECT_EQ(FakeRecord().options, (std::vector<Option>{{u"ServerURL", settings_.server},
                                                       {u"ServerRandomServer", u"1"},
                                                       {u"ThreadCount", u"7"},
                                                       {u"MaxFileSizeBytes", u"1000"}}));
}

TEST_F(ScanControl, RefusedSetupMakesTheNextScanFailAtOnce) {
  struct Case {
    const char* what;
    std::u16string server;
    int32_t initialise_result;
    int32_t set_option_result;
  };
  const Case cases[] = {
      {"empty server", u"", 0, 0},
      {"initialisation refused", u"h/p", 1, 0},
      {"option refused", u"h/p", 0, 2},
  };
  for (const Case& c : cases) {
    ResetFakeConnector();
    FakeScript().initialise_result = c.initialise_result;
    FakeScript().set_option_result = c.set_option_result;
    settings_.server = c.server;
    dialog_.reset();
    Dialog().OnInitGui();
    Dialog().OnBeforeNavigate(u"app:1005@ScanNow:1|");
    EXPECT_EQ(Dialog().StatusText(), u"error") << c.what;
    EXPECT_EQ(Dialog().LastErrorMessage(), u"Failed to initialize") << c.what;
    EXPECT_EQ(FakeRecord().starts, 0) << c.what;
    EXPECT_EQ(Dialog().EndScanControl(), 100) << c.what;
  }
}

TEST_F(ScanControl, LevelsChooseTheStartOperation) {
  struct Case {
    std::u16string argument;
    std::u16string kind;
    bool all_modules;
    std::u16string targets;
  };
  const Case cases[] = {
      {u"1|", u"modules", false, u""},
      {u"2|", u"modules", true, u""},
      {u"3|", u"drives", false, u""},
      {u"0|/home/a|/tmp/b", u"paths", false, u"/home/a|/tmp/b"},
      {u"0|/x%7Cy|/p%25", u"paths", false, u"/x|y|/p%"},
  };
  for (const Case& c : cases) {
    ResetFakeConnector();
    dialog_.reset();
    Dialog().OnInitGui();
    StartScan(c.argument);
    const FakeConnectorRecord r = FakeRecord();
    EXPECT_EQ(r.start_kind, c.kind) << Utf16ToUtf8(c.argument);
    if (c.kind == u"modules") {
      EXPECT_EQ(r.all_modules, c.all_modules) << Utf16ToUtf8(c.argument);
    }
    if (c.kind == u"paths") {
      EXPECT_EQ(r.targets, c.targets) << Utf16ToUtf8(c.argument);
    }
    EXPECT_EQ(Dialog().ScanLevel(), c.argument.substr(0, 1));
    Complete(false, 0, 0);
    EXPECT_EQ(Dialog().StatusText(), u"clean");
  }
}

TEST_F(ScanControl, ScanningIsPublishedBeforeTheStartRuns) {
  std::atomic<bool> sawScanning{false};
  std::atomic<bool> sawRunning{false};
  FakeScript().on_start = [&] {
    sawScanning = Dialog().StatusText() == u"scanning";
    sawRunning = Dialog().ScanRunning();
  };
  Dialog().OnInitGui();
  StartScan(u"1|");
  EXPECT_TRUE(sawScanning);
  EXPECT_TRUE(sawRunning);
}

TEST_F(ScanControl, CompletionDuringTheStartIsNeverShownAsRunning) {
  FakeScript().complete_during_start = true;
  Dialog().OnInitGui();
  StartScan(u"3|");
  ASSERT_TRUE(WaitForStatus(u"clean"));
  // Give the worker every chance to overwrite the final status.
  EXPECT_TRUE(Eventually([&] { return !Dialog().ScanRunning(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(Dialog().StatusText(), u"clean");
  EXPECT_FALSE(Dialog().ScanRunning());
}

TEST_F(ScanControl, FailedStartsEndInErrorWithCode100) {
  struct Case {
    int32_t result;
    std::u16string engines;
    std::u16string message;
  };
  const Case cases[] = {
      {3, u"12", u"server cannot be reached"},
      {4, u"0", u"no available engine for scan"},
      {1, u"0", u"failed to start scanning since no engine is available on the server"},
      {1, u"", u"failed to start scanning [1]"},
      {2, u"12", u"failed to start scanning [2]"},
  };
  for (const Case& c : cases) {
    ResetFakeConnector();
    FakeScript().start_result = c.result;
    FakeScript().engineCount = c.engines;
    dialog_.reset();
    Dialog().OnInitGui();
    StartScan(u"0|/tmp");
    ASSERT_TRUE(WaitForStatus(u"error")) << c.result;
    EXPECT_TRUE(Eventually([&] { return !Dialog().ScanRunning(); }));
    EXPECT_EQ(Dialog().LastErrorMessage(), c.message);
    EXPECT_EQ(Dialog().EndScanControl(), 100) << c.result;
  }
}

TEST_F(ScanControl, ExitCodeFollowsTheCompletion) {
  struct Case {
    bool threats;
    int32_t code;
    std::u16string status;
    int exitCode;
  };
  const Case cases[] = {
      {false, 0, u"clean", 0},
      {true, 0, u"infected", 1},
      {false, 10001, u"error", 100},
      // A threat found outweighs the abandoned scan.
      {true, 10002, u"infected", 1},
      // A code below the failure range still makes the end code 100.
      {false, 5, u"clean", 100},
  };
  for (const Case& c : cases) {
    ResetFakeConnector();
    dialog_.reset();
    Dialog().OnInitGui();
    StartScan(u"1|");
    Complete(c.threats, 4, c.code, u"why");
    EXPECT_EQ(Dialog().StatusText(), c.status);
    EXPECT_EQ(Dialog().LastErrorMessage(), u"why");
    EXPECT_FALSE(Dialog().ScanRunning());
    EXPECT_EQ(Dialog().Summary().filesScanned, 4);
    EXPECT_EQ(Dialog().Summary().engineCount, 12);
    Dialog().ExitApplication(true);
    EXPECT_EQ(Dialog().result(), c.exitCode);
  }
}

TEST_F(ScanControl, RegistryValuesFollowTheScanWhenTheTraySettingIsOn) {
  settings_.show_trayicon = true;
  Dialog().OnInitGui();
  EXPECT_EQ(Registry(u"qn5raRunning"), -1);
  StartScan(u"1|");
  EXPECT_EQ(Registry(u"qn5raRunning"), 1);
  EXPECT_EQ(Registry(u"qn5raThreatsFound"), 2);  // scanning
  const FakeConnectorRecord r = FakeRecord();
  r.module_progress(r.context, 1, 1, 0, u"/bin/x", 0, u"", u"");
  EXPECT_EQ(Registry(u"qn5raThreatsFound"), 3);  // "Looking up known modules..."
  Complete(true, 1, 0);
  EXPECT_EQ(Registry(u"qn5raThreatsFound"), 1);
  Dialog().EndScanControl();
  EXPECT_EQ(Registry(u"qn5raRunning"), 0);
}

TEST_F(ScanControl, CleanScanWritesZero) {
  settings_.show_trayicon = true;
  Dialog().OnInitGui();
  StartScan(u"1|");
  Complete(false, 1, 0);
  EXPECT_EQ(Registry(u"qn5raThreatsFound"), 0);
}

TEST_F(ScanControl, NoRegistryValueWithoutTheTraySetting) {
  Dialog().OnInitGui();
  StartScan(u"1|");
  Complete(true, 1, 0);
  Dialog().EndScanControl();
  EXPECT_FALSE(std::filesystem::exists(root_ / "state" / "registry.ini"));
}

TEST_F(ScanControl, NotificationsAfterStopScanTouchNothing) {
  Dialog().OnInitGui();
  StartScan(u"0|/tmp");
  Dialog().OnBeforeNavigate(u"app:1005@StopScan");
  const FakeConnectorRecord r = FakeRecord();
  r.file_progress(r.context, 10, 1, u"/tmp/late", -1, u"T", u"");
  r.completion(r.context, true, 1, 0, u"late");
  EXPECT_EQ(Dialog().StatusText(), u"scanning");
  EXPECT_EQ(Dialog().Results().ThreatCount(), 0u);
  EXPECT_EQ(Dialog().LastErrorMessage(), u"");
  // The page initialising again does not revive the stopped scan.
  Dialog().OnInitGui();
  r.completion(r.context, true, 1, 0, u"late");
  EXPECT_EQ(Dialog().StatusText(), u"scanning");
}

TEST_F(ScanControl, NotificationsAfterTheDialogIsGoneAreDropped) {
  Dialog().OnInitGui();
  StartScan(u"0|/tmp");
  const FakeConnectorRecord r = FakeRecord();
  dialog_.reset();
  r.file_progress(r.context, 10, 1, u"/tmp/late", -1, u"T", u"");
  r.completion(r.context, false, 1, 0, u"");
  SUCCEED();  // reaching here without touching freed memory is the test (ASan)
}

TEST_F(ScanControl, SecondScanNowDuringAScanIsIgnored) {
  Dialog().OnInitGui();
  StartScan(u"1|");
  Dialog().OnBeforeNavigate(u"app:1005@ScanNow:2|");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(FakeRecord().starts, 1);
  Complete(false, 1, 0);
  StartScan(u"2|");
  EXPECT_EQ(FakeRecord().starts, 2);
}

TEST_F(ScanControl, ReloadedPageKeepsTheConnectorUsable) {
  Dialog().OnInitGui();
  StartScan(u"1|");
  Complete(false, 1, 0);
  Dialog().OnInitGui();  // the page was reloaded
  StartScan(u"1|");
  EXPECT_EQ(FakeRecord().starts, 2);
}

TEST_F(ScanControl, AutoStartRunsTheConfiguredScanOnceAfterInit) {
  struct Case {
    int32_t scanType;
    std::u16string location;
    std::u16string kind;
    std::u16string targets;
    bool all_modules;
  };
  const Case cases[] = {
      {1, u"ALL", u"drives", u"", false},
      {1, u"/srv|/opt", u"paths", u"/srv|/opt", false},
      {0, u"ALL", u"modules", u"", true},
  };
  for (const Case& c : cases) {
    ResetFakeConnector();
    settings_.auto_start = true;
    settings_.scan_type = c.scanType;
    settings_.scan_location = c.location;
    dialog_.reset();
    Dialog().OnInitGui();
    ASSERT_TRUE(WaitForStarts(1));
    const FakeConnectorRecord r = FakeRecord();
    EXPECT_EQ(r.start_kind, c.kind);
    if (c.kind == u"paths") {
      EXPECT_EQ(r.targets, c.targets);
    }
    if (c.kind == u"modules") {
      EXPECT_EQ(r.all_modules, c.all_modules);
    }
    Complete(false, 0, 0);
    Dialog().OnInitGui();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(FakeRecord().starts, 1);
  }
}

TEST_F(ScanControl, LoadedModulesCommandsSetTheOption) {
  Dialog().OnInitGui();
  Dialog().OnBeforeNavigate(u"app:1005@SetScanLoadedModulesOFF");
  EXPECT_FALSE(Dialog().AllModules());
  Dialog().OnBeforeNavigate(u"app:1005@SetScanLoadedModulesON");
  EXPECT_TRUE(Dialog().AllModules());
}

TEST_F(ScanControl, CloseEndsTheDialogEvenWithoutAnActivePage) {
  Dialog().OnClose();  // the page closed before it initialised
  EXPECT_EQ(Dialog().result(), 100);

  dialog_.reset();
  Dialog().OnInitGui();
  StartScan(u"1|");
  Complete(true, 2, 0);
  Dialog().OnBeforeNavigate(u"app:1005@StopScan");
  Dialog().OnClose();
  EXPECT_EQ(Dialog().result(), 1);
}

TEST_F(ScanControl, DoneEndsTheDialogWithoutATray) {
  settings_.show_trayicon = true;  // no notification area here: nothing to hide into
  Dialog().OnInitGui();
  StartScan(u"1|");
  Complete(false, 2, 0);
  Dialog().OnBeforeNavigate(u"app:1005@Done");
  EXPECT_EQ(Dialog().result(), 0);
}

// --- Progress handling ---

TEST_F(ScanControl, FileProgressKeepsTheCurrentFileAndRecordsThreats) {
  Dialog().OnInitGui();
  StartScan(u"0|/tmp");
  const FakeConnectorRecord r = FakeRecord();
  r.file_progress(r.context, 10, 1, u"", 1000, u"", u"");
  EXPECT_EQ(Dialog().CurrentFileText(), u"Initializing...");
  r.file_progress(r.context, 10, 1, u"/tmp/a", 0, u"", u"");
  EXPECT_EQ(Dialog().CurrentFileText(), u"/tmp/a");
  r.file_progress(r.context, 10, 1, u"/tmp/v", -1, u"T1", u"<doc1>");
  r.file_progress(r.context, 10, 1, u"/tmp/v", -1, u"T2", u"<doc2>");
  r.file_progress(r.context, 10, 1, u"/tmp/s", -2, u"S", u"");
  r.file_progress(r.context, 10, 1, u"/tmp/x", -5, u"X", u"");
  r.file_progress(r.context, 10, 1, u"/tmp/f", 10001, u"", u"");
  const ThreatMap threats = Dialog().Results().Threats();
  EXPECT_EQ(threats, (ThreatMap{{u"/tmp/s", u"S"}, {u"/tmp/v", u"T2"}, {u"/tmp/x", u"X"}}));
  EXPECT_EQ(Dialog().Results().Documents().at(u"/tmp/v"), u"<doc2>");
  EXPECT_EQ(Dialog().StatusText(), u"scanning");
}

TEST_F(ScanControl, ModuleProgressStages) {
  Dialog().OnInitGui();
  StartScan(u"2|");
  const FakeConnectorRecord r = FakeRecord();
  r.module_progress(r.context, 1, 5, 0, u"/bin/a", 0, u"", u"");
  EXPECT_EQ(Dialog().StatusText(), u"Looking up known modules...");
  EXPECT_EQ(Dialog().CurrentFileText(), u"/bin/a");
  r.module_progress(r.context, 0, 0, 0, u"", 1000, u"", u"");
  EXPECT_EQ(Dialog().CurrentFileText(), u"");
  EXPECT_EQ(Dialog().StatusText(), u"Looking up known modules...");
  r.module_progress(r.context, 2, 5, 1, u"/lib/b.so", -1, u"T", u"");
  EXPECT_EQ(Dialog().StatusText(), u"Scanning...");
  EXPECT_EQ(Dialog().CurrentFileText(), u"/lib/b.so");
  r.module_progress(r.context, 2, 5, 2, u"/lib/c.so", 10001, u"", u"");
  r.module_progress(r.context, 2, 5, 2, u"", 0, u"", u"");
  EXPECT_EQ(Dialog().CurrentFileText(), u"");
  EXPECT_EQ(Dialog().Results().ThreatCount(), 1u);
}

TEST_F(ScanControl, CompletionFillsTheSummaryAndKeepsTheEngineCountOnFailure) {
  FakeScript().engineCount = u" 7x";
  Dialog().OnInitGui();
  StartScan(u"1|");
  Complete(false, 9, 10001, u"lookup failed");
  const ScanSummary s = Dialog().Summary();
  EXPECT_EQ(s.engineCount, 7);
  EXPECT_EQ(s.errorCode, 10001);
  EXPECT_EQ(s.filesScanned, 9);
  EXPECT_NE(s.finishTime.year, 0);
  EXPECT_EQ(Dialog().StatusText(), u"error");
}

TEST_F(ScanControl, ManyThreadsNotifyAtOnce) {
  Dialog().OnInitGui();
  StartScan(u"0|/tmp");
  const FakeConnectorRecord r = FakeRecord();
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) {
      Dialog().CurrentFileText();
      Dialog().StatusText();
      Dialog().Results().ThreatCount();
    }
  });
  std::vector<std::thread> scanners;
  for (int t = 0; t < 8; ++t) {
    scanners.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        const std::u16string path =
            u"/tmp/" + Utf8ToUtf16(std::to_string(t) + "/" + std::to_string(i));
        r.file_progress(r.context, 1, 1, path, i % 2 == 0 ? -1 : 0, u"T", u"");
      }
    });
  }
  for (auto& s : scanners) s.join();
  r.completion(r.context, true, 1600, 0, u"");
  stop = true;
  reader.join();
  EXPECT_EQ(Dialog().Results().ThreatCount(), 800u);
  EXPECT_EQ(Dialog().SettledFiles(), 1600);
  EXPECT_EQ(Dialog().StatusText(), u"infected");
}

}  // namespace
}  // namespace dravanta

namespace dravanta {
namespace {

// The answer the tray's exit question gets in the test below.
bool& ExitAnswer() {
  static bool answer = false;
  return answer;
}

std::vector<std::u16string>& ExitQuestions() {
  static std::vector<std::u16string> asked;
  return asked;
}

bool AnswerExitQuestion(std::u16string_view caption, std::u16string_view text) {
  ExitQuestions().push_back(std::u16string(caption) + u": " + std::u16string(text));
  return ExitAnswer();
}

TEST_F(ScanControl, UnconfirmedExitDuringAFileScanKeepsTheDialog) {
  struct Case {
    const char* what;
    std::u16string argument;
    bool exitOnClean;
    bool (*ask)(std::u16string_view, std::u16string_view);
    bool answer;
    bool asked;
    bool ends;
  };
  const Case cases[] = {
      {"file scan running, nobody to ask", u"0|/tmp", false, nullptr, false, false, false},
      {"file scan running, answered no", u"0|/tmp", false, AnswerExitQuestion, false, true, false},
      {"file scan running, answered yes", u"0|/tmp", false, AnswerExitQuestion, true, true, true},
      {"exit_on_clean and no threats yet", u"0|/tmp", true, AnswerExitQuestion, false, false, true},
      {"module scan running", u"1|", false, AnswerExitQuestion, false, false, true},
  };
  for (const Case& c : cases) {
    ResetFakeConnector();
    settings_.exit_on_clean = c.exitOnClean;
    ExitAnswer() = c.answer;
    ExitQuestions().clear();
    dialog_.reset();
    DialogServices services = Services();
    services.ask_yes_no = c.ask;
    dialog_ = std::make_unique<CQn5raClntDlg>(services);
    dialog_->SetSettings(settings_);
    Dialog().OnInitGui();
    StartScan(c.argument);
    Dialog().OnMenuCommand(kMenuExit);  // the tray menu cannot ask the page
    EXPECT_EQ(Dialog().result().has_value(), c.ends) << c.what;
    const std::vector<std::u16string> question = {
        u"Are you sure?: Are you sure you want to cancel your scan? Please note it may take up "
        u"to 30 seconds to gracefully terminate."};
    EXPECT_EQ(ExitQuestions(), c.asked ? question : std::vector<std::u16string>{}) << c.what;
    // A close from the page has been confirmed there.
    Dialog().OnClose();
    EXPECT_TRUE(Dialog().result().has_value()) << c.what;
  }
}

}  // namespace
}  // namespace dravanta
