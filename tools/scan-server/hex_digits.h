// The value of a hexadecimal digit of either case, -1 for any other byte.
// A table: every lookup tests the forty digits of each signature asked.
#pragma once

#include <array>

namespace dravanta::scan_server {

inline constexpr std::array<signed char, 256> kHexDigitValues = [] {
  std::array<signed char, 256> values{};
  for (auto& value : values) value = -1;
  for (int c = '0'; c <= '9'; ++c) values[c] = static_cast<signed char>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) values[c] = static_cast<signed char>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) values[c] = static_cast<signed char>(c - 'a' + 10);
  return values;
}();

inline int HexDigitValue(char c) { return kHexDigitValues[static_cast<unsigned char>(c)]; }

}  // namespace dravanta::scan_server
