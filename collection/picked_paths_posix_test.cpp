// Picked paths as only POSIX has them: FIFOs, symbolic links, "/" and
// mount points.
#include <gtest/gtest.h>

#include <string>

#include "collection/picked_paths.h"
#include "collection/testing/walk_collector.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

TEST(PickedPathsTest, ClassifyTargets) {
  ScratchTree tree;
  tree.AddFolder("dir");
  tree.AddFolder("say \"hi\"");
  tree.AddFile("dir/file", 3);
  tree.AddFifo("pipe");
  tree.AddSymlink("link_to_dir", tree.PathOf("dir"));
  const struct {
    std::string text;
    PathKind kind;
  } cases[] = {
      {"", PathKind::kPathInvalid},
      {"a", PathKind::kPathInvalid},
      {"dir", PathKind::kPathInvalid},  // relative
      {"/", PathKind::kPathDirectory},
      {tree.PathOf("dir"), PathKind::kPathDirectory},
      {tree.PathOf("dir") + "/", PathKind::kPathDirectory},   // trailing "/" accepted
      {tree.PathOf("say \"hi\""), PathKind::kPathDirectory},  // a double quote is a name character
      {tree.PathOf("link_to_dir"), PathKind::kPathDirectory},
      {tree.PathOf("dir/file"), PathKind::kPathFile},
      {tree.PathOf("dir/file") + "/", PathKind::kPathInvalid},
      {tree.PathOf("missing"), PathKind::kPathInvalid},
      {tree.PathOf("pipe"), PathKind::kPathInvalid},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyPath(U(c.text)), c.kind) << c.text;
}

TEST(PickedPathsTest, DriveRootTextNamesAMountPoint) {
  ScratchTree tree;
  const struct {
    std::string text;
    bool root;
  } cases[] = {
      {"/", true}, {"/proc", true}, {"/proc/", true},     {"/proc/self", false},
      {"", false}, {"proc", false}, {tree.root(), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsDriveRootText(U(c.text)), c.root) << c.text;
}

TEST(PickedPathsTest, TheRootFolderIsAValidTarget) {
  ScanCollection collection;
  collection.options = CollectionOptions{0, 1, -1};  // no workers: nothing is walked
  Collector recorder;
  ASSERT_EQ(StartPathScan(collection, recorder.Bindings(), u"/"), kPathScanStarted);
  for (WalkerHandle& walker : collection.walkers) JoinWalker(*walker);
  EXPECT_EQ(collection.walkers.size(), 1u);
  EXPECT_EQ(recorder.ends, 1);
}

}  // namespace
}  // namespace dravanta
