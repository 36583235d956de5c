// How the program's own text files are encoded. The diagnostic log is
// UTF-16 little-endian without byte-order mark everywhere; the scan report
// is 8-bit text in the system's usual encoding for text files.
#pragma once

#include <string>
#include <string_view>

namespace dravanta {

// The bytes of `text` in the diagnostic log: two per UTF-16 code unit, the
// low byte first.
std::string LogFileBytes(std::u16string_view text);

// The bytes of `text` in the scan report: UTF-8 on POSIX (where a file
// name's stray bytes, held as U+DC80..U+DCFF, come back as they were); the
// default (ANSI) code page on Windows, where a character it cannot hold
// becomes that code page's default character. Line ends are kept as given.
std::string ReportFileBytes(std::u16string_view text);

}  // namespace dravanta
