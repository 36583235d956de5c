#include "collection/directory_walker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/directory.h"
#include "platform/text.h"
#include "tests/support/file_access_user.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

// Records what a walker hands over; safe to call from any worker.
struct Collector {
  std::mutex lock;
  std::condition_variable ended_signal;
  std::vector<size_t> batch_sizes;
  std::map<std::u16string, uint64_t> files;  // path -> size
  size_t duplicates = 0;
  int ends = 0;

  void OnBatch(const std::vector<FileRecord>& batch) {
    std::lock_guard<std::mutex> hold(lock);
    batch_sizes.push_back(batch.size());
    for (const FileRecord& record : batch) {
      if (!files.emplace(record.path, record.size).second) ++duplicates;
    }
  }
  void OnEnd() {
    std::lock_guard<std::mutex> hold(lock);
    ++ends;
    ended_signal.notify_all();
  }
  // Bounded wait for the end callback.
  bool WaitForEnd() {
    std::unique_lock<std::mutex> hold(lock);
    return ended_signal.wait_for(hold, std::chrono::seconds(60), [&] { return ends > 0; });
  }

  static void Batch(void* self, const std::vector<FileRecord>& batch) {
    static_cast<Collector*>(self)->OnBatch(batch);
  }
  static void End(void* self) { static_cast<Collector*>(self)->OnEnd(); }

  WalkerBindings Bindings() { return WalkerBindings{Batch, this, nullptr, nullptr, End, this}; }
};

std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }

// Walks `root` to its end and returns the walker (already joined).
WalkerHandle Walk(const std::string& root, Collector& collector, int32_t batch_size = 100,
                  uint32_t workers = 4, WalkerBindings bindings = {}) {
  if (bindings.batch == nullptr) bindings = collector.Bindings();
  WalkerHandle walker = CreateWalker(U(root));
  BindWalker(*walker, bindings);
  StartWalker(*walker, batch_size, workers);
  EXPECT_TRUE(collector.WaitForEnd());
  JoinWalker(*walker);
  return walker;
}

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
  const std::string r = tree.root() + "/";
  return {{U(r + "a/one"), 1},
          {U(r + "a/two"), 2},
          {U(r + "a/three"), 3},
          {U(r + "a/b/four"), 4},
          {U(r + "a/b/five"), 5000000000ull},
          {U(r + "a/b/c/six"), 0},
          {U(r + "e.bin"), 7}};
}

TEST(DirectoryWalkerTest, EveryFileOnceWithItsSizeForAnyWorkerCount) {
  ScratchTree tree;
  BuildSmallTree(tree);
  for (uint32_t workers : {1u, 2u, 8u, 64u}) {
    SCOPED_TRACE(workers);
    Collector collector;
    WalkerHandle walker = Walk(tree.root() + "/", collector, 100, workers);
    EXPECT_EQ(collector.files, SmallTreeFiles(tree));
    EXPECT_EQ(collector.duplicates, 0u);
    EXPECT_EQ(collector.ends, 1);
    EXPECT_TRUE(WalkerEnded(*walker));
  }
}

TEST(DirectoryWalkerTest, RootWithoutTrailingSlashGivesTheSamePaths) {
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

// A walk from `root` that finds nothing: no batch, no file, one end.
void ExpectNothingWalked(const std::string& root) {
  SCOPED_TRACE(root);
  Collector collector;
  Walk(root, collector);
  EXPECT_TRUE(collector.batch_sizes.empty());
  EXPECT_TRUE(collector.files.empty());
  EXPECT_EQ(collector.ends, 1);
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

TEST(DirectoryWalkerTest, FileRootThatIsALinkYieldsTheFileItLeadsTo) {
  // Files are read without following a final link, so the record must name
  // the file itself for a picked link to be scanned.
  ScratchTree tree;
  tree.AddFolder("real");
  tree.AddFile("real/file", 5);
  tree.AddSymlink("picked", tree.PathOf("real/file"));
  tree.AddSymlink("dangling", tree.PathOf("nowhere"));
  Collector collector;
  Walk(tree.PathOf("picked"), collector);
  EXPECT_EQ(collector.files,
            (std::map<std::u16string, uint64_t>{
                {U(std::filesystem::canonical(tree.PathOf("real/file")).string()), 5}}));
  Collector none;
  Walk(tree.PathOf("dangling"), none);
  EXPECT_TRUE(none.files.empty());
}

TEST(DirectoryWalkerTest, LinksInsideAreNotFollowedButALinkedRootIs) {
  ScratchTree tree;
  tree.AddFolder("real");
  tree.AddFile("real/file", 5);
  tree.AddFolder("walked");
  tree.AddFile("walked/own", 1);
  tree.AddSymlink("walked/to_file", tree.PathOf("real/file"));
  tree.AddSymlink("walked/to_folder", tree.PathOf("real"));
  tree.AddSymlink("walked/loop", "..");  // a loop if it were followed
  tree.AddSymlink("walked/self", "self");
  tree.AddSymlink("walked/dangling", tree.PathOf("nowhere"));
  tree.AddSymlink("linked_root", tree.PathOf("walked"));
  for (const std::string& root : {tree.PathOf("walked"), tree.PathOf("linked_root")}) {
    SCOPED_TRACE(root);
    Collector collector;
    Walk(root, collector);
    EXPECT_EQ(collector.files, (std::map<std::u16string, uint64_t>{{U(root + "/own"), 1}}));
  }
}

TEST(DirectoryWalkerTest, FifosAndSocketsAreNeverOpened) {
  ScratchTree tree;
  tree.AddFifo("pipe");  // opening it for reading would block the walk
  tree.AddSocket("sock");
  tree.AddFile("plain", 3);
  Collector collector;
  Walk(tree.root(), collector);
  EXPECT_EQ(collector.files, (std::map<std::u16string, uint64_t>{{U(tree.PathOf("plain")), 3}}));
  // A picked FIFO as the root yields nothing either.
  Collector fifo_root;
  Walk(tree.PathOf("pipe"), fifo_root);
  EXPECT_TRUE(fifo_root.files.empty());
  EXPECT_EQ(fifo_root.ends, 1);
}

TEST(DirectoryWalkerTest, InvalidUtf8NamesSurviveTheRoundTrip) {
  ScratchTree tree;
  const std::string folder = "bad\xff\xfe";
  const std::string file = "caf\xe9.txt";  // Latin-1, not UTF-8
  tree.AddFolder(folder);
  tree.AddFile(folder + "/" + file, 9);
  Collector collector;
  Walk(tree.root(), collector);
  ASSERT_EQ(collector.files.size(), 1u);
  const std::u16string& path = collector.files.begin()->first;
  EXPECT_NE(path.find(u'\xDCFF'), std::u16string::npos);
  const std::string back = Utf16ToUtf8(path);
  EXPECT_EQ(back, tree.PathOf(folder + "/" + file));
  EntryKind kind;
  uint64_t size = 0;
  ASSERT_TRUE(LookUpPath(path, &kind, &size));
  EXPECT_EQ(size, 9u);
}

TEST(DirectoryWalkerTest, UnreadableFolderIsPassedOver) {
  ScratchTree tree;
  tree.SetMode("", 0755);  // open to the unprivileged user below
  tree.AddFolder("open");
  tree.AddFile("open/seen", 1);
  tree.AddFolder("closed");
  tree.AddFile("closed/hidden", 1);
  tree.SetMode("closed", 0);
  // Root is not stopped by permissions: the walk's threads check them as
  // an ordinary user.
  ScopedFileAccessAsUser access;
  if (!access.permissions_apply()) GTEST_SKIP() << "permissions cannot be made to apply here";
  Collector collector;
  Walk(tree.root(), collector);
  EXPECT_EQ(collector.files,
            (std::map<std::u16string, uint64_t>{{U(tree.PathOf("open/seen")), 1}}));
  EXPECT_EQ(collector.ends, 1);
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

TEST(DirectoryWalkerTest, PseudoFilesystemsAreNeverEntered) {
  for (const char* root : {"/proc/", "/sys/"}) {
    ExpectNothingWalked(root);
  }
}

// Folders removed while the walk runs: the walk goes on and ends once.
TEST(DirectoryWalkerTest, FoldersVanishingMidWalk) {
  ScratchTree tree;
  tree.AddFolder("keep");
  for (int i = 0; i < 20; ++i) tree.AddFile("keep/k" + std::to_string(i), 1);
  for (int d = 0; d < 30; ++d) {
    const std::string folder = "gone" + std::to_string(d);
    tree.AddFolder(folder);
    tree.AddFolder(folder + "/inner");
    for (int i = 0; i < 5; ++i) tree.AddFile(folder + "/inner/f" + std::to_string(i), 1);
  }
  struct Context {
    Collector collector;
    ScratchTree* tree;
    std::atomic<bool> removed{false};
  } context;
  context.tree = &tree;
  WalkerBindings bindings;
  bindings.batch = [](void* self, const std::vector<FileRecord>& batch) {
    auto* c = static_cast<Context*>(self);
    if (!c->removed.exchange(true)) {
      for (int d = 0; d < 30; ++d) c->tree->Remove("gone" + std::to_string(d));
    }
    c->collector.OnBatch(batch);
  };
  bindings.batch_context = &context;
  bindings.end = Collector::End;
  bindings.end_context = &context.collector;
  Walk(tree.root(), context.collector, 1, 4, bindings);
  EXPECT_EQ(context.collector.ends, 1);
  EXPECT_EQ(context.collector.duplicates, 0u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(context.collector.files.count(U(tree.PathOf("keep/k" + std::to_string(i)))), 1u);
  }
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

namespace dravanta {
namespace {

// Folders that go away or become links between their parent's listing and
// their own are counted as not listed, each once, with their paths.
TEST(DirectoryWalkerTest, FoldersThatCannotBeListedAreTold) {
  ScratchTree tree;
  tree.AddFile("trigger", 1);
  for (const char* folder : {"gone", "swapped", "keep"}) {
    tree.AddFolder(folder);
    tree.AddFile(std::string(folder) + "/inside", 2);
  }
  tree.AddFolder("outside");
  struct Context {
    Collector collector;
    ScratchTree* tree;
    std::mutex lock;
    std::vector<std::u16string> unlistable;
  } context;
  context.tree = &tree;
  WalkerBindings bindings = context.collector.Bindings();
  // The root's files pass the filter while the root is listed, before any
  // of its folders is opened (one worker).
  bindings.filter = [](void* self, const FileRecord& record) {
    auto* c = static_cast<Context*>(self);
    if (record.path.ends_with(u"/trigger")) {
      c->tree->Remove("gone");
      c->tree->Remove("swapped");
      c->tree->AddSymlink("swapped", c->tree->PathOf("outside"));
    }
    return true;
  };
  bindings.filter_context = &context;
  bindings.unlistable = [](void* self, std::u16string_view path) {
    auto* c = static_cast<Context*>(self);
    std::lock_guard<std::mutex> hold(c->lock);
    c->unlistable.emplace_back(path);
  };
  bindings.unlistable_context = &context;
  Walk(tree.root(), context.collector, 100, 1, bindings);
  std::sort(context.unlistable.begin(), context.unlistable.end());
  EXPECT_EQ(context.unlistable, (std::vector<std::u16string>{U(tree.PathOf("gone") + "/"),
                                                             U(tree.PathOf("swapped") + "/")}));
  EXPECT_EQ(context.collector.files.count(U(tree.PathOf("keep/inside"))), 1u);
  EXPECT_EQ(context.collector.files.count(U(tree.PathOf("trigger"))), 1u);
  EXPECT_EQ(context.collector.files.size(), 2u);
}

}  // namespace
}  // namespace dravanta
