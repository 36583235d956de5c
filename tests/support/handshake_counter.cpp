#include "tests/support/handshake_counter.h"

namespace dravanta {
namespace {

// Where the counter hangs on the context, and the mark of a connection
// already counted (OpenSSL may report a finished handshake more than once,
// as when it sends session tickets after it).
int ContextSlot() {
  static const int slot = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return slot;
}

int ConnectionSlot() {
  static const int slot = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return slot;
}

char counted_mark;

}  // namespace

void HandshakeCounter::Attach(SSL_CTX* context) {
  SSL_CTX_set_ex_data(context, ContextSlot(), this);
  SSL_CTX_set_info_callback(context, &HandshakeCounter::OnInfo);
}

HandshakeCounts HandshakeCounter::Counts() const { return {full_.load(), resumed_.load()}; }

void HandshakeCounter::OnInfo(const SSL* connection, int where, int /*result*/) {
  if ((where & SSL_CB_HANDSHAKE_DONE) == 0) return;
  SSL* ssl = const_cast<SSL*>(connection);
  if (SSL_get_ex_data(ssl, ConnectionSlot()) != nullptr) return;
  SSL_set_ex_data(ssl, ConnectionSlot(), &counted_mark);
  auto* counter =
      static_cast<HandshakeCounter*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ContextSlot()));
  if (counter == nullptr) return;
  if (SSL_session_reused(ssl) != 0) {
    ++counter->resumed_;
  } else {
    ++counter->full_;
  }
}

}  // namespace dravanta
