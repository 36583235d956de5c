// An engine that knows files by their SHA-1 or MD5: a known-bad list with a
// threat name per digest and a known-good list.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tools/scan-server/engine.h"

namespace dravanta::scan_server {

// List files hold one entry a line: a 40-digit SHA-1 or 32-digit MD5 in
// hexadecimal (either case), blanks, then for the known-bad list the threat
// name. Empty lines and lines starting with '#' are ignored.
// A known-bad file is a threat (1), a known-good one "Skipped Clean" (7),
// any other "Threat not detected" (0).
// Returns null and sets *error when a list cannot be read or has a bad line.
std::unique_ptr<Engine> LoadHashListEngine(const std::filesystem::path& known_bad,
                                           const std::filesystem::path& known_good,
                                           std::string* error);

}  // namespace dravanta::scan_server
