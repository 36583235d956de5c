#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "internal/wide_win32.h"
#include "platform/file_info.h"
#include "platform/testing/win32_test_files.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// Where an open can be made while the log's writer holds the file.
bool CanOpen(const std::u16string& path, DWORD access) {
  const HANDLE file =
      CreateFileW(WideOf(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

class FileInfoWin32Test : public testing::Test {
 protected:
  void SetUp() override {
    root_ = NewTemporaryFolder(u"dravanta-file-info-");
    ASSERT_FALSE(root_.empty());
    // A folder deep enough that the files in it are past MAX_PATH.
    long_folder_ = u"\\\\?\\" + root_;
    for (int i = 0; i < 3; ++i) {
      long_folder_ += u"\\" + std::u16string(100, static_cast<char16_t>(u'a' + i));
      ASSERT_TRUE(CreateDirectoryW(WideOf(long_folder_), nullptr));
    }
  }
  void TearDown() override {
    for (const char16_t* name : {u"a", u"sparse", u"log", u"caf\u00E9 \u20AC", u"shared"}) {
      ::DeleteFileW(WideOf(Path(name)));
      ::DeleteFileW(WideOf(LongPath(name)));
    }
    std::u16string folder = long_folder_;
    for (int i = 0; i < 3; ++i) {
      RemoveDirectoryW(WideOf(folder));
      folder.resize(folder.rfind(u'\\'));
    }
    RemoveDirectoryW(WideOf(root_));
  }
  std::u16string Path(const std::u16string& name) const { return root_ + u"\\" + name; }
  // The same file named without the "\\?\" prefix: the unit must add it.
  std::u16string LongPath(const std::u16string& name) const {
    return long_folder_.substr(4) + u"\\" + name;
  }
  static void Write(const std::u16string& path, const std::string& content) {
    auto file = AppendFile::Open(path, false);
    ASSERT_NE(file, nullptr) << Utf16ToUtf8(path);
    ASSERT_TRUE(file->Write(content.data(), content.size()));
  }
  std::u16string root_;
  std::u16string long_folder_;
};

TEST_F(FileInfoWin32Test, FactsOfShortLongAndUnicodePathsAndOfNothing) {
  const std::u16string paths[] = {Path(u"a"), Path(u"caf\u00E9 \u20AC"), LongPath(u"a")};
  for (const std::u16string& path : paths) {
    SCOPED_TRACE(Utf16ToUtf8(path));
    ASSERT_GE(LongPath(u"a").size(), size_t{MAX_PATH});
    Write(path, "12345");
    EXPECT_EQ(FileSize(path), 5u);
    EXPECT_GT(LastWriteTime(path), FileTime{1600000000} * 1000000000);  // after 2020
    EXPECT_EQ(ReadWholeFile(path), "12345");
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_EQ(FileSize(path), std::nullopt);
    EXPECT_EQ(LastWriteTime(path), kEarliestFileTime);
    EXPECT_FALSE(DeleteFile(path));
  }
  EXPECT_EQ(FileSize(u""), std::nullopt);
  EXPECT_FALSE(DeleteFile(u""));
}

TEST_F(FileInfoWin32Test, LastWriteTimeCanBeSetAndReadBackToTheSystemsStep) {
  Write(Path(u"a"), "x");
  Write(LongPath(u"a"), "x");
  struct Case {
    FileTime set;
    FileTime read;  // the system keeps 100-nanosecond steps
  };
  const Case cases[] = {
      {FileTime{1700000000} * 1000000000 + 123456700,
       FileTime{1700000000} * 1000000000 + 123456700},
      {FileTime{1700000000} * 1000000000 + 123456789,
       FileTime{1700000000} * 1000000000 + 123456700},
      {1000000000, 1000000000},
      {-1500000000, -1500000000},  // before 1970
      {-1500000050, -1500000100},  // rounded down there too
  };
  for (const std::u16string& path : {Path(u"a"), LongPath(u"a")}) {
    for (const Case& c : cases) {
      ASSERT_TRUE(SetLastWriteTime(path, c.set));
      EXPECT_EQ(LastWriteTime(path), c.read) << c.set;
    }
  }
  EXPECT_FALSE(SetLastWriteTime(Path(u"missing"), 1000000000));
}

TEST_F(FileInfoWin32Test, SizesPastFourGibibytesAreExact) {
  const uint64_t size = (uint64_t{5} << 30) + 1;
  ASSERT_TRUE(SetFileSize(Path(u"sparse"), size));
  EXPECT_EQ(FileSize(Path(u"sparse")), size);
  ASSERT_TRUE(SetFileSize(Path(u"sparse"), 3));  // and shrinking
  EXPECT_EQ(FileSize(Path(u"sparse")), 3u);
  ASSERT_TRUE(SetFileSize(LongPath(u"sparse"), 7));
  EXPECT_EQ(FileSize(LongPath(u"sparse")), 7u);
}

TEST_F(FileInfoWin32Test, AppendKeepsWhatWasThereAndAddsEveryByte) {
  Write(Path(u"log"), "old");
  auto file = AppendFile::Open(Path(u"log"), true);
  ASSERT_NE(file, nullptr);
  const std::string more("\0new\xff", 5);
  EXPECT_TRUE(file->Write(more.data(), more.size()));
  EXPECT_EQ(ReadWholeFile(Path(u"log")), "old" + more);  // nothing held back in the process
  EXPECT_TRUE(file->Write("", 0));
  EXPECT_EQ(FileSize(Path(u"log")), 8u);
}

TEST_F(FileInfoWin32Test, ASoleWriterLetsOthersReadButNotWrite) {
  auto first = AppendFile::Open(Path(u"log"), true);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->Write("abc", 3));
  EXPECT_TRUE(CanOpen(Path(u"log"), GENERIC_READ));
  EXPECT_EQ(ReadWholeFile(Path(u"log")), "abc");
  EXPECT_FALSE(CanOpen(Path(u"log"), GENERIC_WRITE));
  EXPECT_FALSE(CanOpen(Path(u"log"), FILE_APPEND_DATA));
  EXPECT_EQ(AppendFile::Open(Path(u"log"), true), nullptr);
  EXPECT_EQ(AppendFile::Open(Path(u"log"), false), nullptr);
  first.reset();
  EXPECT_TRUE(CanOpen(Path(u"log"), GENERIC_WRITE));
  EXPECT_NE(AppendFile::Open(Path(u"log"), true), nullptr);
}

TEST_F(FileInfoWin32Test, ASoleWriterIsRefusedWhileAnotherWriterHoldsTheFile) {
  auto shared = AppendFile::Open(Path(u"shared"), false);
  ASSERT_NE(shared, nullptr);
  EXPECT_TRUE(CanOpen(Path(u"shared"), GENERIC_WRITE));  // not a sole writer
  EXPECT_EQ(AppendFile::Open(Path(u"shared"), true), nullptr);
  auto second = AppendFile::Open(Path(u"shared"), false);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(shared->Write("1", 1));
  ASSERT_TRUE(second->Write("2", 1));
  ASSERT_TRUE(shared->Write("3", 1));
  EXPECT_EQ(ReadWholeFile(Path(u"shared")), "123");  // each write at the end
}

TEST_F(FileInfoWin32Test, AppendRefusesWhatIsNotAPlainFile) {
  const std::u16string cases[] = {u"", root_, Path(u"no\\such\\folder\\log"), u"NUL", u"CONOUT$"};
  for (const std::u16string& path : cases) {
    EXPECT_EQ(AppendFile::Open(path, false), nullptr) << Utf16ToUtf8(path);
  }
  EXPECT_FALSE(SetFileSize(root_, 1));
}

TEST_F(FileInfoWin32Test, AppendWorksPastMaxPath) {
  auto file = AppendFile::Open(LongPath(u"log"), true);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->Write("long", 4));
  EXPECT_EQ(ReadWholeFile(LongPath(u"log")), "long");
  EXPECT_EQ(FileSize(LongPath(u"log")), 4u);
}

}  // namespace
}  // namespace dravanta
