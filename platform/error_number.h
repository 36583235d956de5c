// What a system error number (errno on POSIX, a GetLastError code on
// Windows) says about a file, in terms the scan reports.
#pragma once

#include <string>

namespace dravanta {

// True when the error number says the file (or a folder on its path) is no
// longer there.
bool ErrorMeansMissing(int error_number);

// Why a file could not be opened for reading, for a person: the system's own
// short text (e.g. "Permission denied"), or a plainer one where the reader's
// own refusals (not a regular file, a link in its place) stand behind it.
std::string OpenFailureText(int error_number);

}  // namespace dravanta
