// Reading an INI file through the system's private-profile functions, in
// the form they give: a double-zero-terminated list in a buffer of a size
// the caller chooses.
//
// Each call fills `buffer` with the list, each item followed by a zero and
// the list by one more, and answers the number of characters written
// without that last zero. When the list does not fit, it writes what fits
// and answers buffer.size() - 2. A file that is missing or unreadable has
// an empty list (answer 0).
//
// Windows reads the file with GetPrivateProfileSectionNamesW and
// GetPrivateProfileSectionW (the system's INI syntax). POSIX systems have no
// such functions: there the file is read as UTF-8 text by the rules of
// platform/ini_scanner.h, only the entries of the file's first
// section can be asked for, and a list too long for a buffer of
// kIniListBufferLength (16384) characters reads as empty.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace dravanta {

// The names of the file's sections in file order.
size_t ReadProfileSectionNames(std::u16string_view file, std::span<char16_t> buffer);

// The entry lines ("key=value") of the section named `section`, whose name
// is compared without regard to the case of ASCII letters, as the system
// does.
size_t ReadProfileSection(std::u16string_view file, std::u16string_view section,
                          std::span<char16_t> buffer);

}  // namespace dravanta
