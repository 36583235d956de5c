#include "transport/server_settings.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <shared_mutex>

#include "platform/text.h"
#include "transport/client_identity.h"

namespace dravanta {
namespace {

constexpr std::array<std::string_view, 11> kOptionNames = {
    "url",        "ip",         "port",       "random",     "cert_check", "api_key",
    "custom_key", "proxy_name", "proxy_user", "proxy_pass", "proxy_useie"};

struct Settings {
  // Requests read the table while the set-up is long over; the lock makes a
  // late SetOption safe instead of undefined.
  std::shared_mutex lock;
  std::map<std::string, std::string, std::less<>> options;
  std::vector<std::string> servers;
  std::mutex initialised_lock;
  bool initialised = false;
};

Settings& Global() {
  static Settings* settings = new Settings;  // lives until process end
  return *settings;
}

bool IsKnownOption(std::u16string_view name) {
  for (std::string_view known : kOptionNames) {
    if (name.size() == known.size() && std::equal(known.begin(), known.end(), name.begin())) {
      return true;
    }
  }
  return false;
}

}  // namespace

TransportCode SetTransportOption(const char16_t* name, const char16_t* value) {
  if (name == nullptr || value == nullptr) return TransportInvalidArgument;
  std::u16string_view name_text(name);
  if (!IsKnownOption(name_text)) return TransportInvalidArgument;
  Settings& settings = Global();
  std::unique_lock guard(settings.lock);
  std::string utf8_name = Utf16ToUtf8(name_text);
  std::string utf8_value = Utf16ToUtf8(value);
  if (utf8_name == "url") {
    settings.servers.push_back(std::move(utf8_value));
  } else {
    settings.options[utf8_name] = std::move(utf8_value);
  }
  return TransportOk;
}

std::optional<std::string> TransportOption(std::string_view name) {
  Settings& settings = Global();
  std::shared_lock guard(settings.lock);
  auto found = settings.options.find(name);
  if (found == settings.options.end()) return std::nullopt;
  return found->second;
}

std::vector<std::string> ServerList() {
  Settings& settings = Global();
  std::shared_lock guard(settings.lock);
  return settings.servers;
}

std::vector<std::string> OrderServerList(const std::vector<std::string>& servers,
                                         const std::optional<std::string>& ip,
                                         const std::optional<std::string>& random,
                                         std::uint64_t seed) {
  if (servers.empty()) {
    if (ip) return {*ip + "/dravanta_rest"};
    return {};
  }
  if (random && *random == "0") return servers;
  std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(seed));
  size_t first = generator() % servers.size();
  std::vector<std::string> ordered;
  ordered.reserve(servers.size());
  ordered.push_back(servers[first]);
  for (size_t index = 0; index < servers.size(); ++index) {
    if (index != first) ordered.push_back(servers[index]);
  }
  return ordered;
}

std::vector<std::string> OrderServers() {
  // Seeded with whole seconds on every call: calls within one second pick
  // the same first server.
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();
  return OrderServerList(ServerList(), TransportOption("ip"), TransportOption("random"),
                         static_cast<std::uint64_t>(seconds));
}

TransportCode InitialiseTransport() {
  Settings& settings = Global();
  std::string hardware_identifier = Utf16ToUtf8(HardwareIdentifier());
  {
    std::unique_lock guard(settings.lock);
    settings.options.try_emplace("random", "0");
    settings.options.try_emplace("cert_check", "0");
    settings.options.try_emplace("proxy_useie", "1");
    settings.options[std::string(HardwareIdentifierOption)] = hardware_identifier;
  }
  std::vector<std::string> ordered = OrderServers();
  {
    std::unique_lock guard(settings.lock);
    settings.servers = ordered;
  }
  if (ordered.empty()) return TransportFailed;
  std::lock_guard guard(settings.initialised_lock);
  settings.initialised = true;
  return TransportOk;
}

TransportCode DeinitialiseTransport() {
  Settings& settings = Global();
  std::lock_guard guard(settings.initialised_lock);
  settings.initialised = false;
  return TransportOk;
}

bool TransportInitialised() {
  Settings& settings = Global();
  std::lock_guard guard(settings.initialised_lock);
  return settings.initialised;
}

void ResetTransportSettings() {
  Settings& settings = Global();
  {
    std::unique_lock guard(settings.lock);
    settings.options.clear();
    settings.servers.clear();
  }
  std::lock_guard guard(settings.initialised_lock);
  settings.initialised = false;
}

}  // namespace dravanta
