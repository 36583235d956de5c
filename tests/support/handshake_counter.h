// Counts the TLS handshakes that an OpenSSL server context completes, full
// ones and resumptions of an earlier session apart, so that tests and
// benchmarks can see whether a client resumed its sessions.
#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <cstddef>

namespace dravanta {

struct HandshakeCounts {
  std::size_t full = 0;
  std::size_t resumed = 0;
};

class HandshakeCounter {
 public:
  HandshakeCounter() = default;
  HandshakeCounter(const HandshakeCounter&) = delete;
  HandshakeCounter& operator=(const HandshakeCounter&) = delete;

  // Counts every handshake of connections made from context from now on.
  // The counter must outlive the context's connections.
  void Attach(SSL_CTX* context);

  HandshakeCounts Counts() const;

 private:
  static void OnInfo(const SSL* connection, int where, int result);

  std::atomic<std::size_t> full_{0};
  std::atomic<std::size_t> resumed_{0};
};

}  // namespace dravanta
