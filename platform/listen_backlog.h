// How many connections may wait for accept() on a listening socket.
#pragma once

#include "platform/socket_handle.h"

namespace dravanta {

// Enough for every upload and lookup a client opens at once, with room.
inline constexpr int kWideListenBacklog = 128;

// Lets up to backlog connections wait to be accepted on a socket that
// already listens (listening again only changes the queue length). Servers
// whose HTTP library listens with a short queue call this after binding: a
// burst of connections past the queue has its SYNs dropped and each such
// connection waits a second or more for the retry.
bool WidenListenBacklog(SocketHandle listening_socket, int backlog = kWideListenBacklog);

}  // namespace dravanta
