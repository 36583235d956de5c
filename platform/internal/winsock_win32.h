// Windows sockets for the platform's socket units: started once per
// process, before the first socket is made, and left running until the
// process ends (other threads may still hold sockets at exit).
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/socket_handle.h"

namespace dravanta {

// WSAStartup for version 2.2, once; false when it failed.
inline bool WindowsSocketsStarted() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

inline SOCKET NativeSocket(SocketHandle socket) { return static_cast<SOCKET>(socket); }

inline SocketHandle HandleOf(SOCKET socket) {
  return socket == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(socket);
}

}  // namespace dravanta
