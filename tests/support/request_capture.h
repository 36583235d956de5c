// A one-request HTTP peer on 127.0.0.1 that keeps the request's bytes as
// they arrived (header block only) and answers "200 OK" with the body "ok",
// for tests that check every byte a client sends. The first connection is
// served on a background thread; the peer gives up after timeout_seconds.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

namespace dravanta {

class RequestCapture {
 public:
  RequestCapture() = default;
  ~RequestCapture();
  RequestCapture(const RequestCapture&) = delete;
  RequestCapture& operator=(const RequestCapture&) = delete;

  // Listens on a free port and serves one request in the background.
  bool Start(int timeout_seconds = 30);
  int port() const { return port_; }
  // Waits for the request to be served; its header block, up to and with
  // the empty line ("" when none came).
  std::string Request();

 private:
  void Serve(int timeout_seconds);

  bool winsock_started_ = false;
  std::intptr_t listening_ = -1;  // the listening socket
  int port_ = 0;
  std::thread thread_;
  std::string request_;
};

}  // namespace dravanta
