#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "internal/wide_win32.h"
#include "platform/atomic_file.h"
#include "platform/executable_path.h"
#include "platform/testing/win32_test_files.h"
#include "platform/text.h"

namespace dravanta {
namespace {

class AtomicFileWin32Test : public testing::Test {
 protected:
  void SetUp() override {
    root_ = NewTemporaryFolder(u"dravanta-atomic-");
    ASSERT_FALSE(root_.empty());
  }
  void TearDown() override {
    for (const std::u16string& name : Entries()) DeleteFileW(WideOf(root_ + u"\\" + name));
    RemoveDirectoryW(WideOf(root_));
  }
  std::vector<std::u16string> Entries() const {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(WideOf(root_ + u"\\*"), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      const std::u16string name = FromWide(found.cFileName, wcslen(found.cFileName));
      if (name != u"." && name != u"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Path(const std::u16string& name) const { return Utf16ToUtf8(root_ + u"\\" + name); }
  void MakeEmptyFile(const std::u16string& name) const {
    const HANDLE file = CreateFileW(WideOf(root_ + u"\\" + name), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  std::string Read(const std::u16string& name) const { return ReadWholeFile(root_ + u"\\" + name); }

  std::u16string root_;
};

TEST_F(AtomicFileWin32Test, CreatesReplacesAndLeavesNoTemporary) {
  ASSERT_TRUE(ReplaceFileAtomically(Path(u"f"), "first version, long"));
  ASSERT_TRUE(ReplaceFileAtomically(Path(u"f"), "second"));
  EXPECT_EQ(Read(u"f"), "second");
  ASSERT_TRUE(ReplaceFileAtomically(Path(u"f"), ""));
  EXPECT_EQ(Read(u"f"), "");
  ASSERT_TRUE(ReplaceFileAtomically(Path(u"caf\u00E9 \u20AC"), "x"));
  EXPECT_EQ(Read(u"caf\u00E9 \u20AC"), "x");
  EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(AtomicFileWin32Test, RefusesWhatIsNotAPlainFile) {
  const std::string cases[] = {
      "",          Utf16ToUtf8(root_),         Utf16ToUtf8(root_) + "\\",
      Path(u"f/"), Path(u"missing-folder\\f"), "NUL",
  };
  for (const std::string& path : cases) EXPECT_FALSE(ReplaceFileAtomically(path, "x")) << path;
  EXPECT_TRUE(Entries().empty());
}

TEST_F(AtomicFileWin32Test, AReaderWithoutDeleteSharingKeepsTheOldContent) {
  ASSERT_TRUE(ReplaceFileAtomically(Path(u"locked"), "old"));
  const HANDLE reader = CreateFileW(WideOf(root_ + u"\\locked"), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const bool replaced = ReplaceFileAtomically(Path(u"locked"), "new");
  CloseHandle(reader);
  EXPECT_FALSE(replaced);
  EXPECT_EQ(Read(u"locked"), "old");
  EXPECT_EQ(Entries().size(), 1u) << "the temporary is removed";
}

TEST_F(AtomicFileWin32Test, TemporariesOfEndedWritersAreRemoved) {
  // A process that has ended: a copy of this program listing its tests.
  const std::u16string self = ExecutablePath();
  std::u16string command = u"\"" + self + u"\" --gtest_list_tests";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  ASSERT_TRUE(CreateProcessW(WideOf(self), WideOf(command), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &child));
  WaitForSingleObject(child.hProcess, 60000);
  const std::u16string ended = Utf8ToUtf16(std::to_string(child.dwProcessId));
  const std::u16string running = Utf8ToUtf16(std::to_string(GetCurrentProcessId()));
  // Another file's temporary and a name of another form stay too.
  const std::u16string temporaries[] = {u"f.tmp." + ended + u".3", u"f.tmp." + running + u".99",
                                        u"f.tmp.x.1", u"g.tmp." + ended + u".3"};
  for (const std::u16string& name : temporaries) MakeEmptyFile(name);
  // Replaced while the ended process's handle is still open, so that its id
  // cannot be given to another process in between.
  const bool replaced = ReplaceFileAtomically(Path(u"f"), "content");
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  ASSERT_TRUE(replaced);
  std::vector<std::u16string> expected = {u"f", u"f.tmp." + running + u".99", u"f.tmp.x.1",
                                          u"g.tmp." + ended + u".3"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries(), expected);
}

}  // namespace
}  // namespace dravanta
