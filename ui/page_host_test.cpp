#include "ui/page_host.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>

#include "platform/text.h"
#include "ui/page_resources.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;

const std::string kToken = "0123456789abcdef0123456789abcdef";

// A page host whose dialog thread records what reached it.
class PageHostTest : public testing::Test {
 protected:
  void SetUp() override { StartHost(60s); }
  void TearDown() override { StopHost(); }

  void StartHost(std::chrono::milliseconds grace) {
    PageBridge bridge;
    bridge.callMethod = [this](std::u16string_view name, const std::vector<std::u16string>& args,
                               std::u16string* answer) {
      calls_++;
      lastArgs_ = args;
      if (name != u"echo") return false;
      *answer = args.empty() ? u"" : args[0];
      return true;
    };
    bridge.navigate = [this](std::u16string_view address) {
      navigations_++;
      lastAddress_ = std::u16string(address);
      return address.substr(0, 4) == u"app:";
    };
    host_ = std::make_unique<PageHost>(queue_, bridge, kToken, grace);
    ASSERT_TRUE(host_->Start());
    dialog_ = std::thread([this] {
      queue_.Run(10ms, [this] {
        if (host_->CloseDue()) closes_++;
      });
    });
  }
  void StopHost() {
    queue_.Stop();
    if (dialog_.joinable()) dialog_.join();
    host_->Stop();
  }

  httplib::Result Send(const std::string& method, const std::string& path, httplib::Headers headers,
                       const std::string& body = "") {
    httplib::Client client("127.0.0.1", host_->port());
    client.set_connection_timeout(5);
    client.set_read_timeout(5);
    if (method == "GET") return client.Get(path.c_str(), headers);
    return client.Post(path.c_str(), headers, body, "application/json");
  }
  std::string OwnHost() const { return "127.0.0.1:" + std::to_string(host_->port()); }
  httplib::Headers Good() const { return {{"Host", OwnHost()}, {"X-Dravanta-Token", kToken}}; }

  DialogTaskQueue queue_;
  std::unique_ptr<PageHost> host_;
  std::thread dialog_;
  std::atomic<int> calls_{0};
  std::atomic<int> navigations_{0};
  std::atomic<int> closes_{0};
  std::vector<std::u16string> lastArgs_;
  std::u16string lastAddress_;
};

TEST_F(PageHostTest, AddressCarriesPortAndToken) {
  EXPECT_EQ(host_->PageAddress(),
            "http://127.0.0.1:" + std::to_string(host_->port()) + "/?token=" + kToken);
}

TEST_F(PageHostTest, MethodCallRunsOnTheDialogThreadAndAnswersText) {
  const auto result = Send("POST", "/call/echo", Good(), "[\"caf\\u00e9 \\\"q\\\"\", \"2\"]");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_EQ(result->body, "caf\xc3\xa9 \"q\"");
  EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_EQ(lastArgs_.size(), 2u);
}

TEST_F(PageHostTest, RequestTable) {
  const std::string own = OwnHost();
  const std::string wrongByOne = std::string(kToken).replace(5, 1, "0");
  struct Case {
    const char* what;
    std::string method;
    std::string path;
    httplib::Headers headers;
    std::string body;
    int status;
    bool reachesDialog;
  };
  const Case cases[] = {
      {"no token", "POST", "/call/echo", {{"Host", own}}, "[]", 403, false},
      {"wrong token",
       "POST",
       "/call/echo",
       {{"Host", own}, {"X-Dravanta-Token", "x"}},
       "[]",
       403,
       false},
      {"token off by one character",
       "POST",
       "/call/echo",
       {{"Host", own}, {"X-Dravanta-Token", wrongByOne}},
       "[]",
       403,
       false},
      {"token in the query",
       "POST",
       "/call/echo?token=" + kToken,
       {{"Host", own}},
       "[]",
       200,
       true},
      {"two tokens",
       "POST",
       "/call/echo?token=" + kToken,
       {{"Host", own}, {"X-Dravanta-Token", wrongByOne}},
       "[]",
       403,
       false},
      {"Host localhost",
       "POST",
       "/call/echo",
       {{"Host", "localhost:" + std::to_string(host_->port())}, {"X-Dravanta-Token", kToken}},
       "[]",
       200,
       true},
      {"Host localhost on another port",
       "POST",
       "/call/echo",
       {{"Host", "localhost:1"}, {"X-Dravanta-Token", kToken}},
       "[]",
       403,
       false},
      {"Host another name",
       "POST",
       "/call/echo",
       {{"Host", "evil.example"}, {"X-Dravanta-Token", kToken}},
       "[]",
       403,
       false},
      {"Host that starts with ours",
       "POST",
       "/call/echo",
       {{"Host", own + ".evil.example"}, {"X-Dravanta-Token", kToken}},
       "[]",
       403,
       false},
      {"Host without port",
       "POST",
       "/call/echo",
       {{"Host", "127.0.0.1"}, {"X-Dravanta-Token", kToken}},
       "[]",
       403,
       false},
      {"Origin of another site",
       "POST",
       "/call/echo",
       {{"Host", own}, {"X-Dravanta-Token", kToken}, {"Origin", "http://evil.example"}},
       "[]",
       403,
       false},
      {"Origin null",
       "POST",
       "/call/echo",
       {{"Host", own}, {"X-Dravanta-Token", kToken}, {"Origin", "null"}},
       "[]",
       403,
       false},
      {"own Origin",
       "POST",
       "/call/echo",
       {{"Host", own}, {"X-Dravanta-Token", kToken}, {"Origin", "http://" + own}},
       "[]",
       200,
       true},
      {"unknown method", "POST", "/call/nosuchmethod", Good(), "[]", 404, true},
      {"malformed body", "POST", "/call/echo", Good(), "[1]", 400, false},
      {"command without token",
       "POST",
       "/navigate",
       {{"Host", own}},
       "[\"app:1005@Init\"]",
       403,
       false},
      {"command with two addresses", "POST", "/navigate", Good(), "[\"a\",\"b\"]", 400, false},
      {"close without token", "POST", "/close", {{"Host", own}}, "", 403, false},
      {"page from another Host", "GET", "/", {{"Host", "evil.example"}}, "", 403, false},
      {"unknown resource", "GET", "/NO_SUCH_RESOURCE", {{"Host", own}}, "", 404, false},
      {"cross-site form post",
       "POST",
       "/navigate",
       {{"Host", own}, {"Origin", "http://evil.example"}},
       "[\"app:1005@Done\"]",
       403,
       false},
  };
  for (const Case& c : cases) {
    const int callsBefore = calls_ + navigations_;
    const auto result = Send(c.method, c.path, c.headers, c.body);
    ASSERT_TRUE(result) << c.what;
    EXPECT_EQ(result->status, c.status) << c.what;
    EXPECT_EQ(calls_ + navigations_ > callsBefore, c.reachesDialog) << c.what;
  }
  EXPECT_EQ(closes_, 0);
}

TEST_F(PageHostTest, OversizedRequestRunsNothing) {
  const std::string body = "[\"" + std::string(2 << 20, 'a') + "\"]";
  const auto result = Send("POST", "/call/echo", Good(), body);
  if (result) {
    EXPECT_NE(result->status, 200);
  }
  EXPECT_EQ(calls_, 0);
}

TEST_F(PageHostTest, NavigationAnswersHandledOrNavigate) {
  auto result = Send("POST", "/navigate", Good(), "[\"app:1005@Init\"]");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body, "handled");
  EXPECT_EQ(lastAddress_, u"app:1005@Init");
  result = Send("POST", "/navigate", Good(), "[\"https://example.invalid/\"]");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body, "navigate");
}

TEST_F(PageHostTest, EveryListedResourceIsServedWithItsType) {
  for (size_t i = 0; i < PageResourceCount(); ++i) {
    const PageResource& resource = PageResourceAt(i);
    const std::string path = resource.name == "104" ? "/" : "/" + std::string(resource.name);
    const auto result = Send("GET", path, {{"Host", OwnHost()}});
    ASSERT_TRUE(result) << path;
    EXPECT_EQ(result->status, 200) << path;
    EXPECT_EQ(result->body.size(), resource.bytes.size()) << path;
    EXPECT_EQ(result->get_header_value("Content-Type"), resource.contentType) << path;
    EXPECT_EQ(result->get_header_value("X-Content-Type-Options"), "nosniff");
  }
}

TEST_F(PageHostTest, SlowClientDoesNotHoldTheDialog) {
  // A client that opens a request and never finishes it.
  httplib::Client stalled("127.0.0.1", host_->port());
  std::thread slow([&] {
    httplib::Headers headers = Good();
    headers.emplace("Content-Length", "100000");
    stalled.set_read_timeout(1);
    stalled.set_write_timeout(1);
    stalled.Post("/call/echo", headers, "[", "application/json");
  });
  const auto result = Send("POST", "/call/echo", Good(), "[\"x\"]");
  slow.join();
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body, "x");
}

TEST(PageHostClose, CloseWaitsOutTheGraceAndAReloadCancelsIt) {
  DialogTaskQueue queue;
  PageBridge bridge{[](auto, auto&, auto*) { return false; }, [](auto) { return false; }};
  PageHost host(queue, bridge, kToken, 0ms);
  ASSERT_TRUE(host.Start());
  httplib::Client client("127.0.0.1", host.port());
  const httplib::Headers headers = {{"Host", "127.0.0.1:" + std::to_string(host.port())}};
  EXPECT_FALSE(host.CloseDue());
  auto result = client.Post(("/close?token=" + kToken).c_str(), headers, "", "text/plain");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 204);
  EXPECT_TRUE(host.CloseDue());
  EXPECT_FALSE(host.CloseDue());  // once

  // A close followed by the reloaded page's request does not close.
  client.Post(("/close?token=" + kToken).c_str(), headers, "", "text/plain");
  client.Get(("/?token=" + kToken).c_str(), headers);
  EXPECT_FALSE(host.CloseDue());
  host.Stop();
}

TEST(PageHostClose, RequestsAfterTheDialogEndedRunNothing) {
  DialogTaskQueue queue;
  PageBridge bridge{[](auto, auto&, auto*) { return true; }, [](auto) { return true; }};
  PageHost host(queue, bridge, kToken, 0ms);
  ASSERT_TRUE(host.Start());
  queue.Stop();
  httplib::Client client("127.0.0.1", host.port());
  const auto result = client.Post(
      "/call/echo",
      {{"Host", "127.0.0.1:" + std::to_string(host.port())}, {"X-Dravanta-Token", kToken}}, "[]",
      "application/json");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 503);
  host.Stop();
}

TEST(PageHostStart, RefusesAShortToken) {
  DialogTaskQueue queue;
  PageHost host(queue, {}, "abc", 0ms);
  EXPECT_FALSE(host.Start());
}

}  // namespace
}  // namespace dravanta
