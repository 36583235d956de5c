// UTF-8 <-> UTF-16 conversion: bytes -> UTF-16 -> bytes gives the same bytes
// for any input (file names are arbitrary bytes), well-formed UTF-16 survives
// UTF-8 and back unchanged, and valid UTF-8 decodes to well-formed UTF-16.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Every high surrogate followed by a low one, no low one alone. Written apart
// from the product's decoding so that a mistake shared by both cannot hide.
bool WellFormed(std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i) {
    if (IsHigh(units[i])) {
      if (i + 1 >= units.size() || !IsLow(units[i + 1])) return false;
      ++i;
    } else if (IsLow(units[i])) {
      return false;
    }
  }
  return true;
}

// Well-formed UTF-8 after the Unicode definition (table 3-7).
bool ValidUtf8(std::string_view s) {
  size_t i = 0;
  const auto at = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const auto in = [](uint8_t b, uint8_t lo, uint8_t hi) { return b >= lo && b <= hi; };
  while (i < s.size()) {
    const uint8_t b = at(i);
    size_t n;
    uint8_t lo = 0x80, hi = 0xBF;
    if (b <= 0x7F) {
      ++i;
      continue;
    } else if (in(b, 0xC2, 0xDF)) {
      n = 2;
    } else if (b == 0xE0) {
      n = 3, lo = 0xA0;
    } else if (in(b, 0xE1, 0xEC) || in(b, 0xEE, 0xEF)) {
      n = 3;
    } else if (b == 0xED) {
      n = 3, hi = 0x9F;
    } else if (b == 0xF0) {
      n = 4, lo = 0x90;
    } else if (in(b, 0xF1, 0xF3)) {
      n = 4;
    } else if (b == 0xF4) {
      n = 4, hi = 0x8F;
    } else {
      return false;
    }
    if (i + n > s.size() || !in(at(i + 1), lo, hi)) return false;
    for (size_t k = 2; k < n; ++k) {
      if (!in(at(i + k), 0x80, 0xBF)) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);

  // Bytes first: lossless whatever they are.
  const std::u16string decoded = dravanta::Utf8ToUtf16(bytes);
  FUZZ_CHECK(dravanta::Utf16ToUtf8(decoded) == bytes);
  FUZZ_CHECK(decoded.size() <= bytes.size());
  if (ValidUtf8(bytes)) FUZZ_CHECK(WellFormed(decoded));
  // Stray bytes become U+DC80..U+DCFF only; nothing else lone.
  for (size_t i = 0; i < decoded.size(); ++i) {
    if (IsHigh(decoded[i])) {
      FUZZ_CHECK(i + 1 < decoded.size() && IsLow(decoded[i + 1]));
      ++i;
    } else if (IsLow(decoded[i])) {
      FUZZ_CHECK(decoded[i] >= 0xDC80 && decoded[i] <= 0xDCFF);
    }
  }

  // The same bytes read as UTF-16 code units.
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                          (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  const std::string encoded = dravanta::Utf16ToUtf8(units);
  const std::u16string again = dravanta::Utf8ToUtf16(encoded);
  FUZZ_CHECK(dravanta::Utf16ToUtf8(again) == encoded);
  if (WellFormed(units)) {
    FUZZ_CHECK(ValidUtf8(encoded));
    FUZZ_CHECK(again == units);
  }

  FUZZ_CHECK(dravanta::WidenBytes(bytes).size() == bytes.size());
  const std::u16string lower = dravanta::AsciiLower(units);
  FUZZ_CHECK(lower.size() == units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const bool upper = units[i] >= u'A' && units[i] <= u'Z';
    FUZZ_CHECK(lower[i] == (upper ? units[i] + 32 : units[i]));
  }
  return 0;
}
