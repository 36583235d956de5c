#include "collection/directory_walker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "collection/testing/walk_collector.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

// a/ (3 files), a/b/ (2), a/b/c/ (1), d/ (empty), e.bin at the top.
void BuildSmallTree(ScratchTree& tree) {
  tree.AddFolder("a");
  tree.AddFolder("a/b");
  tree.AddFolder("a/b/c");
  tree.AddFolder("d");
  tree.AddFile("a/one", 1);
  tree.AddFile("a/two", 2);
  tree.AddFile("a/three", 3);
  tree.AddFile("a/b/four", 4);
  tree.AddFile("a/b/five", 5000000000ull);  // above 32 bits
  tree.AddFile("a/b/c/six", 0);
  tree.AddFile("e.bin", 7);
}

std::map<std::u16string, uint64_t> SmallTreeFiles(const ScratchTree& tree) {
  return {{U(tree.PathOf("a/one")), 1},
          {U(tree.PathOf("a/two")), 2},
          {U(tree.PathOf("a/three")), 3},
          {U(tree.PathOf("a/b/four")), 4},
          {U(tree.PathOf("a/b/five")), 5000000000ull},
          {U(tree.PathOf("a/b/c/six")), 0},
          {U(tree.PathOf("e.bin")), 7}};
}

TEST(DirectoryWalkerTest, EveryFileOnceWithItsSizeForAnyWorkerCount) {
  ScratchTree tree;
  BuildSmallTree(tree);
  for (uint32_t workers : {1u, 2u, 8u, 64u}) {
    SCOPED_TRACE(workers);
    Collector collector;
    WalkerHandle walker = Walk(WithSeparator(tree.root()), collector, 100, workers);
    EXPECT_EQ(collector.files, SmallTreeFiles(tree));
    EXPECT_EQ(collector.duplicates, 0u);
    EXPECT_EQ(collector.ends, 1);
    EXPECT_TRUE(WalkerEnded(*walker));
  }
}

TEST(DirectoryWalkerTest, RootWithoutTrailingSeparatorGivesTheSamePaths) {
  ScratchTree tree;
  BuildSmallTree(tree);
  Collector collector;
  Walk(tree.root(), collector);
  EXPECT_EQ(collector.files, SmallTreeFiles(tree));
}

TEST(DirectoryWalkerTest, WorkerCountFromThreadCount) {
  const struct {
    int32_t thread_count;
    uint32_t workers;
  } cases[] = {{0, 0}, {1, 1}, {10, 10}, {64, 64}, {65, 64}, {100, 64}, {-1, 64}};
  for (const auto& c : cases)
    EXPECT_EQ(WorkerCountFor(c.thread_count), c.workers) << c.thread_count;
}

TEST(DirectoryWalkerTest, NoWorkersWalksNothingAndStillEndsOnce) {
  ScratchTree tree;
  BuildSmallTree(tree);
  Collector collector;
  Walk(tree.root(), collector, 100, 0);
  EXPECT_TRUE(collector.files.empty());
  EXPECT_TRUE(collector.batch_sizes.empty());
  EXPECT_EQ(collector.ends, 1);
}

TEST(DirectoryWalkerTest, BatchBoundaries) {
  ScratchTree tree;
  for (int i = 0; i < 10; ++i) tree.AddFile("f" + std::to_string(i), 1);
  const struct {
    int32_t batch_size;
    std::vector<size_t> batches;  // one worker, so the order is fixed
  } cases[] = {
      {0, std::vector<size_t>(10, 1)},
      {1, std::vector<size_t>(10, 1)},
      {4, {4, 4, 2}},
      {5, {5, 5}},
      {10, {10}},
      {11, {10}},
      {-1, {10}},  // unsigned: huge
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.batch_size);
    Collector collector;
    Walk(tree.root(), collector, c.batch_size, 1);
    EXPECT_EQ(collector.batch_sizes, c.batches);
    EXPECT_EQ(collector.files.size(), 10u);
  }
}

TEST(DirectoryWalkerTest, LargeBatchIsHandedOverOncePerWorkerAtExit) {
  ScratchTree tree;
  for (int d = 0; d < 20; ++d) {
    tree.AddFolder("d" + std::to_string(d));
    for (int f = 0; f < 5; ++f) tree.AddFile("d" + std::to_string(d) + "/f" + std::to_string(f), 1);
  }
  Collector collector;
  Walk(tree.root(), collector, 1000, 4);
  EXPECT_LE(collector.batch_sizes.size(), 4u);
  EXPECT_EQ(collector.files.size(), 100u);
}

struct SizeCutFilter {
  uint64_t limit;
  static bool Accept(void* self, const FileRecord& record) {
    return record.size <= static_cast<SizeCutFilter*>(self)->limit;
  }
};

TEST(DirectoryWalkerTest, FilterDecidesAndAllRejectedMeansNoBatch) {
  ScratchTree tree;
  BuildSmallTree(tree);
  {
    Collector collector;
    SizeCutFilter filter{3};
    WalkerBindings bindings = collector.Bindings();
    bindings.filter = SizeCutFilter::Accept;
    bindings.filter_context = &filter;
    Walk(tree.root(), collector, 100, 2, bindings);
    std::vector<uint64_t> sizes;
    for (const auto& [path, size] : collector.files) sizes.push_back(size);
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<uint64_t>{0, 1, 2, 3}));
  }
  {
    Collector collector;
    WalkerBindings bindings = collector.Bindings();
    bindings.filter = [](void*, const FileRecord&) { return false; };
    Walk(tree.root(), collector, 1, 2, bindings);
    EXPECT_TRUE(collector.batch_sizes.empty());
    EXPECT_EQ(collector.ends, 1);
  }
}

TEST(DirectoryWalkerTest, EmptyOrUnlistableRootEndsOnceWithoutBatch) {
  ScratchTree tree;
  tree.AddFolder("empty");
  for (const std::string& root :
       {tree.PathOf("empty"), tree.PathOf("missing/"), tree.PathOf("missing")}) {
    ExpectNothingWalked(root);
  }
}

TEST(DirectoryWalkerTest, FileRootYieldsExactlyItself) {
  ScratchTree tree;
  tree.AddFile("report.txt", 12);
  tree.AddFile("report.txt.bak", 13);
  tree.AddFile("report.txtx", 14);
  Collector collector;
  Walk(tree.PathOf("report.txt"), collector);
  EXPECT_EQ(collector.files,
            (std::map<std::u16string, uint64_t>{{U(tree.PathOf("report.txt")), 12}}));
}

TEST(DirectoryWalkerTest, DeepTreeIsWalkedToTheBottom) {
  ScratchTree tree;
  std::string path;
  constexpr int kDepth = 200;
  for (int i = 0; i < kDepth; ++i) {
    path += (i ? "/" : "") + std::string("d");
    tree.AddFolder(path);
    tree.AddFile(path + "/f", static_cast<uint64_t>(i));
  }
  Collector collector;
  Walk(tree.root(), collector, 7, 3);
  EXPECT_EQ(collector.files.size(), static_cast<size_t>(kDepth));
  EXPECT_EQ(collector.files[U(tree.PathOf(path + "/f"))], static_cast<uint64_t>(kDepth - 1));
}

// A tree wide enough that a stop lands while the workers are busy.
void BuildWideTree(ScratchTree& tree, int folders, int files_per_folder) {
  for (int d = 0; d < folders; ++d) {
    const std::string folder = "w" + std::to_string(d);
    tree.AddFolder(folder);
    for (int f = 0; f < files_per_folder; ++f) tree.AddFile(folder + "/f" + std::to_string(f), 1);
  }
}

// The connector's abandon path: a stop from inside a batch callback.
TEST(DirectoryWalkerTest, StopFromInsideABatchCallback) {
  ScratchTree tree;
  BuildWideTree(tree, 100, 8);
  struct Context {
    Collector collector;
    DirectoryWalker* walker = nullptr;
    std::atomic<bool> stop_returned{false};
    std::atomic<int> batches_after_stop{0};
    std::atomic<int> stops{0};
  } context;
  WalkerBindings bindings;
  bindings.batch = [](void* self, const std::vector<FileRecord>& batch) {
    auto* c = static_cast<Context*>(self);
    if (c->stop_returned) ++c->batches_after_stop;
    c->collector.OnBatch(batch);
    if (c->stops++ == 0) {
      StopWalker(*c->walker);
      c->stop_returned = true;
    }
  };
  bindings.batch_context = &context;
  bindings.end = Collector::End;
  bindings.end_context = &context.collector;
  WalkerHandle walker = CreateWalker(U(tree.root()));
  context.walker = walker.get();
  BindWalker(*walker, bindings);
  StartWalker(*walker, 1, 4);
  ASSERT_TRUE(context.collector.WaitForEnd());
  JoinWalker(*walker);
  EXPECT_EQ(context.batches_after_stop, 0);
  EXPECT_EQ(context.collector.ends, 1);
  EXPECT_LT(context.collector.files.size(), 800u);
}

TEST(DirectoryWalkerTest, StopFromAnotherThreadWhileListing) {
  ScratchTree tree;
  BuildWideTree(tree, 100, 8);
  struct Context {
    Collector collector;
    std::atomic<bool> stop_returned{false};
    std::atomic<int> batches_after_stop{0};
    std::atomic<bool> first_batch{false};
  } context;
  WalkerBindings bindings;
  bindings.batch = [](void* self, const std::vector<FileRecord>& batch) {
    auto* c = static_cast<Context*>(self);
    if (c->stop_returned) ++c->batches_after_stop;
    c->collector.OnBatch(batch);
    c->first_batch = true;
    c->first_batch.notify_all();
  };
  bindings.batch_context = &context;
  bindings.end = Collector::End;
  bindings.end_context = &context.collector;
  WalkerHandle walker = CreateWalker(U(tree.root()));
  BindWalker(*walker, bindings);
  StartWalker(*walker, 1, 4);
  context.first_batch.wait(false);
  StopWalker(*walker);
  context.stop_returned = true;
  StopWalker(*walker);  // a second stop returns at once
  ASSERT_TRUE(context.collector.WaitForEnd());
  JoinWalker(*walker);
  EXPECT_EQ(context.batches_after_stop, 0);
  EXPECT_EQ(context.collector.ends, 1);
}

TEST(DirectoryWalkerTest, StoppedBeforeStartEndsOnceWithNothing) {
  ScratchTree tree;
  BuildSmallTree(tree);
  Collector collector;
  WalkerHandle walker = CreateWalker(U(tree.root()));
  BindWalker(*walker, collector.Bindings());
  StopWalker(*walker);
  StartWalker(*walker, 1, 4);
  ASSERT_TRUE(collector.WaitForEnd());
  JoinWalker(*walker);
  EXPECT_TRUE(collector.batch_sizes.empty());
  EXPECT_EQ(collector.ends, 1);
}

TEST(DirectoryWalkerTest, DestroyingARunningOrUnstartedWalkerIsSafe) {
  ScratchTree tree;
  BuildWideTree(tree, 50, 10);
  { WalkerHandle unstarted = CreateWalker(U(tree.root())); }
  Collector collector;
  {
    WalkerHandle running = CreateWalker(U(tree.root()));
    BindWalker(*running, collector.Bindings());
    StartWalker(*running, 1, 4);
  }  // stops, waits, frees
  EXPECT_EQ(collector.ends, 1);
}

// Several walkers at once into one collector, as a scan over many targets.
TEST(DirectoryWalkerTest, ConcurrentWalkersShareOneCallbackContext) {
  ScratchTree tree;
  for (int t = 0; t < 4; ++t) {
    const std::string top = "t" + std::to_string(t);
    tree.AddFolder(top);
    for (int d = 0; d < 10; ++d) {
      tree.AddFolder(top + "/d" + std::to_string(d));
      for (int f = 0; f < 10; ++f) {
        tree.AddFile(top + "/d" + std::to_string(d) + "/f" + std::to_string(f), 2);
      }
    }
  }
  Collector collector;
  std::atomic<int> ends{0};
  WalkerBindings bindings = collector.Bindings();
  bindings.end = [](void* count) { ++*static_cast<std::atomic<int>*>(count); };
  bindings.end_context = &ends;
  std::vector<WalkerHandle> walkers;
  for (int t = 0; t < 4; ++t) {
    walkers.push_back(CreateWalker(U(tree.PathOf("t" + std::to_string(t)))));
    BindWalker(*walkers.back(), bindings);
  }
  for (WalkerHandle& walker : walkers) StartWalker(*walker, 3, 3);
  for (WalkerHandle& walker : walkers) JoinWalker(*walker);
  EXPECT_EQ(ends, 4);
  EXPECT_EQ(collector.files.size(), 400u);
  EXPECT_EQ(collector.duplicates, 0u);
}

}  // namespace
}  // namespace dravanta
