#include "tools/scan-server/command_line.h"

#include <charconv>
#include <limits>

namespace dravanta::scan_server {
namespace {

bool ParseNumber(const std::string& text, std::uint64_t low, std::uint64_t high,
                 std::uint64_t* value) {
  const char* end = text.data() + text.size();
  auto [rest, failure] = std::from_chars(text.data(), end, *value);
  return !text.empty() && failure == std::errc() && rest == end && *value >= low && *value <= high;
}

// "HOST:PORT" or "[IPV6]:PORT".
bool ParseListen(const std::string& text, std::string* host, int* port) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string address = text.substr(0, colon);
  if (address.front() == '[') {
    if (address.size() < 3 || address.back() != ']') return false;
    address = address.substr(1, address.size() - 2);
  } else if (address.find(':') != std::string::npos) {
    return false;  // an IPv6 address needs its brackets
  }
  std::uint64_t number = 0;
  if (!ParseNumber(text.substr(colon + 1), 0, 65535, &number)) return false;
  *host = address;
  *port = static_cast<int>(number);
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  ServerOptions& o = line.options;
  constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
  for (std::size_t i = 0; i < args.size() && line.error.empty(); ++i) {
    std::string name = args[i], value;
    bool inline_value = false;
    if (auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      inline_value = true;
    }
    if (name == "--help" || name == "-h") {
      line.help = true;
      continue;
    }
    static const char* const kWithValue[] = {
        "--listen",         "--db",       "--api-key",         "--max-upload-bytes",
        "--max-signatures", "--data-dir", "--clamav-system-db"};
    bool known = false;
    for (const char* option : kWithValue) known = known || name == option;
    if (!known) {
      line.error = "unknown argument '" + args[i] + "'";
      break;
    }
    if (!inline_value) {
      if (i + 1 == args.size()) {
        line.error = name + " needs a value";
        break;
      }
      value = args[++i];
    }
    if (name == "--listen") {
      if (!ParseListen(value, &o.host, &o.port)) {
        line.error = "--listen needs ADDRESS:PORT with a port from 0 to 65535, not '" + value + "'";
      }
    } else if (name == "--db") {
      o.db_path = value;
    } else if (name == "--api-key") {
      o.api_key = value;
    } else if (name == "--max-upload-bytes") {
      if (!ParseNumber(value, 1, kMax, &o.max_upload_bytes)) {
        line.error = "--max-upload-bytes needs a whole number from 1 to " + std::to_string(kMax);
      }
    } else if (name == "--max-signatures") {
      // Bounded so that the lookup body size (41 bytes a signature) fits.
      if (!ParseNumber(value, 1, 100'000'000, &o.max_signatures)) {
        line.error = "--max-signatures needs a whole number from 1 to 100000000";
      }
    } else if (name == "--data-dir") {
      o.data_folder = value;
    } else {
      o.system_clamav_folder = value;
    }
    if (line.error.empty() && value.empty() && name != "--api-key") {
      line.error = name + " needs a value";
    }
  }
  return line;
}

std::string UsageText() {
  return R"(usage: scan-server [--listen ADDRESS:PORT] [--db PATH] [--api-key KEY]
                   [--max-upload-bytes N] [--max-signatures N]
                   [--data-dir DIR] [--clamav-system-db DIR|none]

A multi-engine scanning server (ClamAV, YARA, hash lists) for the client.
Requests go to http://ADDRESS:PORT/dravanta_rest/scanner?method=...

  --listen ADDRESS:PORT    where to listen (default 127.0.0.1:8008); port 0
                           picks a free port; IPv6 as [::1]:PORT
  --db PATH                SQLite database file of verdicts and scans
                           (default: in memory, forgotten at exit)
  --api-key KEY            refuse requests whose X-API-Key header differs
  --max-upload-bytes N     largest file accepted by "scan" (default 104857600)
  --max-signatures N       most signatures in one "scanmultiple" (default 10000)
  --data-dir DIR           folder with clamav/, yara/ and hashes/ (default: the
                           one shipped with the sources)
  --clamav-system-db DIR   further ClamAV database folder, used when it holds
                           files (default: libclamav's own); "none" to skip
  --help                   this text

Once listening, prints "listening on http://ADDRESS:PORT/dravanta_rest".
)";
}

std::string ServerUrl(const std::string& host, int port) {
  bool ipv6 = host.find(':') != std::string::npos;
  return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port) +
         "/dravanta_rest";
}

}  // namespace dravanta::scan_server
