// The notification-area icon's state and menu handling. Where the system
// has no notification area (POSIX, or Windows without a shell to take the
// icon) adding the icon fails, so the window is never hidden where it could
// not be brought back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/tray_window.h"

namespace dravanta {

constexpr uint32_t kTrayIconId = 1;
constexpr uint32_t kMenuOpen = 32771;
constexpr uint32_t kMenuAbout = 32772;
constexpr uint32_t kMenuExit = 32773;
constexpr uint32_t kMouseRightButtonUp = 0x205;
constexpr uint32_t kMouseContextMenu = 0x7B;
constexpr uint32_t kMouseLeftDoubleClick = 0x203;
constexpr size_t kTrayTooltipLimit = 127;
constexpr uint32_t kTrayCallbackMessage = 0x401;  // WM_USER+1

struct TrayState {
  bool has_owner = false;  // the dialog's window was put into the record
  uint32_t icon_id = 0;
  std::u16string tooltip = u"Dravanta Client";
  bool icon_added = false;
  bool menu_loaded = false;
  bool hidden_to_tray = false;
  TrayWindow* window = nullptr;  // opened by the first icon added, on the dialog's thread
};

enum class TrayAction { kNothing, kShowMenu, kShowWindow, kExit };

// "Dravanta Client" followed by the server text, cut to the tooltip's limit
// (the end of a long server text is replaced by "...").
std::u16string TrayTooltip(std::u16string_view server);

// Tries to add the icon (and load its menu) once the record has its owner
// and identifier; its notifications and menu commands go to `callbacks`
// while the dialog's thread dispatches the tray's messages. False where no
// notification area takes it.
bool AddTrayIcon(TrayState& tray, TrayCallbacks callbacks);

// Removes the icon when it was added.
void RemoveTrayIcon(TrayState& tray);

// Removes the icon and closes its window (the dialog's thread, at the end).
void CloseTray(TrayState& tray);

// The menu: "&Open", "&About", a separator and "E&xit".
std::vector<TrayMenuEntry> TrayMenuEntries();

// A notification from the icon: only icon 1 counts; right button up or the
// context-menu key shows the menu, a left double click restores a hidden
// window.
TrayAction OnTrayNotification(TrayState& tray, uint32_t icon_id, uint32_t mouseMessage);

// A tray menu command.
TrayAction OnTrayMenuCommand(TrayState& tray, uint32_t command);

}  // namespace dravanta
