#include "transport/server_url.h"

namespace dravanta {

std::uint32_t LeadingDecimal(std::string_view text) {
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;  // saturate instead of wrapping
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<ServerAddress> SplitServerUrl(std::string_view url,
                                            const std::optional<std::string>& default_port,
                                            std::string* rest) {
  ServerAddress address;
  if (url.starts_with("https://")) {
    address.secure = true;
    url.remove_prefix(8);
  } else if (url.starts_with("http://")) {
    url.remove_prefix(7);
  }
  size_t slash = url.find('/');
  if (slash != std::string_view::npos && slash + 1 < url.size()) {
    address.path = std::string(url.substr(slash + 1));
    url = url.substr(0, slash);
  }
  size_t colon = url.find(':');
  if (colon != std::string_view::npos && colon + 1 < url.size()) {
    address.host = std::string(url.substr(0, colon));
    address.port = LeadingDecimal(url.substr(colon + 1));
  } else if (colon != std::string_view::npos) {
    if (rest != nullptr) *rest = std::string(url);
    return std::nullopt;
  } else {
    address.host = std::string(url);
    if (default_port) {
      address.port = LeadingDecimal(*default_port);
    } else {
      address.port = address.secure ? 443 : 80;
    }
  }
  return address;
}

}  // namespace dravanta
