// Where the running program's executable lies.
#pragma once

#include <string>

namespace dravanta {

// Full path of the running executable (/proc/self/exe on POSIX,
// GetModuleFileNameW on Windows); empty when it cannot be read.
std::u16string ExecutablePath();

// Folder of the running executable, ending with the separator ("/", on
// Windows "\"); empty when the path cannot be read.
std::u16string ExecutableDirectory();

}  // namespace dravanta
