// Two connected loopback sockets for the Windows socket tests (Windows has
// no socketpair): a listener on 127.0.0.1, a client, and the accepted end.
// Test-only; header only.
#pragma once

#include "../internal/winsock_win32.h"
#include "platform/socket_io.h"

namespace dravanta {

// A socket listening on 127.0.0.1 at a free port (kNoSocket on failure);
// *port is that port.
inline SocketHandle ListenOnLoopback(int backlog, int* port) {
  if (!WindowsSocketsStarted()) return kNoSocket;
  const SOCKET listening = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listening == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(listening, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      listen(listening, backlog) != 0) {
    closesocket(listening);
    return kNoSocket;
  }
  *port = ntohs(address.sin_port);
  return HandleOf(listening);
}

struct SocketPair {
  SocketPair() {
    int port = 0;
    const SocketHandle listening = ListenOnLoopback(1, &port);
    if (listening == kNoSocket) return;
    ends[0] = ConnectToLoopback(port);
    if (ends[0] != kNoSocket) ends[1] = HandleOf(accept(NativeSocket(listening), nullptr, nullptr));
    CloseSocket(listening);
  }
  ~SocketPair() {
    CloseSocket(ends[0]);
    CloseSocket(ends[1]);
  }
  SocketPair(const SocketPair&) = delete;
  SocketPair& operator=(const SocketPair&) = delete;
  bool Connected() const { return ends[0] != kNoSocket && ends[1] != kNoSocket; }
  SocketHandle ends[2] = {kNoSocket, kNoSocket};
};

}  // namespace dravanta
