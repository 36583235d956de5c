// A stream socket of the system, in a form every platform's socket fits:
// a descriptor on POSIX, a SOCKET (an unsigned pointer-sized number) on
// Windows, whose INVALID_SOCKET reads as kNoSocket here.
#pragma once

#include <cstdint>

namespace dravanta {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

}  // namespace dravanta
