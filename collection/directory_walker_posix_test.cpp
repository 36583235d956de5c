// The walker over what only POSIX has or does: symbolic links, FIFOs and
// sockets, names that are not UTF-8, permissions, pseudo filesystems, and
// folders removed while a worker lists them (Windows refuses to remove a
// folder that is held open).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "collection/directory_walker.h"
#include "collection/testing/walk_collector.h"
#include "platform/directory.h"
#include "platform/text.h"
#include "tests/support/file_access_user.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

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
