#include "tests/support/raw_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "platform/ascii.h"

namespace dravanta {
namespace {

using Clock = std::chrono::steady_clock;

// Waits are cut into short polls so that a stopping peer is noticed soon.
constexpr int kPollSlice = 10;

std::size_t AnnouncedLength(const std::string& headers) {
  std::string lower = AsciiLower(headers);
  std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return static_cast<std::size_t>(std::strtoull(lower.c_str() + at + 17, nullptr, 10));
}

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

RawConnection::RawConnection(int socket, const std::atomic<bool>& stopping)
    : socket_(socket), stopping_(stopping) {}

RawConnection::~RawConnection() { Close(); }

bool RawConnection::WaitReadable(int timeout_milliseconds) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_milliseconds);
  while (socket_ >= 0 && !stopping_) {
    pollfd entry{socket_, POLLIN, 0};
    int ready = poll(&entry, 1, std::min(kPollSlice, MillisecondsLeft(deadline)));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (MillisecondsLeft(deadline) == 0) return false;
  }
  return false;
}

std::string RawConnection::ReadSome(std::size_t count, int timeout_milliseconds) {
  if (!pending_.empty()) {
    std::string taken = pending_.substr(0, count);
    pending_.erase(0, taken.size());
    return taken;
  }
  if (!WaitReadable(timeout_milliseconds)) return {};
  std::string buffer(std::max<std::size_t>(count, 1), '\0');
  ssize_t got = recv(socket_, buffer.data(), buffer.size(), 0);
  if (got <= 0) return {};
  buffer.resize(static_cast<std::size_t>(got));
  return buffer;
}

std::optional<std::string> RawConnection::ReadUntilHeadersEnd(int timeout_milliseconds) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_milliseconds);
  std::string text = std::move(pending_);
  pending_.clear();
  while (text.find("\r\n\r\n") == std::string::npos) {
    std::string more = ReadSome(65536, MillisecondsLeft(deadline));
    if (more.empty()) return std::nullopt;
    text += more;
  }
  return text;
}

std::optional<std::string> RawConnection::ReadHeaderBlock(int timeout_milliseconds) {
  std::optional<std::string> text = ReadUntilHeadersEnd(timeout_milliseconds);
  if (!text) return std::nullopt;
  std::size_t end = text->find("\r\n\r\n") + 4;
  pending_ = text->substr(end);
  text->resize(end);
  return text;
}

std::optional<std::string> RawConnection::ReadRequest(int timeout_milliseconds) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_milliseconds);
  std::optional<std::string> text = ReadUntilHeadersEnd(timeout_milliseconds);
  if (!text) return std::nullopt;
  std::size_t end = text->find("\r\n\r\n") + 4;
  std::size_t wanted = end + AnnouncedLength(text->substr(0, end));
  while (text->size() < wanted) {
    std::string more =
        ReadSome(std::min<std::size_t>(wanted - text->size(), 65536), MillisecondsLeft(deadline));
    if (more.empty()) return std::nullopt;
    *text += more;
  }
  pending_ = text->substr(wanted);
  text->resize(wanted);
  return text;
}

bool RawConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (socket_ < 0 || stopping_) return false;
    pollfd entry{socket_, POLLOUT, 0};
    int ready = poll(&entry, 1, kPollSlice);
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    ssize_t sent =
        send(socket_, bytes.data(), std::min<std::size_t>(bytes.size(), 65536), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void RawConnection::Reset() {
  if (socket_ < 0) return;
  linger option{1, 0};
  setsockopt(socket_, SOL_SOCKET, SO_LINGER, &option, sizeof option);
  close(socket_);
  socket_ = -1;
}

void RawConnection::Close() {
  if (socket_ < 0) return;
  close(socket_);
  socket_ = -1;
}

void RawConnection::HoldOpen(int timeout_milliseconds) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_milliseconds);
  // Whatever the client still sends is read and dropped; its end ends this.
  while (MillisecondsLeft(deadline) > 0) {
    if (!WaitReadable(MillisecondsLeft(deadline))) return;
    char buffer[4096];
    if (recv(socket_, buffer, sizeof buffer, 0) <= 0) return;
  }
}

void RawConnection::HoldOpenUnread(int timeout_milliseconds) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_milliseconds);
  while (socket_ >= 0 && !stopping_ && MillisecondsLeft(deadline) > 0) {
    pollfd entry{socket_, POLLRDHUP, 0};
    int ready = poll(&entry, 1, std::min(kPollSlice, MillisecondsLeft(deadline)));
    if (ready > 0 || (ready < 0 && errno != EINTR)) return;
  }
}

int ConnectToLoopback(int port) {
  int socket_number = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket_number < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket_number, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(socket_number);
    return -1;
  }
  return socket_number;
}

void RelayConnection(RawConnection& connection, int upstream_socket,
                     std::size_t limit_towards_client) {
  std::size_t towards_client = 0;
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
  while (MillisecondsLeft(deadline) > 0 && connection.socket() >= 0) {
    pollfd entries[2] = {{connection.socket(), POLLIN, 0}, {upstream_socket, POLLIN, 0}};
    int ready = poll(entries, 2, kPollSlice);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    char buffer[16384];
    if (entries[0].revents != 0) {
      ssize_t got = recv(connection.socket(), buffer, sizeof buffer, 0);
      if (got <= 0) break;
      if (send(upstream_socket, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) != got) break;
    }
    if (entries[1].revents != 0) {
      ssize_t got = recv(upstream_socket, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      std::size_t allowed =
          std::min(static_cast<std::size_t>(got), limit_towards_client - towards_client);
      if (allowed > 0 && !connection.Send(std::string_view(buffer, allowed))) break;
      towards_client += allowed;
      if (towards_client >= limit_towards_client) {
        connection.Reset();
        break;
      }
    }
  }
  close(upstream_socket);
}

RawPeer::RawPeer(Script script) : script_(std::move(script)) {}

RawPeer::~RawPeer() { Stop(); }

bool RawPeer::Start() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = 0;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 64) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listener_);
    listener_ = -1;
    return false;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void RawPeer::Stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) {
    close(listener_);
    listener_ = -1;
  }
}

std::string RawPeer::Url(const std::string& path, bool secure) const {
  std::string url = (secure ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_);
  if (!path.empty()) url += "/" + path;
  return url;
}

void RawPeer::Serve() {
  while (!stopping_) {
    pollfd entry{listener_, POLLIN, 0};
    if (poll(&entry, 1, kPollSlice) <= 0) continue;
    int accepted = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted < 0) continue;
    ++connections_;
    RawConnection connection(accepted, stopping_);
    script_(connection);
  }
}

}  // namespace dravanta
