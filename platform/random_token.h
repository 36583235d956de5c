// Unguessable tokens from the kernel's random source.
#pragma once

#include <cstddef>
#include <string>

namespace dravanta {

// `bytes` random bytes as lower-case hexadecimal (two digits per byte).
// Empty when the random source fails.
std::string RandomHexToken(size_t bytes);

}  // namespace dravanta
