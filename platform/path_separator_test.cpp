#include "platform/path_separator.h"

#include <gtest/gtest.h>

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

TEST(PathSeparatorTest, AbsolutePaths) {
  const std::u16string sep(1, kPathSeparator);
  EXPECT_FALSE(IsAbsolutePath(u"report.txt"));
  EXPECT_FALSE(IsAbsolutePath(u"reports" + sep + u"report.txt"));
  EXPECT_FALSE(IsAbsolutePath(u""));
  const bool windows = kPathSeparator == u'\\';
  // On Windows only a drive or a share makes a path absolute.
  EXPECT_EQ(IsAbsolutePath(u"/report.txt"), !windows);
  EXPECT_EQ(IsAbsolutePath(u"C:\\Reports\\scan.txt"), windows);
  EXPECT_EQ(IsAbsolutePath(u"\\\\server\\share\\scan.txt"), windows);
  EXPECT_EQ(IsAbsolutePath(u"C:scan.txt"), windows);  // any ":" names a drive
}

}  // namespace
}  // namespace dravanta
