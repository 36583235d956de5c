// Whole-file replacement that a crash or kill never leaves half written.
#pragma once

#include <string>
#include <string_view>

namespace dravanta {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`. Readers see the old content or the new, never a
// mixture. False (and `path` untouched) when any step fails.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace dravanta
