#include <gtest/gtest.h>

#include "platform/listen_backlog.h"
#include "platform/testing/win32_socket_pair.h"

namespace dravanta {
namespace {

TEST(ListenBacklogWin32, NoSocketIsRefused) { EXPECT_FALSE(WidenListenBacklog(kNoSocket)); }

TEST(ListenBacklogWin32, AListeningSocketTakesTheCallAndKeepsAccepting) {
  int port = 0;
  const SocketHandle listening = ListenOnLoopback(1, &port);
  ASSERT_NE(listening, kNoSocket);
  EXPECT_TRUE(WidenListenBacklog(listening, 64));
  const SocketHandle client = ConnectToLoopback(port);
  ASSERT_NE(client, kNoSocket);
  const SOCKET accepted = accept(NativeSocket(listening), nullptr, nullptr);
  EXPECT_NE(accepted, INVALID_SOCKET);
  if (accepted != INVALID_SOCKET) closesocket(accepted);
  CloseSocket(client);
  CloseSocket(listening);
}

TEST(ListenBacklogWin32, ASocketThatDoesNotListenIsRefused) {
  ASSERT_TRUE(WindowsSocketsStarted());
  const SOCKET unbound = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(unbound, INVALID_SOCKET);
  EXPECT_FALSE(WidenListenBacklog(HandleOf(unbound)));  // never bound
  closesocket(unbound);
}

}  // namespace
}  // namespace dravanta
