#include "platform/tray_window.h"

namespace dravanta {

// No notification area here: nothing opens, so every other call receives
// nullptr and does nothing.
TrayWindow* OpenTrayWindow(TrayCallbacks) { return nullptr; }

bool AddNotificationIcon(TrayWindow*, uint32_t, uint32_t, std::u16string_view) { return false; }

void RemoveNotificationIcon(TrayWindow*) {}

void ShowNotificationMenu(TrayWindow*, const std::vector<TrayMenuEntry>&) {}

void DispatchTrayMessages(TrayWindow*) {}

void CloseTrayWindow(TrayWindow*) {}

}  // namespace dravanta
