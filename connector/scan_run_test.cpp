// Stopping a scan in each of its phases: the one completion says so at
// once, the stop returns only when every thread of the scan has ended, and
// the connector takes the next start.
#include "internal/scan_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "connector/testing/fake_server_client.h"
#include "connector/testing/scan_recorder.h"
#include "internal/scan_connector_internal.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

constexpr int kFiles = 40;

// Holds every thread that arrives until it is opened (bounded).
class Hold {
 public:
  void Arrive() {
    std::unique_lock lock(lock_);
    ++arrivals_;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
  }
  bool WaitForArrival() {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return arrivals_ > 0; });
  }
  void Open() {
    std::lock_guard lock(lock_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  int arrivals_ = 0;
  bool open_ = false;
};

Hold* g_hold = nullptr;

enum class Phase { kCollecting, kLookingUp, kUploading };

// Collecting: every file is above the size limit, so each is reported from
// the walker's worker while it lists; the first report is held.
void HeldFileProgress(void* recorder, uint64_t total_bytes, uint64_t size, std::u16string_view path,
                      ScanOutcome code, std::u16string_view threat_name,
                      std::u16string_view details) {
  ScanRecorder::OnFileProgress(recorder, total_bytes, size, path, code, threat_name, details);
  g_hold->Arrive();
}

FakeTransportScript ScriptFor(Phase phase) {
  FakeTransportScript script;
  const int lookup_result = phase == Phase::kUploading ? 5 : 0;  // 5: unknown
  script.scan_multiple = [phase, lookup_result](const std::vector<std::u16string>& paths,
                                                std::u16string* answer) {
    if (phase == Phase::kLookingUp) g_hold->Arrive();
    *answer = LookupAnswer(std::vector<int>(paths.size(), lookup_result));
    return TransportOk;
  };
  script.scan_object = [](const std::u16string&, std::u16string* answer) {
    g_hold->Arrive();
    *answer = u"<final_scan_result>0</final_scan_result>";
    return TransportOk;
  };
  return script;
}

TEST(ScanRunTest, AScanStoppedInAnyPhaseCompletesOnceAndEndsEveryThread) {
  struct Case {
    const char* what;
    Phase phase;
    const char16_t* max_file_size;
  };
  const Case cases[] = {
      {"collecting", Phase::kCollecting, u"0"},
      {"looking up", Phase::kLookingUp, u"1000000"},
      {"uploading", Phase::kUploading, u"1000000"},
  };
  ScratchTree tree;
  for (int i = 0; i < kFiles; ++i) tree.AddFile("f" + std::to_string(i), uint64_t(i) + 1);
  const std::u16string root = Utf8ToUtf16(tree.root());

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Hold hold;
    g_hold = &hold;
    ResetFakeTransport(ScriptFor(c.phase));
    ScanRecorder recorder;
    {
      ScanConnector connector;
      InitializeConnector(connector, u"", FakeServerClient());
      SetConnectorOption(connector, u"ThreadCount", u"1");
      SetConnectorOption(connector, u"BatchSize", u"100");
      SetConnectorOption(connector, u"MaxFileSizeBytes", c.max_file_size);
      ASSERT_EQ(
          ScanPaths(connector, root, &HeldFileProgress, &ScanRecorder::OnCompletion, &recorder),
          kScanStarted);
      ASSERT_TRUE(hold.WaitForArrival());

      std::atomic<bool> stopped{false};
      std::thread stopper([&] {
        StopConnectorScan(connector);
        stopped = true;
      });
      // The completion comes at once, while a thread of the scan is held.
      ASSERT_TRUE(recorder.WaitForCompletion());
      EXPECT_FALSE(stopped);  // the stop waits for the held thread
      hold.Open();
      stopper.join();

      const std::vector<RecordedCompletion> completions = recorder.Completions();
      ASSERT_EQ(completions.size(), 1u);
      EXPECT_EQ(completions[0].code, kOutcomeFailed);
      EXPECT_EQ(completions[0].message, u"Scan stopped");
      EXPECT_EQ(completions[0].files_scanned, 0);
      EXPECT_FALSE(connector.busy);
      EXPECT_EQ(FakeRecord().unreleased_answers, 0);
      EXPECT_EQ(FakeRecord().running_uploads, 0);
      if (c.phase == Phase::kUploading) {
        // Files still waiting for an upload were dropped.
        std::lock_guard lock(FakeRecord().lock);
        EXPECT_LE(FakeRecord().uploads.size(), size_t{kMaxParallelUploads});
      }

      // The connector takes the next start, which runs to its end.
      ResetFakeTransport();
      ScanRecorder next;
      ASSERT_EQ(ScanPaths(connector, root, &ScanRecorder::OnFileProgress,
                          &ScanRecorder::OnCompletion, &next),
                kScanStarted);
      ASSERT_TRUE(next.WaitForCompletion());
      EXPECT_EQ(next.Completions()[0].code, 0);
    }
    // The connector is gone; nothing of either scan may report any more.
    EXPECT_EQ(recorder.Completions().size(), 1u);
  }
}

}  // namespace
}  // namespace dravanta
