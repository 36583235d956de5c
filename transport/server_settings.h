// The transport's process-wide settings: the option table, the server list
// and the initialised state, and the order in which a call tries servers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/server_client.h"

namespace dravanta {

// Name under which Initialise stores the hardware identifier. It is not a
// public option: SetTransportOption refuses it.
inline constexpr std::string_view HardwareIdentifierOption = "hardware_id";

// Stores one option (UTF-16 name and value). "url" appends to the server
// list. TransportInvalidArgument for an unknown name or a null value.
TransportCode SetTransportOption(const char16_t* name, const char16_t* value);

// The UTF-8 value of an option, or nothing when it has none.
std::optional<std::string> TransportOption(std::string_view name);

// Fills defaults, stores the hardware identifier, orders the server list.
TransportCode InitialiseTransport();
TransportCode DeinitialiseTransport();
bool TransportInitialised();

// The stored server list, in stored order.
std::vector<std::string> ServerList();

// The servers in the order one call tries them (a copy).
std::vector<std::string> OrderServers();

// The ordering rule on its own: servers as given when random is "0", else the
// server at seed-drawn index first, then the others in list order. An empty
// list with an "ip" value becomes that value followed by "/dravanta_rest".
std::vector<std::string> OrderServerList(const std::vector<std::string>& servers,
                                         const std::optional<std::string>& ip,
                                         const std::optional<std::string>& random,
                                         std::uint64_t seed);

// Forgets everything, as at process start.
void ResetTransportSettings();

}  // namespace dravanta
