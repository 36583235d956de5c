// The start-up step that reads every setting and opens the diagnostic log.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/client_settings.h"
#include "shell/config_file_reader.h"
#include "shell/diagnostic_log.h"

namespace dravanta {

// The folder part of an executable path, ending with its separator ("/";
// "\" on Windows); empty when the path holds no separator.
std::u16string ModuleDirectoryOf(std::u16string_view executable_path);

// Parses `arguments`, reads "DravantaClientConf.ini" beside the executable,
// opens `log` and fills `settings` with every key. False (nothing read, log
// untouched) when the executable's path is unknown.
bool LoadConfiguration(const std::vector<std::u16string>& arguments,
                       std::u16string_view executable_path, ConfigFileReader* reader,
                       DiagnosticLog* log, ClientSettings* settings);

}  // namespace dravanta
