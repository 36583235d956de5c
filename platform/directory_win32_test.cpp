#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "internal/extended_path_win32.h"
#include "internal/wide_win32.h"
#include "platform/directory.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

using Listing = std::map<std::u16string, std::pair<EntryKind, uint64_t>>;

Listing ListAll(DirectoryReader& reader) {
  Listing entries;
  DirectoryEntry entry;
  while (reader.Next(&entry)) entries[std::u16string(entry.name)] = {entry.kind, entry.size};
  return entries;
}

class DirectoryWin32Test : public testing::Test {
 protected:
  DirectoryWin32Test() : root_(Utf8ToUtf16(tree_.root())) {}

  std::u16string PathOf(const std::u16string& relative) const { return root_ + u"\\" + relative; }
  void AddFolder(const std::u16string& relative) const {
    ASSERT_TRUE(CreateDirectoryW(WideOf(ExtendedLengthPath(PathOf(relative))), nullptr))
        << GetLastError();
  }
  void AddFile(const std::u16string& relative, uint64_t size, DWORD attributes = 0) const {
    const HANDLE file =
        CreateFileW(WideOf(ExtendedLengthPath(PathOf(relative))), GENERIC_WRITE, 0, nullptr,
                    CREATE_NEW, attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
  }

  ScratchTree tree_;
  const std::u16string root_;
};

TEST_F(DirectoryWin32Test, ListsNamesKindsAndSizes) {
  AddFolder(u"sub");
  AddFolder(u"sub\u00E9 \u20AC");
  AddFile(u"file", 42);
  AddFile(u"empty", 0);
  AddFile(u"caf\u00E9 \u20AC \U0001F600.txt", 7);
  AddFile(u"hidden", 3, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  AddFile(u"big", (uint64_t{1} << 32) + 5);  // both halves of the size
  DirectoryReader reader;
  ASSERT_TRUE(reader.Open(root_, FinalLink::kDoNotFollow));
  const Listing expected{
      {u"sub", {EntryKind::kDirectory, 0}},
      {u"sub\u00E9 \u20AC", {EntryKind::kDirectory, 0}},
      {u"file", {EntryKind::kRegularFile, 42}},
      {u"empty", {EntryKind::kRegularFile, 0}},
      {u"caf\u00E9 \u20AC \U0001F600.txt", {EntryKind::kRegularFile, 7}},
      {u"hidden", {EntryKind::kRegularFile, 3}},
      {u"big", {EntryKind::kRegularFile, (uint64_t{1} << 32) + 5}},
  };
  EXPECT_EQ(ListAll(reader), expected);
  EXPECT_FALSE(reader.OnPseudoFilesystem());

  // The device is the volume's serial number; "/" is a separator too.
  DWORD serial = 0;
  const std::u16string volume = root_.substr(0, 3);  // "C:\"
  ASSERT_TRUE(
      GetVolumeInformationW(WideOf(volume), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(reader.device(), serial);
  ASSERT_TRUE(reader.Open(root_ + u"/sub\u00E9 \u20AC/", FinalLink::kDoNotFollow));
  EXPECT_TRUE(ListAll(reader).empty());
}

TEST_F(DirectoryWin32Test, OpenFailsForWhatIsNotAListableFolder) {
  AddFile(u"file", 1);
  DirectoryReader reader;
  EXPECT_FALSE(reader.Open(PathOf(u"missing"), FinalLink::kFollow));
  EXPECT_FALSE(reader.Open(PathOf(u"file"), FinalLink::kFollow));
  EXPECT_FALSE(reader.Open(u"", FinalLink::kFollow));
  EXPECT_FALSE(reader.Next(nullptr));  // a failed open lists nothing
  // A drive root lists (it has no "." entry of its own).
  ASSERT_TRUE(reader.Open(root_.substr(0, 3), FinalLink::kDoNotFollow));
  DirectoryEntry entry;
  EXPECT_TRUE(reader.Next(&entry));
}

TEST_F(DirectoryWin32Test, PathsBeyondMaxPathListAndLookUp) {
  std::u16string relative;
  for (int i = 0; i < 12; ++i) {
    relative += (i == 0 ? u"" : u"\\") + std::u16string(40, static_cast<char16_t>(u'a' + i));
    AddFolder(relative);
  }
  AddFile(relative + u"\\deep", 5);
  const std::u16string deepest = PathOf(relative);
  ASSERT_GT(deepest.size(), static_cast<size_t>(MAX_PATH));

  DirectoryReader reader;
  ASSERT_TRUE(reader.Open(deepest, FinalLink::kDoNotFollow));
  EXPECT_EQ(ListAll(reader), (Listing{{u"deep", {EntryKind::kRegularFile, 5}}}));
  EntryKind kind;
  uint64_t size = 0;
  ASSERT_TRUE(LookUpPath(deepest + u"\\deep", &kind, &size));
  EXPECT_EQ(kind, EntryKind::kRegularFile);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(FollowFinalLink(deepest + u"\\deep"), deepest + u"\\deep");

  DirectoryReader root;
  ASSERT_TRUE(root.Open(root_, FinalLink::kFollow));
  FolderAnchor anchor;
  ASSERT_TRUE(root.KeepAsAnchor(&anchor));
  ASSERT_TRUE(reader.OpenBelow(anchor, relative + u"\\"));
  EXPECT_EQ(ListAll(reader).size(), 1u);
}

TEST_F(DirectoryWin32Test, FoldersBelowAnAnchor) {
  AddFolder(u"real");
  AddFolder(u"real\\inner \u00E9");
  AddFile(u"plain", 1);
  DirectoryReader root;
  ASSERT_TRUE(root.Open(root_ + u"\\", FinalLink::kFollow));
  FolderAnchor anchor;
  ASSERT_TRUE(root.KeepAsAnchor(&anchor));
  const struct {
    std::u16string relative;
    bool opens;
  } cases[] = {
      {u"real", true},
      {u"real\\inner \u00E9", true},
      {u"real\\inner \u00E9\\", true},
      {u"real/inner \u00E9", true},
      {u"plain", false},
      {u"missing", false},
      {u"", false},
      {u"\\", false},
  };
  for (const auto& c : cases) {
    DirectoryReader reader;
    EXPECT_EQ(reader.OpenBelow(anchor, c.relative), c.opens) << Utf16ToUtf8(c.relative);
  }
  // The anchored folder cannot be renamed away (and so not replaced) while
  // it is held.
  EXPECT_FALSE(MoveFileW(WideOf(root_), WideOf(root_ + u"-moved")));
  FolderAnchor empty;
  DirectoryReader reader;
  EXPECT_FALSE(reader.OpenBelow(empty, u"real"));
}

TEST_F(DirectoryWin32Test, LookUpAndVanishedFiles) {
  AddFolder(u"sub");
  AddFile(u"file", 9);
  EntryKind kind;
  uint64_t size = 0;
  ASSERT_TRUE(LookUpPath(PathOf(u"sub"), &kind, &size));
  EXPECT_EQ(kind, EntryKind::kDirectory);
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(LookUpPath(PathOf(u"missing"), &kind, &size));
  EXPECT_FALSE(LookUpPath(PathOf(u"file\\"), &kind, &size));  // a file is no folder
  EXPECT_FALSE(LookUpPath(PathOf(u"file\\x"), &kind, &size));
  ASSERT_TRUE(LookUpPath(PathOf(u"file"), &kind, &size));
  EXPECT_EQ(kind, EntryKind::kRegularFile);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(FollowFinalLink(PathOf(u"file")), PathOf(u"file"));

  // Listed, then removed before it is read: the listing keeps what it saw,
  // the look-up that tells a vanished file says it is gone.
  DirectoryReader reader;
  ASSERT_TRUE(reader.Open(root_, FinalLink::kDoNotFollow));
  DirectoryEntry entry;
  bool listed = false;
  while (reader.Next(&entry)) listed = listed || entry.name == u"file";
  EXPECT_TRUE(listed);
  ASSERT_TRUE(DeleteFileW(WideOf(PathOf(u"file"))));
  EXPECT_FALSE(LookUpPath(PathOf(u"file"), &kind, &size));
}

// Links are entries of their own, never entered. Wine may be unable to make
// one; the test then says so and stops.
TEST_F(DirectoryWin32Test, LinksAreNotFollowed) {
  AddFolder(u"real");
  AddFile(u"real\\inside", 1);
  const std::u16string link = PathOf(u"link");
  if (!CreateSymbolicLinkW(
          WideOf(link), WideOf(PathOf(u"real")),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    GTEST_SKIP() << "no symbolic link can be made here: " << GetLastError();
  }
  const DWORD attributes = GetFileAttributesW(WideOf(link));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "the symbolic link made here is no reparse point";
  }
  DirectoryReader reader;
  ASSERT_TRUE(reader.Open(root_, FinalLink::kDoNotFollow));
  EXPECT_EQ(ListAll(reader)[u"link"].first, EntryKind::kOther);
  EXPECT_FALSE(reader.Open(link, FinalLink::kDoNotFollow));
  EXPECT_TRUE(reader.Open(link, FinalLink::kFollow));
  DirectoryReader root;
  ASSERT_TRUE(root.Open(root_, FinalLink::kFollow));
  FolderAnchor anchor;
  ASSERT_TRUE(root.KeepAsAnchor(&anchor));
  EXPECT_FALSE(reader.OpenBelow(anchor, u"link"));
}

}  // namespace
}  // namespace dravanta
