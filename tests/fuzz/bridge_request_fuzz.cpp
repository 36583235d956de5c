// The page bridge's request bodies: a JSON array of strings. What is
// accepted is valid JSON (or blank); strings written by any JSON writer --
// plain UTF-8 or \u escapes, lone surrogates included -- read back as the
// same code units.
//
// Input: a byte choosing the form. Even: the body itself. Odd: strings of
// UTF-16 code units (two bytes each, a zero unit ending each) that are
// written as a JSON array here, each unit escaped or not as the next bit of
// the form byte says.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"
#include "ui/bridge_request.h"
#include "ui/testing/json_check.h"

namespace {

bool Blank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

std::string Escaped(char16_t unit) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
  return out;
}

std::string WriteArray(const std::vector<std::u16string>& strings, uint32_t choices) {
  std::string body = " [";
  for (size_t s = 0; s < strings.size(); ++s) {
    if (s != 0) body += s % 2 == 0 ? "," : " ,\n ";
    body += '"';
    const std::u16string& text = strings[s];
    for (size_t i = 0; i < text.size(); ++i) {
      const char16_t u = text[i];
      choices = choices * 1103515245u + 12345u;
      const bool pair = u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() &&
                        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      const bool lone = !pair && u >= 0xD800 && u <= 0xDFFF;
      if (lone || u < 0x20 || u == u'"' || u == u'\\' || (choices >> 16) % 3 == 0) {
        body += Escaped(u);
      } else if (pair) {
        body += dravanta::Utf16ToUtf8(text.substr(i, 2));
        ++i;
      } else {
        body += dravanta::Utf16ToUtf8(std::u16string(1, u));
      }
    }
    body += '"';
  }
  return body + "] \r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  const uint8_t form = input.Byte();
  std::vector<std::u16string> elements;
  if (form % 2 == 0) {
    const std::string body(input.Rest());
    if (dravanta::ParseStringArray(body, &elements)) {
      FUZZ_CHECK(Blank(body) || dravanta::IsValidJson(body));
      // Written again, the elements read back unchanged.
      std::vector<std::u16string> again;
      FUZZ_CHECK(dravanta::ParseStringArray(WriteArray(elements, form), &again));
      FUZZ_CHECK(again == elements);
    }
    return 0;
  }
  std::vector<std::u16string> strings;
  while (!input.empty()) strings.push_back(input.Units());
  const std::string body = WriteArray(strings, form);
  FUZZ_CHECK(dravanta::IsValidJson(body));
  FUZZ_CHECK(dravanta::ParseStringArray(body, &elements));
  FUZZ_CHECK(elements == strings);
  return 0;
}
