// Reading and writing connected stream sockets with time limits, for the
// page host's own connection handling and for tests that speak raw HTTP to
// it.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/socket_handle.h"

namespace dravanta {

// Waits until `socket` has bytes to read, or the peer has closed it (true),
// or `limit` passes (false).
bool WaitUntilReadable(SocketHandle socket, std::chrono::milliseconds limit);
// Waits until at least one byte can be written (true) or `limit` passes.
bool WaitUntilWritable(SocketHandle socket, std::chrono::milliseconds limit);

// What ReceiveSome and SendSome answer when the socket is not ready.
constexpr long kSocketNotReady = -2;

// One receive that never waits: the number of bytes read, 0 when the peer
// closed its side, kSocketNotReady, or -1 on error.
long ReceiveSome(SocketHandle socket, char* buffer, size_t size);
// One send that never waits and never raises SIGPIPE: the number of bytes
// taken, kSocketNotReady, or -1 on error.
long SendSome(SocketHandle socket, const char* bytes, size_t size);

// The address and port of the other end and of this end ("" and 0 when
// unknown).
void PeerAddress(SocketHandle socket, std::string* address, int* port);
void LocalAddress(SocketHandle socket, std::string* address, int* port);

// Stops sending on `socket`: the peer reads the end of the stream.
void ShutDownSending(SocketHandle socket);

// Ends a connection so that the answer already sent reaches the peer even
// when it is still sending: stops sending, reads and discards what arrives
// for at most `linger`, then closes.
void CloseConnectionGracefully(SocketHandle socket, std::chrono::milliseconds linger);

// A client connection to 127.0.0.1:`port`; kNoSocket when refused.
SocketHandle ConnectToLoopback(int port);
// Sends every byte (waiting at most `limit` in all); false when it could not.
bool SendAll(SocketHandle socket, const std::string& bytes, std::chrono::milliseconds limit);
// Reads until the peer closes, `limit` passes or `most` bytes arrived.
std::string ReceiveUntilClosed(SocketHandle socket, std::chrono::milliseconds limit, size_t most);
// Closes `socket` unless it is kNoSocket.
void CloseSocket(SocketHandle socket);

}  // namespace dravanta
