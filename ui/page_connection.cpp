#include "ui/page_connection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/socket_io.h"

namespace dravanta {
namespace {

// Waits are cut into slices so that a stopping host is noticed soon.
constexpr std::chrono::milliseconds kSlice{100};

}  // namespace

PageConnection::PageConnection(SocketHandle socket, ConnectionLimits limits,
                               std::function<bool()> stopping)
    : socket_(socket), limits_(limits), stopping_(std::move(stopping)) {}

bool PageConnection::WaitReadableUntil(Clock::time_point deadline) const {
  for (;;) {
    if (stopping_ && stopping_()) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    if (WaitUntilReadable(socket_, std::min(left, kSlice))) return true;
  }
}

bool PageConnection::WaitForRequest() {
  if (failed_) return false;
  if (start_ < end_) return true;  // a pipelined request is already here
  return WaitReadableUntil(Clock::now() + limits_.idleBetween);
}

void PageConnection::BeginRequest() {
  requestDeadline_ = Clock::now() + limits_.wholeRequest;
  headerBytes_ = 0;
  headersDone_ = false;
  lastFour_ = 0;
  answeredStatus_ = 0;
}

void PageConnection::Fail(const char* statusLine) {
  if (failed_) return;
  failed_ = true;
  if (statusLine == nullptr) return;
  const std::string answer =
      std::string("HTTP/1.1 ") + statusLine + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  SendAll(socket_, answer, limits_.writing);
}

bool PageConnection::Fill() {
  start_ = end_ = 0;
  for (;;) {
    const Clock::time_point silenceEnds = Clock::now() + limits_.silence;
    if (!WaitReadableUntil(std::min(silenceEnds, requestDeadline_))) {
      Fail(stopping_ && stopping_() ? nullptr : "408 Request Timeout");
      return false;
    }
    const long n = ReceiveSome(socket_, buffer_, sizeof buffer_);
    if (n == kSocketNotReady) continue;
    if (n <= 0) {
      Fail(nullptr);  // the peer closed its side or the connection broke
      return false;
    }
    end_ = static_cast<size_t>(n);
    return true;
  }
}

void PageConnection::CountHeaderBytes(const char* bytes, size_t size) {
  for (size_t i = 0; i < size && !headersDone_; ++i) {
    lastFour_ = (lastFour_ << 8) | static_cast<unsigned char>(bytes[i]);
    ++headerBytes_;
    if (lastFour_ == 0x0D0A0D0Au) headersDone_ = true;
  }
  if (!headersDone_ && headerBytes_ > limits_.headerBytes) {
    Fail("431 Request Header Fields Too Large");
  }
}

bool PageConnection::is_readable() const {
  if (failed_) return false;
  return start_ < end_ ||
         WaitReadableUntil(std::min(Clock::now() + limits_.silence, requestDeadline_));
}

bool PageConnection::is_writable() const {
  return !failed_ && WaitUntilWritable(socket_, limits_.writing);
}

ssize_t PageConnection::read(char* into, size_t size) {
  if (failed_) return -1;
  if (start_ == end_ && !Fill()) return -1;
  // Headers are handed out a line at a time at most, so the limit is met
  // before the library keeps a byte past it.
  size_t n = std::min(size, end_ - start_);
  if (!headersDone_) {
    const void* lineEnd = std::memchr(buffer_ + start_, '\n', n);
    if (lineEnd != nullptr) n = static_cast<const char*>(lineEnd) - (buffer_ + start_) + 1;
    CountHeaderBytes(buffer_ + start_, n);
    if (failed_) return -1;
  }
  std::memcpy(into, buffer_ + start_, n);
  start_ += n;
  return static_cast<ssize_t>(n);
}

ssize_t PageConnection::write(const char* bytes, size_t size) {
  if (failed_) return -1;
  // The library writes each status line "HTTP/1.1 NNN ..." in one piece.
  if (answeredStatus_ == 0 && size >= 12 && std::memcmp(bytes, "HTTP/1.", 7) == 0) {
    answeredStatus_ = std::atoi(std::string(bytes + 9, 3).c_str());
  }
  const Clock::time_point deadline = Clock::now() + limits_.writing;
  size_t sent = 0;
  while (sent < size) {
    if ((stopping_ && stopping_()) || Clock::now() >= deadline) {
      Fail(nullptr);  // the peer does not read its answer
      return -1;
    }
    if (!WaitUntilWritable(socket_, kSlice)) continue;
    const long n = SendSome(socket_, bytes + sent, size - sent);
    if (n == kSocketNotReady) continue;
    if (n < 0) {
      Fail(nullptr);
      return -1;
    }
    sent += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

void PageConnection::get_remote_ip_and_port(std::string& ip, int& port) const {
  PeerAddress(socket_, &ip, &port);
}

void PageConnection::get_local_ip_and_port(std::string& ip, int& port) const {
  LocalAddress(socket_, &ip, &port);
}

}  // namespace dravanta
