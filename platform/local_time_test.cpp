#include "platform/local_time.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

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

}  // namespace
}  // namespace dravanta
