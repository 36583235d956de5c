#include "ui/result_texts.h"

#include <cstdio>

#include "platform/text.h"

namespace dravanta {
namespace {

void AppendUnicodeEscape(std::u16string& out, char16_t c) {
  static const char kHex[] = "0123456789abcdef";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4)
    out += static_cast<char16_t>(kHex[(c >> shift) & 0xF]);
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The text between `open` and the first `close` after it, or empty.
std::u16string_view Between(std::u16string_view block, std::u16string_view open,
                            std::u16string_view close) {
  const size_t start = block.find(open);
  if (start == std::u16string_view::npos) return {};
  const size_t from = start + open.size();
  const size_t end = block.find(close, from);
  if (end == std::u16string_view::npos) return {};
  return block.substr(from, end - from);
}

bool IsAsciiBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// A decimal integer as a JSON number (leading zeros dropped), or "null".
std::u16string ResultNumber(std::u16string_view text) {
  while (!text.empty() && IsAsciiBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsAsciiBlank(text.back())) text.remove_suffix(1);
  std::u16string sign;
  if (!text.empty() && text.front() == u'-') {
    sign = u"-";
    text.remove_prefix(1);
  }
  if (text.empty()) return u"null";
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return u"null";
  }
  while (text.size() > 1 && text.front() == u'0') text.remove_prefix(1);
  if (text == u"0") sign.clear();
  return sign + std::u16string(text);
}

std::u16string Ascii(const char* text) { return Utf8ToUtf16(text); }

}  // namespace

std::u16string EscapeForPage(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\\':
        out += u"\\\\";
        break;
      case u'"':
        out += u"\\\"";
        break;
      case u'\b':
      case u'\t':
      case u'\n':
      case u'\f':
      case u'\r':
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          AppendUnicodeEscape(out, c);
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
          out += c;
          out += text[++i];
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
          AppendUnicodeEscape(out, c);
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::u16string BuildEngineEntry(std::u16string_view document, size_t index) {
  std::u16string entry = Ascii(("{\"index_" + std::to_string(index) + "\":[").c_str());
  constexpr std::u16string_view kOpen = u"<engine_result>";
  constexpr std::u16string_view kClose = u"</engine_result>";
  size_t position = 0;
  bool first = true;
  for (;;) {
    const size_t open = document.find(kOpen, position);
    if (open == std::u16string_view::npos) break;
    const size_t from = open + kOpen.size();
    const size_t close = document.find(kClose, from);
    if (close == std::u16string_view::npos) break;
    const std::u16string_view block = document.substr(from, close - from);
    position = close;
    if (block.empty()) break;
    const auto engine = Between(block, u"<engine_name>", u"</engine_name>");
    const auto threat = Between(block, u"<threat_name><![CDATA[", u"]]></threat_name>");
    const auto result = Between(block, u"<scan_result>", u"</scan_result>");
    if (!first) entry += u",";
    first = false;
    entry += u"[\"" + EscapeForPage(engine) + u"\"," + ResultNumber(result) + u",\"" +
             EscapeForPage(threat) + u"\"]";
  }
  entry += u"]}";
  return entry;
}

ResultTexts BuildResultTexts(const ThreatMap& threats, const DocumentMap& documents,
                             const ResultFigures& figures) {
  const uint32_t hours = figures.scanSeconds / 3600;
  const uint32_t minutes = (figures.scanSeconds / 60) % 60;
  const uint32_t seconds = figures.scanSeconds % 60;
  char head[500];
  std::snprintf(head, sizeof head,
                "{\"numThreats\":%d,\"engine\":\"%d\",\"fileScanned\":%d,"
                "\"scanTime\":\"%02u:%02u:%02u\",\"result\":[",
                static_cast<int>(threats.size()), figures.engineCount, figures.filesScanned, hours,
                minutes, seconds);
  ResultTexts texts{Ascii(head), u"["};
  size_t index = 0;
  for (const auto& [path, threat] : threats) {
    if (index > 0) {
      texts.results += u",";
      texts.details += u",";
    }
    texts.results += u"[ \"" + EscapeForPage(path) + u"\",\"" + EscapeForPage(threat) + u"\" ]";
    const auto document = documents.find(path);
    texts.details += BuildEngineEntry(
        document == documents.end() ? std::u16string_view() : document->second, index);
    ++index;
  }
  texts.results += u"]}";
  texts.details += u"]";
  return texts;
}

std::u16string PickerText(std::u16string_view kind, std::u16string_view path) {
  return u"[{\"" + std::u16string(kind) + u"\" : \"" + EscapeForPage(path) + u"\"}]";
}

}  // namespace dravanta
