#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "internal/wide_win32.h"
#include "platform/drives.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

// A drive letter that names no drive here, as "Q:".
std::u16string UnusedDrive() {
  const DWORD used = GetLogicalDrives();
  for (int letter = 25; letter >= 0; --letter) {
    if ((used & (1u << letter)) == 0)
      return std::u16string{static_cast<char16_t>(u'A' + letter), u':'};
  }
  return {};
}

TEST(DrivesWin32Test, FixedDrivesAreTheFixedLogicalDrives) {
  const std::vector<std::u16string> drives = ListFixedDrives();
  bool system_drive = false;
  for (const std::u16string& root : drives) {
    std::printf("fixed drive %s\n", Utf16ToUtf8(root).c_str());
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root.substr(1), u":\\");
    EXPECT_EQ(GetDriveTypeW(WideOf(root)), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_TRUE(IsDriveRoot(root));
    system_drive = system_drive || root == u"C:\\";
  }
  EXPECT_TRUE(system_drive);
}

TEST(DrivesWin32Test, UsedSpaceOfTheVolumeHoldingAPath) {
  ScratchTree tree;
  tree.AddFile("file", 1);
  uint64_t used = 0;
  ASSERT_TRUE(QueryUsedSpace(u"C:\\", &used));
  EXPECT_GT(used, 0u);
  ULARGE_INTEGER total = {};
  ULARGE_INTEGER free = {};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", nullptr, &total, &free));
  uint64_t of_file = 0;
  ASSERT_TRUE(QueryUsedSpace(Utf8ToUtf16(tree.PathOf("file")), &of_file));
  EXPECT_GT(of_file, 0u);
  EXPECT_LE(of_file, total.QuadPart);
  EXPECT_FALSE(QueryUsedSpace(UnusedDrive() + u"\\", &used));
}

TEST(DrivesWin32Test, DriveRootsAndAbsolutePaths) {
  const std::u16string unused = UnusedDrive();
  ASSERT_FALSE(unused.empty());
  const struct {
    std::u16string text;
    bool root;
    bool absolute;
  } cases[] = {
      {u"C:", true, false},
      {u"c:", true, false},
      {u"C:\\", true, true},
      {u"c:/", true, true},
      {u"C:\\Windows", false, true},
      {u"c:/windows/", false, true},
      {u"C", false, false},
      {u":\\", false, false},
      {u"", false, false},
      {u"CC:", false, false},
      {unused, false, false},
      {unused + u"\\", false, true},
      {u"\\\\server\\share", false, true},
      {u"\\\\?\\C:\\", false, true},
      {u"\\Windows", false, false},
      {u"Windows", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDriveRoot(c.text), c.root) << Utf16ToUtf8(c.text);
    EXPECT_EQ(IsAbsolutePath(c.text), c.absolute) << Utf16ToUtf8(c.text);
  }
}

}  // namespace
}  // namespace dravanta
