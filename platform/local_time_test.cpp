#include "platform/local_time.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>

namespace dravanta {
namespace {

TEST(LocalTimeTest, FollowsTheTimeZone) {
  // The same instant read in two zones 5 hours apart differs by 5 hours
  // (modulo a change of the second or the day between the two readings).
  const char* saved = getenv("TZ");
  const std::string saved_tz = saved ? saved : "";
  setenv("TZ", "UTC0", 1);
  tzset();
  const LocalTime utc = CurrentLocalTime();
  setenv("TZ", "EST5", 1);
  tzset();
  const LocalTime est = CurrentLocalTime();
  if (saved) {
    setenv("TZ", saved_tz.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_EQ((utc.hour - est.hour + 24) % 24, 5);
  EXPECT_GE(utc.year, 2024);
  for (const LocalTime& t : {utc, est}) {
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_LE(t.minute, 59);
    EXPECT_LE(t.second, 60);
  }
}

TEST(LocalTimeTest, MillisecondsBetweenCrossesDaysAndMonths) {
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
  };
  const char* saved = getenv("TZ");
  const std::string saved_tz = saved ? saved : "";
  setenv("TZ", "UTC0", 1);
  tzset();
  for (const Case& c : cases) {
    EXPECT_EQ(MillisecondsBetween(c.from, c.to), c.expected) << c.from.day << " to " << c.to.day;
  }
  if (saved) {
    setenv("TZ", saved_tz.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
}  // namespace dravanta
