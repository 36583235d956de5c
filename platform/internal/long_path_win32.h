// Paths of any length at the Windows API: the "\\?\" form.
//
// A plain path stops at MAX_PATH characters; the "\\?\" form of a full path
// reaches 32,767, and it names exactly what it spells (no name is trimmed of
// trailing dots or spaces), so names taken from a listing open again.
// Header only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/internal/wide_win32.h"

namespace dravanta {

inline bool HasExtendedPrefix(std::u16string_view path) {
  return path.size() >= 4 && path[0] == u'\\' && path[1] == u'\\' &&
         (path[2] == u'?' || path[2] == u'.') && path[3] == u'\\';
}

// The "\\?\" form of `path` (made full first: relative to the current
// folder, "/" as "\", "." and ".." resolved, as a plain path would be);
// "\\server\share\..." becomes "\\?\UNC\server\share\...". A path already in
// that form, or a device path ("\\.\"), is left as it is; empty when the
// path cannot be made full.
inline std::u16string ExtendedLengthPath(std::u16string_view path) {
  if (HasExtendedPrefix(path)) return std::u16string(path);
  const std::u16string plain(path);
  std::u16string full(plain.size() + MAX_PATH, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n =
        GetFullPathNameW(WideOf(plain), static_cast<DWORD>(full.size()), WideOf(full), nullptr);
    if (n == 0) return {};
    if (n < full.size()) {
      full.resize(n);
      if (HasExtendedPrefix(full)) return full;
      if (full.size() >= 2 && full[0] == u'\\' && full[1] == u'\\') {
        return u"\\\\?\\UNC\\" + full.substr(2);
      }
      return u"\\\\?\\" + full;
    }
    full.resize(n);  // n is the room needed, terminator included
  }
  return {};
}

}  // namespace dravanta
