#include "platform/last_error.h"

#include <errno.h>
#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(LastErrorTest, ScopeRestoresTheCodeItFound) {
  SetLastErrorCode(ENOENT);
  {
    ScopedLastErrorCode saved;
    SetLastErrorCode(EACCES);
    EXPECT_EQ(LastErrorCode(), EACCES);
  }
  EXPECT_EQ(LastErrorCode(), ENOENT);
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace dravanta
