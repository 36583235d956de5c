// A whole path scan over files that fight back (tests/support/hostile_tree.h),
// with the real transport against the fake scanning server on loopback:
// every case settles as its rules say, each file at most once, nothing from
// outside the target is read or sent, and the scan completes exactly once.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "internal/scan_connector_internal.h"
#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/file_access_user.h"
#include "tests/support/hostile_tree.h"
#include "transport/client_properties.h"
#include "transport/file_signature.h"

namespace dravanta {
namespace {

constexpr char kEmptySignature[] = "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709";

struct Report {
  int times = 0;
  ScanOutcome code = 0;
};

struct Scan {
  HostileChanger* changer = nullptr;
  std::mutex lock;
  std::condition_variable completed;
  std::map<std::string, Report> reports;  // raw path -> what was reported
  int completions = 0;
  bool threats_found = false;
  ScanOutcome completion_code = 0;
};

void OnProgress(void* context, uint64_t, uint64_t, std::u16string_view path, ScanOutcome code,
                std::u16string_view, std::u16string_view) {
  auto* scan = static_cast<Scan*>(context);
  const std::string raw = Utf16ToUtf8(path);
  // The trigger's size report comes from the walk itself, between the
  // listing of the first level and of the third.
  if (code == kOutcomeFileTooLarge && raw.ends_with(kHostileTrigger)) scan->changer->ChangeOnce();
  std::lock_guard hold(scan->lock);
  Report& report = scan->reports[raw];
  ++report.times;
  report.code = code;
}

void OnCompletion(void* context, bool threats_found, int32_t, ScanOutcome code,
                  std::u16string_view) {
  auto* scan = static_cast<Scan*>(context);
  std::lock_guard hold(scan->lock);
  ++scan->completions;
  scan->threats_found = threats_found;
  scan->completion_code = code;
  scan->completed.notify_all();
}

ScanOutcome ExpectedCode(Settlement settlement, const std::string& path) {
  switch (settlement) {
    case Settlement::kScanned:
      return 0;  // clean, from the lookup or the upload
    case Settlement::kFailed:
      // The upload could not read the file: gone, or there but unreadable.
      return path.ends_with("/vanishes") ? kOutcomeVanished : kOutcomeUnreadable;
    case Settlement::kTooLarge:
      return kOutcomeFileTooLarge;
    case Settlement::kSkipped:
      break;
  }
  return -12345;  // never reported
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(HostileFilesScanTest, EveryCaseSettlesAsItsRulesSayAndTheScanCompletesOnce) {
  ResetServerClient();
  ClearProperties();
  FakeScanServer server;
  ASSERT_TRUE(server.Start());
  server.SetEngines(2);
  server.SetKnownSignature(kEmptySignature, 0, "");  // the wide folder settles by lookup

  ScratchTree tree;
  const std::vector<HostileCase> cases = BuildHostileTree(tree);
  HostileChanger changer(tree);
  Scan scan;
  scan.changer = &changer;
  bool permissions_apply = false;
  {
    ScanConnector connector;
    InitializeConnector(connector, u"test-key", GetServerClient());
    ASSERT_EQ(SetConnectorOption(connector, u"ServerURL", Utf8ToUtf16(server.Url()).c_str()), 0);
    SetConnectorOption(connector, u"UseUserProxy", u"0");
    // One worker, every file in one batch handed over when the walk is
    // done: all hashing comes after the changes.
    SetConnectorOption(connector, u"ThreadCount", u"1");
    SetConnectorOption(connector, u"BatchSize", u"-1");
    SetConnectorOption(connector, u"MaxFileSizeBytes",
                       Utf8ToUtf16(std::to_string(kHostileSizeLimit)).c_str());
    // The scan's threads start inside the scope and keep its identity.
    ScopedFileAccessAsUser access;
    permissions_apply = access.permissions_apply();
    if (!permissions_apply) {
      std::printf(
          "note: file permissions cannot be made to apply here; the mode 000 cases are "
          "expected to be read like any other file\n");
    }
    ASSERT_EQ(
        ScanPaths(connector, Utf8ToUtf16(HostileRoot(tree)), &OnProgress, &OnCompletion, &scan),
        kScanStarted);
    std::unique_lock hold(scan.lock);
    ASSERT_TRUE(scan.completed.wait_for(hold, std::chrono::seconds(240),
                                        [&] { return scan.completions > 0; }));
  }  // the connector waits for its threads: a late second completion would count

  ASSERT_TRUE(changer.changed());
  EXPECT_EQ(scan.completions, 1);
  EXPECT_EQ(scan.completion_code, 0);
  EXPECT_FALSE(scan.threats_found);

  std::multiset<std::string> expected_uploads;
  size_t expected_reports = 0;
  size_t expected_failed = 0;
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::map<std::string, int> observed;  // settlement name -> files
    for (const HostileFile& file : c.files) {
      Settlement settlement = file.settlement;
      if (c.needs_permissions && !permissions_apply) settlement = Settlement::kScanned;
      const auto found = scan.reports.find(file.path);
      if (settlement == Settlement::kSkipped) {
        EXPECT_EQ(found, scan.reports.end()) << file.path.substr(0, 200);
      } else {
        ++expected_reports;
        if (settlement == Settlement::kFailed) ++expected_failed;
        if (settlement == Settlement::kScanned && !file.content.empty()) {
          expected_uploads.insert(file.content);
        }
        ASSERT_NE(found, scan.reports.end()) << file.path.substr(0, 200);
        EXPECT_EQ(found->second.times, 1);
        EXPECT_EQ(found->second.code, ExpectedCode(settlement, file.path))
            << file.path.substr(0, 200);
      }
      const char* seen = found == scan.reports.end()                  ? "not reported"
                         : found->second.code == 0                    ? "scanned (clean)"
                         : found->second.code == kOutcomeFileTooLarge ? "skipped for size (10008)"
                         : found->second.code == kOutcomeVanished     ? "vanished (10006)"
                                                                      : "unreadable (10005)";
      ++observed[seen];
    }
    std::string line;
    for (const auto& [what, count] : observed) {
      line += (line.empty() ? "" : ", ") + std::to_string(count) + " " + what;
    }
    std::printf("scan | %s | %s\n", c.name.c_str(), line.c_str());
  }
  EXPECT_EQ(scan.reports.size(), expected_reports);

  // What went to the server: one lookup carrying the stand-in signature for
  // each unreadable file, and uploads of exactly the readable unknown files,
  // with the contents they had at hashing time.
  std::multiset<std::string> uploads;
  size_t lookups = 0;
  for (const RecordedRequest& request : server.Requests()) {
    EXPECT_EQ(request.body.find("secret"), std::string::npos);
    if (request.query_method == "scan") uploads.insert(request.body);
    if (request.query_method != "scanmultiple") continue;
    ++lookups;
    EXPECT_EQ(Count(request.body, std::string(AllZeroSignature)), expected_failed);
    EXPECT_EQ(Count(request.body, kEmptySignature), static_cast<size_t>(kWideFolderEntries));
  }
  EXPECT_EQ(lookups, 1u);
  EXPECT_EQ(uploads, expected_uploads);
  ResetServerClient();
}

}  // namespace
}  // namespace dravanta
