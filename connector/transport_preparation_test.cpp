#include "connector/transport_preparation.h"

#include <gtest/gtest.h>

#include "connector/testing/fake_server_client.h"
#include "transport/client_properties.h"

namespace dravanta {
namespace {

using OptionList = std::vector<std::pair<std::u16string, std::u16string>>;

OptionList PassedOptions() {
  std::lock_guard lock(FakeRecord().lock);
  return FakeRecord().options;
}

class TransportPreparationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFakeTransport();
    ClearProperties();
  }
};

TEST_F(TransportPreparationTest, DefaultOptionsPassOnlyTheProxyChoice) {
  EXPECT_EQ(PrepareTransport(FakeServerClient(), {}, u""), kScanStarted);
  EXPECT_EQ(PassedOptions(), (OptionList{{u"proxy_useie", u"1"}}));
  EXPECT_EQ(FakeRecord().initialise_calls, 1);
  EXPECT_EQ(FakeRecord().unreleased_answers, 0);
}

TEST_F(TransportPreparationTest, EveryOptionInItsOrder) {
  ConnectorOptions options;
  options.server_url = u"http://a;http://b";
  options.server_ip = u"10.1.1.1";
  options.server_port = u"81";
  options.server_custom_key = u"custom";
  options.server_proxy_name = u"proxy:3128";
  options.server_proxy_user = u"user";
  options.server_proxy_pass = u"pass";
  options.server_cert_check = true;
  options.server_random_server = true;
  options.use_user_proxy = false;
  EXPECT_EQ(PrepareTransport(FakeServerClient(), options, u"key"), kScanStarted);
  EXPECT_EQ(PassedOptions(), (OptionList{{u"url", u"http://a"},
                                         {u"url", u"http://b"},
                                         {u"ip", u"10.1.1.1"},
                                         {u"port", u"81"},
                                         {u"api_key", u"key"},
                                         {u"custom_key", u"custom"},
                                         {u"proxy_useie", u"0"},
                                         {u"proxy_name", u"proxy:3128"},
                                         {u"proxy_user", u"user"},
                                         {u"proxy_pass", u"pass"},
                                         {u"cert_check", u"1"},
                                         {u"random", u"1"}}));
}

TEST_F(TransportPreparationTest, ServerUrlPieces) {
  struct Case {
    std::u16string server_url;
    std::vector<std::u16string> urls;
  } cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a;", {u"a"}},
      {u"a;;b", {u"a", u"", u"b"}},
      {u";a", {u"", u"a"}},
      {u";", {u""}},
  };
  for (const auto& c : cases) {
    ResetFakeTransport();
    ConnectorOptions options;
    options.server_url = c.server_url;
    PrepareTransport(FakeServerClient(), options, u"");
    std::vector<std::u16string> urls;
    for (const auto& [name, value] : PassedOptions()) {
      if (name == u"url") urls.push_back(value);
    }
    EXPECT_EQ(urls, c.urls) << std::string(c.server_url.begin(), c.server_url.end());
  }
}

TEST_F(TransportPreparationTest, ARefusedOptionEndsThePreparationAtOnce) {
  FakeTransportScript script;
  script.refused_option = u"custom_key";
  ResetFakeTransport(script);
  ConnectorOptions options;
  options.server_url = u"a";
  options.server_custom_key = u"c";
  options.server_proxy_name = u"p";
  EXPECT_EQ(PrepareTransport(FakeServerClient(), options, u""), kScanRefused);
  EXPECT_EQ(PassedOptions(), (OptionList{{u"url", u"a"}, {u"custom_key", u"c"}}));
  EXPECT_EQ(FakeRecord().initialise_calls, 0);
}

TEST_F(TransportPreparationTest, FailuresAndEngineCounts) {
  struct Case {
    TransportCode initialise_code;
    TransportCode engine_info_code;
    std::u16string engine_info_answer;
    int32_t result;
    std::u16string total_av;  // empty: not stored
  } cases[] = {
      {TransportFailed, TransportOk, u"", kScanRefused, u""},
      {TransportOk, TransportFailed, u"<error>down</error>", kScanServerUnreachable, u""},
      {TransportOk, TransportOk, u"<method_response><engines/></method_response>", kScanNoEngine,
       u"0"},
      {TransportOk, TransportOk, u"not xml", kScanNoEngine, u"0"},
      {TransportOk, TransportOk,
       u"<method_response><engines><engine/><engine/><engine/></engines></method_response>",
       kScanStarted, u"3"},
  };
  for (const auto& c : cases) {
    ClearProperties();
    FakeTransportScript script;
    script.initialise_code = c.initialise_code;
    script.engine_info_code = c.engine_info_code;
    script.engine_info_answer = c.engine_info_answer;
    ResetFakeTransport(script);
    EXPECT_EQ(PrepareTransport(FakeServerClient(), {}, u""), c.result);
    std::u16string total_av;
    const bool stored = GetProperty(EngineCountProperty, &total_av);
    EXPECT_EQ(stored, !c.total_av.empty());
    EXPECT_EQ(total_av, c.total_av);
    EXPECT_EQ(FakeRecord().unreleased_answers, 0);
  }
}

}  // namespace
}  // namespace dravanta
