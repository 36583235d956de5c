#include "platform/path_separator.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace dravanta {
namespace {

TEST(PathSeparatorTest, NameAndFolderOfAPath) {
  const std::u16string sep(1, kPathSeparator);
  const std::u16string path = u"top" + sep + u"inner" + sep + u"file.exe";
  EXPECT_EQ(FileNameOfPath(path), u"file.exe");
  EXPECT_EQ(FolderOfPath(path), u"top" + sep + u"inner" + sep);
  EXPECT_EQ(FileNameOfPath(u"file.exe"), u"file.exe");
  EXPECT_EQ(FolderOfPath(u"file.exe"), u"");
  EXPECT_EQ(FileNameOfPath(u"folder" + sep), u"");
  EXPECT_EQ(FileNameOfPath(u""), u"");
}

TEST(PathSeparatorTest, ForwardSlashSeparatesEverywhere) {
  // "/" separates on both systems; "\" only where it is the separator.
  EXPECT_EQ(FileNameOfPath(u"a/b"), u"b");
  EXPECT_EQ(FileNameOfPath(u"a\\b"), kPathSeparator == u'\\' ? u"b" : u"a\\b");
}

TEST(PathSeparatorTest, AbsolutePathsStartAtARoot) {
  const bool windows = kPathSeparator == u'\\';
  const struct {
    const char16_t* path;
    bool posix;
    bool windows;
  } cases[] = {
      {u"/home/a", true, false},
      {u"C:\\a", false, true},
      {u"c:/a", false, true},
      {u"\\\\server\\share", false, true},
      {u"\\\\?\\C:\\a", false, true},
      {u"C:a", false, false},
      {u"C:", false, false},
      {u"a/b", false, false},
      {u"", false, false},
      {u"1:\\a", false, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(IsAbsolutePath(cases[i].path), windows ? cases[i].windows : cases[i].posix)
        << "case " << i;
  }
}

}  // namespace
}  // namespace dravanta
