#include "internal/winsock_win32.h"
#include "platform/socket_io.h"

namespace dravanta {
namespace {

bool WaitFor(SocketHandle socket, short events, std::chrono::milliseconds limit) {
  WSAPOLLFD entry = {};
  entry.fd = NativeSocket(socket);
  entry.events = events;
  const auto wait = limit.count() > 0 ? limit.count() : 0;
  // Also on hang-up or error: the next call reports it.
  return WSAPoll(&entry, 1, static_cast<INT>(wait)) > 0;
}

// Sends and receives never wait: the socket is put into non-blocking mode
// first (Windows has no per-call flag for it).
bool MakeNonBlocking(SocketHandle socket) {
  u_long on = 1;
  return ioctlsocket(NativeSocket(socket), FIONBIO, &on) == 0;
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

int ChunkOf(size_t size) { return size > 0x40000000 ? 0x40000000 : static_cast<int>(size); }

}  // namespace

bool WaitUntilReadable(SocketHandle socket, std::chrono::milliseconds limit) {
  return WaitFor(socket, POLLRDNORM, limit);
}

bool WaitUntilWritable(SocketHandle socket, std::chrono::milliseconds limit) {
  return WaitFor(socket, POLLWRNORM, limit);
}

long ReceiveSome(SocketHandle socket, char* buffer, size_t size) {
  if (!MakeNonBlocking(socket)) return -1;
  const int n = recv(NativeSocket(socket), buffer, ChunkOf(size), 0);
  if (n >= 0) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? kSocketNotReady : -1;
}

long SendSome(SocketHandle socket, const char* bytes, size_t size) {
  if (!MakeNonBlocking(socket)) return -1;
  const int n = send(NativeSocket(socket), bytes, ChunkOf(size), 0);
  if (n >= 0) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? kSocketNotReady : -1;
}

void PeerAddress(SocketHandle socket, std::string* address, int* port) {
  sockaddr_storage storage = {};
  int length = sizeof storage;
  address->clear();
  *port = 0;
  if (getpeername(NativeSocket(socket), reinterpret_cast<sockaddr*>(&storage), &length) == 0) {
    Describe(storage, address, port);
  }
}

void LocalAddress(SocketHandle socket, std::string* address, int* port) {
  sockaddr_storage storage = {};
  int length = sizeof storage;
  address->clear();
  *port = 0;
  if (getsockname(NativeSocket(socket), reinterpret_cast<sockaddr*>(&storage), &length) == 0) {
    Describe(storage, address, port);
  }
}

void ShutDownSending(SocketHandle socket) { shutdown(NativeSocket(socket), SD_SEND); }

SocketHandle ConnectToLoopback(int port) {
  if (!WindowsSocketsStarted()) return kNoSocket;
  const SOCKET client = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (client == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(client);
    return kNoSocket;
  }
  return HandleOf(client);
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(NativeSocket(socket));
}

}  // namespace dravanta
