#include "tests/support/loopback_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dravanta {
namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

int FindFreeLoopbackPort() {
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return 0;
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(descriptor);
  return port;
}

bool LoopbackPortAccepts(int port) {
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return false;
  sockaddr_in address = LoopbackAddress(port);
  bool accepted = connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(descriptor);
  return accepted;
}

}  // namespace dravanta
