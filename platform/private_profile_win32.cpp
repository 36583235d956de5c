#include <windows.h>

#include <algorithm>
#include <string>

#include "internal/wide_win32.h"
#include "platform/private_profile.h"

namespace dravanta {
namespace {

// The calls take a DWORD size; no list the program asks for comes near it.
DWORD SizeOf(std::span<char16_t> buffer) {
  return static_cast<DWORD>(std::min<size_t>(buffer.size(), MAXDWORD));
}

}  // namespace

size_t ReadProfileSectionNames(std::u16string_view file, std::span<char16_t> buffer) {
  if (buffer.empty()) return 0;
  const std::u16string path(file);
  return GetPrivateProfileSectionNamesW(reinterpret_cast<wchar_t*>(buffer.data()), SizeOf(buffer),
                                        WideOf(path));
}

size_t ReadProfileSection(std::u16string_view file, std::u16string_view section,
                          std::span<char16_t> buffer) {
  if (buffer.empty()) return 0;
  const std::u16string path(file);
  const std::u16string name(section);
  return GetPrivateProfileSectionW(WideOf(name), reinterpret_cast<wchar_t*>(buffer.data()),
                                   SizeOf(buffer), WideOf(path));
}

}  // namespace dravanta
