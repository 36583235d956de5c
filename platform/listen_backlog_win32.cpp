#include "internal/winsock_win32.h"
#include "platform/listen_backlog.h"

namespace dravanta {

// Windows keeps the queue length of a socket's first listen() (listening
// again only succeeds), so the Windows build also gives the HTTP library
// the wide queue for its own listen(): see CPPHTTPLIB_LISTEN_BACKLOG in the
// build. Where the system does take the new length (Wine), this widens it.
bool WidenListenBacklog(SocketHandle listening_socket, int backlog) {
  return listening_socket != kNoSocket && listen(NativeSocket(listening_socket), backlog) == 0;
}

}  // namespace dravanta
