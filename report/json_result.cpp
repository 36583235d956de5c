#include "report/json_result.h"

#include <cstdio>

#include "platform/text.h"

namespace dravanta {
namespace {

bool IsEscapedByte(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

void AppendHexByte(std::string& out, unsigned byte) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\\\x%02X", byte & 0xFF);
  out += buffer;
}

// JSON string escaping of UTF-8 text (quotes not included).
void AppendEscaped(std::string& out, std::string_view utf8) {
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", byte);
      out += buffer;
    } else {
      out += c;
    }
  }
}

// A text that is no path: a lone surrogate cannot be written in UTF-8 and
// becomes U+FFFD.
std::string JsonTextOf(std::u16string_view text) {
  std::u16string clean(text);
  for (size_t i = 0; i < clean.size(); ++i) {
    const char16_t c = clean[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 && clean[i + 1] <= 0xDFFF) {
      ++i;
    } else if (high || low) {
      clean[i] = 0xFFFD;
    }
  }
  std::string out = "\"";
  AppendEscaped(out, Utf16ToUtf8(clean));
  return out + "\"";
}

std::string Number(int64_t value) { return std::to_string(value); }

// The server's result number as a JSON number; anything else as null.
std::string ResultNumber(std::u16string_view text) {
  if (text.empty() || text.size() > 10) return "null";
  size_t i = text[0] == u'-' ? 1 : 0;
  if (i == text.size()) return "null";
  for (size_t j = i; j < text.size(); ++j) {
    if (text[j] < u'0' || text[j] > u'9') return "null";
  }
  return Utf16ToUtf8(text);
}

std::string FileEntry(const FileOutcome& file) {
  bool escaped = false;
  std::string out = "    {\"path\": " + JsonPath(file.path, &escaped);
  if (escaped) out += ", \"path_escaped\": true";
  out += ", \"size\": " + (file.size ? Number(static_cast<int64_t>(*file.size)) : "null");
  out += ", \"outcome\": " + Number(file.code);
  out += ", \"outcome_text\": " + JsonTextOf(file.codeText);
  out += ", \"category\": " + JsonTextOf(CategoryName(file.category));
  const bool threat = file.category == FileCategory::kThreat;
  out += ", \"threat\": " + (threat ? JsonTextOf(file.text) : "null");
  out += ", \"reason\": " + (threat ? "null" : JsonTextOf(file.text));
  out += ", \"engines\": [";
  for (size_t i = 0; i < file.engines.size(); ++i) {
    const EngineResult& engine = file.engines[i];
    if (i > 0) out += ", ";
    out += "{\"name\": " + JsonTextOf(engine.name) +
           ", \"result\": " + ResultNumber(engine.result) +
           ", \"threat\": " + (engine.threat.empty() ? "null" : JsonTextOf(engine.threat)) + "}";
  }
  return out + "]}";
}

}  // namespace

std::string JsonString(std::u16string_view text) { return JsonTextOf(text); }

std::string Iso8601(const LocalTime& t) {
  const int offset = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return buffer;
}

std::string JsonPath(std::u16string_view path, bool* escaped) {
  *escaped = false;
  for (const char16_t c : path) *escaped = *escaped || IsEscapedByte(c);
  std::string out = "\"";
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    const bool end = i == path.size();
    const bool byte = !end && IsEscapedByte(path[i]) &&
                      !(i > 0 && path[i - 1] >= 0xD800 && path[i - 1] <= 0xDBFF);
    const bool backslash = !end && *escaped && path[i] == u'\\';
    if (!end && !byte && !backslash) continue;
    AppendEscaped(out, Utf16ToUtf8(path.substr(start, i - start)));
    if (byte) AppendHexByte(out, path[i] - 0xDC00);
    if (backslash) AppendHexByte(out, '\\');
    start = i + 1;
  }
  return out + "\"";
}

std::string ComposeJsonResult(const JsonResult& r) {
  const CoverageCounts& c = r.counts;
  std::string out = "{\n";
  out += "  \"format\": \"dravanta-scan-result\",\n  \"version\": 1,\n";
  out += "  \"client_version\": " + JsonTextOf(r.clientVersion) + ",\n";
  out += "  \"computer\": " + JsonTextOf(r.computer) + ",\n";
  out += "  \"user\": " + JsonTextOf(r.user) + ",\n";
  out += "  \"server\": " + JsonTextOf(r.server) + ",\n";
  out += "  \"scan_type\": " + JsonTextOf(r.scanType) + ",\n";
  out += "  \"targets\": [";
  for (size_t i = 0; i < r.targets.size(); ++i) {
    bool escaped = false;
    out += (i > 0 ? ", " : "") + JsonPath(r.targets[i], &escaped);
  }
  out += "],\n";
  out += "  \"started\": \"" + Iso8601(r.started) + "\",\n";
  out += "  \"finished\": \"" + Iso8601(r.finished) + "\",\n";
  out += "  \"status\": " + JsonTextOf(r.status) + ",\n";
  out += "  \"exit_code\": " + Number(r.exitCode) + ",\n";
  out += "  \"message\": " + JsonTextOf(r.message) + ",\n";
  out += "  \"counts\": {\"collected\": " + Number(c.collected);
  // The categories under the names of the one category table.
  for (int i = 0; i <= static_cast<int>(FileCategory::kFailed); ++i) {
    const auto category = static_cast<FileCategory>(i);
    out += ", \"" + Utf16ToUtf8(CategoryName(category)) + "\": " + Number(c.Of(category));
  }
  out += ", \"not_reached\": " + Number(c.notReached) +
         ", \"unlistable_folders\": " + Number(c.unlistableFolders) + "},\n";
  out += "  \"files\": [";
  for (size_t i = 0; i < r.files.size(); ++i) out += (i > 0 ? ",\n" : "\n") + FileEntry(r.files[i]);
  out += r.files.empty() ? "]\n" : "\n  ]\n";
  return out + "}\n";
}

}  // namespace dravanta
