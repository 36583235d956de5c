// The parts of socket_io.h built on its system primitives (waiting,
// sending, receiving, shutting down, closing): the same on every system.
#include "platform/socket_io.h"

#include <chrono>
#include <string>

namespace dravanta {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Left(Clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

}  // namespace

void CloseConnectionGracefully(SocketHandle socket, std::chrono::milliseconds linger) {
  ShutDownSending(socket);
  // Closing with unread bytes would reset the connection, and a reset can
  // make the peer drop the answer it has not read yet.
  const Clock::time_point deadline = Clock::now() + linger;
  char discard[4096];
  for (;;) {
    const auto left = Left(deadline);
    if (left.count() <= 0 || !WaitUntilReadable(socket, left)) break;
    const long n = ReceiveSome(socket, discard, sizeof discard);
    if (n == 0 || n == -1) break;
  }
  CloseSocket(socket);
}

bool SendAll(SocketHandle socket, const std::string& bytes, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  size_t sent = 0;
  while (sent < bytes.size()) {
    const auto left = Left(deadline);
    if (left.count() <= 0 || !WaitUntilWritable(socket, left)) return false;
    const long n = SendSome(socket, bytes.data() + sent, bytes.size() - sent);
    if (n == kSocketNotReady) continue;
    if (n < 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string ReceiveUntilClosed(SocketHandle socket, std::chrono::milliseconds limit, size_t most) {
  const Clock::time_point deadline = Clock::now() + limit;
  std::string received;
  char buffer[16384];
  while (received.size() < most) {
    const auto left = Left(deadline);
    if (left.count() <= 0 || !WaitUntilReadable(socket, left)) break;
    const long n = ReceiveSome(socket, buffer, sizeof buffer);
    if (n == kSocketNotReady) continue;
    if (n <= 0) break;
    received.append(buffer, static_cast<size_t>(n));
  }
  return received;
}

}  // namespace dravanta
