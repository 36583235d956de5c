#include "ui/testing/json_check.h"

#include <cstring>

namespace dravanta {
namespace {

struct Checker {
  std::string_view s;
  size_t at = 0;
  int depth = 0;

  void Blanks() {
    while (at < s.size() && std::strchr(" \t\r\n", s[at]) != nullptr && s[at] != '\0') ++at;
  }
  bool Literal(std::string_view word) {
    if (s.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
  }
  bool String() {
    if (at >= s.size() || s[at] != '"') return false;
    for (++at; at < s.size(); ++at) {
      const auto c = static_cast<unsigned char>(s[at]);
      if (c < 0x20) return false;
      if (c == '"') {
        ++at;
        return true;
      }
      if (c == '\\') {
        if (++at >= s.size()) return false;
        if (s[at] == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (++at >= s.size() || std::strchr("0123456789abcdefABCDEF", s[at]) == nullptr ||
                s[at] == '\0')
              return false;
          }
        } else if (std::strchr("\"\\/bfnrt", s[at]) == nullptr || s[at] == '\0') {
          return false;
        }
      }
    }
    return false;
  }
  bool Digits() {
    const size_t start = at;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
    return at > start;
  }
  bool Number() {
    if (at < s.size() && s[at] == '-') ++at;
    if (at < s.size() && s[at] == '0') {
      ++at;
    } else if (!Digits()) {
      return false;
    }
    if (at < s.size() && s[at] == '.') {
      ++at;
      if (!Digits()) return false;
    }
    if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
      ++at;
      if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
      if (!Digits()) return false;
    }
    return true;
  }
  bool Sequence(char close, bool members) {
    ++at;
    Blanks();
    if (at < s.size() && s[at] == close) {
      ++at;
      return true;
    }
    for (;;) {
      Blanks();
      if (members) {
        if (!String()) return false;
        Blanks();
        if (at >= s.size() || s[at++] != ':') return false;
      }
      if (!Value()) return false;
      Blanks();
      if (at >= s.size()) return false;
      if (s[at] == close) {
        ++at;
        return true;
      }
      if (s[at++] != ',') return false;
    }
  }
  bool Value() {
    if (++depth > 200) return false;
    Blanks();
    bool ok = false;
    if (at < s.size()) {
      switch (s[at]) {
        case '{':
          ok = Sequence('}', true);
          break;
        case '[':
          ok = Sequence(']', false);
          break;
        case '"':
          ok = String();
          break;
        case 't':
          ok = Literal("true");
          break;
        case 'f':
          ok = Literal("false");
          break;
        case 'n':
          ok = Literal("null");
          break;
        default:
          ok = Number();
      }
    }
    --depth;
    return ok;
  }
};

}  // namespace

bool IsValidJson(std::string_view text) {
  Checker c{text};
  if (!c.Value()) return false;
  c.Blanks();
  return c.at == text.size();
}

}  // namespace dravanta
