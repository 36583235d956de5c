// The executable files that running processes have loaded (quick scans).
#pragma once

#include <cstdint>
#include <string>

#include "collection/scan_collection.h"

namespace dravanta {

// 0 when this process may read other users' processes (root or
// CAP_SYS_PTRACE), 1 otherwise. Changes nothing; callers may ignore it.
int32_t EnableDebugPrivilege();

// Empties `modules`, then stores one entry per distinct path: with
// `all_modules` every file-backed executable mapping of every readable
// process plus its executable image, otherwise the executable images only.
// Files deleted since they were mapped are left out. Returns true.
bool CollectLoadedModules(ModuleMap& modules, bool all_modules);

// Rewrites a module path in place into its plain form: repeated "/" become
// one and "." components are dropped.
void NormalizeModulePath(std::u16string& path);

}  // namespace dravanta
