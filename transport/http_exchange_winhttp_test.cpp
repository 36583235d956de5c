// The WinHTTP exchange's proxy settings, against a forwarding proxy and the
// fake scanning server, both in this process on loopback.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/forward_proxy.h"
#include "tests/support/request_capture.h"
#include "tests/support/scratch_tree.h"
#include "tests/support/user_proxy_setting.h"
#include "transport/client_identity.h"
#include "transport/error_document.h"
#include "transport/server_client.h"
#include "transport/testing/client_calls.h"
#include "transport/testing/exchange_errors.h"

namespace dravanta {
namespace {

using Options = std::vector<std::pair<std::u16string, std::u16string>>;

class WinHttpExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetServerClient();
    ASSERT_TRUE(server_.Start());
    ASSERT_TRUE(proxy_.Start());
  }
  void TearDown() override { ResetServerClient(); }

  // The server by the name "localhost", the proxy by its address: Wine's
  // WinHTTP takes a proxy on the server's own host name for no proxy and
  // sends it the request without the server's address.
  std::string ServerUrl() const {
    return "http://localhost:" + std::to_string(server_.port()) + "/dravanta_rest";
  }

  void Configure(const Options& options) {
    const ServerClient& client = GetServerClient();
    ResetServerClient();
    client.SetOption(u"url", Utf8ToUtf16(ServerUrl()).c_str());
    for (const auto& [name, value] : options) {
      ASSERT_EQ(client.SetOption(name.c_str(), value.c_str()), TransportOk);
    }
    ASSERT_EQ(client.Initialise(), TransportOk);
  }

  std::u16string ProxyAddress() const { return Utf8ToUtf16(proxy_.Address()); }

  FakeScanServer server_;
  ForwardProxy proxy_;
};

// "proxy_useie" "1" without "proxy_name" takes the current user's system
// proxy; "proxy_name", even empty, wins over it. (A session keeps the
// settings it was opened with for the life of the process: this test comes
// first, before any exchange of this program reads the user's settings.)
TEST_F(WinHttpExchangeTest, UserProxySettingIsTakenWhenAskedFor) {
  UserProxySetting setting(proxy_.Address(), "");
  ASSERT_TRUE(setting.applied());
  struct Case {
    Options options;
    bool through_proxy;
  };
  const Case cases[] = {
      {{{u"proxy_useie", u"1"}}, true},
      {{{u"proxy_useie", u"1"}, {u"proxy_name", u""}}, false},
      {{{u"proxy_useie", u"0"}}, false},
  };
  for (const Case& c : cases) {
    const std::size_t forwarded_before = proxy_.Forwarded().size();
    server_.ClearRequests();
    Configure(c.options);
    ClientAnswer answer = LookUpSignatures({"AB"});
    EXPECT_EQ(answer.code, TransportOk) << answer.text;
    EXPECT_EQ(server_.RequestCount(), 1u);
    EXPECT_EQ(proxy_.Forwarded().size() - forwarded_before, c.through_proxy ? 1u : 0u)
        << c.through_proxy;
  }
}

TEST_F(WinHttpExchangeTest, ExplicitProxyCarriesEveryMethod) {
  Configure({{u"proxy_name", ProxyAddress()}, {u"api_key", u"k"}});
  ScratchTree scratch;
  const std::string contents(10000, 'z');
  const std::string path = scratch.WriteFile("up.bin", contents);

  EXPECT_EQ(EngineInfo().code, TransportOk);
  EXPECT_EQ(LookUpSignatures({"AB"}).code, TransportOk);
  ClientAnswer upload = UploadFile(path);
  EXPECT_EQ(upload.code, TransportOk) << upload.text;

  std::vector<std::string> forwarded = proxy_.Forwarded();
  ASSERT_EQ(forwarded.size(), 3u);
  const std::string origin = "http://localhost:" + std::to_string(server_.port());
  EXPECT_TRUE(forwarded[0].starts_with(origin + "/dravanta_rest/scanner?method=getengineinfo"))
      << forwarded[0];
  EXPECT_TRUE(forwarded[1].starts_with(origin + "/dravanta_rest/scanner?method=scanmultiple"))
      << forwarded[1];
  EXPECT_TRUE(
      forwarded[2].starts_with(origin + "/dravanta_rest/scanner?method=scan&filename=up.bin"))
      << forwarded[2];
  ASSERT_EQ(server_.RequestCount(), 3u);
  EXPECT_EQ(server_.Requests()[1].body, "AB");
  EXPECT_EQ(server_.Requests()[2].body, contents);
  EXPECT_EQ(server_.Requests()[2].Header("X-API-Key"), "k");
}

// An empty "proxy_name" means no proxy, whatever the user's settings say;
// without "proxy_name" and without the user's settings the system default
// (direct here) is used.
TEST_F(WinHttpExchangeTest, WithoutProxyTheServerIsReachedDirectly) {
  const Options cases[] = {
      {{u"proxy_name", u""}},
      {{u"proxy_useie", u"0"}},
  };
  for (const Options& options : cases) {
    server_.ClearRequests();
    Configure(options);
    ClientAnswer answer = LookUpSignatures({"AB"});
    EXPECT_EQ(answer.code, TransportOk) << answer.text;
    EXPECT_EQ(server_.RequestCount(), 1u);
  }
  EXPECT_TRUE(proxy_.Forwarded().empty());
}

TEST_F(WinHttpExchangeTest, ProxyCredentialsAnswerTheSchemeItAsksFor) {
  proxy_.RequireBasicCredentials("alice", "secret");
  struct Case {
    Options credentials;
    bool passes;
  };
  const Case cases[] = {
      {{{u"proxy_user", u"alice"}, {u"proxy_pass", u"secret"}}, true},
      {{{u"proxy_user", u"alice"}, {u"proxy_pass", u"wrong"}}, false},
      // Both are needed: a user alone sends nothing.
      {{{u"proxy_user", u"alice"}}, false},
      {{}, false},
  };
  ScratchTree scratch;
  const std::string contents(9000, 'q');
  const std::string path = scratch.WriteFile("f.bin", contents);
  for (const Case& c : cases) {
    server_.ClearRequests();
    Options options = c.credentials;
    options.emplace_back(u"proxy_name", ProxyAddress());
    Configure(options);
    ClientAnswer lookup = LookUpSignatures({"AB"});
    ClientAnswer upload = UploadFile(path);
    if (c.passes) {
      EXPECT_EQ(lookup.code, TransportOk) << lookup.text;
      EXPECT_EQ(upload.code, TransportOk) << upload.text;
      ASSERT_EQ(server_.RequestCount(), 2u);
      EXPECT_EQ(server_.Requests()[1].body, contents);
    } else {
      EXPECT_EQ(lookup.code, TransportFailed);
      EXPECT_NE(lookup.text.find(" 407 "), std::string::npos) << lookup.text;
      EXPECT_EQ(upload.code, TransportFailed);
      EXPECT_EQ(server_.RequestCount(), 0u);
    }
  }
}

// The request's header block as it leaves: the request line, then the lines
// of a set.
struct SentRequest {
  std::string request_line;
  std::set<std::string> header_lines;
};

SentRequest SplitRequest(const std::string& block) {
  SentRequest sent;
  std::istringstream lines(block);
  std::string line;
  std::getline(lines, sent.request_line);
  while (std::getline(lines, line) && line != "\r") sent.header_lines.insert(line);
  return sent;
}

// Every byte of the header block, as the Linux build sends it: HTTP/1.0,
// the Accept type, the identity headers, the body length; no user agent,
// no connection, cookie or content type headers.
TEST_F(WinHttpExchangeTest, RequestBytesAreTheClientsOwn) {
  std::string query;
  if (auto computer = ComputerName()) query += "&client_computer_name=" + Utf16ToUtf8(*computer);
  if (auto user = UserName()) query += "&client_user_name=" + Utf16ToUtf8(*user);
  for (const bool lookup : {false, true}) {
    RequestCapture capture;
    ASSERT_TRUE(capture.Start());
    const std::string host = "127.0.0.1:" + std::to_string(capture.port());
    ResetServerClient();
    const ServerClient& client = GetServerClient();
    client.SetOption(u"url", Utf8ToUtf16("http://" + host + "/dravanta_rest").c_str());
    client.SetOption(u"proxy_name", u"");
    client.SetOption(u"api_key", u"the-key");
    ASSERT_EQ(client.Initialise(), TransportOk);
    const ClientAnswer answer = lookup ? LookUpSignatures({"AB"}) : EngineInfo();
    EXPECT_EQ(answer.code, TransportOk) << answer.text;

    const SentRequest sent = SplitRequest(capture.Request());
    std::set<std::string> expected = {"Accept: text/xml\r", "Host: " + host + "\r",
                                      "X-API-Key: the-key\r",
                                      "X-Hardware-ID: " + Utf16ToUtf8(HardwareIdentifier()) + "\r"};
    if (lookup) {
      EXPECT_EQ(sent.request_line, "POST /dravanta_rest/scanner?method=scanmultiple" + query +
                                       "&type=signature HTTP/1.0\r");
      expected.insert("Content-Length: 2\r");
    } else {
      EXPECT_EQ(sent.request_line,
                "GET /dravanta_rest/scanner?method=getengineinfo" + query + " HTTP/1.0\r");
    }
    EXPECT_EQ(sent.header_lines, expected);
  }
}

TEST_F(WinHttpExchangeTest, UnreachableProxyFailsTheSend) {
  ForwardProxy stopped;
  ASSERT_TRUE(stopped.Start());
  const std::string address = stopped.Address();
  stopped.Stop();
  Configure({{u"proxy_name", Utf8ToUtf16(address)}});
  ClientAnswer answer = LookUpSignatures({"AB"});
  EXPECT_EQ(answer.code, TransportFailed);
  EXPECT_EQ(answer.text, ErrorDocumentText(FormatMessageText("WinHttpSendRequest failed (0x%.8X)",
                                                             HttpLayerErrorNumbers().refused)));
  EXPECT_EQ(server_.RequestCount(), 0u);
}

}  // namespace
}  // namespace dravanta
