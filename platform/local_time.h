// The wall-clock time in the machine's time zone.
#pragma once

namespace dravanta {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;  // 0..60 (a leap second)
};

// The current local time, to the second.
LocalTime CurrentLocalTime();

}  // namespace dravanta
