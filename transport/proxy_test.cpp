// Proxy settings against a real proxy (tinyproxy) on loopback.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "tests/support/subprocess.h"
#include "tests/support/tinyproxy_fixture.h"
#include "tests/support/tls_certificates.h"
#include "transport/server_client.h"
#include "transport/testing/client_calls.h"

namespace dravanta {
namespace {

const char* kProxyVariables[] = {"http_proxy",  "https_proxy", "all_proxy", "no_proxy",
                                 "HTTPS_PROXY", "ALL_PROXY",   "NO_PROXY"};

class ProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TinyproxyFixture::Installed()) GTEST_SKIP() << "tinyproxy is not installed";
    ResetServerClient();
    for (const char* name : kProxyVariables) RemoveEnvironmentVariable(name);
    ASSERT_TRUE(server_.Start());
  }
  void TearDown() override {
    ResetServerClient();
    for (const char* name : kProxyVariables) RemoveEnvironmentVariable(name);
  }

  void Configure(const std::string& url,
                 const std::vector<std::pair<std::u16string, std::u16string>>& options) {
    const ServerClient& client = GetServerClient();
    ResetServerClient();
    client.SetOption(u"url", Utf8ToUtf16(url).c_str());
    for (const auto& [name, value] : options) {
      ASSERT_EQ(client.SetOption(name.c_str(), value.c_str()), TransportOk);
    }
    ASSERT_EQ(client.Initialise(), TransportOk);
  }

  // Starts the proxy asking for alice's credentials and sends to `url`
  // through it with them.
  void ConfigureThroughAuthenticatingProxy(const std::string& url) {
    ASSERT_TRUE(proxy_.Start("alice", "secret"));
    Configure(url, {{u"proxy_name", Utf8ToUtf16(proxy_.Address())},
                    {u"proxy_user", u"alice"},
                    {u"proxy_pass", u"secret"}});
  }

  // A proxy address on which nothing listens.
  static std::u16string DeadProxy() {
    FakeScanServer stopped;
    EXPECT_TRUE(stopped.Start());
    int port = stopped.port();
    stopped.Stop();
    return Utf8ToUtf16("127.0.0.1:" + std::to_string(port));
  }

  bool CameThroughProxy(const RecordedRequest& request) { return request.HasHeader("Via"); }

  FakeScanServer server_;
  TinyproxyFixture proxy_;
};

TEST_F(ProxyTest, NamedProxyWithCredentialsIsUsed) {
  ASSERT_NO_FATAL_FAILURE(ConfigureThroughAuthenticatingProxy(server_.Url()));
  auto [code, text] = EngineInfo();
  EXPECT_EQ(code, TransportOk) << text;
  ASSERT_EQ(server_.RequestCount(), 1u);
  RecordedRequest request = server_.Requests()[0];
  EXPECT_TRUE(CameThroughProxy(request));
  EXPECT_FALSE(request.HasHeader("Proxy-Authorization"));
  EXPECT_EQ(request.Header("Accept"), "text/xml");
  EXPECT_EQ(request.Header("X-Hardware-ID").size(), 8u);
}

TEST_F(ProxyTest, ProxyRefusesMissingOrWrongCredentials) {
  ASSERT_TRUE(proxy_.Start("alice", "secret"));
  struct Case {
    bool give_credentials;
    const char* status_line;
  };
  // tinyproxy answers wrong credentials with 401 rather than 407.
  const Case cases[] = {{false, "HTTP/1.0 407 Proxy Authentication Required"},
                        {true, "HTTP/1.0 401 Unauthorized"}};
  for (const Case& c : cases) {
    std::vector<std::pair<std::u16string, std::u16string>> options = {
        {u"proxy_name", Utf8ToUtf16(proxy_.Address())}};
    if (c.give_credentials) {
      options.push_back({u"proxy_user", u"alice"});
      options.push_back({u"proxy_pass", u"wrong"});
    }
    Configure(server_.Url(), options);
    auto [code, text] = EngineInfo();
    EXPECT_EQ(code, TransportFailed);
    EXPECT_EQ(text, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>") +
                        c.status_line + "</error>");
  }
  EXPECT_EQ(server_.RequestCount(), 0u);
}

// The upload body is sent again after the proxy asked for credentials.
TEST_F(ProxyTest, UploadThroughAuthenticatingProxyArrivesWhole) {
  ASSERT_NO_FATAL_FAILURE(ConfigureThroughAuthenticatingProxy(server_.Url()));
  ScratchTree tree;
  const std::filesystem::path path = tree.PathOf("upload");
  std::string contents(50000, 'z');
  std::ofstream(path, std::ios::binary) << contents;
  const ClientAnswer answer = UploadFile(path.string());
  EXPECT_EQ(answer.code, TransportOk) << answer.text;
  ASSERT_EQ(server_.RequestCount(), 1u);
  EXPECT_EQ(server_.Requests()[0].body, contents);
}

TEST_F(ProxyTest, TlsThroughTheProxyTunnelGivesTheServersAnswer) {
  FakeScanServer secure(MakeSelfSigned());
  ASSERT_TRUE(secure.Start());
  ASSERT_NO_FATAL_FAILURE(ConfigureThroughAuthenticatingProxy(secure.Url()));
  auto [code, text] = EngineInfo();
  EXPECT_EQ(code, TransportOk) << text;
  EXPECT_EQ(text, FakeScanServer::EngineDocument(1));
  EXPECT_EQ(secure.RequestCount(), 1u);
}

TEST_F(ProxyTest, SystemProxySettingsComeFromTheEnvironment) {
  ASSERT_TRUE(proxy_.Start());
  SetEnvironmentVariable("http_proxy", "http://" + proxy_.Address());
  Configure(server_.Url(), {});  // "proxy_useie" defaults to "1"
  EXPECT_EQ(EngineInfo().code, TransportOk);
  ASSERT_EQ(server_.RequestCount(), 1u);
  EXPECT_TRUE(CameThroughProxy(server_.Requests()[0]));

  SetEnvironmentVariable("no_proxy", "127.0.0.1");
  server_.ClearRequests();
  EXPECT_EQ(EngineInfo().code, TransportOk);
  ASSERT_EQ(server_.RequestCount(), 1u);
  EXPECT_FALSE(CameThroughProxy(server_.Requests()[0]));
}

TEST_F(ProxyTest, EnvironmentIsIgnoredWithoutSystemSettingsOrWithEmptyProxyName) {
  SetEnvironmentVariable("http_proxy", "http://" + Utf16ToUtf8(DeadProxy()));
  struct Case {
    std::vector<std::pair<std::u16string, std::u16string>> options;
  };
  const Case cases[] = {{{{u"proxy_useie", u"0"}}}, {{{u"proxy_name", u""}}}};
  for (const Case& c : cases) {
    Configure(server_.Url(), c.options);
    auto [code, text] = EngineInfo();
    EXPECT_EQ(code, TransportOk) << text;
  }
  EXPECT_EQ(server_.RequestCount(), 2u);
}

TEST_F(ProxyTest, UnreachableProxyFailsTheSendStep) {
  Configure(server_.Url(), {{u"proxy_name", DeadProxy()}});
  auto [code, text] = EngineInfo();
  EXPECT_EQ(code, TransportFailed);
  EXPECT_EQ(text,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>"
            "WinHttpSendRequest failed (0x00000007)</error>");
}

}  // namespace
}  // namespace dravanta
