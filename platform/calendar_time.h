// Local calendar time with milliseconds, as the scan summary records it.
#pragma once

#include <cstdint>

namespace dravanta {

struct CalendarTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The current local time.
CalendarTime CurrentCalendarTime();

// Milliseconds from `from` to `to`, both read as local calendar times.
int64_t MillisecondsBetween(const CalendarTime& from, const CalendarTime& to);

}  // namespace dravanta
