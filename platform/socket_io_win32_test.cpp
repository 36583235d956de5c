#include <gtest/gtest.h>

#include <thread>

#include "platform/socket_io.h"
#include "platform/testing/win32_socket_pair.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;

TEST(SocketIoWin32, NothingToReadWaitsOutTheLimitAndReceivesNothing) {
  SocketPair pair;
  ASSERT_TRUE(pair.Connected());
  EXPECT_FALSE(WaitUntilReadable(pair.ends[0], 20ms));
  char byte;
  EXPECT_EQ(ReceiveSome(pair.ends[0], &byte, 1), kSocketNotReady);
  EXPECT_TRUE(WaitUntilWritable(pair.ends[0], 20ms));
}

TEST(SocketIoWin32, BytesSentArriveAndAClosedPeerEndsTheReading) {
  SocketPair pair;
  ASSERT_TRUE(pair.Connected());
  const std::string bytes(2000000, 'x');  // more than the socket buffers hold
  std::thread reader(
      [&] { EXPECT_EQ(ReceiveUntilClosed(pair.ends[1], 10s, bytes.size() + 1), bytes); });
  EXPECT_TRUE(SendAll(pair.ends[0], bytes, 10s));
  CloseConnectionGracefully(pair.ends[0], 0ms);
  pair.ends[0] = kNoSocket;
  reader.join();
}

TEST(SocketIoWin32, GracefulCloseDiscardsWhatThePeerStillSends) {
  SocketPair pair;
  ASSERT_TRUE(pair.Connected());
  EXPECT_TRUE(SendAll(pair.ends[1], "late request bytes", 1s));
  EXPECT_TRUE(SendAll(pair.ends[0], "answer", 1s));
  CloseConnectionGracefully(pair.ends[0], 50ms);
  pair.ends[0] = kNoSocket;
  EXPECT_EQ(ReceiveUntilClosed(pair.ends[1], 1s, 100), "answer");
}

TEST(SocketIoWin32, SendingToAClosedPeerFails) {
  SocketPair pair;
  ASSERT_TRUE(pair.Connected());
  CloseSocket(pair.ends[1]);
  pair.ends[1] = kNoSocket;
  EXPECT_FALSE(SendAll(pair.ends[0], std::string(4000000, 'y'), 2s));
}

TEST(SocketIoWin32, BothEndsKnowTheLoopbackAddresses) {
  SocketPair pair;
  ASSERT_TRUE(pair.Connected());
  std::string peer, local;
  int peerPort = 0, localPort = 0;
  PeerAddress(pair.ends[1], &peer, &peerPort);
  LocalAddress(pair.ends[0], &local, &localPort);
  EXPECT_EQ(peer, "127.0.0.1");
  EXPECT_EQ(local, "127.0.0.1");
  EXPECT_EQ(peerPort, localPort);  // the client's own port, seen from both ends
  EXPECT_GT(peerPort, 0);
  PeerAddress(kNoSocket, &peer, &peerPort);
  EXPECT_EQ(peer, "");
  EXPECT_EQ(peerPort, 0);
}

TEST(SocketIoWin32, ConnectsOnlyWhereSomethingListens) {
  int port = 0;
  const SocketHandle listening = ListenOnLoopback(1, &port);
  ASSERT_NE(listening, kNoSocket);
  const SocketHandle client = ConnectToLoopback(port);
  EXPECT_NE(client, kNoSocket);
  CloseSocket(client);
  CloseSocket(listening);  // the port is free now, and nothing listens there
  EXPECT_EQ(ConnectToLoopback(port), kNoSocket);
}

}  // namespace
}  // namespace dravanta
