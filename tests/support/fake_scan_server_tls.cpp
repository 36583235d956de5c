// The TLS form of the fake scanning server, apart so that the plain one
// builds where cpp-httplib has no OpenSSL (the Windows build).
#include "tests/support/fake_scan_server.h"
#include "tests/support/handshake_counter.h"
#include "tests/support/tls_certificates.h"

namespace dravanta {

FakeScanServer::FakeScanServer(const TlsIdentity& identity)
    : handshakes_(std::make_shared<HandshakeCounter>()),
      server_(std::make_unique<httplib::SSLServer>(identity.certificate.get(), identity.key.get())),
      secure_(true) {
  handshakes_->Attach(static_cast<httplib::SSLServer&>(*server_).ssl_context());
}

HandshakeCounts FakeScanServer::Handshakes() const {
  return handshakes_ != nullptr ? handshakes_->Counts() : HandshakeCounts{};
}

}  // namespace dravanta
