// The HTTP side: "/dravanta_rest/scanner?method=..." on a cpp-httplib server.
#pragma once

#include <httplib.h>

#include "tools/scan-server/scan_service.h"

namespace dravanta::scan_server {

inline constexpr const char* kScannerPath = "/dravanta_rest/scanner";

// The service must outlive the server.
void InstallRoutes(httplib::Server& server, ScanService& service);

}  // namespace dravanta::scan_server
