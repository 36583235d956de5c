// The wall-clock time in the machine's time zone.
#pragma once

#include <cstdint>

namespace dravanta {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;  // 0..60 (a leap second)
  int millisecond = 0;
  int utcOffsetMinutes = 0;  // east of UTC positive, daylight saving included
};

// The current local time, to the millisecond.
LocalTime CurrentLocalTime();

// Milliseconds from `from` to `to`, both read as local times.
int64_t MillisecondsBetween(const LocalTime& from, const LocalTime& to);

}  // namespace dravanta
