// Binding a cpp-httplib server so that a burst of connections does not
// stall. The library listens with a queue of five; the client opens up to
// ten uploads and lookups at once, and a connection past the queue waits a
// second for its SYN to be sent again. Header only: used by the test and
// benchmark servers and the scan server, which link cpp-httplib themselves.
#pragma once

#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/listen_backlog.h"

namespace dravanta {

// Binds server to host:port (port 0: any free port) and widens its listening
// queue. The bound port, or -1 when it cannot be bound. Call before
// listen_after_bind().
inline int BindWithWideBacklog(httplib::Server& server, const std::string& host, int port) {
  SocketHandle listening = kNoSocket;
  server.set_socket_options([&listening](socket_t sock) {
    httplib::default_socket_options(sock);
    listening = static_cast<SocketHandle>(sock);
  });
  int bound = port == 0                         ? server.bind_to_any_port(host)
              : server.bind_to_port(host, port) ? port
                                                : -1;
  // The option hook would otherwise keep a reference to this frame.
  server.set_socket_options(httplib::default_socket_options);
  if (bound <= 0) return -1;
  WidenListenBacklog(listening);
  return bound;
}

// Serves a bound server on a new thread and returns once it accepts
// connections, or after five seconds (check server.is_running()). The library
// ignores a stop() that comes before its accept loop has begun, so a server
// stopped right after starting would otherwise serve on and never be joined.
inline std::thread ServeInBackground(httplib::Server& server) {
  std::thread serving([&server] { server.listen_after_bind(); });
  for (int waited = 0; waited < 5000 && !server.is_running(); ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return serving;
}

}  // namespace dravanta
