#include <gtest/gtest.h>
#include <windows.h>

#include "internal/wide_win32.h"
#include "platform/executable_path.h"

namespace dravanta {
namespace {

TEST(ExecutablePathWin32Test, PathIsTheExistingExecutableFile) {
  const std::u16string path = ExecutablePath();
  ASSERT_GE(path.size(), 3u);
  // A drive path ("C:\...") or a UNC or \\?\ path.
  const bool drive = path[1] == u':' && path[2] == u'\\';
  EXPECT_TRUE(drive || path.starts_with(u"\\\\")) << "not absolute";
  const std::u16string name = u"\\platform_executable_path_win32_test.exe";
  EXPECT_TRUE(path.ends_with(name));
  const DWORD attributes = GetFileAttributesW(WideOf(path));
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(ExecutablePathWin32Test, DirectoryIsThePathWithoutTheFileName) {
  const std::u16string path = ExecutablePath();
  const std::u16string directory = ExecutableDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), u'\\');
  EXPECT_TRUE(path.starts_with(directory));
  EXPECT_EQ(path.find(u'\\', directory.size()), std::u16string::npos);
  const DWORD attributes = GetFileAttributesW(WideOf(directory));
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
}  // namespace dravanta
