// ASCII helpers for bytes and code units: the one lower-casing of byte
// texts (UTF-16 texts: AsciiLower in platform/text.h), the one
// hexadecimal digit decoder and the lower-case hexadecimal text of bytes.
// Portable; header only.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// A..Z become a..z; every other byte is left as it is.
inline std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The value of an ASCII hexadecimal digit of either case, -1 for any other
// character. A table: a lookup of signatures tests forty digits for each.
inline constexpr std::array<signed char, 128> kHexDigitValues = [] {
  std::array<signed char, 128> values{};
  for (auto& value : values) value = -1;
  for (int c = '0'; c <= '9'; ++c) values[c] = static_cast<signed char>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) values[c] = static_cast<signed char>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) values[c] = static_cast<signed char>(c - 'a' + 10);
  return values;
}();

// A char converts with its sign (a byte above 0x7F becomes a very large
// char32_t), so every non-ASCII character gives -1.
constexpr int HexDigitValue(char32_t c) { return c < 128 ? kHexDigitValues[c] : -1; }

// Each byte as two lower-case hexadecimal digits.
inline std::string LowerHexText(const std::vector<unsigned char>& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const unsigned char b : bytes) {
    text += kHex[b >> 4];
    text += kHex[b & 0xF];
  }
  return text;
}

}  // namespace dravanta
