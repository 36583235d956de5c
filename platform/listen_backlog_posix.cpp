#include "platform/listen_backlog.h"

#include <sys/socket.h>

namespace dravanta {

bool WidenListenBacklog(SocketHandle listening_socket, int backlog) {
  return listening_socket >= 0 && listen(static_cast<int>(listening_socket), backlog) == 0;
}

}  // namespace dravanta
