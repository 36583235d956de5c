// The scan server's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dravanta::scan_server {

struct ServerOptions {
  std::string host = "127.0.0.1";
  int port = 8008;      // 0: any free port
  std::string db_path;  // empty: in-memory database
  std::string api_key;  // empty: no key required
  std::uint64_t max_upload_bytes = 100 * 1024 * 1024;
  std::uint64_t max_signatures = 10000;
  std::string data_folder;           // empty: the folder shipped with the sources
  std::string system_clamav_folder;  // empty: libclamav's own; "none": not used
};

struct CommandLine {
  ServerOptions options;
  bool help = false;
  std::string error;  // set when the arguments are not usable
};

// args excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

// "http://HOST:PORT/dravanta_rest", with an IPv6 host in brackets.
std::string ServerUrl(const std::string& host, int port);

}  // namespace dravanta::scan_server
