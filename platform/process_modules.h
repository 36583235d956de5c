// The executable files that processes have loaded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/process_list.h"

namespace dravanta {

// The executable files `process` has loaded, as the system spells their
// paths: its executable image first, then, with `all_modules`, the other
// modules (libraries) it has loaded, in the system's order. Files deleted
// since they were loaded are left out. Empty when the process cannot be
// read.
std::vector<std::u16string> LoadedModulePaths(const ProcessEntry& process, bool all_modules);

// Enables, where this process's token allows it, the privilege of reading
// other users' processes (on Windows the debug privilege; POSIX has nothing
// to enable). True when this process may read them afterwards.
bool EnableReadingOtherProcesses();

// True when this process may read other users' processes (POSIX: effective
// user root or CAP_SYS_PTRACE; Windows: the debug privilege is enabled).
bool CanReadOtherUsersProcesses();

// A module path in its plain form. POSIX: repeated "/" become one and "."
// components are dropped (".." stays). Windows: a leading "\??\" is dropped
// and a leading "\SystemRoot\" becomes the Windows folder.
std::u16string PlainModulePath(std::u16string_view path);

// The key under which a plain module path is kept, the same for every
// spelling of one file: the path itself where file names are case-sensitive
// (POSIX); on Windows the path with the letters a to z upper-cased.
std::u16string ModuleMapKey(std::u16string_view path);

}  // namespace dravanta
