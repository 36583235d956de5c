#include "collection/picked_paths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "collection/testing/walk_collector.h"
#include "platform/drives.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

TEST(PickedPathsTest, SplitKeepsInnerEmptyPiecesAndDropsATrailingOne) {
  const struct {
    std::u16string text;
    std::vector<std::u16string> pieces;
  } cases[] = {
      {u"", {}},
      {u"/a", {u"/a"}},
      {u"/a|/b", {u"/a", u"/b"}},
      {u"/a||/b", {u"/a", u"", u"/b"}},
      {u"/a|", {u"/a"}},
      {u"|/a", {u"", u"/a"}},
      {u"|", {u""}},
      {u"||", {u"", u""}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> pieces{u"left over"};
    EXPECT_EQ(SplitPathList(c.text, &pieces), c.pieces.size());
    EXPECT_EQ(pieces, c.pieces);
  }
}

struct Recorder {
  std::mutex lock;
  std::map<std::u16string, int> seen;  // path -> times handed over
  std::atomic<int> ends{0};
  WalkerBindings Bindings() {
    WalkerBindings b;
    b.batch = [](void* self, const std::vector<FileRecord>& batch) {
      auto* r = static_cast<Recorder*>(self);
      std::lock_guard<std::mutex> hold(r->lock);
      for (const FileRecord& record : batch) ++r->seen[record.path];
    };
    b.batch_context = this;
    b.end = [](void* self) { ++static_cast<Recorder*>(self)->ends; };
    b.end_context = this;
    return b;
  }
};

void WaitForWalkers(ScanCollection& collection) {
  for (WalkerHandle& walker : collection.walkers) JoinWalker(*walker);
}

CollectionOptions Options(int32_t threads, int32_t batch) {
  return CollectionOptions{threads, batch, -1};
}

TEST(PickedPathsTest, OnlyInvalidTargetsStartNothing) {
  ScratchTree tree;
  for (const std::u16string& targets :
       {std::u16string(), std::u16string(u"|"), std::u16string(u"x|") + U(tree.PathOf("none")),
        std::u16string(u"||a")}) {
    ScanCollection collection;
    collection.options = Options(2, 10);
    collection.modules[u"/old"] = u"/old";
    Recorder recorder;
    EXPECT_EQ(StartPathScan(collection, recorder.Bindings(), targets), kPathScanNoTarget);
    EXPECT_TRUE(collection.walkers.empty());
    EXPECT_TRUE(collection.modules.empty());
    EXPECT_EQ(collection.total_bytes, 0u);
  }
}

TEST(PickedPathsTest, DistinctTargetsAreWalkedInPathOrderOnceEach) {
  ScratchTree tree;
  tree.AddFolder("b");
  tree.AddFolder("b/sub");
  tree.AddFile("b/sub/inner", 4);
  tree.AddFile("b/top", 2);
  tree.AddFolder("a");
  tree.AddFile("a/f", 1);
  tree.AddFile("lone", 8);
  tree.AddFile("lone2", 9);
  const std::string targets = tree.PathOf("b") + "|" + WithSeparator(tree.PathOf("b/sub")) + "|" +
                              tree.PathOf("a") + "|" + WithSeparator(tree.PathOf("b")) +
                              "||bogus|" + tree.PathOf("lone") + "|";
  ScanCollection collection;
  collection.options = Options(2, 1);
  Recorder recorder;
  ASSERT_EQ(StartPathScan(collection, recorder.Bindings(), U(targets)), kPathScanStarted);
  WaitForWalkers(collection);
  // "b" twice is one walker; "b/sub" is walked again on its own.
  EXPECT_EQ(collection.walkers.size(), 4u);
  EXPECT_EQ(recorder.ends, 4);
  EXPECT_GT(collection.total_bytes, 0u);
  const std::map<std::u16string, int> expected{{U(tree.PathOf("a/f")), 1},
                                               {U(tree.PathOf("b/sub/inner")), 2},
                                               {U(tree.PathOf("b/top")), 1},
                                               {U(tree.PathOf("lone")), 1}};
  EXPECT_EQ(recorder.seen, expected);
}

// Every fixed drive's root is a target, with its separator or without.
TEST(PickedPathsTest, FixedDriveRootsAreValidTargets) {
  const std::vector<std::u16string> drives = ListFixedDrives();
  if (drives.empty()) GTEST_SKIP() << "no fixed drive here";
  for (const std::u16string& root : drives) {
    SCOPED_TRACE(Utf16ToUtf8(root));
    EXPECT_NE(ClassifyPath(root), PathKind::kPathInvalid);
    const std::u16string bare = root.size() > 1 ? root.substr(0, root.size() - 1) : root;
    EXPECT_NE(ClassifyPath(bare), PathKind::kPathInvalid);
    EXPECT_TRUE(IsDriveRootText(bare));
    ScanCollection collection;
    collection.options = Options(0, 1);  // no workers: nothing is walked
    Recorder recorder;
    ASSERT_EQ(StartPathScan(collection, recorder.Bindings(), bare), kPathScanStarted);
    WaitForWalkers(collection);
    EXPECT_EQ(collection.walkers.size(), 1u);
    EXPECT_EQ(recorder.ends, 1);
    EXPECT_GT(collection.total_bytes, 0u);
  }
}

TEST(PickedPathsTest, ANewStartReplacesThePreviousWalkers) {
  const std::vector<std::u16string> drives = ListFixedDrives();
  if (drives.empty()) GTEST_SKIP() << "no fixed drive here";
  ScratchTree tree;
  tree.AddFolder("x");
  tree.AddFile("x/f", 1);
  ScanCollection collection;
  collection.options = Options(2, 1);
  Recorder first;
  ASSERT_EQ(StartPathScan(collection, first.Bindings(), U(tree.PathOf("x") + "|") + drives[0]),
            kPathScanStarted);
  // The previous walk over a whole drive is stopped and waited for by the
  // next start.
  Recorder second;
  ASSERT_EQ(StartPathScan(collection, second.Bindings(), U(tree.PathOf("x"))), kPathScanStarted);
  EXPECT_EQ(first.ends, 2);
  WaitForWalkers(collection);
  EXPECT_EQ(collection.walkers.size(), 1u);
  EXPECT_EQ(second.seen, (std::map<std::u16string, int>{{U(tree.PathOf("x/f")), 1}}));
}

}  // namespace
}  // namespace dravanta
