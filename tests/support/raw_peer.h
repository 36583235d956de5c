// A scripted TCP peer on 127.0.0.1, for the faults an HTTP library will not
// commit on purpose: resets, garbage, answers cut anywhere, endless or
// stalled answers, slow readers, and small proxies.
//
//   RawPeer peer([](RawConnection& connection) {
//     connection.ReadRequest();
//     connection.Send("HTTP/1.0 200 OK\r\nContent-Len");
//     connection.Reset();
//   });
//   ASSERT_TRUE(peer.Start());
//   ... "url" = peer.Url() ...
//
// Connections are served one at a time, in order, on the peer's thread. Every
// wait is bounded, and Stop (or the destructor) ends a script that waits.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace dravanta {

class RawConnection {
 public:
  RawConnection(int socket, const std::atomic<bool>& stopping);
  ~RawConnection();  // closes the connection if the script did not
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // Reads one request: the header block and as many body bytes as its
  // Content-Length announces. Empty when the client closed first, the peer
  // is stopping, or nothing came for timeout_milliseconds.
  std::optional<std::string> ReadRequest(int timeout_milliseconds = 10000);
  // Reads only the header block (up to the empty line), leaving any body.
  std::optional<std::string> ReadHeaderBlock(int timeout_milliseconds = 10000);
  // Reads at most count bytes that are already there or arrive within the
  // timeout; empty at the end of the stream.
  std::string ReadSome(std::size_t count, int timeout_milliseconds);

  // Sends every byte; false once the client went away.
  bool Send(std::string_view bytes);
  // Closes with a reset (linger time 0): the client reads ECONNRESET.
  void Reset();
  // Closes in order: the client reads the end of the stream.
  void Close();
  // Keeps the connection open, sending nothing, until the client closes it,
  // the peer stops or timeout_milliseconds pass.
  void HoldOpen(int timeout_milliseconds = 20000);
  // The same without reading: what the client sends piles up unread.
  void HoldOpenUnread(int timeout_milliseconds = 20000);

  int socket() const { return socket_; }

 private:
  bool WaitReadable(int timeout_milliseconds);
  std::optional<std::string> ReadUntilHeadersEnd(int timeout_milliseconds);

  int socket_;
  const std::atomic<bool>& stopping_;
  std::string pending_;  // bytes read past what a read returned
};

// Connects to 127.0.0.1:port; -1 on failure. The caller owns the socket.
int ConnectToLoopback(int port);

// Copies bytes both ways between connection and upstream until either side
// closes; after limit bytes towards the client it resets the connection.
void RelayConnection(RawConnection& connection, int upstream_socket,
                     std::size_t limit_towards_client = static_cast<std::size_t>(-1));

class RawPeer {
 public:
  using Script = std::function<void(RawConnection&)>;
  explicit RawPeer(Script script);
  ~RawPeer();
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  // Binds 127.0.0.1 on a free port and accepts on a background thread.
  bool Start();
  void Stop();

  int port() const { return port_; }
  // "http://127.0.0.1:PORT/path" (or "https://...").
  std::string Url(const std::string& path = "dravanta_rest", bool secure = false) const;
  // Connections accepted so far.
  int Connections() const { return connections_; }

 private:
  void Serve();

  Script script_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

}  // namespace dravanta
