// Splitting a server URL of the form [scheme]host[:port][/path].
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dravanta {

struct ServerAddress {
  bool secure = false;
  std::string host;
  std::uint32_t port = 0;
  std::string path;  // without the leading "/"
};

// Splits url. "https://" makes the address secure; "http://" or no scheme
// means plain HTTP (both matched case-sensitively). A host without port
// takes default_port when given, else 443 or 80. Returns nothing for an
// address whose ":" is its last character; *rest then holds that text.
std::optional<ServerAddress> SplitServerUrl(std::string_view url,
                                            const std::optional<std::string>& default_port,
                                            std::string* rest);

// Leading decimal digits as a number (0 when there are none).
std::uint32_t LeadingDecimal(std::string_view text);

}  // namespace dravanta
