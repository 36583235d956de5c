// Reading and writing connected stream sockets with time limits, for the
// page host's own connection handling and for tests that speak raw HTTP to
// it.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace dravanta {

// Waits until `socket` has bytes to read, or the peer has closed it (true),
// or `limit` passes (false).
bool WaitUntilReadable(int socket, std::chrono::milliseconds limit);
// Waits until at least one byte can be written (true) or `limit` passes.
bool WaitUntilWritable(int socket, std::chrono::milliseconds limit);

// What ReceiveSome and SendSome answer when the socket is not ready.
constexpr long kSocketNotReady = -2;

// One receive that never waits: the number of bytes read, 0 when the peer
// closed its side, kSocketNotReady, or -1 on error.
long ReceiveSome(int socket, char* buffer, size_t size);
// One send that never waits and never raises SIGPIPE: the number of bytes
// taken, kSocketNotReady, or -1 on error.
long SendSome(int socket, const char* bytes, size_t size);

// The address and port of the other end and of this end ("" and 0 when
// unknown).
void PeerAddress(int socket, std::string* address, int* port);
void LocalAddress(int socket, std::string* address, int* port);

// Ends a connection so that the answer already sent reaches the peer even
// when it is still sending: stops sending, reads and discards what arrives
// for at most `linger`, then closes.
void CloseConnectionGracefully(int socket, std::chrono::milliseconds linger);

// A client connection to 127.0.0.1:`port`; -1 when refused.
int ConnectToLoopback(int port);
// Sends every byte (waiting at most `limit` in all); false when it could not.
bool SendAll(int socket, const std::string& bytes, std::chrono::milliseconds limit);
// Reads until the peer closes, `limit` passes or `most` bytes arrived.
std::string ReceiveUntilClosed(int socket, std::chrono::milliseconds limit, size_t most);
void CloseSocket(int socket);

}  // namespace dravanta
