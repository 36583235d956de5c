// The notification-area icon's state and menu handling. This platform has no
// notification area: adding the icon always fails, so the window is never
// hidden where it could not be brought back.
#pragma once

#include <cstdint>
#include <string>

namespace dravanta {

constexpr uint32_t kTrayIconId = 1;
constexpr uint32_t kMenuOpen = 32771;
constexpr uint32_t kMenuAbout = 32772;
constexpr uint32_t kMenuExit = 32773;
constexpr uint32_t kMouseRightButtonUp = 0x205;
constexpr uint32_t kMouseContextMenu = 0x7B;
constexpr uint32_t kMouseLeftDoubleClick = 0x203;
constexpr size_t kTrayTooltipLimit = 127;

struct TrayState {
  bool has_owner = false;  // the dialog's window was put into the record
  uint32_t icon_id = 0;
  std::u16string tooltip = u"Dravanta Client";
  bool icon_added = false;
  bool menu_loaded = false;
  bool hidden_to_tray = false;
};

enum class TrayAction { kNothing, kShowMenu, kShowWindow, kExit };

// "Dravanta Client" followed by the server text, cut to the tooltip's limit
// (the end of a long server text is replaced by "...").
std::u16string TrayTooltip(std::u16string_view server);

// Tries to add the icon (and load its menu). False on this platform.
bool AddTrayIcon(TrayState& tray);

// Removes the icon when it was added.
void RemoveTrayIcon(TrayState& tray);

// A notification from the icon: only icon 1 counts; right button up or the
// context-menu key shows the menu, a left double click restores a hidden
// window.
TrayAction OnTrayNotification(TrayState& tray, uint32_t icon_id, uint32_t mouseMessage);

// A tray menu command.
TrayAction OnTrayMenuCommand(TrayState& tray, uint32_t command);

}  // namespace dravanta
