// The YARA engine: libyara with the rule files of one folder.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tools/scan-server/engine.h"

namespace dravanta::scan_server {

// Compiles every "*.yar" file of the folder. A matching rule is a threat
// unless its meta "verdict" is "suspicious"; its meta "threat_name", when
// given, names the threat, otherwise the rule's identifier does.
// Returns null and sets *error when a file does not compile or there is no
// rule at all.
std::unique_ptr<Engine> LoadYaraEngine(const std::filesystem::path& folder, std::string* error);

}  // namespace dravanta::scan_server
