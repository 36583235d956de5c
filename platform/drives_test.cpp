#include "platform/drives.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

TEST(DrivesTest, UsedSpace) {
  ScratchTree tree;
  tree.AddFile("file", 1);
  uint64_t used = 0;
  EXPECT_TRUE(QueryUsedSpace(u"/", &used));
  EXPECT_GT(used, 0u);
  used = 0;
  EXPECT_TRUE(QueryUsedSpace(Utf8ToUtf16(tree.PathOf("file")), &used));  // a file's volume
  EXPECT_GT(used, 0u);
  EXPECT_FALSE(QueryUsedSpace(u"/no/such/place", &used));
}

TEST(DrivesTest, FixedDrivesAreMountPointsEndingInASeparator) {
  for (const std::u16string& root : ListFixedDrives()) {
    SCOPED_TRACE(Utf16ToUtf8(root));
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(root.back(), u'/');
    EXPECT_TRUE(IsAbsolutePath(root));
    EXPECT_TRUE(IsDriveRoot(root));
  }
}

TEST(DrivesTest, DriveRootsAndAbsolutePaths) {
  ScratchTree tree;
  const struct {
    std::string text;
    bool root;
    bool absolute;
  } cases[] = {
      {"/", true, true},           {"/proc", true, true},      {"/proc/", true, true},
      {"/proc/self", false, true}, {tree.root(), false, true}, {"", false, false},
      {"proc", false, false},      {"C:\\", false, false},     {"\\\\server\\share", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDriveRoot(Utf8ToUtf16(c.text)), c.root) << c.text;
    EXPECT_EQ(IsAbsolutePath(Utf8ToUtf16(c.text)), c.absolute) << c.text;
  }
}

}  // namespace
}  // namespace dravanta
