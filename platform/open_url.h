// Handing an address to the desktop's browser.
#pragma once

#include <string_view>

namespace dravanta {

// Asks the desktop to open the address and does not wait for the browser.
// POSIX: starts xdg-open (found on PATH) with the address as its one
// argument (no shell); the system reaps it. Windows: the shell's "open" of
// the address (no parameters, no working folder, a normal window). False
// when it could not be handed over; an empty address, or one that starts
// with "-", is refused.
bool OpenUrlOnDesktop(std::u16string_view url);

// Whether a browser can be shown to anyone: DRAVANTA_NO_BROWSER is not "1"
// and, on POSIX, a graphical session is present (DISPLAY or WAYLAND_DISPLAY
// is set); on Windows, the process runs on a visible desktop with input (not
// in a service's session or on a locked workstation).
bool DesktopBrowserAvailable();

}  // namespace dravanta
