#include "connector/connector_options.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(ConnectorOptionsTest, DefaultsAreTheDocumentedOnes) {
  const ConnectorOptions options;
  EXPECT_TRUE(options.server_url.empty());
  EXPECT_FALSE(options.server_cert_check);
  EXPECT_FALSE(options.server_random_server);
  EXPECT_TRUE(options.use_user_proxy);
  EXPECT_EQ(options.thread_count, 5);
  EXPECT_EQ(options.batch_size, 100);
  EXPECT_EQ(options.max_file_size_bytes, 5242880);
}

TEST(ConnectorOptionsTest, IntegersFollowTheLeadingNumberRule) {
  struct Case {
    std::u16string text;
    int32_t value;
  } cases[] = {
      {u"12", 12},
      {u"abc", 0},
      {u"", 0},
      {u"7x", 7},
      {u"  42", 42},
      {u"\t-3", -3},
      {u"+8", 8},
      {u"- 3", 0},
      {u"2147483647", 2147483647},
      {u"2147483648", 2147483647},
      {u"-2147483649", -2147483647 - 1},
      {u"99999999999999999999999", 2147483647},
      {u"00017", 17},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseIntegerOption(c.text), c.value) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(ConnectorOptionsTest, OnlyZeroIsFalse) {
  EXPECT_FALSE(ParseBooleanOption(u"0"));
  for (const std::u16string text : {u"1", u"", u"false", u"00", u" 0", u"no"}) {
    EXPECT_TRUE(ParseBooleanOption(text)) << std::string(text.begin(), text.end());
  }
}

TEST(ConnectorOptionsTest, EveryNameStoresItsKind) {
  ConnectorOptions options;
  struct Case {
    const char16_t* name;
    const char16_t* value;
  } cases[] = {
      {u"ServerURL", u"a;b"},
      {u"ServerIP", u"10.0.0.1"},
      {u"ServerPort", u"8080"},
      {u"ServerCustomKey", u"ck"},
      {u"ServerProxyName", u"proxy:3128"},
      {u"ServerProxyUser", u"pu"},
      {u"ServerProxyPass", u"pp"},
      {u"ServerCertCheck", u""},
      {u"ServerRandomServer", u"yes"},
      {u"UseUserProxy", u"0"},
      {u"ThreadCount", u"-4"},
      {u"BatchSize", u"7x"},
      {u"MaxFileSizeBytes", u"abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(StoreConnectorOption(options, c.name, c.value), 0);
  EXPECT_EQ(options.server_url, u"a;b");
  EXPECT_EQ(options.server_ip, u"10.0.0.1");
  EXPECT_EQ(options.server_port, u"8080");
  EXPECT_EQ(options.server_custom_key, u"ck");
  EXPECT_EQ(options.server_proxy_name, u"proxy:3128");
  EXPECT_EQ(options.server_proxy_user, u"pu");
  EXPECT_EQ(options.server_proxy_pass, u"pp");
  EXPECT_TRUE(options.server_cert_check);
  EXPECT_TRUE(options.server_random_server);
  EXPECT_FALSE(options.use_user_proxy);
  EXPECT_EQ(options.thread_count, -4);
  EXPECT_EQ(options.batch_size, 7);
  EXPECT_EQ(options.max_file_size_bytes, 0);
}

TEST(ConnectorOptionsTest, MissingOrUnknownNamesAreRefused) {
  ConnectorOptions options;
  EXPECT_EQ(StoreConnectorOption(options, nullptr, u"1"), 2);
  EXPECT_EQ(StoreConnectorOption(options, u"BatchSize", nullptr), 2);
  EXPECT_EQ(StoreConnectorOption(options, u"batchsize", u"1"), 2);  // names are exact
  EXPECT_EQ(StoreConnectorOption(options, u"api_key", u"1"), 2);
  EXPECT_EQ(StoreConnectorOption(options, u"", u"1"), 2);
  EXPECT_EQ(options.batch_size, 100);
}

}  // namespace
}  // namespace dravanta
