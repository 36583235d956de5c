#include <winsock2.h>

#include "tests/support/request_capture.h"

namespace dravanta {
namespace {

constexpr std::size_t kMostHeaderBytes = 64 * 1024;

bool WaitReadable(SOCKET socket, int timeout_seconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval limit{timeout_seconds, 0};
  return select(0, &readable, nullptr, nullptr, &limit) == 1;
}

}  // namespace

RequestCapture::~RequestCapture() {
  if (thread_.joinable()) thread_.join();
  if (listening_ != -1) closesocket(static_cast<SOCKET>(listening_));
  if (winsock_started_) WSACleanup();
}

bool RequestCapture::Start(int timeout_seconds) {
  WSADATA data;
  winsock_started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  if (!winsock_started_) return false;
  SOCKET listening = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listening == INVALID_SOCKET) return false;
  listening_ = static_cast<std::intptr_t>(listening);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(listening, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      listen(listening, 4) != 0) {
    return false;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this, timeout_seconds] { Serve(timeout_seconds); });
  return true;
}

std::string RequestCapture::Request() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

void RequestCapture::Serve(int timeout_seconds) {
  const auto listening = static_cast<SOCKET>(listening_);
  if (!WaitReadable(listening, timeout_seconds)) return;
  SOCKET peer = accept(listening, nullptr, nullptr);
  if (peer == INVALID_SOCKET) return;
  std::string received;
  char piece[4096];
  while (received.find("\r\n\r\n") == std::string::npos && received.size() < kMostHeaderBytes &&
         WaitReadable(peer, timeout_seconds)) {
    int got = recv(peer, piece, sizeof piece, 0);
    if (got <= 0) break;
    received.append(piece, static_cast<std::size_t>(got));
  }
  const std::size_t end = received.find("\r\n\r\n");
  request_ = end == std::string::npos ? received : received.substr(0, end + 4);
  const char answer[] = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok";
  send(peer, answer, sizeof answer - 1, 0);
  shutdown(peer, SD_SEND);
  closesocket(peer);
}

}  // namespace dravanta
