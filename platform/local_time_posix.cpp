#include "platform/local_time.h"

#include <sys/time.h>
#include <time.h>

namespace dravanta {
namespace {

int64_t ToEpochMilliseconds(const LocalTime& t) {
  struct tm fields = {};
  fields.tm_year = t.year - 1900;
  fields.tm_mon = t.month - 1;
  fields.tm_mday = t.day;
  fields.tm_hour = t.hour;
  fields.tm_min = t.minute;
  fields.tm_sec = t.second;
  fields.tm_isdst = -1;
  const time_t seconds = mktime(&fields);
  return static_cast<int64_t>(seconds) * 1000 + t.millisecond;
}

}  // namespace

LocalTime CurrentLocalTime() {
  struct timeval now = {};
  gettimeofday(&now, nullptr);
  struct tm fields = {};
  localtime_r(&now.tv_sec, &fields);
  LocalTime t;
  t.year = fields.tm_year + 1900;
  t.month = fields.tm_mon + 1;
  t.day = fields.tm_mday;
  t.hour = fields.tm_hour;
  t.minute = fields.tm_min;
  t.second = fields.tm_sec;
  t.millisecond = static_cast<int>(now.tv_usec / 1000);
  t.utcOffsetMinutes = static_cast<int>(fields.tm_gmtoff / 60);
  return t;
}

int64_t MillisecondsBetween(const LocalTime& from, const LocalTime& to) {
  return ToEpochMilliseconds(to) - ToEpochMilliseconds(from);
}

}  // namespace dravanta
