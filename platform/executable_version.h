// The file version the running executable carries in its version resource.
#pragma once

#include <string>

namespace dravanta {

// The four 16-bit parts of the fixed file version in decimal, joined by "."
// (most significant first), e.g. "1.0.0.1". Empty when it cannot be read;
// POSIX executables carry no version resource, so it is always empty there.
std::u16string ExecutableFileVersion();

}  // namespace dravanta
