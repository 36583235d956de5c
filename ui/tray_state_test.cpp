#include "ui/tray_state.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

// The tests run where no notification area takes an icon (POSIX, and Wine
// without a display): the record stays without icon, menu or window.
TEST(TrayState, AddingTheIconFailsHere) {
  for (const bool owned : {false, true}) {
    TrayState tray;
    tray.has_owner = owned;
    tray.icon_id = owned ? kTrayIconId : 0;
    EXPECT_FALSE(AddTrayIcon(tray, TrayCallbacks{}));
    EXPECT_FALSE(tray.icon_added);
    EXPECT_FALSE(tray.menu_loaded);
    EXPECT_EQ(tray.window, nullptr);
    RemoveTrayIcon(tray);
    CloseTray(tray);
    EXPECT_FALSE(tray.icon_added);
  }
}

TEST(TrayState, TheMenuOffersOpenAboutAndExit) {
  const std::vector<TrayMenuEntry> entries = TrayMenuEntries();
  ASSERT_EQ(entries.size(), 4u);
  const std::pair<uint32_t, std::u16string> expected[] = {
      {32771, u"&Open"}, {32772, u"&About"}, {0, u""}, {32773, u"E&xit"}};
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].command, expected[i].first);
    EXPECT_EQ(entries[i].text, expected[i].second);
  }
}

TEST(TrayState, NotificationsOfAnAddedIcon) {
  struct Case {
    uint32_t icon;
    uint32_t mouse;
    bool hidden;
    TrayAction action;
    bool hiddenAfter;
  };
  const Case cases[] = {
      {1, kMouseRightButtonUp, false, TrayAction::kShowMenu, false},
      {1, kMouseContextMenu, true, TrayAction::kShowMenu, true},
      {1, kMouseLeftDoubleClick, true, TrayAction::kShowWindow, false},
      {1, kMouseLeftDoubleClick, false, TrayAction::kNothing, false},
      {1, 0x201, true, TrayAction::kNothing, true},
      {2, kMouseLeftDoubleClick, true, TrayAction::kNothing, true},
  };
  for (const Case& c : cases) {
    TrayState tray;
    tray.icon_added = tray.menu_loaded = true;
    tray.hidden_to_tray = c.hidden;
    EXPECT_EQ(OnTrayNotification(tray, c.icon, c.mouse), c.action) << c.mouse;
    EXPECT_EQ(tray.hidden_to_tray, c.hiddenAfter) << c.mouse;
  }
}

TEST(TrayState, MenuCommands) {
  TrayState tray;
  tray.hidden_to_tray = true;
  EXPECT_EQ(OnTrayMenuCommand(tray, kMenuAbout), TrayAction::kNothing);
  EXPECT_TRUE(tray.hidden_to_tray);
  EXPECT_EQ(OnTrayMenuCommand(tray, kMenuOpen), TrayAction::kShowWindow);
  EXPECT_FALSE(tray.hidden_to_tray);
  EXPECT_EQ(OnTrayMenuCommand(tray, kMenuOpen), TrayAction::kNothing);
  EXPECT_EQ(OnTrayMenuCommand(tray, kMenuExit), TrayAction::kExit);
}

TEST(TrayState, TooltipFollowsTheServerAndIsCut) {
  EXPECT_EQ(TrayTooltip(u"host/path"), u"Dravanta Clienthost/path");
  const std::u16string longServer(200, u's');
  const std::u16string tip = TrayTooltip(longServer);
  EXPECT_EQ(tip.size(), kTrayTooltipLimit);
  EXPECT_EQ(tip.substr(tip.size() - 3), u"...");
}

}  // namespace
}  // namespace dravanta
