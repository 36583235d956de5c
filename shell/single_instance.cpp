#include "shell/single_instance.h"

#include <string>

#include "platform/executable_path.h"

namespace dravanta {
namespace {

std::u16string_view FileNameOf(std::u16string_view path) {
  const size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool CountsAnotherInstance(std::u16string_view name, const std::vector<ProcessEntry>& processes) {
  int matches = 0;
  for (const ProcessEntry& process : processes) {
    // The whole names are compared, however long they are.
    if (FileNameOf(process.executable_path) == name && ++matches >= 2) return true;
  }
  return false;
}

bool IsAnotherInstanceRunning(std::u16string_view name) {
  std::u16string own_name;
  if (name.empty()) {
    const std::u16string path = ExecutablePath();
    const size_t slash = path.rfind(u'/');
    if (slash == std::u16string::npos) return false;
    own_name = path.substr(slash + 1);
    name = own_name;
  }
  return CountsAnotherInstance(name, ListProcesses());
}

}  // namespace dravanta
