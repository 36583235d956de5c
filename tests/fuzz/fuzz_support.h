// Small helpers shared by the fuzz targets: a check that stops the run with
// a message, and a reader that cuts the fuzzer's bytes into arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A broken property: libFuzzer (and the replay driver) report the abort as a
// crash, and the input that caused it is kept.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

namespace dravanta::fuzz {

// Reads values off the front of the input; once it is used up every read
// gives zero or the empty text.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size) {}

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  uint32_t Number32() {
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n = (n << 8) | Byte();
    return n;
  }
  // Bytes up to the next `separator` (which is consumed), or all that is left.
  std::string_view Piece(char separator = '\0') {
    const size_t at = rest_.find(separator);
    const std::string_view piece = rest_.substr(0, at);
    rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
    return piece;
  }
  // UTF-16 code units, two bytes each (little-endian), up to a zero unit.
  std::u16string Units() {
    std::u16string units;
    while (rest_.size() >= 2) {
      const auto unit = static_cast<char16_t>(static_cast<uint8_t>(rest_[0]) |
                                              (static_cast<uint8_t>(rest_[1]) << 8));
      rest_.remove_prefix(2);
      if (unit == 0) break;
      units.push_back(unit);
    }
    if (rest_.size() == 1) rest_ = {};
    return units;
  }
  std::string_view Rest() {
    const std::string_view rest = rest_;
    rest_ = {};
    return rest;
  }
  bool empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// One code unit per byte, as the server's answers reach the readers.
inline std::u16string Widen(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (const char c : bytes) wide.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
  return wide;
}

// Every high surrogate followed by a low one, no low one alone.
inline bool WellFormedUtf16(std::u16string_view units) {
  const auto high = [](char16_t u) { return u >= 0xD800 && u <= 0xDBFF; };
  const auto low = [](char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
  for (size_t i = 0; i < units.size(); ++i) {
    if (high(units[i])) {
      if (i + 1 >= units.size() || !low(units[i + 1])) return false;
      ++i;
    } else if (low(units[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace dravanta::fuzz
