// The separator of the folders in a path, which is the one thing about paths
// that portable code has to know: "/" on POSIX; on Windows "\", where "/"
// is accepted as well. Header only.
#pragma once

#include <string_view>

namespace dravanta {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
inline constexpr bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/'; }
#else
inline constexpr char16_t kPathSeparator = u'/';
inline constexpr bool IsPathSeparator(char16_t c) { return c == u'/'; }
#endif

// Whether `path` says where it is without a folder to start from: on POSIX
// a path beginning with "/"; on Windows one holding a drive's ":" (as in
// "C:\Reports\scan.txt") or a share's "\\server\...".
#ifdef _WIN32
inline constexpr bool IsAbsolutePath(std::u16string_view path) {
  return path.find(u':') != std::u16string_view::npos ||
         (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]));
}
#else
inline constexpr bool IsAbsolutePath(std::u16string_view path) {
  return !path.empty() && path.front() == u'/';
}
#endif

// The last piece of `path`: what follows its last separator (all of it when
// there is none).
inline std::u16string_view FileNameOfPath(std::u16string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1])) return path.substr(i);
  }
  return path;
}

// `path` without its last piece, ending in its separator ("" when it has none).
inline std::u16string_view FolderOfPath(std::u16string_view path) {
  return path.substr(0, path.size() - FileNameOfPath(path).size());
}

}  // namespace dravanta
