#include "ui/tray_state.h"

namespace dravanta {

std::u16string TrayTooltip(std::u16string_view server) {
  std::u16string tooltip = u"Dravanta Client" + std::u16string(server);
  if (tooltip.size() > kTrayTooltipLimit)
    tooltip = tooltip.substr(0, kTrayTooltipLimit - 3) + u"...";
  return tooltip;
}

bool AddTrayIcon(TrayState& tray, TrayCallbacks callbacks) {
  tray.icon_added = false;
  tray.menu_loaded = false;
  if (!tray.has_owner || tray.icon_id == 0) return false;
  if (tray.window == nullptr) tray.window = OpenTrayWindow(callbacks);
  if (!AddNotificationIcon(tray.window, tray.icon_id, kTrayCallbackMessage, tray.tooltip)) {
    CloseTray(tray);
    return false;
  }
  tray.icon_added = true;
  tray.menu_loaded = true;
  return true;
}

void RemoveTrayIcon(TrayState& tray) {
  if (tray.has_owner && tray.icon_id != 0 && tray.icon_added) {
    RemoveNotificationIcon(tray.window);
    tray.icon_added = false;
  }
}

void CloseTray(TrayState& tray) {
  RemoveTrayIcon(tray);
  CloseTrayWindow(tray.window);
  tray.window = nullptr;
}

std::vector<TrayMenuEntry> TrayMenuEntries() {
  return {{kMenuOpen, u"&Open"}, {kMenuAbout, u"&About"}, {0, u""}, {kMenuExit, u"E&xit"}};
}

TrayAction OnTrayNotification(TrayState& tray, uint32_t icon_id, uint32_t mouseMessage) {
  if (icon_id != kTrayIconId) return TrayAction::kNothing;
  switch (mouseMessage) {
    case kMouseRightButtonUp:
    case kMouseContextMenu:
      return tray.menu_loaded ? TrayAction::kShowMenu : TrayAction::kNothing;
    case kMouseLeftDoubleClick:
      if (!tray.hidden_to_tray) return TrayAction::kNothing;
      tray.hidden_to_tray = false;
      return TrayAction::kShowWindow;
    default:
      return TrayAction::kNothing;
  }
}

TrayAction OnTrayMenuCommand(TrayState& tray, uint32_t command) {
  switch (command) {
    case kMenuOpen:
      if (!tray.hidden_to_tray) return TrayAction::kNothing;
      tray.hidden_to_tray = false;
      return TrayAction::kShowWindow;
    case kMenuExit:
      return TrayAction::kExit;
    default:  // "&About" and anything else
      return TrayAction::kNothing;
  }
}

}  // namespace dravanta
