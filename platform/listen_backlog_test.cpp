#include "platform/listen_backlog.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace dravanta {
namespace {

constexpr int kBurst = 20;

// A loopback socket listening with a queue of one, never accepting.
int ListenNarrow(sockaddr_in* address) {
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  *address = {};
  address->sin_family = AF_INET;
  address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof *address;
  if (descriptor < 0 || bind(descriptor, reinterpret_cast<sockaddr*>(address), length) != 0 ||
      getsockname(descriptor, reinterpret_cast<sockaddr*>(address), &length) != 0 ||
      listen(descriptor, 1) != 0) {
    if (descriptor >= 0) close(descriptor);
    return -1;
  }
  return descriptor;
}

// How many of a burst of connections are established within a short wait
// (a dropped SYN would only be sent again after a second).
int ConnectedOfBurst(const sockaddr_in& address) {
  std::vector<int> clients;
  for (int i = 0; i < kBurst; ++i) {
    int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (client < 0) break;
    connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    clients.push_back(client);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  int connected = 0;
  for (int client : clients) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd waiting{client, POLLOUT, 0};
    int error = -1;
    socklen_t length = sizeof error;
    if (poll(&waiting, 1, static_cast<int>(std::max<long>(left.count(), 0))) == 1 &&
        getsockopt(client, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
      ++connected;
    }
    close(client);
  }
  return connected;
}

TEST(ListenBacklogTest, BurstOfConnectionsWaitsOnlyWhenTheQueueIsWide) {
  struct Case {
    const char* name;
    bool widened;
    bool all_connect;
  } cases[] = {
      {"queue of one", false, false},
      {"widened queue", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sockaddr_in address;
    int listening = ListenNarrow(&address);
    ASSERT_GE(listening, 0);
    if (c.widened) {
      EXPECT_TRUE(WidenListenBacklog(listening, 64));
    }
    EXPECT_EQ(ConnectedOfBurst(address) == kBurst, c.all_connect);
    close(listening);
  }
}

TEST(ListenBacklogTest, NoSocketIsRefused) { EXPECT_FALSE(WidenListenBacklog(-1)); }

}  // namespace
}  // namespace dravanta
