// What the collection tests share: a collector of what a walker hands over,
// a walk to its end, and paths in the system's form. Test-only; header only.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "collection/directory_walker.h"
#include "platform/path_separator.h"
#include "platform/text.h"

namespace dravanta {

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

inline std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }

// `path` followed by the system's separator ("/" on POSIX, "\\" on Windows).
inline std::string WithSeparator(const std::string& path) {
  return path + Utf16ToUtf8(std::u16string(1, kPathSeparator));
}

// Walks `root` to its end and returns the walker (already joined).
inline WalkerHandle Walk(const std::string& root, Collector& collector, int32_t batch_size = 100,
                         uint32_t workers = 4, WalkerBindings bindings = {}) {
  if (bindings.batch == nullptr) bindings = collector.Bindings();
  WalkerHandle walker = CreateWalker(U(root));
  BindWalker(*walker, bindings);
  StartWalker(*walker, batch_size, workers);
  EXPECT_TRUE(collector.WaitForEnd());
  JoinWalker(*walker);
  return walker;
}

// A walk from `root` that finds nothing: no batch, no file, one end.
inline void ExpectNothingWalked(const std::string& root) {
  SCOPED_TRACE(root);
  Collector collector;
  Walk(root, collector);
  EXPECT_TRUE(collector.batch_sizes.empty());
  EXPECT_TRUE(collector.files.empty());
  EXPECT_EQ(collector.ends, 1);
}

}  // namespace dravanta
