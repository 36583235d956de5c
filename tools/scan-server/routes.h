// The HTTP side: "/dravanta_rest/scanner?method=..." on a cpp-httplib server.
#pragma once

#include <httplib.h>

#include "tools/scan-server/scan_service.h"

namespace dravanta::scan_server {

inline constexpr const char* kScannerPath = "/dravanta_rest/scanner";

// How a request says where its body ends: a valid Content-Length (length
// set) or chunked transfer (no length, no refusal). Anything else is refused.
struct BodyFraming {
  std::optional<std::uint64_t> length;
  std::optional<Answer> refusal;
};
BodyFraming FramingOf(const httplib::Request& req);

// The service must outlive the server.
void InstallRoutes(httplib::Server& server, ScanService& service);

}  // namespace dravanta::scan_server
