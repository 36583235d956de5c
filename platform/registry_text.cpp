#include "platform/registry_text.h"

#include <vector>

#include "platform/text.h"

namespace dravanta {
namespace {

// The store's lines without their line ends: LF, CR LF, or more carriage
// returns before the LF. A last line without a line end counts too. No line
// read here ends with a carriage return, so rewriting the store keeps every
// line as it read ("[K]" and two carriage returns would otherwise become a
// header once written back with one line end).
std::vector<std::string> SplitLines(std::string_view content) {
  std::vector<std::string> lines;
  while (!content.empty()) {
    const size_t end = content.find('\n');
    std::string line(content.substr(0, end));
    while (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
  }
  return lines;
}

bool IsSection(const std::string& line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

std::string Header(const std::string& key) { return "[" + key + "]"; }

bool Representable(std::string_view text) {
  return text.find('\n') == std::string_view::npos && text.find('\r') == std::string_view::npos &&
         text.find('\0') == std::string_view::npos;
}

// Index of the value line of `name` in the section of `key`, and where the
// section ends; -1 when absent.
struct Position {
  long section = -1;
  long value = -1;
  long end = -1;  // one past the section's last line
};

Position Find(const std::vector<std::string>& lines, const std::string& key,
              const std::string& name) {
  Position p;
  const std::string header = Header(key);
  const std::string prefix = name + "=";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (p.section < 0) {
      if (lines[i] == header) p.section = static_cast<long>(i);
      continue;
    }
    if (IsSection(lines[i])) break;
    if (lines[i].compare(0, prefix.size(), prefix) == 0) p.value = static_cast<long>(i);
    if (!lines[i].empty()) p.end = static_cast<long>(i) + 1;
  }
  if (p.section >= 0 && p.end < 0) p.end = p.section + 1;
  return p;
}

bool ParseDword(std::string_view text, uint32_t* value) {
  constexpr std::string_view kPrefix = "dword:";
  if (text.substr(0, kPrefix.size()) != kPrefix) return false;
  text.remove_prefix(kPrefix.size());
  if (text.empty() || text.size() > 10) return false;
  uint64_t number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  if (number > UINT32_MAX) return false;
  *value = static_cast<uint32_t>(number);
  return true;
}

}  // namespace

// A key or name holding a line break could not be read back; a name with
// "=" or starting with "[" would read as another line.
bool CanStoreInRegistryText(std::u16string_view key, std::u16string_view name16) {
  const std::string name = Utf16ToUtf8(name16);
  return Representable(Utf16ToUtf8(key)) && Representable(name) && !name.empty() &&
         name.find('=') == std::string::npos && name.front() != '[';
}

bool SetRegistryDwordInText(std::string_view content, std::u16string_view key16,
                            std::u16string_view name16, uint32_t value, std::string* updated) {
  if (!CanStoreInRegistryText(key16, name16)) return false;
  const std::string key = Utf16ToUtf8(key16);
  const std::string name = Utf16ToUtf8(name16);
  std::vector<std::string> lines = SplitLines(content);
  const std::string line = name + "=dword:" + std::to_string(value);
  const Position p = Find(lines, key, name);
  if (p.value >= 0) {
    lines[static_cast<size_t>(p.value)] = line;
  } else if (p.section >= 0) {
    lines.insert(lines.begin() + p.end, line);
  } else {
    lines.push_back(Header(key));
    lines.push_back(line);
  }
  updated->clear();
  for (const std::string& l : lines) *updated += l + "\n";
  return true;
}

bool ReadRegistryDwordFromText(std::string_view content, std::u16string_view key,
                               std::u16string_view name, uint32_t* value) {
  const std::string name8 = Utf16ToUtf8(name);
  const std::vector<std::string> lines = SplitLines(content);
  const Position p = Find(lines, Utf16ToUtf8(key), name8);
  if (p.value < 0) return false;
  return ParseDword(std::string_view(lines[static_cast<size_t>(p.value)]).substr(name8.size() + 1),
                    value);
}

}  // namespace dravanta
