#include "shell/ini_file.h"

#include <algorithm>

#include "platform/private_profile.h"

namespace dravanta {
namespace {

// The items of a list of `list.size()` characters, each ended by a zero
// (an empty item, such as the name of a section "[]", included).
std::vector<std::u16string> SplitList(std::u16string_view list) {
  std::vector<std::u16string> items;
  while (!list.empty()) {
    const size_t zero = std::min(list.find(u'\0'), list.size());
    items.emplace_back(list.substr(0, zero));
    list.remove_prefix(std::min(zero + 1, list.size()));
  }
  return items;
}

}  // namespace

std::vector<std::u16string> ReadProfileList(const ProfileListReader& read) {
  for (size_t size = kFirstListBufferLength; size <= kLargestListBufferLength; size *= 2) {
    std::u16string buffer(size, u'\0');
    const size_t length = read(std::span<char16_t>(buffer.data(), buffer.size()));
    if (length < size - 2) return SplitList(std::u16string_view(buffer).substr(0, length));
  }
  return {};  // cut off even in the largest buffer
}

IniContents ReadIniFile(std::u16string_view path) {
  IniContents contents;
  contents.section_names = ReadProfileList(
      [&](std::span<char16_t> buffer) { return ReadProfileSectionNames(path, buffer); });
  if (contents.section_names.empty()) return contents;
  const std::u16string& first = contents.section_names.front();
  contents.first_section_entries = ReadProfileList(
      [&](std::span<char16_t> buffer) { return ReadProfileSection(path, first, buffer); });
  return contents;
}

}  // namespace dravanta
