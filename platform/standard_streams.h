// The process's standard output and error, for runs without a page.
#pragma once

#include <string_view>

namespace dravanta {

// Writes all bytes (retrying short writes) and flushes. False when some
// could not be written (a full disk, a closed pipe).
bool WriteStandardOutput(std::string_view bytes);
bool WriteStandardError(std::string_view bytes);

// Standard error is a terminal, so a progress line can be rewritten in place.
bool StandardErrorIsTerminal();

}  // namespace dravanta
