#include "platform/socket_io.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "tests/support/loopback_port.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;

struct Pair {
  Pair() {
    int descriptors[2] = {-1, -1};
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, descriptors), 0);
    ends[0] = descriptors[0];
    ends[1] = descriptors[1];
  }
  ~Pair() {
    CloseSocket(ends[0]);
    CloseSocket(ends[1]);
  }
  SocketHandle ends[2] = {kNoSocket, kNoSocket};
};

TEST(SocketIo, NothingToReadWaitsOutTheLimitAndReceivesNothing) {
  Pair pair;
  EXPECT_FALSE(WaitUntilReadable(pair.ends[0], 20ms));
  char byte;
  EXPECT_EQ(ReceiveSome(pair.ends[0], &byte, 1), kSocketNotReady);
  EXPECT_TRUE(WaitUntilWritable(pair.ends[0], 20ms));
}

TEST(SocketIo, BytesSentArriveAndAClosedPeerEndsTheReading) {
  Pair pair;
  const std::string bytes(200000, 'x');  // more than one socket buffer holds
  std::thread reader(
      [&] { EXPECT_EQ(ReceiveUntilClosed(pair.ends[1], 5s, bytes.size() + 1), bytes); });
  EXPECT_TRUE(SendAll(pair.ends[0], bytes, 5s));
  CloseConnectionGracefully(pair.ends[0], 0ms);
  pair.ends[0] = kNoSocket;
  reader.join();
}

TEST(SocketIo, GracefulCloseDiscardsWhatThePeerStillSends) {
  Pair pair;
  EXPECT_TRUE(SendAll(pair.ends[1], "late request bytes", 1s));
  EXPECT_TRUE(SendAll(pair.ends[0], "answer", 1s));
  CloseConnectionGracefully(pair.ends[0], 50ms);
  pair.ends[0] = kNoSocket;
  EXPECT_EQ(ReceiveUntilClosed(pair.ends[1], 1s, 100), "answer");
}

TEST(SocketIo, SendingToAClosedPeerFailsWithoutASignal) {
  Pair pair;
  CloseSocket(pair.ends[1]);
  pair.ends[1] = kNoSocket;
  EXPECT_FALSE(SendAll(pair.ends[0], std::string(100000, 'y'), 1s));
}

TEST(SocketIo, ConnectsOnlyWhereSomethingListens) {
  const int port = FindFreeLoopbackPort();
  ASSERT_GT(port, 0);
  EXPECT_EQ(ConnectToLoopback(port), kNoSocket);
}

}  // namespace
}  // namespace dravanta
