#include "transport/server_url.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(ServerUrlTest, SplitsSchemeHostPortAndPath) {
  struct Case {
    const char* url;
    std::optional<std::string> port_option;
    bool secure;
    const char* host;
    std::uint32_t port;
    const char* path;
  };
  const Case cases[] = {
      {"http://h:8008/dravanta_rest", std::nullopt, false, "h", 8008, "dravanta_rest"},
      {"https://h", std::nullopt, true, "h", 443, ""},
      {"h", "8008", false, "h", 8008, ""},
      {"h", std::nullopt, false, "h", 80, ""},
      {"https://h/a/b", std::nullopt, true, "h", 443, "a/b"},
      // The scheme is matched case-sensitively: "HTTPS:" is no scheme.
      {"HTTPS:9//h", std::nullopt, false, "HTTPS", 9, "/h"},
      // A "/" as the last character stays in the host.
      {"http://h/", std::nullopt, false, "h/", 80, ""},
      // An IPv6 literal is split at its first ":".
      {"[::1]:8080", std::nullopt, false, "[", 0, ""},
      {"h:12ab", std::nullopt, false, "h", 12, ""},
      {"h:x", std::nullopt, false, "h", 0, ""},
  };
  for (const Case& c : cases) {
    std::string rest;
    std::optional<ServerAddress> address = SplitServerUrl(c.url, c.port_option, &rest);
    ASSERT_TRUE(address) << c.url;
    EXPECT_EQ(address->secure, c.secure) << c.url;
    EXPECT_EQ(address->host, c.host) << c.url;
    EXPECT_EQ(address->port, c.port) << c.url;
    EXPECT_EQ(address->path, c.path) << c.url;
  }
}

TEST(ServerUrlTest, ColonWithoutPortIsUnusable) {
  const std::pair<const char*, const char*> cases[] = {
      {"h:", "h:"}, {"http://h:", "h:"}, {"https://h:/x", "h:"}, {"HTTPS://h:9", "HTTPS:"}};
  for (const auto& [url, remaining] : cases) {
    std::string rest;
    EXPECT_FALSE(SplitServerUrl(url, std::nullopt, &rest)) << url;
    EXPECT_EQ(rest, remaining) << url;
  }
}

}  // namespace
}  // namespace dravanta
