#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "platform/local_time.h"

namespace dravanta {
namespace {

int64_t Milliseconds(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime) /
         10000;
}

TEST(LocalTimeWin32Test, FieldsLessTheOffsetAreTheUtcClock) {
  FILETIME before = {};
  FILETIME after = {};
  GetSystemTimeAsFileTime(&before);
  const LocalTime t = CurrentLocalTime();
  GetSystemTimeAsFileTime(&after);

  SYSTEMTIME fields = {};
  fields.wYear = static_cast<WORD>(t.year);
  fields.wMonth = static_cast<WORD>(t.month);
  fields.wDay = static_cast<WORD>(t.day);
  fields.wHour = static_cast<WORD>(t.hour);
  fields.wMinute = static_cast<WORD>(t.minute);
  fields.wSecond = static_cast<WORD>(t.second);
  fields.wMilliseconds = static_cast<WORD>(t.millisecond);
  FILETIME as_if_utc = {};
  ASSERT_TRUE(SystemTimeToFileTime(&fields, &as_if_utc)) << "fields out of range";
  const int64_t utc = Milliseconds(as_if_utc) - int64_t{t.utcOffsetMinutes} * 60000;
  EXPECT_GE(utc, Milliseconds(before) - 1);  // the clock's reading is cut to milliseconds
  EXPECT_LE(utc, Milliseconds(after));
}

TEST(LocalTimeWin32Test, OffsetIsTheZonesBias) {
  TIME_ZONE_INFORMATION zone = {};
  const LocalTime t = CurrentLocalTime();
  const DWORD which = GetTimeZoneInformation(&zone);
  ASSERT_NE(which, TIME_ZONE_ID_INVALID);
  LONG bias = zone.Bias;
  if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  EXPECT_EQ(t.utcOffsetMinutes, -bias);
}

TEST(LocalTimeWin32Test, MillisecondsBetweenCrossesDaysAndMonths) {
  // No zone changes its clock in these stretches of time, so the answers
  // hold in the machine's zone, whichever it is.
  struct Case {
    LocalTime from, to;
    int64_t expected;
  };
  const Case cases[] = {
      {{2014, 3, 5, 10, 15, 9, 250}, {2014, 3, 5, 10, 15, 9, 250}, 0},
      {{2014, 3, 5, 23, 59, 59, 900}, {2014, 3, 6, 0, 0, 0, 100}, 200},
      {{2014, 2, 28, 12, 0, 0, 0}, {2014, 3, 1, 12, 0, 0, 0}, 86400000},
      {{2016, 2, 28, 12, 0, 0, 0}, {2016, 3, 1, 12, 0, 0, 0}, 2 * 86400000LL},
      {{2014, 3, 6, 0, 0, 1, 0}, {2014, 3, 6, 0, 0, 0, 0}, -1000},
      // Fields past their ranges carry over: a leap second, a 30th of
      // February, a 13th month.
      {{2016, 12, 31, 23, 59, 59, 0}, {2016, 12, 31, 23, 59, 60, 0}, 1000},
      {{2014, 3, 1, 0, 0, 0, 0}, {2014, 2, 30, 0, 0, 0, 0}, 86400000},
      {{2014, 12, 1, 0, 0, 0, 0}, {2014, 13, 1, 0, 0, 0, 0}, 31 * 86400000LL},
      {{2000, 1, 1, 0, 0, 0, 0}, {1999, 12, 31, 0, 0, 0, 0}, -86400000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MillisecondsBetween(c.from, c.to), c.expected)
        << c.from.year << "-" << c.from.month << "-" << c.from.day << " to " << c.to.year << "-"
        << c.to.month << "-" << c.to.day;
  }
}

}  // namespace
}  // namespace dravanta
