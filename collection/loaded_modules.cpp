#include "collection/loaded_modules.h"

#include "platform/process_list.h"
#include "platform/process_modules.h"
#include "platform/text.h"

namespace dravanta {
namespace {

constexpr std::u16string_view kDeletedMarker = u" (deleted)";

bool IsDeleted(std::u16string_view path) {
  return path.size() >= kDeletedMarker.size() &&
         path.substr(path.size() - kDeletedMarker.size()) == kDeletedMarker;
}

void StoreModule(ModuleMap& modules, std::u16string path) {
  NormalizeModulePath(path);
  std::u16string key = path;
  modules[std::move(key)] = std::move(path);
}

}  // namespace

int32_t EnableDebugPrivilege() { return CanReadOtherUsersProcesses() ? 0 : 1; }

bool CollectLoadedModules(ModuleMap& modules, bool all_modules) {
  modules.clear();
  for (ProcessEntry& process : ListProcesses()) {
    if (process.pid == 0) continue;
    if (!IsDeleted(process.executable_path)) StoreModule(modules, process.executable_path);
    if (!all_modules) continue;
    for (const std::string& mapped : ReadExecutableMappings(process.pid)) {
      StoreModule(modules, Utf8ToUtf16(mapped));
    }
  }
  return true;
}

void NormalizeModulePath(std::u16string& path) {
  std::u16string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i];
    if (c == u'/' && !out.empty() && out.back() == u'/') continue;  // "//"
    if (c == u'.' && !out.empty() && out.back() == u'/' &&
        (i + 1 == path.size() || path[i + 1] == u'/')) {
      ++i;  // "/./" or a trailing "/."
      continue;
    }
    out += c;
  }
  if (out.size() > 1 && out.back() == u'/' && path.back() != u'/') out.pop_back();
  path = std::move(out);
}

}  // namespace dravanta
