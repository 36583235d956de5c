#include "ui/tray_state.h"

namespace dravanta {

std::u16string TrayTooltip(std::u16string_view server) {
  std::u16string tooltip = u"Dravanta Client" + std::u16string(server);
  if (tooltip.size() > kTrayTooltipLimit)
    tooltip = tooltip.substr(0, kTrayTooltipLimit - 3) + u"...";
  return tooltip;
}

bool AddTrayIcon(TrayState& tray) {
  tray.icon_added = false;
  tray.menu_loaded = false;
  return false;
}

void RemoveTrayIcon(TrayState& tray) {
  if (tray.has_owner && tray.icon_id != 0 && tray.icon_added) tray.icon_added = false;
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
