// The walker over files that fight back (tests/support/hostile_tree.h): every
// case is handed over exactly once or never, as its settlement says, and the
// walk ends once.
#include <gtest/gtest.h>
#include <limits.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "collection/directory_walker.h"
#include "platform/text.h"
#include "tests/support/file_access_user.h"
#include "tests/support/hostile_tree.h"

namespace dravanta {
namespace {

struct Walk {
  HostileChanger* changer = nullptr;
  std::mutex lock;
  std::condition_variable ended;
  std::map<std::string, int> records;  // raw path -> times handed over
  std::map<std::string, uint64_t> sizes;
  std::u16string high_byte_record;
  int ends = 0;
};

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void OnBatch(void* context, const std::vector<FileRecord>& batch) {
  auto* walk = static_cast<Walk*>(context);
  std::lock_guard hold(walk->lock);
  for (const FileRecord& record : batch) {
    const std::string path = Utf16ToUtf8(record.path);
    ++walk->records[path];
    walk->sizes[path] = record.size;
    if (EndsWith(path, "/" + HighByteName())) walk->high_byte_record = record.path;
  }
}

// Accepts everything; the trigger sets the changes going, so that they land
// after the first level was listed and before the third.
bool OnFile(void* context, const FileRecord& record) {
  auto* walk = static_cast<Walk*>(context);
  if (EndsWith(Utf16ToUtf8(record.path), std::string("/") + kHostileTrigger)) {
    walk->changer->ChangeOnce();
  }
  return true;
}

void OnEnd(void* context) {
  auto* walk = static_cast<Walk*>(context);
  std::lock_guard hold(walk->lock);
  ++walk->ends;
  walk->ended.notify_all();
}

TEST(HostileFilesTest, EachCaseIsHandedOverOnceOrNeverAsItSettles) {
  ScratchTree tree;
  const std::vector<HostileCase> cases = BuildHostileTree(tree);
  HostileChanger changer(tree);
  Walk walk;
  walk.changer = &changer;
  {
    // The walker's threads start inside the scope and keep its identity.
    ScopedFileAccessAsUser access;
    const bool permissions_apply = access.permissions_apply();
    if (!permissions_apply) {
      std::printf(
          "note: file permissions cannot be made to apply here; the mode 000 cases are "
          "expected to be read like any other file\n");
    }
    WalkerHandle walker = CreateWalker(Utf8ToUtf16(HostileRoot(tree)));
    BindWalker(*walker, {OnBatch, &walk, OnFile, &walk, OnEnd, &walk});
    // One worker: each level is listed before the next.
    StartWalker(*walker, 1000, 1);
    {
      std::unique_lock hold(walk.lock);
      ASSERT_TRUE(walk.ended.wait_for(hold, std::chrono::seconds(120), [&] { return walk.ends; }));
    }
    JoinWalker(*walker);

    ASSERT_TRUE(changer.changed());
    EXPECT_EQ(walk.ends, 1);
    size_t expected_records = 0;
    for (const HostileCase& c : cases) {
      SCOPED_TRACE(c.name);
      int listed = 0;
      for (const HostileFile& file : c.files) {
        Settlement settlement = file.settlement;
        if (c.needs_permissions && !permissions_apply) settlement = Settlement::kScanned;
        const bool should_list = settlement != Settlement::kSkipped;
        const auto found = walk.records.find(file.path);
        const int times = found == walk.records.end() ? 0 : found->second;
        EXPECT_EQ(times, should_list ? 1 : 0) << file.path.substr(0, 200);
        if (should_list) ++expected_records;
        listed += times;
      }
      std::printf("walker | %s | %d of %zu handed over\n", c.name.c_str(), listed, c.files.size());
    }
    // Nothing else: no path outside the target, nothing reached through a link.
    EXPECT_EQ(walk.records.size(), expected_records);
    for (const auto& [path, times] : walk.records) {
      EXPECT_EQ(path.rfind(HostileRoot(tree) + "/", 0), 0u) << path;
      EXPECT_EQ(path.find("secret"), std::string::npos) << path;
    }
  }

  // The high bytes come over as U+DC80..U+DCFF and go back to the same name.
  ASSERT_FALSE(walk.high_byte_record.empty());
  std::u16string escaped;
  for (char16_t unit = 0xDC80; unit <= 0xDCFF; ++unit) escaped += unit;
  EXPECT_TRUE(walk.high_byte_record.ends_with(u"/" + escaped));

  // The deepest file of the long chain really is beyond the longest path.
  size_t longest = 0;
  for (const auto& [path, times] : walk.records) longest = std::max(longest, path.size());
  EXPECT_GT(longest, static_cast<size_t>(PATH_MAX));
  // Sizes come from the listing, before the changes.
  EXPECT_EQ(walk.sizes[HostileRoot(tree) + "/shrinks"], 22u);
  EXPECT_EQ(walk.sizes[HostileRoot(tree) + "/first/second/" + kHostileTrigger],
            2 * kHostileSizeLimit);
}

}  // namespace
}  // namespace dravanta
