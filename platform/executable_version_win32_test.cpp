#include <gtest/gtest.h>

#include "platform/executable_version.h"

namespace dravanta {
namespace {

// This test program carries the version resource of
// platform/testing/version_test.rc: the file version, not the product's.
TEST(ExecutableVersionWin32, TheFixedFileVersionInFourDecimalParts) {
  EXPECT_EQ(ExecutableFileVersion(), u"1.2.65535.0");
}

}  // namespace
}  // namespace dravanta
