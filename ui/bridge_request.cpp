#include "ui/bridge_request.h"

#include "platform/ascii.h"
#include "platform/text.h"

namespace dravanta {
namespace {

struct Reader {
  std::string_view text;
  size_t at = 0;

  bool AtEnd() const { return at >= text.size(); }
  char Peek() const { return text[at]; }
  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at;
  }
  bool Take(char c) {
    if (AtEnd() || Peek() != c) return false;
    ++at;
    return true;
  }
};

// One escape after its backslash: appends what it stands for. False for an
// escape that JSON does not have, or a "\u" without four hex digits.
bool ReadEscape(Reader& r, std::u16string* out) {
  if (r.AtEnd()) return false;
  const char e = r.Peek();
  ++r.at;
  switch (e) {
    case '"':
      *out += u'"';
      return true;
    case '\\':
      *out += u'\\';
      return true;
    case '/':
      *out += u'/';
      return true;
    case 'b':
      *out += u'\b';
      return true;
    case 'f':
      *out += u'\f';
      return true;
    case 'n':
      *out += u'\n';
      return true;
    case 'r':
      *out += u'\r';
      return true;
    case 't':
      *out += u'\t';
      return true;
    case 'u': {
      if (r.text.size() - r.at < 4) return false;
      int value = 0;
      for (int i = 0; i < 4; ++i) {
        const int digit = HexDigitValue(r.text[r.at + i]);
        if (digit < 0) return false;
        value = value * 16 + digit;
      }
      r.at += 4;
      *out += static_cast<char16_t>(value);
      return true;
    }
    default:
      return false;
  }
}

bool ReadString(Reader& r, std::u16string* out) {
  if (!r.Take('"')) return false;
  out->clear();
  size_t plain = r.at;  // start of the run of unescaped bytes
  auto flushPlain = [&](size_t end) { *out += Utf8ToUtf16(r.text.substr(plain, end - plain)); };
  while (!r.AtEnd()) {
    const char c = r.Peek();
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (c == '"') {
      flushPlain(r.at);
      ++r.at;
      return true;
    }
    if (c != '\\') {
      ++r.at;
      continue;
    }
    flushPlain(r.at);
    ++r.at;
    if (!ReadEscape(r, out)) return false;
    plain = r.at;
  }
  return false;
}

}  // namespace

bool ParseStringArray(std::string_view body, std::vector<std::u16string>* elements) {
  elements->clear();
  Reader r{body};
  r.SkipBlanks();
  if (r.AtEnd()) return true;
  if (!r.Take('[')) return false;
  r.SkipBlanks();
  if (!r.Take(']')) {
    for (;;) {
      r.SkipBlanks();
      std::u16string element;
      if (!ReadString(r, &element)) return false;
      elements->push_back(std::move(element));
      r.SkipBlanks();
      if (r.Take(']')) break;
      if (!r.Take(',')) return false;
    }
  }
  r.SkipBlanks();
  return r.AtEnd();
}

}  // namespace dravanta
