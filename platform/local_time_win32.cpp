#include <windows.h>

#include <cstdint>

#include "platform/local_time.h"

namespace dravanta {
namespace {

constexpr int64_t kTicksPerMillisecond = 10000;  // FILETIME counts 100 ns
constexpr int64_t kMillisecondsPerDay = 86400000;

int64_t Ticks(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

// Days from 1601-01-01 (the FILETIME epoch) to the given date of the
// proleptic Gregorian calendar; month and day may lie outside their ranges
// and carry over, as with mktime.
int64_t DaysFrom1601(int64_t year, int64_t month, int64_t day) {
  year += (month - 1 >= 0 ? (month - 1) / 12 : (month - 12) / 12);
  month = ((month - 1) % 12 + 12) % 12 + 1;
  // Civil-to-days with March as the first month, so the leap day ends a year.
  const int64_t y = month <= 2 ? year - 1 : year;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t year_of_era = y - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  const int64_t days_from_1970 = era * 146097 + day_of_era - 719468;
  return days_from_1970 + 134774;  // 1601-01-01 to 1970-01-01
}

// The wall-clock fields as a valid SYSTEMTIME: out-of-range fields (a leap
// second, a 31st of February) carry over into the next ones.
SYSTEMTIME Normalised(const LocalTime& t) {
  const int64_t milliseconds =
      DaysFrom1601(t.year, t.month, t.day) * kMillisecondsPerDay +
      ((static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  const int64_t ticks = milliseconds * kTicksPerMillisecond;
  FILETIME wall = {static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME fields = {};
  FileTimeToSystemTime(&wall, &fields);
  return fields;
}

// Milliseconds since 1601 (UTC) of a local wall-clock time, by the machine's
// time-zone rules for that date.
int64_t ToUtcMilliseconds(const LocalTime& t) {
  const SYSTEMTIME local = Normalised(t);
  SYSTEMTIME utc = {};
  FILETIME utc_time = {};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &utc_time)) {
    SystemTimeToFileTime(&local, &utc_time);  // no zone rules: read it as UTC
  }
  return Ticks(utc_time) / kTicksPerMillisecond;
}

}  // namespace

LocalTime CurrentLocalTime() {
  // One reading of the clock, turned into local fields; the offset is the
  // difference of the two, so it always matches the fields.
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  SYSTEMTIME utc = {};
  SYSTEMTIME local = {};
  FileTimeToSystemTime(&now, &utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  FILETIME local_time = {};
  SystemTimeToFileTime(&local, &local_time);

  LocalTime t;
  t.year = local.wYear;
  t.month = local.wMonth;
  t.day = local.wDay;
  t.hour = local.wHour;
  t.minute = local.wMinute;
  t.second = local.wSecond;
  t.millisecond = local.wMilliseconds;
  // The fields hold whole milliseconds: cut the reading to them too, so that
  // the difference is a whole number of minutes.
  const int64_t now_milliseconds = Ticks(now) / kTicksPerMillisecond;
  t.utcOffsetMinutes =
      static_cast<int>((Ticks(local_time) / kTicksPerMillisecond - now_milliseconds) / 60000);
  return t;
}

int64_t MillisecondsBetween(const LocalTime& from, const LocalTime& to) {
  return ToUtcMilliseconds(to) - ToUtcMilliseconds(from);
}

}  // namespace dravanta
