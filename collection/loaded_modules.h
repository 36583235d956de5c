// The executable files that running processes have loaded (quick scans).
#pragma once

#include <cstdint>
#include <string>

#include "collection/scan_collection.h"

namespace dravanta {

// Enables the privilege of reading other users' processes where the token
// allows it (the debug privilege on Windows; POSIX has nothing to enable).
// 0 when this process may read them, 1 otherwise; callers may ignore it.
int32_t EnableDebugPrivilege();

// Empties `modules`, then stores one entry per distinct file (its key is
// ModuleMapKey of the plain path; the path met last is kept): with
// `all_modules` every module of every readable process, its executable
// image included, otherwise the executable images only. Files deleted since
// they were loaded are left out. Returns true.
bool CollectLoadedModules(ModuleMap& modules, bool all_modules);

// Rewrites a module path in place into its plain form (PlainModulePath).
void NormalizeModulePath(std::u16string& path);

}  // namespace dravanta
