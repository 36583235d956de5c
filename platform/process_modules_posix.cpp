#include "platform/process_modules.h"

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>

#include "internal/executable_mappings_posix.h"
#include "platform/text.h"

namespace dravanta {
namespace {

constexpr std::string_view kDeletedMarker = " (deleted)";

// The kernel writes a newline in a mapped path as \012.
std::string DecodeMapsPath(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 4) == "\\012") {
      out += '\n';
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Skips `count` space-separated fields; returns the position after them.
size_t SkipFields(std::string_view line, int count) {
  size_t pos = 0;
  for (int i = 0; i < count; ++i) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    while (pos < line.size() && line[pos] != ' ') ++pos;
  }
  while (pos < line.size() && line[pos] == ' ') ++pos;
  return pos;
}

}  // namespace

bool IsDeletedMappingPath(std::string_view path) {
  return path.size() >= kDeletedMarker.size() &&
         path.substr(path.size() - kDeletedMarker.size()) == kDeletedMarker;
}

std::vector<std::string> ParseExecutableMappings(std::string_view maps_text) {
  std::vector<std::string> paths;
  std::set<std::string> seen;
  size_t pos = 0;
  while (pos < maps_text.size()) {
    size_t end = maps_text.find('\n', pos);
    if (end == std::string_view::npos) end = maps_text.size();
    const std::string_view line = maps_text.substr(pos, end - pos);
    pos = end + 1;
    // address perms offset dev inode path
    const size_t perms = SkipFields(line, 1);
    if (perms + 3 >= line.size() || line[perms + 2] != 'x') continue;
    const size_t inode_at = SkipFields(line, 4);
    const size_t inode_end = line.find(' ', inode_at);
    if (inode_end == std::string_view::npos || line.substr(inode_at, inode_end - inode_at) == "0") {
      continue;  // anonymous memory
    }
    const size_t path_at = SkipFields(line, 5);
    if (path_at >= line.size() || line[path_at] != '/') continue;  // [vdso] and the like
    const std::string_view raw = line.substr(path_at);
    if (IsDeletedMappingPath(raw)) continue;
    std::string path = DecodeMapsPath(raw);
    if (seen.insert(path).second) paths.push_back(std::move(path));
  }
  return paths;
}

std::vector<std::string> ReadExecutableMappings(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseExecutableMappings(text.str());
}

bool CanReadOtherUsersProcesses() {
  if (geteuid() == 0) return true;
  std::ifstream status("/proc/self/status");
  std::string line;
  constexpr int kCapSysPtrace = 19;
  while (std::getline(status, line)) {
    if (line.rfind("CapEff:", 0) != 0) continue;
    const uint64_t caps = std::stoull(line.substr(7), nullptr, 16);
    return (caps >> kCapSysPtrace) & 1u;
  }
  return false;
}

bool EnableReadingOtherProcesses() { return CanReadOtherUsersProcesses(); }

std::vector<std::u16string> LoadedModulePaths(const ProcessEntry& process, bool all_modules) {
  std::vector<std::u16string> paths;
  if (!IsDeletedMappingPath(Utf16ToUtf8(process.executable_path))) {
    paths.push_back(process.executable_path);
  }
  if (!all_modules) return paths;
  for (const std::string& mapped : ReadExecutableMappings(process.pid)) {
    paths.push_back(Utf8ToUtf16(mapped));
  }
  return paths;
}

std::u16string PlainModulePath(std::u16string_view path) {
  std::u16string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i];
    if (c == u'/' && !out.empty() && out.back() == u'/') continue;  // "//"
    if (c == u'.' && !out.empty() && out.back() == u'/' &&
        (i + 1 == path.size() || path[i + 1] == u'/')) {
      ++i;  // "/./" or a trailing "/."
      continue;
    }
    out += c;
  }
  if (out.size() > 1 && out.back() == u'/' && path.back() != u'/') out.pop_back();
  return out;
}

std::u16string ModuleMapKey(std::u16string_view path) { return std::u16string(path); }

}  // namespace dravanta
