#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "internal/extended_path_win32.h"
#include "internal/wide_win32.h"
#include "platform/error_number.h"
#include "platform/file_reader.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

std::string ReadAll(ReadableFile& file) {
  std::string all;
  char buffer[7];
  for (std::int64_t n; (n = ReadFromFile(file, buffer, sizeof buffer)) > 0;) {
    all.append(buffer, static_cast<size_t>(n));
  }
  return all;
}

// A handle held open on `path` with the given sharing, as another program
// writing the file would hold it.
struct OtherOpener {
  OtherOpener(const std::string& path, DWORD share)
      : handle(CreateFileW(WideOf(ExtendedLengthPath(Utf8ToUtf16(path))), GENERIC_WRITE, share,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~OtherOpener() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  HANDLE handle;
};

TEST(FileReaderWin32Test, ReadsSizeSeeksAndEnds) {
  ScratchTree tree;
  const std::string path = tree.WriteFile("caf\xC3\xA9 \xE2\x82\xAC.bin", "0123456789");
  ReadableFile file;
  ASSERT_TRUE(OpenReadableFile(path, &file, nullptr));
  ReadableFileCloser closer{&file};
  std::uint64_t size = 0;
  ASSERT_TRUE(ReadableFileSize(file, &size));
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(ReadAll(file), "0123456789");
  ASSERT_TRUE(SeekReadableFile(file, 8));
  EXPECT_EQ(ReadAll(file), "89");
  CloseReadableFile(&file);
  EXPECT_EQ(file.handle, kNoFileHandle);
  EXPECT_FALSE(ReadableFileSize(file, &size));
}

TEST(FileReaderWin32Test, RefusalsGiveTheSystemsErrorNumbers) {
  ScratchTree tree;
  tree.AddFolder("folder");
  tree.WriteFile("locked", "x");
  OtherOpener exclusive(tree.PathOf("locked"), 0);
  ASSERT_NE(exclusive.handle, INVALID_HANDLE_VALUE);
  struct Case {
    std::string path;
    int error_number;
  };
  const Case cases[] = {
      {tree.PathOf("missing"), ERROR_FILE_NOT_FOUND},
      {tree.PathOf("no\\such\\folder\\file"), ERROR_PATH_NOT_FOUND},
      {tree.PathOf("folder"), ERROR_DIRECTORY},
      {tree.PathOf("locked"), ERROR_SHARING_VIOLATION},
  };
  for (const Case& c : cases) {
    ReadableFile file;
    int error_number = 0;
    EXPECT_FALSE(OpenReadableFile(c.path, &file, &error_number)) << c.path;
    EXPECT_EQ(error_number, c.error_number) << c.path;
    EXPECT_EQ(file.handle, kNoFileHandle);
    EXPECT_FALSE(OpenFailureText(error_number).empty());
  }
}

TEST(FileReaderWin32Test, AFileOthersAreWritingCanBeRead) {
  ScratchTree tree;
  const std::string path = tree.WriteFile("growing.log", "first line\r\n");
  OtherOpener writer(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  ASSERT_NE(writer.handle, INVALID_HANDLE_VALUE);
  ReadableFile file;
  ASSERT_TRUE(OpenReadableFile(path, &file, nullptr));
  ReadableFileCloser closer{&file};
  EXPECT_EQ(ReadAll(file), "first line\r\n");
}

TEST(FileReaderWin32Test, PathsLongerThanMaxPathAndWithSlashesOpen) {
  ScratchTree tree;
  const std::string deepest =
      tree.AddFolderChain("", std::string(50, 'd'), 8, "f", "deep content");  // > 400 characters
  ASSERT_GT(deepest.size(), static_cast<size_t>(MAX_PATH));
  ReadableFile file;
  ASSERT_TRUE(OpenReadableFile(deepest + "\\f", &file, nullptr));
  EXPECT_EQ(ReadAll(file), "deep content");
  CloseReadableFile(&file);

  tree.AddFolder("a");
  tree.WriteFile("a/b", "slashed");
  ASSERT_TRUE(OpenReadableFile(tree.root() + "/a/./b", &file, nullptr));
  EXPECT_EQ(ReadAll(file), "slashed");
  CloseReadableFile(&file);
}

TEST(FileReaderWin32Test, ExtendedLengthPathForms) {
  struct Case {
    std::u16string path;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"C:\\a\\b", u"\\\\?\\C:\\a\\b"},
      {u"C:/a/./c/../b", u"\\\\?\\C:\\a\\b"},
      {u"\\\\server\\share\\f", u"\\\\?\\UNC\\server\\share\\f"},
      {u"\\\\?\\C:\\x/y", u"\\\\?\\C:\\x/y"},  // given as the system takes it
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtendedLengthPath(c.path), c.expected) << Utf16ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace dravanta
