// Whole scans against a fake server that fails, goes away or lags behind,
// as a table: every scan completes exactly once, with the counts and the
// outcome its rules give, and no file is reported twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "connector/testing/fake_server_fixture.h"
#include "connector/testing/scan_recorder.h"
#include "internal/scan_connector_internal.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "transport/client_properties.h"
#include "transport/file_signature.h"
#include "transport/testing/exchange_errors.h"

namespace dravanta {
namespace {

constexpr int kFiles = 30;
constexpr int kKnownFiles = 5;  // f00..f04: settled by the lookup
constexpr char kThreatFile[] = "f05";

std::string FileName(int index) { return (index < 10 ? "f0" : "f") + std::to_string(index); }

// One object per signature of the lookup body, each of its known result (5
// for the others), as the built-in answer gives.
std::string LookupFor(const RecordedRequest& request,
                      const std::map<std::string, int>& known_results) {
  std::vector<std::pair<std::string, Verdict>> objects;
  for (size_t at = 0; at + 40 <= request.body.size(); at += 41) {
    std::string signature = request.body.substr(at, 40);
    auto known = known_results.find(signature);
    objects.push_back({signature, {known == known_results.end() ? 5 : known->second, ""}});
  }
  return FakeScanServer::LookupAnswer(objects);
}

// What the exchange says of an answer whose connection closes inside it,
// with the number of the build's HTTP layer.
std::u16string DroppedAnswerMessage() {
  const unsigned error = HttpLayerErrorNumbers().dropped_answer;
  return u"error " + Utf8ToUtf16(std::to_string(error)) + u" in WinHttpReadData.";
}

struct ExpectedReport {
  ScanOutcome code;
  std::u16string threat_name;
};

// What one case sets up and what its scan must end with.
struct Scenario {
  // Reports each file must get (by file name); empty: the set of reports
  // is not fixed, only that no file is reported twice.
  std::map<std::string, ExpectedReport> reports;
  bool threats_found = false;
  int32_t files_scanned = kFiles;
  ScanOutcome completion_code = 0;
  std::u16string completion_message;
};

struct ScanFaultCase {
  const char* name;
  // Scripts the server; signatures are those of f00..f29 in order.
  std::function<Scenario(FakeScanServer&, const std::vector<std::string>& signatures)> script;
};

// The reports of a scan in which every upload goes through.
Scenario AllSettled() {
  Scenario scenario;
  for (int i = 0; i < kFiles; ++i) scenario.reports[FileName(i)] = {0, u""};
  scenario.reports[kThreatFile] = {-2, u"Test.Suspicious"};
  scenario.threats_found = true;
  return scenario;
}

std::map<std::string, int> KnownResults(const std::vector<std::string>& signatures) {
  std::map<std::string, int> known;
  for (int i = 0; i < kKnownFiles; ++i) known[signatures[i]] = 0;
  return known;
}

std::string UploadedName(const RecordedRequest& request) {
  auto found = request.params.find("filename");
  return found == request.params.end() ? std::string() : found->second;
}

std::vector<ScanFaultCase> Cases() {
  return {
      {"half_of_the_uploads_fail_at_random",
       [](FakeScanServer& server, const std::vector<std::string>& signatures) {
         Scenario scenario = AllSettled();
         std::vector<std::string> uploaded;
         for (int i = kKnownFiles; i < kFiles; ++i) uploaded.push_back(FileName(i));
         std::mt19937 random(20261211);
         std::shuffle(uploaded.begin(), uploaded.end(), random);
         uploaded.resize(uploaded.size() / 2);
         // The ways an upload fails, in turn, with the report each gives.
         struct Failure {
           ScriptedAnswer answer;
           ExpectedReport report;
         };
         const Failure failures[] = {
             {{.status = 500, .body = "overloaded"}, {1000, u"HTTP/1.1 500 Internal Server Error"}},
             {{.body = std::string(5000, 'v'), .drop_connection = true, .drop_after_bytes = 100},
              {1000, DroppedAnswerMessage()}},
             {{.body = "<error>engine busy</error>"}, {1000, u"engine busy"}},
             {{.body = "<error>connect 10061 refused</error>"}, {10002, u"connect 10061 refused"}},
             // A good status without a verdict: no verdict, nothing counted.
             {{.body = ""}, {1000, u""}},
         };
         auto failing = std::make_shared<std::map<std::string, ScriptedAnswer>>();
         for (size_t i = 0; i < uploaded.size(); ++i) {
           const Failure& failure = failures[i % std::size(failures)];
           (*failing)[uploaded[i]] = failure.answer;
           scenario.reports[uploaded[i]] = failure.report;
         }
         scenario.threats_found = failing->count(kThreatFile) == 0;
         server.SetHandler("scan", [failing](const RecordedRequest& request) {
           std::string name = UploadedName(request);
           auto found = failing->find(name);
           if (found != failing->end()) return found->second;
           Verdict verdict = name == kThreatFile ? Verdict{2, "Test.Suspicious"} : Verdict{};
           return ScriptedAnswer{.body = FakeScanServer::UploadAnswer(name, verdict)};
         });
         auto known = KnownResults(signatures);
         server.SetHandler("scanmultiple", [known](const RecordedRequest& request) {
           return ScriptedAnswer{.body = LookupFor(request, known)};
         });
         return scenario;
       }},
      {"the_server_goes_away_in_the_middle_of_a_lookup",
       [](FakeScanServer& server, const std::vector<std::string>& signatures) {
         Scenario scenario;
         scenario.files_scanned = 0;
         scenario.completion_code = 10001;
         scenario.completion_message = DroppedAnswerMessage();
         auto lookups = std::make_shared<std::atomic<int>>(0);
         auto known = KnownResults(signatures);
         // The second lookup's answer breaks off; the first batch's uploads
         // are still running then and report afterwards.
         server.SetHandler("scanmultiple", [lookups, known](const RecordedRequest& request) {
           ScriptedAnswer answer{.body = LookupFor(request, known)};
           if (++*lookups == 2) {
             answer.drop_connection = true;
             answer.drop_after_bytes = answer.body.size() / 2;
           }
           return answer;
         });
         server.SetHandler("scan", [](const RecordedRequest& request) {
           return ScriptedAnswer{.body = FakeScanServer::UploadAnswer(UploadedName(request), {}),
                                 .delay_milliseconds = 200};
         });
         return scenario;
       }},
      {"a_lookup_answered_with_nothing",
       [](FakeScanServer& server, const std::vector<std::string>&) {
         Scenario scenario;
         scenario.files_scanned = 0;
         scenario.completion_code = 10001;
         scenario.completion_message =
             u"The server answered a lookup of 5 files without any result";
         server.SetAnswer("scanmultiple", {.body = ""});
         return scenario;
       }},
      {"the_server_answers_slower_than_the_client_sends",
       [](FakeScanServer& server, const std::vector<std::string>& signatures) {
         Scenario scenario = AllSettled();
         auto random = std::make_shared<std::mt19937>(7);
         auto random_lock = std::make_shared<std::mutex>();
         auto delay = [random, random_lock] {
           std::lock_guard guard(*random_lock);
           return std::chrono::milliseconds(20 + (*random)() % 100);
         };
         auto known = KnownResults(signatures);
         server.SetHandler("scanmultiple", [known, delay](const RecordedRequest& request) {
           std::this_thread::sleep_for(delay());
           return ScriptedAnswer{.body = LookupFor(request, known)};
         });
         server.SetHandler("scan", [delay](const RecordedRequest& request) {
           std::this_thread::sleep_for(delay());
           std::string name = UploadedName(request);
           Verdict verdict = name == kThreatFile ? Verdict{2, "Test.Suspicious"} : Verdict{};
           return ScriptedAnswer{.body = FakeScanServer::UploadAnswer(name, verdict)};
         });
         return scenario;
       }},
  };
}

using ScanPeerFaultTest = FakeServerFixture<testing::TestWithParam<ScanFaultCase>>;

TEST_P(ScanPeerFaultTest, CompletesOnceWithTheSettledCounts) {
  std::vector<std::string> signatures;
  for (int i = 0; i < kFiles; ++i) {
    std::string path = tree_.PathOf(FileName(i));
    std::ofstream(path, std::ios::binary) << "content of " << FileName(i);
    signatures.push_back(*FileSignatureOfPath(path));
  }
  Scenario expected = GetParam().script(server_, signatures);

  ScanRecorder recorder;
  {
    ScanConnector connector;
    InitializeConnector(connector, u"test-key", GetServerClient());
    ASSERT_EQ(SetConnectorOption(connector, u"ServerURL", Utf8ToUtf16(server_.Url()).c_str()), 0);
    ASSERT_EQ(SetConnectorOption(connector, u"UseUserProxy", u"0"), 0);
    ASSERT_EQ(SetConnectorOption(connector, u"BatchSize", u"5"), 0);
    ASSERT_EQ(SetConnectorOption(connector, u"ThreadCount", u"2"), 0);
    ASSERT_EQ(ScanPaths(connector, Utf8ToUtf16(tree_.root()), &ScanRecorder::OnFileProgress,
                        &ScanRecorder::OnCompletion, &recorder),
              0);
    ASSERT_TRUE(recorder.WaitForCompletion());
    // Leaving the scope waits for every thread of the connector: uploads
    // still running after an abandon report before it is gone.
  }

  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].code, expected.completion_code);
  EXPECT_EQ(completions[0].message, expected.completion_message);
  EXPECT_EQ(completions[0].files_scanned, expected.files_scanned);
  if (!expected.reports.empty()) {
    EXPECT_EQ(completions[0].threats_found, expected.threats_found);
  }

  std::map<std::string, int> times_reported;
  for (const RecordedProgress& report : recorder.Progress()) {
    std::string name = Utf16ToUtf8(FileNameOfPath(report.path));
    ++times_reported[name];
    if (expected.reports.empty()) continue;
    auto wanted = expected.reports.find(name);
    ASSERT_NE(wanted, expected.reports.end()) << name;
    EXPECT_EQ(report.code, wanted->second.code) << name;
    EXPECT_EQ(report.threat_name, wanted->second.threat_name) << name;
  }
  for (const auto& [name, times] : times_reported) {
    EXPECT_EQ(times, 1) << name << " reported more than once";
  }
  if (!expected.reports.empty()) {
    EXPECT_EQ(times_reported.size(), expected.reports.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanPeerFaultTest, ::testing::ValuesIn(Cases()),
                         [](const auto& name) { return std::string(name.param.name); });

}  // namespace
}  // namespace dravanta
