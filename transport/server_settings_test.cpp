#include "transport/server_settings.h"

#include <gtest/gtest.h>

#include <set>

#include "transport/http_exchange.h"

namespace dravanta {
namespace {

class ServerSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTransportSettings(); }
  void TearDown() override { ResetTransportSettings(); }
};

TEST_F(ServerSettingsTest, KnownOptionsAreStoredUnknownOrNullRefused) {
  EXPECT_EQ(SetTransportOption(u"api_key", u"k\u00e9y"), TransportOk);
  EXPECT_EQ(TransportOption("api_key"), "k\xc3\xa9y");
  EXPECT_EQ(SetTransportOption(u"api_key", u"second"), TransportOk);
  EXPECT_EQ(TransportOption("api_key"), "second");
  EXPECT_EQ(SetTransportOption(u"API_KEY", u"x"), TransportInvalidArgument);
  EXPECT_EQ(SetTransportOption(u"hardware_id", u"x"), TransportInvalidArgument);
  EXPECT_EQ(SetTransportOption(u"port", nullptr), TransportInvalidArgument);
  EXPECT_EQ(SetTransportOption(nullptr, u"1"), TransportInvalidArgument);
  EXPECT_FALSE(TransportOption("port"));
  EXPECT_EQ(SetTransportOption(u"proxy_name", u""), TransportOk);
  EXPECT_EQ(TransportOption("proxy_name"), "");
}

TEST_F(ServerSettingsTest, UrlAppendsToTheServerListKeepingDuplicates) {
  SetTransportOption(u"url", u"a");
  SetTransportOption(u"url", u"b");
  SetTransportOption(u"url", u"a");
  EXPECT_EQ(ServerList(), (std::vector<std::string>{"a", "b", "a"}));
  EXPECT_FALSE(TransportOption("url"));
}

TEST_F(ServerSettingsTest, OrderRuleKeepsOrPicksFirstAtRandom) {
  const std::vector<std::string> servers = {"A", "B", "C"};
  EXPECT_EQ(OrderServerList(servers, std::nullopt, "0", 5), servers);
  std::set<std::string> firsts;
  for (std::uint64_t seed = 0; seed < 50; ++seed) {
    std::vector<std::string> ordered = OrderServerList(servers, std::nullopt, "1", seed);
    ASSERT_EQ(ordered.size(), 3u);
    firsts.insert(ordered[0]);
    std::vector<std::string> others;
    for (const std::string& server : servers) {
      if (server != ordered[0]) others.push_back(server);
    }
    EXPECT_EQ(std::vector<std::string>(ordered.begin() + 1, ordered.end()), others);
  }
  EXPECT_EQ(firsts.size(), 3u);
  // The same seed (the same second) picks the same first server.
  EXPECT_EQ(OrderServerList(servers, std::nullopt, "1", 42),
            OrderServerList(servers, std::nullopt, "1", 42));
}

TEST_F(ServerSettingsTest, IpStandsInOnlyForAnEmptyList) {
  EXPECT_EQ(OrderServerList({}, "h:8008", "0", 0),
            (std::vector<std::string>{"h:8008/dravanta_rest"}));
  EXPECT_EQ(OrderServerList({"u"}, "h:8008", "0", 0), (std::vector<std::string>{"u"}));
  EXPECT_TRUE(OrderServerList({}, std::nullopt, "0", 0).empty());
}

TEST_F(ServerSettingsTest, InitialiseFillsDefaultsAndIdentifier) {
  SetTransportOption(u"url", u"http://127.0.0.1:1");
  EXPECT_EQ(InitialiseTransport(), TransportOk);
  EXPECT_TRUE(TransportInitialised());
  EXPECT_EQ(TransportOption("random"), "0");
  EXPECT_EQ(TransportOption("cert_check"), "0");
  EXPECT_EQ(TransportOption("proxy_useie"), "1");
  std::optional<std::string> identifier = TransportOption(HardwareIdentifierOption);
  ASSERT_TRUE(identifier);
  EXPECT_EQ(identifier->size(), 8u);
}

TEST_F(ServerSettingsTest, InitialiseKeepsSetValuesAndCanRunTwice) {
  SetTransportOption(u"url", u"x");
  SetTransportOption(u"cert_check", u"1");
  SetTransportOption(u"api_key", u"k");
  EXPECT_EQ(InitialiseTransport(), TransportOk);
  EXPECT_EQ(InitialiseTransport(), TransportOk);
  EXPECT_EQ(TransportOption("cert_check"), "1");
  EXPECT_EQ(TransportOption("api_key"), "k");
  EXPECT_EQ(ServerList(), (std::vector<std::string>{"x"}));
}

TEST_F(ServerSettingsTest, InitialiseWithoutServerFailsAndStaysUninitialised) {
  SetTransportOption(u"api_key", u"k");
  EXPECT_EQ(InitialiseTransport(), TransportFailed);
  EXPECT_FALSE(TransportInitialised());
  EXPECT_EQ(TransportOption("api_key"), "k");
}

TEST_F(ServerSettingsTest, InitialiseWithIpBuildsTheServer) {
  SetTransportOption(u"ip", u"10.0.0.1:8008");
  EXPECT_EQ(InitialiseTransport(), TransportOk);
  EXPECT_EQ(ServerList(), (std::vector<std::string>{"10.0.0.1:8008/dravanta_rest"}));
}

TEST_F(ServerSettingsTest, IdentityHeadersInFixedOrderEachWhenSet) {
  EXPECT_TRUE(IdentityHeaderLines().empty());
  SetTransportOption(u"custom_key", u"c");
  EXPECT_EQ(IdentityHeaderLines(), (std::vector<std::string>{"X-Custom-Key: c"}));
  SetTransportOption(u"api_key", u"a");
  SetTransportOption(u"url", u"x");
  InitialiseTransport();
  std::vector<std::string> lines = IdentityHeaderLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "X-API-Key: a");
  EXPECT_EQ(lines[1], "X-Custom-Key: c");
  EXPECT_EQ(lines[2], "X-Hardware-ID: " + *TransportOption(HardwareIdentifierOption));
}

}  // namespace
}  // namespace dravanta
