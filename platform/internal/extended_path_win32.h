// The form of a path that the wide file calls take at any length: "\\?\"
// before a full path ("\\?\UNC\" for a share), "\" as the only separator,
// "." and ".." resolved. Windows implementation files only.
#pragma once

#include <string>
#include <string_view>

namespace dravanta {

// `path` in that form; relative paths are taken from the current folder.
// A path already in a "\\?\" or "\\.\" form is returned as it is. Empty when
// the system cannot make a full path of it.
std::u16string ExtendedLengthPath(std::u16string_view path);

}  // namespace dravanta
