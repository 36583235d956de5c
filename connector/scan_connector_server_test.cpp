// The connector with the real transport against a fake scanning server on
// loopback: preparation, lookups, uploads and failures over HTTP.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "connector/testing/fake_server_fixture.h"
#include "connector/testing/scan_recorder.h"
#include "internal/scan_connector_internal.h"
#include "platform/executable_path.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "transport/client_properties.h"
#include "transport/file_signature.h"

namespace dravanta {
namespace {

std::u16string Utf16(std::string_view text) { return Utf8ToUtf16(text); }

class ScanConnectorServerTest : public FakeServerFixture<> {
 protected:
  // A file with its own content, so that its signature is its own.
  std::string AddFile(const std::string& relative, const std::string& content) {
    const std::string path = tree_.PathOf(relative);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  void Initialise(ScanConnector& connector, const std::string& url) {
    InitializeConnector(connector, u"test-key", GetServerClient());
    ASSERT_EQ(SetConnectorOption(connector, u"ServerURL", Utf16(url).c_str()), 0);
    ASSERT_EQ(SetConnectorOption(connector, u"UseUserProxy", u"0"), 0);
  }

  int32_t StartPaths(ScanConnector& connector, ScanRecorder& recorder,
                     const std::u16string& targets) {
    return ScanPaths(connector, targets, &ScanRecorder::OnFileProgress, &ScanRecorder::OnCompletion,
                     &recorder);
  }

  std::vector<RecordedRequest> RequestsFor(const std::string& method) const {
    std::vector<RecordedRequest> found;
    for (RecordedRequest& request : server_.Requests()) {
      if (request.query_method == method) found.push_back(std::move(request));
    }
    return found;
  }

  // The one completion of a scan the server failed: the transport's code
  // and a message saying why.
  static void ExpectOneServerFailure(ScanRecorder& recorder) {
    const std::vector<RecordedCompletion> completions = recorder.Completions();
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0].code, 10001);
    EXPECT_FALSE(completions[0].message.empty());
  }
};

TEST_F(ScanConnectorServerTest, APathScanSettlesKnownFilesAndUploadsTheRest) {
  const std::string clean = AddFile("clean.txt", "nothing to see");
  const std::string known_bad = AddFile("known-bad.txt", "bad bytes");
  const std::string unknown = AddFile("unknown.txt", "never seen before");
  server_.SetKnownSignature(*FileSignatureOfPath(clean), 0, "");
  server_.SetKnownSignature(*FileSignatureOfPath(known_bad), 1, "Test.Known");
  server_.SetUploadVerdict("unknown.txt", 2, "Test.Suspicious");

  ScanRecorder recorder;
  {
    ScanConnector connector;
    Initialise(connector, server_.Url());
    ASSERT_EQ(StartPaths(connector, recorder, Utf16(tree_.root())), 0);
    ASSERT_TRUE(recorder.WaitForCompletion());
  }
  std::map<std::string, RecordedProgress> by_path;
  for (const RecordedProgress& report : recorder.Progress()) {
    by_path[Utf16ToUtf8(report.path)] = report;
  }
  ASSERT_EQ(by_path.size(), 3u);
  EXPECT_EQ(by_path[clean].code, 0);
  EXPECT_EQ(by_path[known_bad].code, -1);
  EXPECT_EQ(by_path[known_bad].threat_name, u"Test.Known");
  EXPECT_EQ(by_path[unknown].code, -2);
  EXPECT_EQ(by_path[unknown].threat_name, u"Test.Suspicious");
  EXPECT_NE(by_path[unknown].details.find(u"<engine_result>"), std::u16string::npos);
  EXPECT_EQ(by_path[unknown].size, 17u);

  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_TRUE(completions[0].threats_found);
  EXPECT_EQ(completions[0].files_scanned, 3);
  EXPECT_EQ(completions[0].code, 0);

  char16_t engines[100] = {};
  EXPECT_EQ(GetEngineCount(engines), 0u);
  EXPECT_EQ(std::u16string(engines), u"3");
  EXPECT_EQ(RequestsFor("getengineinfo").size(), 1u);
  EXPECT_EQ(RequestsFor("scanmultiple").size(), 1u);
  const std::vector<RecordedRequest> uploads = RequestsFor("scan");
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].body, "never seen before");
  EXPECT_EQ(uploads[0].Header("X-API-Key"), "test-key");
}

TEST_F(ScanConnectorServerTest, FilesWithNamesThatAreNotUtf8AreHashedAndUploaded) {
  const std::string latin1 = AddFile("caf\xE9.txt", "latin-1 name");
  const std::string bytes = AddFile("\xFF\xFE-raw", "raw bytes name");
  ScanRecorder recorder;
  {
    ScanConnector connector;
    Initialise(connector, server_.Url());
    ASSERT_EQ(StartPaths(connector, recorder, Utf16(tree_.root())), 0);
    ASSERT_TRUE(recorder.WaitForCompletion());
  }
  const std::vector<RecordedRequest> lookups = RequestsFor("scanmultiple");
  ASSERT_EQ(lookups.size(), 1u);
  // Both signatures were computed: none is the stand-in for an unreadable file.
  EXPECT_EQ(lookups[0].body.find(std::string(AllZeroSignature)), std::string::npos);
  std::set<std::string> bodies;
  for (const RecordedRequest& upload : RequestsFor("scan")) bodies.insert(upload.body);
  EXPECT_EQ(bodies, (std::set<std::string>{"latin-1 name", "raw bytes name"}));
  std::set<std::string> reported;
  for (const RecordedProgress& report : recorder.Progress()) {
    reported.insert(Utf16ToUtf8(report.path));
    EXPECT_EQ(report.code, 0);
  }
  EXPECT_EQ(reported, (std::set<std::string>{latin1, bytes}));
}

TEST_F(ScanConnectorServerTest, AnUnreachableServerRefusesTheStart) {
  server_.Stop();
  ScanRecorder recorder;
  ScanConnector connector;
  Initialise(connector, server_.Url());
  EXPECT_EQ(StartPaths(connector, recorder, Utf16(tree_.root())), 3);
  EXPECT_FALSE(connector.busy);
  EXPECT_TRUE(recorder.Completions().empty());
}

TEST_F(ScanConnectorServerTest, AServerFailingMidScanAbandonsItOnce) {
  for (int i = 0; i < 12; ++i) AddFile("f" + std::to_string(i), "content " + std::to_string(i));
  // The first lookup goes through (every file unknown); later ones fail.
  auto lookups = std::make_shared<std::atomic<int>>(0);
  server_.SetHandler("scanmultiple", [lookups](const RecordedRequest& request) {
    ScriptedAnswer answer;
    if (++*lookups > 1) {
      answer.status = 500;
      answer.body = "overloaded";
      return answer;
    }
    std::vector<std::pair<std::string, Verdict>> objects;
    for (size_t at = 0; at <= request.body.size(); at += 41) {
      objects.push_back({request.body.substr(at, 40), {5, ""}});
    }
    answer.body = FakeScanServer::LookupAnswer(objects);
    return answer;
  });
  ScanRecorder recorder;
  {
    ScanConnector connector;
    Initialise(connector, server_.Url());
    SetConnectorOption(connector, u"BatchSize", u"3");
    SetConnectorOption(connector, u"ThreadCount", u"2");
    ASSERT_EQ(StartPaths(connector, recorder, Utf16(tree_.root())), 0);
    ASSERT_TRUE(recorder.WaitForCompletion());
  }
  ExpectOneServerFailure(recorder);
  // Uploads of the first batch that were running still reported their files.
  EXPECT_EQ(recorder.Progress().size(), RequestsFor("scan").size());
}

TEST_F(ScanConnectorServerTest, AServerThatGoesAwayAfterThePreparation) {
  AddFile("a", "a");
  ScanRecorder first;
  ScanRecorder second;
  ScanConnector connector;
  Initialise(connector, server_.Url());
  ASSERT_EQ(StartPaths(connector, first, Utf16(tree_.root())), 0);
  ASSERT_TRUE(first.WaitForCompletion());
  server_.Stop();
  ASSERT_EQ(StartPaths(connector, second, Utf16(tree_.root())), 0);
  ASSERT_TRUE(second.WaitForCompletion());
  ExpectOneServerFailure(second);
}

TEST_F(ScanConnectorServerTest, AnswersWithTooFewElementsOrUnclosedTags) {
  struct Case {
    const char* name;
    std::string lookup_answer;
    size_t uploads;
  } cases[] = {
      {"one element for three files",
       "<objects><object><final_scan_result>0</final_scan_result></object></objects>", 2},
      {"an unclosed element", "<objects><object><final_scan_result>0</final_scan_result>", 2},
      {"elements without a verdict",
       "<object></object><object><final_scan_result></final_scan_result></object>"
       "<object><final_scan_result>n/a</final_scan_result></object>",
       3},
  };
  AddFile("a", "a");
  AddFile("b", "b");
  AddFile("c", "c");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetServerClient();
    server_.ClearRequests();
    server_.SetAnswer("scanmultiple", {.body = c.lookup_answer});
    ScanRecorder recorder;
    {
      ScanConnector connector;
      Initialise(connector, server_.Url());
      SetConnectorOption(connector, u"ThreadCount", u"1");
      ASSERT_EQ(StartPaths(connector, recorder, Utf16(tree_.root())), 0);
      ASSERT_TRUE(recorder.WaitForCompletion());
    }
    EXPECT_EQ(RequestsFor("scan").size(), c.uploads);
    EXPECT_EQ(recorder.Progress().size(), 3u);
    ASSERT_EQ(recorder.Completions().size(), 1u);
    EXPECT_EQ(recorder.Completions()[0].code, 0);
  }
}

TEST_F(ScanConnectorServerTest, AModuleScanUploadsTheUnknownExecutable) {
  // The server knows every executable but this test's own.
  const std::string own = *FileSignature(ExecutablePath());
  server_.SetHandler("scanmultiple", [own](const RecordedRequest& request) {
    std::vector<std::pair<std::string, Verdict>> objects;
    for (size_t at = 0; at + 40 <= request.body.size(); at += 41) {
      const std::string signature = request.body.substr(at, 40);
      objects.push_back({signature, {signature == own ? 5 : 0, ""}});
    }
    return ScriptedAnswer{.body = FakeScanServer::LookupAnswer(objects)};
  });
  ScanRecorder recorder;
  {
    ScanConnector connector;
    Initialise(connector, server_.Url());
    ASSERT_EQ(ScanLoadedModules(connector, false, &ScanRecorder::OnModuleProgress,
                                &ScanRecorder::OnCompletion, &recorder),
              0);
    ASSERT_TRUE(recorder.WaitForCompletion());
  }
  const std::vector<RecordedCompletion> completions = recorder.Completions();
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].code, 0);
  EXPECT_EQ(completions[0].message, u"Scan Finished");
  const std::vector<RecordedRequest> uploads = RequestsFor("scan");
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(Utf16(uploads[0].params.find("filename")->second), FileNameOfPath(ExecutablePath()));
  const std::vector<RecordedProgress> progress = recorder.Progress();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().stage, 2);
  EXPECT_EQ(progress.back().path, ExecutablePath());
  // Every module was settled, by the lookup or by the upload.
  EXPECT_GE(completions[0].files_scanned, 1);
}

}  // namespace
}  // namespace dravanta
