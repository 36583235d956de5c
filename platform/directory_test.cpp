#include "platform/directory.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "internal/mounts_posix.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

// Names back in the system's bytes: the mapping must give them back whole.
std::map<std::string, std::pair<EntryKind, uint64_t>> ListAll(DirectoryReader& reader) {
  std::map<std::string, std::pair<EntryKind, uint64_t>> entries;
  DirectoryEntry entry;
  while (reader.Next(&entry)) entries[Utf16ToUtf8(entry.name)] = {entry.kind, entry.size};
  return entries;
}

std::u16string Wide(const std::string& path) { return Utf8ToUtf16(path); }

TEST(DirectoryTest, EntriesAreClassifiedWithoutFollowingLinks) {
  ScratchTree tree;
  tree.AddFolder("sub");
  tree.AddFile("file", 42);
  tree.AddFile("empty", 0);
  tree.AddFifo("pipe");
  tree.AddSocket("sock");
  tree.AddSymlink("to_file", tree.PathOf("file"));
  tree.AddSymlink("to_sub", tree.PathOf("sub"));
  tree.AddSymlink("name\nwith\xff", "nowhere");
  DirectoryReader reader;
  ASSERT_TRUE(reader.Open(Wide(tree.root()), FinalLink::kDoNotFollow));
  const std::map<std::string, std::pair<EntryKind, uint64_t>> expected{
      {"sub", {EntryKind::kDirectory, 0}},     {"file", {EntryKind::kRegularFile, 42}},
      {"empty", {EntryKind::kRegularFile, 0}}, {"pipe", {EntryKind::kOther, 0}},
      {"sock", {EntryKind::kOther, 0}},        {"to_file", {EntryKind::kOther, 0}},
      {"to_sub", {EntryKind::kOther, 0}},      {"name\nwith\xff", {EntryKind::kOther, 0}}};
  EXPECT_EQ(ListAll(reader), expected);
}

TEST(DirectoryTest, OpenFailsForWhatIsNotAReadableDirectory) {
  ScratchTree tree;
  tree.AddFolder("sub");
  tree.AddFile("file", 1);
  tree.AddFifo("pipe");
  tree.AddSymlink("to_sub", tree.PathOf("sub"));
  DirectoryReader reader;
  EXPECT_FALSE(reader.Open(Wide(tree.PathOf("missing")), FinalLink::kFollow));
  EXPECT_FALSE(reader.Open(Wide(tree.PathOf("file")), FinalLink::kFollow));
  EXPECT_FALSE(reader.Open(Wide(tree.PathOf("pipe")), FinalLink::kFollow));
  EXPECT_FALSE(reader.Open(Wide(tree.PathOf("to_sub")), FinalLink::kDoNotFollow));
  EXPECT_TRUE(reader.Open(Wide(tree.PathOf("to_sub")), FinalLink::kFollow));
  EXPECT_TRUE(ListAll(reader).empty());
  if (!IgnoresFilePermissions()) {
    tree.SetMode("sub", 0);
    EXPECT_FALSE(reader.Open(Wide(tree.PathOf("sub")), FinalLink::kFollow));
  }
}

TEST(DirectoryTest, PseudoFilesystemsAreRecognised) {
  struct Case {
    std::string path;
    bool pseudo;
  };
  ScratchTree tree;
  std::vector<Case> cases{{"/proc", true}, {"/sys", true}, {tree.root(), false}};
  for (const MountEntry& mount : ReadMountTable()) {
    if (mount.fs_type == "devtmpfs" || mount.fs_type == "devpts" || mount.fs_type == "cgroup2") {
      cases.push_back({mount.mount_point, true});
    }
    if (mount.fs_type == "tmpfs") cases.push_back({mount.mount_point, false});
  }
  for (const Case& c : cases) {
    DirectoryReader reader;
    if (!reader.Open(Wide(c.path), FinalLink::kFollow)) continue;  // not readable here
    EXPECT_EQ(reader.OnPseudoFilesystem(), c.pseudo) << c.path;
  }
}

TEST(DirectoryTest, LookUpFollowsLinks) {
  ScratchTree tree;
  tree.AddFile("file", 7);
  tree.AddSymlink("to_file", tree.PathOf("file"));
  tree.AddSymlink("dangling", tree.PathOf("missing"));
  EntryKind kind;
  uint64_t size = 0;
  ASSERT_TRUE(LookUpPath(Wide(tree.PathOf("to_file")), &kind, &size));
  EXPECT_EQ(kind, EntryKind::kRegularFile);
  EXPECT_EQ(size, 7u);
  ASSERT_TRUE(LookUpPath(Wide(tree.root()), &kind, &size));
  EXPECT_EQ(kind, EntryKind::kDirectory);
  EXPECT_FALSE(LookUpPath(Wide(tree.PathOf("dangling")), &kind, &size));
  EXPECT_FALSE(LookUpPath(Wide(tree.PathOf("file") + "/"), &kind, &size));
}

}  // namespace
}  // namespace dravanta
