// Handing an address to the desktop's browser.
#pragma once

#include <string>

namespace dravanta {

// Starts xdg-open (found on PATH) with the address as its one argument (no
// shell) and does not wait for it; the system reaps it. False when it could
// not be started.
bool OpenUrlOnDesktop(const std::string& url);

// A graphical session is present (DISPLAY or WAYLAND_DISPLAY is set) and
// DRAVANTA_NO_BROWSER is not "1".
bool DesktopBrowserAvailable();

}  // namespace dravanta
