#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/tray_window.h"

namespace dravanta {
namespace {

constexpr uint32_t kCallbackMessage = WM_USER + 1;

struct Heard {
  std::vector<std::pair<uint32_t, uint32_t>> notifications;
  std::vector<uint32_t> commands;
};

TrayCallbacks Listening(Heard* heard) {
  TrayCallbacks callbacks;
  callbacks.context = heard;
  callbacks.notification = [](void* context, uint32_t icon, uint32_t mouse) {
    static_cast<Heard*>(context)->notifications.emplace_back(icon, mouse);
  };
  callbacks.command = [](void* context, uint32_t command) {
    static_cast<Heard*>(context)->commands.push_back(command);
  };
  return callbacks;
}

HWND TheTrayWindow() {
  return FindWindowExW(HWND_MESSAGE, nullptr, L"DravantaTrayWindow", nullptr);
}

TEST(TrayWindowWin32, NotificationsAndMenuCommandsReachTheCallbacksWhenDispatched) {
  Heard heard;
  TrayWindow* tray = OpenTrayWindow(Listening(&heard));
  ASSERT_NE(tray, nullptr);
  const HWND window = TheTrayWindow();
  ASSERT_NE(window, nullptr);
  // Whether the icon itself is taken depends on a notification area (none
  // under Wine without a display); the window's messages do not.
  AddNotificationIcon(tray, 1, kCallbackMessage, u"Dravanta Clienthost/path");
  PostMessageW(window, kCallbackMessage, 1, MAKELPARAM(0x203, 0));
  PostMessageW(window, kCallbackMessage, 2, MAKELPARAM(0x205, 7));
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(32773, 0), 0);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(5, 1), 0);  // an accelerator: not a menu
  EXPECT_TRUE(heard.notifications.empty());               // nothing runs before dispatching
  DispatchTrayMessages(tray);
  const std::vector<std::pair<uint32_t, uint32_t>> notifications = {{1, 0x203}, {2, 0x205}};
  EXPECT_EQ(heard.notifications, notifications);
  EXPECT_EQ(heard.commands, std::vector<uint32_t>{32773});
  CloseTrayWindow(tray);
  EXPECT_EQ(TheTrayWindow(), nullptr);
}

TEST(TrayWindowWin32, NotificationsCountOnlyOnceTheIconWasAskedFor) {
  Heard heard;
  TrayWindow* tray = OpenTrayWindow(Listening(&heard));
  ASSERT_NE(tray, nullptr);
  PostMessageW(TheTrayWindow(), kCallbackMessage, 1, MAKELPARAM(0x203, 0));
  DispatchTrayMessages(tray);
  EXPECT_TRUE(heard.notifications.empty());
  CloseTrayWindow(tray);
}

TEST(TrayWindowWin32, NothingOpenedMeansNothingDone) {
  EXPECT_FALSE(AddNotificationIcon(nullptr, 1, kCallbackMessage, u"x"));
  RemoveNotificationIcon(nullptr);
  ShowNotificationMenu(nullptr, {{32771, u"&Open"}});
  DispatchTrayMessages(nullptr);
  CloseTrayWindow(nullptr);
}

}  // namespace
}  // namespace dravanta
