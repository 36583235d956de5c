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

}  // namespace
}  // namespace dravanta
