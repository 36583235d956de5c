#include "shell/load_configuration.h"

#include "platform/path_separator.h"
#include "shell/command_line.h"

namespace dravanta {

std::u16string ModuleDirectoryOf(std::u16string_view executable_path) {
  return std::u16string(FolderOfPath(executable_path));
}

bool LoadConfiguration(const std::vector<std::u16string>& arguments,
                       std::u16string_view executable_path, ConfigFileReader* reader,
                       DiagnosticLog* log, ClientSettings* settings) {
  CCustomCommandLineInfo command_line;
  ParseCommandLine(arguments, &command_line);
  const std::u16string module_directory = ModuleDirectoryOf(executable_path);
  if (module_directory.empty()) return false;
  reader->Load(command_line.key_values(), module_directory + std::u16string(kConfigFileName),
               module_directory);
  reader->InitLog(*log);
  *settings = reader->ReadSettings();
  return true;
}

}  // namespace dravanta
