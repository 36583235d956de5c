#include "ui/tray_state.h"

namespace dravanta {

std::u16string TrayTooltip(std::u16string_view server) {
  std::u16string tooltip = u"Dravanta Client" + std::u16string(server);
  if (tooltip.size() > kTrayTooltipLimit)
    tooltip = tooltip.substr(0, kTrayTooltipLimit - 3) + u"...";
  return tooltip;
}

bool AddTrayIcon(TrayState& tray) {
  tray.iconAdded = false;
  tray.menuLoaded = false;
  return false;
}

void RemoveTrayIcon(TrayState& tray) {
  if (tray.hasOwner && tray.iconId != 0 && tray.iconAdded) tray.iconAdded = false;
}

TrayAction OnTrayNotification(TrayState& tray, uint32_t iconId, uint32_t mouseMessage) {
  if (iconId != kTrayIconId) return TrayAction::kNothing;
  switch (mouseMessage) {
    case kMouseRightButtonUp:
    case kMouseContextMenu:
      return tray.menuLoaded ? TrayAction::kShowMenu : TrayAction::kNothing;
    case kMouseLeftDoubleClick:
      if (!tray.hiddenToTray) return TrayAction::kNothing;
      tray.hiddenToTray = false;
      return TrayAction::kShowWindow;
    default:
      return TrayAction::kNothing;
  }
}

TrayAction OnTrayMenuCommand(TrayState& tray, uint32_t command) {
  switch (command) {
    case kMenuOpen:
      if (!tray.hiddenToTray) return TrayAction::kNothing;
      tray.hiddenToTray = false;
      return TrayAction::kShowWindow;
    case kMenuExit:
      return TrayAction::kExit;
    default:  // "&About" and anything else
      return TrayAction::kNothing;
  }
}

}  // namespace dravanta
