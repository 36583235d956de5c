// Handing the connector's options to the transport before the first scan.
#pragma once

#include <cstdint>
#include <string_view>

#include "connector/connector_options.h"
#include "connector/start_result.h"
#include "transport/server_client.h"

namespace dravanta {

// Passes the options to transport.SetOption in their fixed order ("url" once
// per ";"-separated piece, then "ip", "port", "api_key", "custom_key",
// "proxy_useie", the proxy texts, "cert_check", "random"), initialises the
// transport, fetches the engine information and stores its engine count as
// the "total_av" property. The first refused option ends it at once.
// Answers in start results: kScanStarted when prepared; kScanRefused when an
// option or Initialise was refused; kScanServerUnreachable when the engine
// information failed; kScanNoEngine when the servers run no engine.
int32_t PrepareTransport(const ServerClient& transport, const ConnectorOptions& options,
                         std::u16string_view api_key);

}  // namespace dravanta
