// The entry points against the fake scanning server on loopback.
#include "transport/server_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "transport/client_identity.h"
#include "transport/client_properties.h"
#include "transport/engine_info.h"
#include "transport/error_document.h"
#include "transport/file_signature.h"
#include "transport/http_exchange.h"
#include "transport/scan_requests.h"
#include "transport/testing/answer_text.h"
#include "transport/testing/client_calls.h"
#include "transport/testing/exchange_errors.h"

namespace dravanta {
namespace {

const ServerClient& Client() { return GetServerClient(); }

using Answer = ClientAnswer;

class ServerClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetServerClient();
    ClearProperties();
    SetExchangeTimeouts({});
    folder_ = scratch_.root();
    ASSERT_TRUE(server_.Start());
  }
  void TearDown() override {
    ResetServerClient();
    ClearProperties();
    SetExchangeTimeouts({});
  }

  void Use(const std::vector<std::string>& urls) {
    for (const std::string& url : urls) {
      ASSERT_EQ(Client().SetOption(u"url", Utf8ToUtf16(url).c_str()), TransportOk);
    }
    ASSERT_EQ(Client().Initialise(), TransportOk);
  }

  std::string Write(const std::string& name, const std::string& contents) {
    std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }

  // A URL on which nothing listens.
  static std::string RefusingUrl() {
    FakeScanServer stopped;
    EXPECT_TRUE(stopped.Start());
    std::string url = stopped.Url();
    stopped.Stop();
    return url;
  }

  FakeScanServer server_;
  ScratchTree scratch_;  // removed after the members below
  std::filesystem::path folder_;
};

TEST_F(ServerClientTest, AnalyzeFileTypeIsNotOffered) {
  const ServerClient& client = Client();
  char16_t* text = nullptr;
  EXPECT_EQ(client.AnalyzeFileType(0, u"/x", &text), TransportInvalidArgument);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text[0], u'\0');
  EXPECT_EQ(client.FreeResult(text), TransportOk);
  EXPECT_EQ(client.FreeResult(nullptr), TransportOk);
}

TEST_F(ServerClientTest, LookupSendsSignaturesWithIdentityAndNothingElse) {
  Client().SetOption(u"api_key", u"the-key");
  Client().SetOption(u"custom_key", u"the-custom");
  Use({server_.Url()});
  std::string first = Write("one.bin", "abc");
  std::string second = Write("two.bin", "");
  Answer answer = LookUpSignatures({first, second});
  ASSERT_EQ(answer.code, TransportOk) << answer.text;
  ASSERT_EQ(server_.RequestCount(), 1u);
  RecordedRequest request = server_.Requests()[0];

  EXPECT_EQ(request.verb, "POST");
  EXPECT_EQ(request.version, "HTTP/1.0");
  EXPECT_EQ(request.body,
            "A9993E364706816ABA3E25717850C26C9CD0D89D|DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
  std::string expected_target = "/dravanta_rest/scanner?method=scanmultiple";
  if (auto computer = ComputerName())
    expected_target += "&client_computer_name=" + Utf16ToUtf8(*computer);
  if (auto user = UserName()) expected_target += "&client_user_name=" + Utf16ToUtf8(*user);
  expected_target += "&type=signature";
  EXPECT_EQ(request.target, expected_target);

  EXPECT_EQ(request.Header("Accept"), "text/xml");
  EXPECT_EQ(request.Header("X-API-Key"), "the-key");
  EXPECT_EQ(request.Header("X-Custom-Key"), "the-custom");
  EXPECT_EQ(request.Header("X-Hardware-ID"), Utf16ToUtf8(HardwareIdentifier()));
  EXPECT_EQ(request.Header("Content-Length"), "81");
  for (const char* absent : {"User-Agent", "Content-Type", "Expect", "Proxy-Connection"}) {
    EXPECT_FALSE(request.HasHeader(absent)) << absent << " in\n" << request.raw_headers;
  }
  // The default answer: both files unknown to the server.
  EXPECT_EQ(answer.text.find("HTTP/"), std::string::npos);
  EXPECT_NE(answer.text.find("<final_scan_result>5</final_scan_result>"), std::string::npos);
}

TEST_F(ServerClientTest, LookupListEdgeCases) {
  Use({server_.Url()});
  struct Case {
    std::vector<std::string> objects;
    std::string body;
  };
  const Case cases[] = {
      {{}, ""},
      // An unreadable file stands as the all-zero signature.
      {{(folder_ / "missing").string()}, "0000000000000000000000000000000000000000"},
      // A text without "/" is a signature given as text.
      {{"ABCDEF", Write("x", "abc")}, "ABCDEF|A9993E364706816ABA3E25717850C26C9CD0D89D"},
  };
  for (const Case& c : cases) {
    server_.ClearRequests();
    EXPECT_EQ(LookUpSignatures(c.objects).code, TransportOk);
    ASSERT_EQ(server_.RequestCount(), 1u);
    EXPECT_EQ(server_.Requests()[0].body, c.body);
  }
}

TEST_F(ServerClientTest, UploadStreamsTheWholeFileWithItsEncodedName) {
  Use({server_.Url()});
  std::string contents(100000, '\0');
  std::mt19937 random(3);
  for (char& c : contents) c = static_cast<char>(random());
  std::string path = Write("a&b=c d.exe", contents);
  server_.SetUploadVerdict("a&b=c d.exe", -1, "Eicar");
  Answer answer = UploadFile(path);
  ASSERT_EQ(answer.code, TransportOk) << answer.text;
  EXPECT_NE(answer.text.find("<final_scan_result>-1</final_scan_result>"), std::string::npos);
  RecordedRequest request = server_.Requests().at(0);
  EXPECT_EQ(request.body, contents);
  EXPECT_EQ(request.Header("Content-Length"), "100000");
  EXPECT_FALSE(request.HasHeader("Content-Type"));
  EXPECT_TRUE(
      request.target.starts_with("/dravanta_rest/scanner?method=scan&filename=a%26b%3Dc%20d.exe"))
      << request.target;
  EXPECT_EQ(request.params.find("filename")->second, "a&b=c d.exe");
  EXPECT_EQ(request.params.count("b"), 0u);
}

TEST_F(ServerClientTest, UploadOfAMissingFileSendsNothing) {
  Use({server_.Url()});
  std::string path = (folder_ / "missing.exe").string();
  Answer answer = UploadFile(path);
  EXPECT_EQ(answer.code, TransportInvalidArgument);
  EXPECT_EQ(answer.text, ErrorDocumentText("failed to read file '" + path + "' (2)"));
  EXPECT_EQ(server_.RequestCount(), 0u);
}

// A file that ends before the announced length fails at once instead of
// leaving the server waiting for the rest.
TEST_F(ServerClientTest, FileEndingBeforeItsLengthFailsTheUpload) {
  Use({server_.Url()});
  ServerRequest request;
  request.method = "scan";
  request.verb = "POST";
  request.data = Write("short.bin", std::string(5000, 'x'));
  request.data_length = 20000;
  request.type = "file";
  request.server_url = server_.Url();
  ExchangeResult result = PerformRequest(request);
  EXPECT_EQ(result.code, TransportFailed);
  EXPECT_EQ(result.text, ErrorDocumentText("Failed to read data from file"));
}

TEST_F(ServerClientTest, SizesAreSixtyFourBit) {
  std::string path = (folder_ / "sparse.bin").string();
  std::ofstream(path, std::ios::binary).close();
  std::filesystem::resize_file(path, (std::uint64_t{5} << 30) + 7);
  std::uint64_t size = 0;
  EXPECT_EQ(QueryFileSize(path, &size).code, TransportOk);
  EXPECT_EQ(size, (std::uint64_t{5} << 30) + 7);
}

TEST_F(ServerClientTest, FinishingOfServerAnswers) {
  Use({server_.Url()});
  struct Case {
    ScriptedAnswer scripted;
    TransportCode code;
    std::string text;
  };
  const Case cases[] = {
      {{.status = 404, .body = "gone"},
       TransportFailed,
       ErrorDocumentText("HTTP/1.1 404 Not Found")},
      {{.status = 302, .headers = {{"Location", "http://127.0.0.1:1/"}}},
       TransportFailed,
       ErrorDocumentText("HTTP/1.1 302 Found")},
      {{.status = 200, .body = "<error>key refused</error>"},
       TransportFailed,
       "<error>key refused</error>"},
      // An empty good answer is the empty text, not its headers.
      {{.status = 200, .body = ""}, TransportOk, ""},
      {{.status = 200, .body = "caf\xc3\xa9"}, TransportOk, "caf\xc3\xa9"},
  };
  for (const Case& c : cases) {
    server_.SetAnswer("scanmultiple", c.scripted);
    Answer answer = LookUpSignatures({"AB"});
    EXPECT_EQ(answer.code, c.code) << c.text;
    EXPECT_EQ(answer.text, c.text);
  }
}

TEST_F(ServerClientTest, AnswerBytesBecomeOneCodeUnitEach) {
  Use({server_.Url()});
  server_.SetAnswer("scanmultiple", {.body = "\xc3\xa9"});
  char16_t* text = nullptr;
  const char16_t* objects[] = {u"AB"};
  ASSERT_EQ(Client().ScanMultiple(ScanBySignature, objects, 1, &text), TransportOk);
  EXPECT_EQ(text[0], 0x00C3);
  EXPECT_EQ(text[1], 0x00A9);
  EXPECT_EQ(text[2], 0);
  Client().FreeResult(text);
}

TEST_F(ServerClientTest, ServersAreTriedInOrderUntilOneAnswers) {
  Use({RefusingUrl(), server_.Url()});
  Answer answer = LookUpSignatures({"AB"});
  EXPECT_EQ(answer.code, TransportOk) << answer.text;
  EXPECT_EQ(server_.RequestCount(), 1u);
}

TEST_F(ServerClientTest, WhenEveryServerFailsTheLastErrorIsReturned) {
  server_.SetAnswer("scanmultiple", {.status = 503});
  Use({server_.Url(), RefusingUrl()});
  Answer answer = LookUpSignatures({"AB"});
  EXPECT_EQ(answer.code, TransportFailed);
  EXPECT_EQ(answer.text, ErrorDocumentText(FormatMessageText("WinHttpSendRequest failed (0x%.8X)",
                                                             HttpLayerErrorNumbers().refused)));
  EXPECT_EQ(server_.RequestCount(), 1u);
}

TEST_F(ServerClientTest, UnusableAddressAndMissingServer) {
  Use({"127.0.0.1:"});
  Answer answer = LookUpSignatures({"AB"});
  EXPECT_EQ(answer.code, TransportInvalidArgument);
  EXPECT_EQ(answer.text, ErrorDocumentText("invalid address specified: 127.0.0.1:"));

  // Hosts that cannot name a machine fail at the connection step.
  for (const char* url : {"http://", "http:///dravanta_rest", "http://a b:80", "http://a@b"}) {
    ResetServerClient();
    Use({url});
    answer = LookUpSignatures({"AB"});
    EXPECT_EQ(answer.code, TransportFailed) << url;
    EXPECT_EQ(answer.text,
              ErrorDocumentText(FormatMessageText("WinHttpConnect failed (0x%.8X)",
                                                  HttpLayerErrorNumbers().unusable_host)))
        << url;
  }

  ResetServerClient();
  EXPECT_EQ(Client().Initialise(), TransportFailed);
  answer = LookUpSignatures({"AB"});
  EXPECT_EQ(answer.code, TransportInvalidArgument);
  EXPECT_EQ(answer.text, "");
}

TEST_F(ServerClientTest, DroppedAnswerAndStalledServer) {
  Use({server_.Url()});
  server_.SetAnswer(
      "scanmultiple",
      {.body = std::string(10000, 'x'), .drop_connection = true, .drop_after_bytes = 100});
  Answer answer = LookUpSignatures({"AB"});
  EXPECT_EQ(answer.code, TransportFailed);
  EXPECT_EQ(answer.text,
            ErrorDocumentText(FormatMessageText("error %u in WinHttpReadData.",
                                                HttpLayerErrorNumbers().dropped_answer)));

  // Nothing moves while the server sits on the request: the stall limit
  // (made short here) ends the exchange.
  SetExchangeTimeouts({.connect_milliseconds = 60000, .stall_seconds = 1});
  server_.SetAnswer("getengineinfo", {.delay_milliseconds = 2500});
  answer = EngineInfo();
  EXPECT_EQ(answer.code, TransportFailed);
  EXPECT_EQ(answer.text,
            ErrorDocumentText(FormatMessageText("WinHttpReceiveResponse failed (0x%.8X)",
                                                HttpLayerErrorNumbers().stalled)));
}

TEST_F(ServerClientTest, HeaderValuesCannotAddHeaders) {
  Client().SetOption(u"api_key", u"key\r\nX-Injected: 1");
  Use({server_.Url()});
  EXPECT_EQ(LookUpSignatures({"AB"}).code, TransportOk);
  RecordedRequest request = server_.Requests().at(0);
  EXPECT_FALSE(request.HasHeader("X-Injected"));
  EXPECT_EQ(request.Header("X-API-Key"), "keyX-Injected: 1");
}

TEST_F(ServerClientTest, EngineInfoOfOneServerIsCountable) {
  server_.SetEngines(3);
  Use({server_.Url()});
  Answer answer = EngineInfo();
  ASSERT_EQ(answer.code, TransportOk) << answer.text;
  EXPECT_EQ(answer.text, FakeScanServer::EngineDocument(3));
  RecordedRequest request = server_.Requests().at(0);
  EXPECT_EQ(request.verb, "GET");
  EXPECT_TRUE(request.target.starts_with("/dravanta_rest/scanner?method=getengineinfo"));
  EXPECT_EQ(CountEngines(WidenBytes(answer.text)), 3u);
}

TEST_F(ServerClientTest, EngineInfoIsMergedAcrossServers) {
  FakeScanServer second;
  ASSERT_TRUE(second.Start());
  server_.SetEngines(2, "first");
  second.SetEngines(3, "second");
  Use({server_.Url(), RefusingUrl(), second.Url()});
  Answer answer = EngineInfo();
  ASSERT_EQ(answer.code, TransportOk) << answer.text;
  EXPECT_EQ(CountEngines(WidenBytes(answer.text)), 5u);
  EXPECT_EQ(server_.RequestCount(), 1u);
  EXPECT_EQ(second.RequestCount(), 1u);
}

TEST_F(ServerClientTest, EngineInfoFromTheOneServerThatAnswers) {
  server_.SetEngines(4);
  Use({RefusingUrl(), server_.Url()});
  Answer answer = EngineInfo();
  EXPECT_EQ(answer.code, TransportOk);
  EXPECT_EQ(answer.text, FakeScanServer::EngineDocument(4));
}

TEST_F(ServerClientTest, EngineInfoWhenEveryServerFails) {
  server_.SetAnswer("getengineinfo", {.status = 200, .body = "<error>no licence</error>"});
  Use({RefusingUrl(), server_.Url()});
  Answer answer = EngineInfo();
  EXPECT_EQ(answer.code, TransportFailed);
  EXPECT_EQ(answer.text, "<error>no licence</error>");
}

TEST_F(ServerClientTest, ConcurrentCallsEachGetTheirOwnAnswer) {
  Use({server_.Url()});
  constexpr int kThreads = 8;
  std::vector<std::string> paths;
  for (int i = 0; i < kThreads; ++i) {
    std::string name = "file" + std::to_string(i);
    paths.push_back(Write(name, std::string(1000 + i, 'a' + i)));
    server_.SetUploadVerdict(name, i, "");
  }
  std::vector<Answer> uploads(kThreads), lookups(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      uploads[i] = UploadFile(paths[i]);
      lookups[i] = LookUpSignatures({paths[i]});
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(uploads[i].code, TransportOk);
    EXPECT_NE(uploads[i].text.find("<file_name>file" + std::to_string(i) + "</file_name>" +
                                   "<final_scan_result>" + std::to_string(i) + "<"),
              std::string::npos);
    EXPECT_EQ(lookups[i].code, TransportOk);
    EXPECT_NE(lookups[i].text.find(*FileSignatureOfPath(paths[i])), std::string::npos);
  }
  EXPECT_EQ(server_.RequestCount(), 2u * kThreads);
}

}  // namespace
}  // namespace dravanta
