#include "extended_path_win32.h"

#include <windows.h>

#include "wide_win32.h"

namespace dravanta {
namespace {

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The full path of `path` ("C:\a\b" or "\\server\share\a"), "." and ".."
// resolved, "/" turned into "\".
std::u16string FullPath(const std::u16string& path) {
  DWORD size = GetFullPathNameW(WideOf(path), 0, nullptr, nullptr);
  for (int attempt = 0; attempt < 3 && size > 0; ++attempt) {
    std::u16string full(size, u'\0');
    const DWORD n = GetFullPathNameW(WideOf(path), size, WideOf(full), nullptr);
    if (n == 0) return {};
    if (n < size) {
      full.resize(n);
      return full;
    }
    size = n;  // the current folder changed in between
  }
  return {};
}

}  // namespace

std::u16string ExtendedLengthPath(std::u16string_view path) {
  if (StartsWith(path, u"\\\\?\\") || StartsWith(path, u"\\\\.\\")) return std::u16string(path);
  std::u16string native(path);
  for (char16_t& c : native) {
    if (c == u'/') c = u'\\';
  }
  if (native.empty()) return {};
  const std::u16string full = FullPath(native);
  if (full.empty()) return {};
  if (StartsWith(full, u"\\\\")) return u"\\\\?\\UNC\\" + full.substr(2);
  return u"\\\\?\\" + full;
}

}  // namespace dravanta
