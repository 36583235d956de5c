#include "platform/executable_path.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(ExecutablePathTest, PathIsAbsoluteAndEndsWithTheTestName) {
  const std::u16string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), u'/');
  const std::u16string name = u"platform_executable_path_test";
  ASSERT_GE(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name);
}

TEST(ExecutablePathTest, DirectoryIsThePathWithoutTheFileName) {
  const std::u16string path = ExecutablePath();
  const std::u16string directory = ExecutableDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), u'/');
  EXPECT_EQ(path.substr(0, directory.size()), directory);
  EXPECT_EQ(path.find(u'/', directory.size()), std::u16string::npos);
}

}  // namespace
}  // namespace dravanta
