// One connection of the page host, read and written under limits so that a
// slow or flooding client holds a serving thread only briefly and never
// makes the host keep unbounded input.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "platform/socket_handle.h"

namespace dravanta {

struct ConnectionLimits {
  size_t headerBytes = 32 * 1024;                 // request line and headers together
  std::chrono::milliseconds silence{2000};        // longest pause inside one request
  std::chrono::milliseconds wholeRequest{10000};  // first byte to last of one request
  std::chrono::milliseconds idleBetween{5000};    // keep-alive wait for the next request
  std::chrono::milliseconds writing{5000};        // longest wait to send the answer
};

// A stream over an accepted socket. A request that goes silent or runs past
// its time is answered "408 Request Timeout", one whose headers pass the
// limit "431 Request Header Fields Too Large"; after either the stream
// fails every further read and write, so the connection ends.
class PageConnection : public httplib::Stream {
 public:
  // `stopping` is asked while waiting; true ends the wait at once.
  PageConnection(SocketHandle socket, ConnectionLimits limits, std::function<bool()> stopping);

  // Waits (at most `idleBetween`) for the first byte of the next request.
  bool WaitForRequest();
  // Starts the limits of a new request.
  void BeginRequest();
  // A limit was hit, or the peer is gone: serve nothing more here.
  bool Failed() const { return failed_; }
  // The status of the answer written to the current request (0 before one).
  int AnsweredStatus() const { return answeredStatus_; }

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* into, size_t size) override;
  ssize_t write(const char* bytes, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return static_cast<socket_t>(socket_); }

 private:
  using Clock = std::chrono::steady_clock;
  // Waits for bytes until `deadline`; false when none came (or stopping).
  bool WaitReadableUntil(Clock::time_point deadline) const;
  bool Fill();
  void Fail(const char* statusLine);
  void CountHeaderBytes(const char* bytes, size_t size);

  const SocketHandle socket_;
  const ConnectionLimits limits_;
  const std::function<bool()> stopping_;
  char buffer_[4096];
  size_t start_ = 0;
  size_t end_ = 0;
  bool failed_ = false;
  // The current request.
  Clock::time_point requestDeadline_;
  size_t headerBytes_ = 0;
  bool headersDone_ = false;
  int answeredStatus_ = 0;
  unsigned lastFour_ = 0;  // the last four header bytes, to find the blank line
};

}  // namespace dravanta
