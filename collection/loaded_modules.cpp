#include "collection/loaded_modules.h"

#include <utility>

#include "platform/process_list.h"
#include "platform/process_modules.h"

namespace dravanta {
namespace {

void StoreModule(ModuleMap& modules, std::u16string path) {
  NormalizeModulePath(path);
  std::u16string key = ModuleMapKey(path);
  modules[std::move(key)] = std::move(path);
}

}  // namespace

int32_t EnableDebugPrivilege() { return EnableReadingOtherProcesses() ? 0 : 1; }

bool CollectLoadedModules(ModuleMap& modules, bool all_modules) {
  modules.clear();
  for (const ProcessEntry& process : ListProcesses()) {
    if (process.pid == 0) continue;
    for (std::u16string& path : LoadedModulePaths(process, all_modules)) {
      StoreModule(modules, std::move(path));
    }
  }
  return true;
}

void NormalizeModulePath(std::u16string& path) { path = PlainModulePath(path); }

}  // namespace dravanta
