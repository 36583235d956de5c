#include "platform/socket_io.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dravanta {
namespace {

using Clock = std::chrono::steady_clock;

int Descriptor(SocketHandle socket) { return static_cast<int>(socket); }

bool WaitFor(SocketHandle socket, short events, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    struct pollfd entry = {Descriptor(socket), events, 0};
    const int ready = poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
    if (ready > 0) return true;  // also on hang-up or error: the next call reports it
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

void Describe(const sockaddr_storage& address, std::string* text, int* port) {
  char buffer[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, buffer, sizeof buffer);
    *port = ntohs(v4->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &v6->sin6_addr, buffer, sizeof buffer);
    *port = ntohs(v6->sin6_port);
  }
  *text = buffer;
}

}  // namespace

bool WaitUntilReadable(SocketHandle socket, std::chrono::milliseconds limit) {
  return WaitFor(socket, POLLIN, limit);
}

bool WaitUntilWritable(SocketHandle socket, std::chrono::milliseconds limit) {
  return WaitFor(socket, POLLOUT, limit);
}

long ReceiveSome(SocketHandle socket, char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = recv(Descriptor(socket), buffer, size, MSG_DONTWAIT);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kSocketNotReady;
    if (errno != EINTR) return -1;
  }
}

long SendSome(SocketHandle socket, const char* bytes, size_t size) {
  for (;;) {
    const ssize_t n = send(Descriptor(socket), bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kSocketNotReady;
    if (errno != EINTR) return -1;
  }
}

void PeerAddress(SocketHandle socket, std::string* address, int* port) {
  sockaddr_storage storage = {};
  socklen_t length = sizeof storage;
  address->clear();
  *port = 0;
  if (getpeername(Descriptor(socket), reinterpret_cast<sockaddr*>(&storage), &length) == 0) {
    Describe(storage, address, port);
  }
}

void LocalAddress(SocketHandle socket, std::string* address, int* port) {
  sockaddr_storage storage = {};
  socklen_t length = sizeof storage;
  address->clear();
  *port = 0;
  if (getsockname(Descriptor(socket), reinterpret_cast<sockaddr*>(&storage), &length) == 0) {
    Describe(storage, address, port);
  }
}

void ShutDownSending(SocketHandle socket) { shutdown(Descriptor(socket), SHUT_WR); }

SocketHandle ConnectToLoopback(int port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return kNoSocket;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(socket);
    return kNoSocket;
  }
  return socket;
}

void CloseSocket(SocketHandle socket) {
  if (socket >= 0) close(Descriptor(socket));
}

}  // namespace dravanta
