// The notification-area icon and its menu. On Windows a message-only window
// of the thread that opens it receives the icon's notifications and the
// menu's commands; that thread hands them to the callbacks whenever it
// dispatches its messages. POSIX has no notification area: no window opens
// there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

struct TrayWindow;  // the system's own state

struct TrayCallbacks {
  void* context = nullptr;
  // The icon's notification: its identifier and the mouse message.
  void (*notification)(void* context, uint32_t icon_id, uint32_t mouse_message) = nullptr;
  // A command chosen in the menu.
  void (*command)(void* context, uint32_t command) = nullptr;
};

// One menu line; command 0 is a separator.
struct TrayMenuEntry {
  uint32_t command = 0;
  std::u16string text;
};

// Opens the window on the calling thread; nullptr where there is none.
TrayWindow* OpenTrayWindow(TrayCallbacks callbacks);
// Puts the icon into the notification area: icon `icon_id`, notifications
// as `callback_message`, the program's icon 128 (the system's application
// icon when it has none) and the tooltip (cut to 127 characters). False
// where no notification area takes it.
bool AddNotificationIcon(TrayWindow* window, uint32_t icon_id, uint32_t callback_message,
                         std::u16string_view tooltip);
// Takes the icon out again (nothing when it was not added).
void RemoveNotificationIcon(TrayWindow* window);
// Shows the menu at the cursor, the window brought to the foreground first;
// the chosen command arrives through the callbacks.
void ShowNotificationMenu(TrayWindow* window, const std::vector<TrayMenuEntry>& entries);
// Hands the messages waiting for this thread's windows to them, so the
// callbacks run; returns at once when none wait. Call on the opening thread.
void DispatchTrayMessages(TrayWindow* window);
// Removes the icon and destroys the window (on the opening thread).
void CloseTrayWindow(TrayWindow* window);

}  // namespace dravanta
