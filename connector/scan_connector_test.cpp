// The start gate, the option store and the transport preparation of the
// connector, against a scripted transport table.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "connector/error_message_hook.h"
#include "connector/testing/fake_server_client.h"
#include "connector/testing/scan_recorder.h"
#include "internal/scan_connector_internal.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

std::mutex g_hook_lock;
std::vector<std::u16string> g_hook_messages;

void RecordHook(std::u16string_view message) {
  std::lock_guard lock(g_hook_lock);
  g_hook_messages.emplace_back(message);
}

std::vector<std::u16string> HookMessages() {
  std::lock_guard lock(g_hook_lock);
  return g_hook_messages;
}

// Holds lookups until opened, so that a scan stays in progress.
class Latch {
 public:
  void Open() {
    {
      std::lock_guard lock(lock_);
      open_ = true;
    }
    opened_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(lock_);
    opened_.wait_for(lock, std::chrono::seconds(30), [&] { return open_; });
  }

 private:
  std::mutex lock_;
  std::condition_variable opened_;
  bool open_ = false;
};

class ScanConnectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFakeTransport();
    ClearProperties();
    {
      std::lock_guard lock(g_hook_lock);
      g_hook_messages.clear();
    }
    previous_hook_ = ErrorMessageHook.exchange(&RecordHook);
    tree_.AddFile("a.bin", 3);
  }
  void TearDown() override { ErrorMessageHook = previous_hook_; }

  std::u16string Folder() const { return Utf8ToUtf16(tree_.root()); }

  int32_t StartPaths(ScanConnector& connector, ScanRecorder& recorder, std::u16string targets) {
    return ScanPaths(connector, targets, &ScanRecorder::OnFileProgress, &ScanRecorder::OnCompletion,
                     &recorder);
  }
  int32_t StartModules(ScanConnector& connector, ScanRecorder& recorder) {
    return ScanLoadedModules(connector, false, &ScanRecorder::OnModuleProgress,
                             &ScanRecorder::OnCompletion, &recorder);
  }

  ScratchTree tree_;
  ErrorMessageFunction previous_hook_ = nullptr;
};

TEST_F(ScanConnectorTest, NothingWorksBeforeInitialisation) {
  ScanRecorder recorder;
  ScanConnector connector;
  EXPECT_FALSE(IsConnectorInitialized(connector));
  EXPECT_EQ(SetConnectorOption(connector, u"BatchSize", u"3"), 1);
  EXPECT_EQ(StartModules(connector, recorder), 1);
  EXPECT_TRUE(HookMessages().empty());  // module starts tell the hook nothing
  EXPECT_EQ(StartPaths(connector, recorder, Folder()), 1);
  EXPECT_EQ(ScanAllDrives(connector, &ScanRecorder::OnFileProgress, &ScanRecorder::OnCompletion,
                          &recorder),
            1);
  EXPECT_EQ(HookMessages(),
            (std::vector<std::u16string>{u"Library uninitialized", u"Library uninitialized"}));
  EXPECT_EQ(FakeRecord().initialise_calls, 0);
  EXPECT_TRUE(recorder.Progress().empty());
  EXPECT_TRUE(recorder.Completions().empty());
}

TEST_F(ScanConnectorTest, InitialisationStoresTheDefaultsAndTheKey) {
  ScanConnector connector;
  connector.options.batch_size = 9;
  EXPECT_EQ(InitializeConnector(connector, u"secret", FakeServerClient()), 0);
  EXPECT_TRUE(IsConnectorInitialized(connector));
  EXPECT_EQ(connector.options.batch_size, 100);
  EXPECT_EQ(connector.api_key, u"secret");
  EXPECT_EQ(SetConnectorOption(connector, u"BatchSize", u"3"), 0);
  EXPECT_EQ(SetConnectorOption(connector, u"Unknown", u"3"), 2);
  EXPECT_EQ(SetConnectorOption(connector, u"BatchSize", nullptr), 2);
  EXPECT_EQ(connector.options.batch_size, 3);
}

TEST_F(ScanConnectorTest, FailedPreparationsLeaveTheConnectorIdleAndUnprepared) {
  struct Case {
    FakeTransportScript script;
    int32_t result;
  } cases[] = {
      {{.refused_option = u"proxy_useie"}, 1},
      {{.initialise_code = TransportFailed}, 1},
      {{.engine_info_code = TransportFailed, .engine_info_answer = u"<error>down</error>"}, 3},
      {{.engine_info_answer = u"<method_response><engines/></method_response>"}, 4},
  };
  for (auto& c : cases) {
    ResetFakeTransport(c.script);
    {
      std::lock_guard lock(g_hook_lock);
      g_hook_messages.clear();
    }
    ScanRecorder recorder;
    ScanConnector connector;
    InitializeConnector(connector, u"", FakeServerClient());
    EXPECT_EQ(StartPaths(connector, recorder, Folder()), c.result);
    EXPECT_EQ(HookMessages(), std::vector<std::u16string>{u"Error initializing connector"});
    EXPECT_FALSE(connector.busy);
    EXPECT_FALSE(connector.transport_prepared);
    EXPECT_EQ(StartModules(connector, recorder), c.result);
    EXPECT_EQ(HookMessages().size(), 1u);  // module starts are silent

    // The next start runs the whole preparation again.
    ResetFakeTransport();
    EXPECT_EQ(StartPaths(connector, recorder, Folder()), 0);
    EXPECT_EQ(FakeRecord().engine_info_calls, 1);
    ASSERT_TRUE(recorder.WaitForCompletion());
    EXPECT_EQ(recorder.Completions().size(), 1u);
  }
}

TEST_F(ScanConnectorTest, TheTransportIsPreparedOnceButCollectionOptionsApplyEachTime) {
  ScanRecorder first;
  ScanRecorder second;
  ScanConnector connector;
  InitializeConnector(connector, u"key", FakeServerClient());
  tree_.AddFile("b.bin", 3);
  tree_.AddFile("c.bin", 3);
  SetConnectorOption(connector, u"ServerURL", u"http://127.0.0.1:1/a");
  SetConnectorOption(connector, u"ThreadCount", u"1");
  ASSERT_EQ(StartPaths(connector, first, Folder()), 0);
  ASSERT_TRUE(first.WaitForCompletion());
  const size_t options_passed = FakeRecord().options.size();
  EXPECT_EQ(FakeRecord().lookups.size(), 1u);  // one batch of 3 files

  SetConnectorOption(connector, u"ServerURL", u"http://127.0.0.1:2/b");
  SetConnectorOption(connector, u"BatchSize", u"1");
  ASSERT_EQ(StartPaths(connector, second, Folder()), 0);
  ASSERT_TRUE(second.WaitForCompletion());
  EXPECT_EQ(FakeRecord().options.size(), options_passed);
  EXPECT_EQ(FakeRecord().initialise_calls, 1);
  EXPECT_EQ(FakeRecord().engine_info_calls, 1);
  EXPECT_EQ(FakeRecord().lookups.size(), 4u);  // then one lookup per file
  std::u16string engines;
  ASSERT_TRUE(GetProperty(EngineCountProperty, &engines));
  EXPECT_EQ(engines, u"2");
}

TEST_F(ScanConnectorTest, ASecondStartDuringAScanIsRefusedAndLeavesItAlone) {
  static Latch* latch;
  Latch hold;
  latch = &hold;
  FakeTransportScript script;
  script.scan_multiple = [](const std::vector<std::u16string>& paths, std::u16string* answer) {
    latch->Wait();
    *answer = LookupAnswer(std::vector<int>(paths.size(), 0));
    return TransportOk;
  };
  ResetFakeTransport(script);
  ScanRecorder recorder;
  ScanRecorder refused;
  ScanRecorder next;
  ScanConnector connector;
  InitializeConnector(connector, u"", FakeServerClient());
  ASSERT_EQ(StartPaths(connector, recorder, Folder()), 0);
  EXPECT_EQ(StartPaths(connector, refused, Folder()), 1);
  EXPECT_EQ(StartModules(connector, refused), 1);
  EXPECT_EQ(ScanAllDrives(connector, &ScanRecorder::OnFileProgress, &ScanRecorder::OnCompletion,
                          &refused),
            1);
  EXPECT_EQ(HookMessages(), (std::vector<std::u16string>{
                                u"Attempted to start scan, but another scan already in progress",
                                u"Attempted to start scan, but another scan already in progress"}));
  hold.Open();
  ASSERT_TRUE(recorder.WaitForCompletion());
  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].code, 0);
  EXPECT_EQ(completions[0].files_scanned, 1);
  EXPECT_EQ(recorder.Progress().size(), 1u);
  EXPECT_TRUE(refused.Progress().empty());
  EXPECT_TRUE(refused.Completions().empty());

  // Once the completion is delivered, a start works again.
  ASSERT_EQ(StartPaths(connector, next, Folder()), 0);
  EXPECT_TRUE(next.WaitForCompletion());
}

TEST_F(ScanConnectorTest, APathStartThatCannotCollectFreesTheConnector) {
  ScanRecorder recorder;
  ScanConnector connector;
  InitializeConnector(connector, u"", FakeServerClient());
  const std::u16string missing = Folder() + kPathSeparator + u"missing";
  EXPECT_EQ(StartPaths(connector, recorder, missing + u"|x|"), 2);
  EXPECT_FALSE(connector.busy);
  EXPECT_TRUE(recorder.Completions().empty());
  EXPECT_TRUE(recorder.Progress().empty());
  ASSERT_EQ(StartPaths(connector, recorder, Folder()), 0);
  ASSERT_TRUE(recorder.WaitForCompletion());
  EXPECT_EQ(recorder.Completions().size(), 1u);
}

TEST_F(ScanConnectorTest, AStartFromTheCompletionPassesTheGate) {
  struct Chain {
    ScanConnector* connector;
    ScanRecorder* next;
    std::atomic<int32_t> result{-1};
  };
  ScanRecorder first;
  ScanRecorder second;
  ScanConnector connector;
  InitializeConnector(connector, u"", FakeServerClient());
  Chain chain{&connector, &second};
  first.user = &chain;
  first.on_completion = [](ScanRecorder* recorder) {
    auto* link = static_cast<Chain*>(recorder->user);
    link->result = ScanLoadedModules(*link->connector, false, &ScanRecorder::OnModuleProgress,
                                     &ScanRecorder::OnCompletion, link->next);
  };
  ASSERT_EQ(StartModules(connector, first), 0);
  ASSERT_TRUE(first.WaitForCompletion());
  ASSERT_TRUE(second.WaitForCompletion());
  // The first completion's handler may still be returning from its start.
  for (int i = 0; i < 3000 && chain.result == -1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(chain.result, 0);
  EXPECT_EQ(second.Completions().size(), 1u);
}

}  // namespace
}  // namespace dravanta
