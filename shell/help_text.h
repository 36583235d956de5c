// What --help and --version print.
#pragma once

#include <string>

namespace dravanta {

// Usage, every configuration key with its default, and the exit codes
// (UTF-8, ends with a line feed).
std::string HelpText();

// "dravanta-client " and the client version, with a line feed.
std::string VersionText();

}  // namespace dravanta
