#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "internal/wide_win32.h"
#include "platform/testing/win32_test_files.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace dravanta {
namespace {

// A fresh folder under the temporary folder, removed with what the test
// made in it (a flat list: the tests name what they create).
class UserFoldersWin32ScratchTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = NewTemporaryFolder(u"dravanta-folders-");
    ASSERT_FALSE(root_.empty());
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      if (!RemoveDirectoryW(WideOf(*it))) DeleteFileW(WideOf(*it));
    }
    RemoveDirectoryW(WideOf(root_));
  }
  std::u16string Made(const std::u16string& relative) {
    made_.push_back(root_ + u"\\" + relative);
    return made_.back();
  }
  std::u16string MakeFile(const std::u16string& relative) {
    const std::u16string path = Made(relative);
    const HANDLE file = CreateFileW(WideOf(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    return path;
  }

  std::u16string root_;
  std::vector<std::u16string> made_;
};

TEST_F(UserFoldersWin32ScratchTest, FilesAndFoldersAreToldApart) {
  const std::u16string file = MakeFile(u"file.txt");
  struct Case {
    std::u16string path;
    bool folder, file;
  } cases[] = {
      {root_, true, false},
      {root_ + u"\\", true, false},
      {file, false, true},
      {root_ + u"/file.txt", false, true},
      {root_ + u"\\missing", false, false},
      {file + u"\\below-a-file", false, false},
      {u"", false, false},
      {u"NUL", false, false},  // a device, not a file
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsExistingFolder(c.path), c.folder) << Utf16ToUtf8(c.path);
    EXPECT_EQ(IsExistingFile(c.path), c.file) << Utf16ToUtf8(c.path);
  }
}

TEST_F(UserFoldersWin32ScratchTest, CreateFoldersMakesTheMissingParents) {
  const std::u16string deep = root_ + u"\\a\\b/c";
  Made(u"a");
  Made(u"a\\b");
  Made(u"a\\b\\c");
  EXPECT_TRUE(CreateFolders(deep));
  EXPECT_TRUE(IsExistingFolder(deep));
  EXPECT_TRUE(CreateFolders(deep)) << "an existing folder";
  EXPECT_TRUE(CreateFolders(root_ + u"\\a\\b\\")) << "a final separator";
  // A file where a folder should be.
  const std::u16string file = MakeFile(u"plain");
  EXPECT_FALSE(CreateFolders(file + u"\\x"));
  EXPECT_FALSE(CreateFolders(file));
  EXPECT_FALSE(IsExistingFolder(file + u"\\x"));
}

TEST_F(UserFoldersWin32ScratchTest, WritableFolderIsOneWhereAFileCanBeMade) {
  EXPECT_TRUE(IsWritableFolder(root_));
  EXPECT_FALSE(IsWritableFolder(MakeFile(u"not-a-folder")));
  EXPECT_FALSE(IsWritableFolder(root_ + u"\\missing"));
  // The probe file is gone afterwards: only the file this test made is left.
  WIN32_FIND_DATAW found = {};
  const HANDLE search = FindFirstFileW(WideOf(root_ + u"\\*"), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  int entries = 0;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") ++entries;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  EXPECT_EQ(entries, 1);
}

TEST(UserFoldersWin32Test, ProfileAndStateFoldersExist) {
  EXPECT_TRUE(IsExistingFolder(HomeFolder())) << Utf16ToUtf8(HomeFolder());
  EXPECT_TRUE(IsExistingFolder(UserStateFolder())) << Utf16ToUtf8(UserStateFolder());
}

TEST(UserFoldersWin32Test, EnvironmentNamesTheFoldersWhenAbsolute) {
  const std::u16string profile = HomeFolder();
  const std::u16string state = UserStateFolder();
  SetEnvironmentVariableW(L"USERPROFILE", L"C:\\elsewhere\\home");
  SetEnvironmentVariableW(L"LOCALAPPDATA", L"relative\\state");
  const std::u16string home_then = HomeFolder();
  const std::u16string state_then = UserStateFolder();
  SetEnvironmentVariableW(L"USERPROFILE", WideOf(profile));
  SetEnvironmentVariableW(L"LOCALAPPDATA", WideOf(state));
  EXPECT_EQ(home_then, u"C:\\elsewhere\\home");
  // A relative value is not trusted: the system's own folder is used.
  EXPECT_TRUE(IsExistingFolder(state_then)) << Utf16ToUtf8(state_then);
  EXPECT_NE(state_then, u"relative\\state");
}

}  // namespace
}  // namespace dravanta
