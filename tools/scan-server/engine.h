// One scan engine behind the server, and the verdict it gives on one file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace dravanta::scan_server {

// The result numbers of one engine and of a whole file, as the client names
// them (only the ones this server produces).
enum ScanResult : int {
  kThreatNotDetected = 0,
  kThreatDetected = 1,
  kSuspicious = 2,
  kFailedToScan = 3,
  kUnknown = 5,
  kSkippedClean = 7,
};

// A file received by the server, already on disk, with its digests.
struct ScannedFile {
  std::filesystem::path path;
  std::string sha1;  // 40 upper-case hexadecimal digits
  std::string md5;   // 32 upper-case hexadecimal digits
  std::uint64_t size = 0;
};

struct EngineVerdict {
  std::string engine_name;
  int scan_result = kThreatNotDetected;
  std::string threat_name;  // empty unless the engine found something
};

struct EngineDescription {
  std::string name;
  std::string version;
  std::string definitions;  // what the engine loaded, in words
};

// A loaded engine. Scan is called from many request threads at once.
class Engine {
 public:
  virtual ~Engine() = default;
  virtual const EngineDescription& Description() const = 0;
  virtual EngineVerdict Scan(const ScannedFile& file) const = 0;
};

// Threat names travel inside CDATA sections that the client finds by plain
// text search and hands to a page that evaluates them inside quotes. Any
// character that could end the section, start markup or break the quoting
// (< > & " ' \ and control characters) becomes '_'.
std::string SafeThreatName(std::string_view name);

}  // namespace dravanta::scan_server
