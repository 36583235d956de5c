// Handing the connector's options to the transport before the first scan.
#pragma once

#include <cstdint>
#include <string_view>

#include "connector/connector_options.h"
#include "transport/server_client.h"

namespace dravanta {

// Results of PrepareTransport (also start results).
inline constexpr int32_t kPrepared = 0;
inline constexpr int32_t kTransportRefused = 1;   // an option or Initialise failed
inline constexpr int32_t kServerUnreachable = 3;  // the engine information failed
inline constexpr int32_t kNoEngine = 4;           // the servers run no engine

// Passes the options to transport.SetOption in their fixed order ("url" once
// per ";"-separated piece, then "ip", "port", "api_key", "custom_key",
// "proxy_useie", the proxy texts, "cert_check", "random"), initialises the
// transport, fetches the engine information and stores its engine count as
// the "total_av" property. The first refused option ends it at once.
int32_t PrepareTransport(const ServerClient& transport, const ConnectorOptions& options,
                         std::u16string_view api_key);

}  // namespace dravanta
