#include "tools/scan-server/engine.h"

namespace dravanta::scan_server {

std::string SafeThreatName(std::string_view name) {
  std::string safe;
  safe.reserve(name.size());
  for (unsigned char c : name) {
    bool printable = c >= 0x20 && c < 0x7F;
    bool markup = c == '<' || c == '>' || c == '&' || c == '"' || c == '\'' || c == '\\';
    safe += (printable && !markup) ? static_cast<char>(c) : '_';
  }
  return safe;
}

}  // namespace dravanta::scan_server
