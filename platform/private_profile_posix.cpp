#include "platform/private_profile.h"

#include <string>
#include <vector>

#include "platform/ini_scanner.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// Writes `items` as the system's call would.
size_t FillList(const std::vector<std::u16string>& items, std::span<char16_t> buffer) {
  if (buffer.size() < 2) {
    if (!buffer.empty()) buffer[0] = u'\0';
    return 0;
  }
  size_t at = 0;
  for (const std::u16string& item : items) {
    if (at + item.size() + 1 > buffer.size() - 1) {
      // Cut off: what fits, then the list's two zeros at the end.
      const size_t room = at < buffer.size() - 2 ? buffer.size() - 2 - at : 0;
      item.copy(buffer.data() + at, room);
      buffer[buffer.size() - 2] = u'\0';
      buffer[buffer.size() - 1] = u'\0';
      return buffer.size() - 2;
    }
    item.copy(buffer.data() + at, item.size());
    at += item.size();
    buffer[at++] = u'\0';
  }
  buffer[at] = u'\0';
  if (items.empty() && buffer.size() > 1) buffer[1] = u'\0';
  return at;
}

}  // namespace

size_t ReadProfileSectionNames(std::u16string_view file, std::span<char16_t> buffer) {
  return FillList(ScanIniFile(file).section_names, buffer);
}

size_t ReadProfileSection(std::u16string_view file, std::u16string_view section,
                          std::span<char16_t> buffer) {
  const ScannedIni contents = ScanIniFile(file);
  if (contents.section_names.empty() ||
      AsciiLower(contents.section_names.front()) != AsciiLower(section)) {
    return FillList({}, buffer);
  }
  return FillList(contents.first_section_entries, buffer);
}

}  // namespace dravanta
