#include <winsock2.h>

#include "tests/support/loopback_port.h"

namespace dravanta {
namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// Windows sockets for the length of one call.
struct WinsockUse {
  bool started = false;
  WinsockUse() {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockUse() {
    if (started) WSACleanup();
  }
};

}  // namespace

int FindFreeLoopbackPort() {
  WinsockUse winsock;
  if (!winsock.started) return 0;
  SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return 0;
  sockaddr_in address = LoopbackAddress(0);
  int length = sizeof address;
  int port = 0;
  if (bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  closesocket(handle);
  return port;
}

bool LoopbackPortAccepts(int port) {
  WinsockUse winsock;
  if (!winsock.started) return false;
  SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return false;
  sockaddr_in address = LoopbackAddress(port);
  bool accepted = connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  closesocket(handle);
  return accepted;
}

}  // namespace dravanta
