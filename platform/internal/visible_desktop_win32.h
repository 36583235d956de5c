// Whether a person can see what the process shows: the process runs on a
// visible window station with an input desktop, not in a service's session
// or on a locked workstation, where a window would wait for a click nobody
// can give.
#pragma once

#include <windows.h>

namespace dravanta {

inline bool DesktopIsVisible() {
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr) return false;
  USEROBJECTFLAGS flags = {};
  if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return false;
  if ((flags.dwFlags & WSF_VISIBLE) == 0) return false;
  // The desktop that receives the keyboard and mouse; none while the
  // workstation is locked or in a session without input.
  HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (input == nullptr) return false;
  CloseDesktop(input);
  return true;
}

}  // namespace dravanta
