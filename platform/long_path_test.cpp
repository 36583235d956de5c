// Long paths, folders opened below an anchor without following links, and
// file reading that refuses what is not a regular file without blocking.
#include "internal/long_path_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/directory.h"
#include "platform/file_reader.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

std::u16string Wide(const std::string& path) { return Utf8ToUtf16(path); }

// 24 folders of 200-byte names: about 4,850 bytes below the tree's root.
std::string AddLongChain(ScratchTree& tree) {
  tree.AddFolder("chain");
  const std::string deepest = tree.AddFolderChain("chain", std::string(200, 'c'), 24, "f", "deep");
  EXPECT_GT(deepest.size(), static_cast<size_t>(PATH_MAX));
  return deepest;
}

TEST(LongPathTest, FilesBeyondTheLongestPathOpenAndRead) {
  ScratchTree tree;
  const std::string deepest = AddLongChain(tree);
  const int fd = OpenPathOfAnyLength(deepest + "/f", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  char buffer[8] = {};
  EXPECT_EQ(read(fd, buffer, sizeof(buffer)), 4);
  EXPECT_EQ(std::string(buffer, 4), "deep");
  close(fd);

  ReadableFile file;
  ASSERT_TRUE(OpenReadableFile(deepest + "/f", &file, nullptr));
  std::uint64_t size = 0;
  EXPECT_TRUE(ReadableFileSize(file, &size));
  EXPECT_EQ(size, 4u);
  CloseReadableFile(&file);

  EntryKind kind;
  EXPECT_TRUE(LookUpPath(Wide(deepest + "/f"), &kind, &size));
  EXPECT_EQ(kind, EntryKind::kRegularFile);
  DirectoryReader reader;
  EXPECT_TRUE(reader.Open(Wide(deepest), FinalLink::kDoNotFollow));

  errno = 0;
  EXPECT_LT(OpenPathOfAnyLength(deepest + "/missing", O_RDONLY), 0);
  EXPECT_EQ(errno, ENOENT);
  // One name longer than the longest path cannot be cut anywhere.
  EXPECT_LT(OpenPathOfAnyLength(tree.root() + "/" + std::string(PATH_MAX + 10, 'x'), O_RDONLY), 0);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

TEST(LongPathTest, RemovingATreeReachesBeyondTheLongestPath) {
  std::string root;
  std::string deepest;
  {
    ScratchTree tree;
    root = tree.root();
    deepest = AddLongChain(tree);
  }
  EntryKind kind;
  uint64_t size = 0;
  EXPECT_FALSE(LookUpPath(Wide(root), &kind, &size));
}

TEST(LongPathTest, FoldersBelowAnAnchorFollowNoLink) {
  ScratchTree tree;
  tree.AddFolder("real");
  tree.AddFolder("real/inner");
  tree.AddFile("real/inner/file", 1);
  tree.AddSymlink("link", tree.PathOf("real"));
  tree.AddSymlink("real/link_inner", tree.PathOf("real/inner"));
  tree.AddFile("plain", 1);
  const std::string deepest = AddLongChain(tree);

  DirectoryReader root;
  ASSERT_TRUE(root.Open(Wide(tree.root()), FinalLink::kFollow));
  FolderAnchor anchor;
  ASSERT_TRUE(root.KeepAsAnchor(&anchor));
  struct Case {
    std::string relative;
    bool opens;
  } cases[] = {
      {"real", true},
      {"real/inner", true},
      {"real/inner/", true},
      {"real//inner", true},
      {"link", false},             // the last name is a link
      {"link/", false},            // a trailing "/" does not make it follow
      {"link/inner", false},       // a link on the way
      {"real/link_inner", false},  // a link at the end, one level down
      {"plain", false},
      {"missing", false},
      {"", false},
      {deepest.substr(tree.root().size() + 1), true},  // beyond the longest path
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.relative.substr(0, 80));
    DirectoryReader reader;
    EXPECT_EQ(reader.OpenBelow(anchor, Wide(c.relative)), c.opens);
  }
  // The anchor holds its folder even when the name goes away.
  ASSERT_EQ(rename(tree.root().c_str(), (tree.root() + "-moved").c_str()), 0);
  DirectoryReader reader;
  EXPECT_TRUE(reader.OpenBelow(anchor, Wide("real/inner")));
  ASSERT_EQ(rename((tree.root() + "-moved").c_str(), tree.root().c_str()), 0);
  // An empty anchor opens nothing.
  FolderAnchor empty;
  EXPECT_FALSE(reader.OpenBelow(empty, Wide("real")));
  // Open without following the last link, with a trailing "/" too.
  EXPECT_FALSE(reader.Open(Wide(tree.PathOf("link") + "/"), FinalLink::kDoNotFollow));
  EXPECT_TRUE(reader.Open(Wide(tree.PathOf("link") + "/"), FinalLink::kFollow));
}

TEST(LongPathTest, OnlyRegularFilesOpenForReadingAndNothingBlocks) {
  ScratchTree tree;
  tree.AddFifo("fifo");  // a blocking open would wait for a writer forever
  tree.AddSocket("socket");
  tree.AddFolder("folder");
  tree.AddFile("file", 3);
  tree.AddSymlink("to_fifo", tree.PathOf("fifo"));
  struct Case {
    std::string path;
    int error_number;  // 0: opens
  } cases[] = {
      {tree.PathOf("fifo"), EINVAL},    {tree.PathOf("to_fifo"), ELOOP},  // a final link: refused
      {tree.PathOf("socket"), ENXIO},   {tree.PathOf("folder"), EISDIR}, {"/dev/null", EINVAL},
      {tree.PathOf("missing"), ENOENT}, {tree.PathOf("file"), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ReadableFile file;
    int error_number = 0;
    EXPECT_EQ(OpenReadableFile(c.path, &file, &error_number), c.error_number == 0);
    EXPECT_EQ(error_number, c.error_number);
    if (c.error_number == 0) {
      char buffer[8];
      EXPECT_EQ(ReadFromFile(file, buffer, sizeof(buffer)), 3);  // a plain, blocking read
    }
    CloseReadableFile(&file);
  }
}

}  // namespace
}  // namespace dravanta
