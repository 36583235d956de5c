// The system identifier in the firmware's SMBIOS tables (the UUID of the
// "System Information" structure, type 1). Portable parsing of the raw
// table bytes; header only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace dravanta {

// The UUID of the first type-1 structure of `table` (the structures only,
// without the system's header) as 32 lower-case hexadecimal digits in the
// order the bytes are stored; empty when there is none, when the table is
// cut short, or when the firmware left it unset (all zero or all one bits).
inline std::string SmbiosSystemUuid(std::string_view table) {
  constexpr uint8_t kSystemInformation = 1;
  constexpr uint8_t kEndOfTable = 127;
  constexpr size_t kUuidOffset = 8;
  constexpr size_t kUuidSize = 16;
  size_t at = 0;
  while (at + 4 <= table.size()) {
    const auto type = static_cast<uint8_t>(table[at]);
    const auto length = static_cast<uint8_t>(table[at + 1]);
    if (length < 4 || at + length > table.size()) return {};
    if (type == kSystemInformation) {
      if (length < kUuidOffset + kUuidSize) return {};
      const std::string_view uuid = table.substr(at + kUuidOffset, kUuidSize);
      if (uuid.find_first_not_of('\0') == std::string_view::npos ||
          uuid.find_first_not_of('\xFF') == std::string_view::npos) {
        return {};
      }
      std::string text;
      for (const char byte : uuid) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(static_cast<uint8_t>(byte)));
        text += hex;
      }
      return text;
    }
    if (type == kEndOfTable) return {};
    // The formatted part is followed by its strings, ended by two zeros.
    const size_t strings_end = table.find(std::string_view("\0\0", 2), at + length);
    if (strings_end == std::string_view::npos) return {};
    at = strings_end + 2;
  }
  return {};
}

}  // namespace dravanta
