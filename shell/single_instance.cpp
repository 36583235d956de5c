#include "shell/single_instance.h"

#include <string>

#include "platform/executable_path.h"
#include "platform/path_separator.h"

namespace dravanta {

bool CountsAnotherInstance(std::u16string_view name, const std::vector<ProcessEntry>& processes) {
  int matches = 0;
  for (const ProcessEntry& process : processes) {
    // The whole names are compared, however long they are.
    if (FileNameOfPath(process.executable_path) == name && ++matches >= 2) return true;
  }
  return false;
}

bool IsAnotherInstanceRunning(std::u16string_view name) {
  std::u16string own_name;
  if (name.empty()) {
    const std::u16string path = ExecutablePath();
    own_name = FileNameOfPath(path);
    if (own_name.size() == path.size()) return false;  // no folder: not a real path
    name = own_name;
  }
  return CountsAnotherInstance(name, ListProcesses());
}

}  // namespace dravanta
