// The files a process has mapped for execution, from /proc/<pid>/maps.
// POSIX implementation files and their tests only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// Paths of the file-backed executable mappings in a /proc/<pid>/maps text,
// in order, each once; mappings of deleted files are left out.
std::vector<std::string> ParseExecutableMappings(std::string_view maps_text);

// The same for a running process; empty when its maps cannot be read.
std::vector<std::string> ReadExecutableMappings(int pid);

// True when a path read from /proc names a file deleted since it was mapped.
bool IsDeletedMappingPath(std::string_view path);

}  // namespace dravanta
