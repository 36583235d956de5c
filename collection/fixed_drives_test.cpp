#include "collection/fixed_drives.h"

#include <gtest/gtest.h>

#include <atomic>

namespace dravanta {
namespace {

// With no workers the drives are chosen, counted and registered, and every
// walker reports its end, but nothing of the machine is walked.
TEST(FixedDrivesTest, EveryCountedDriveGetsOneWalkerThatEndsOnce) {
  ScanCollection collection;
  collection.options = CollectionOptions{0, 100, -1};
  std::atomic<int> ends{0};
  WalkerBindings bindings;
  bindings.end = [](void* count) { ++*static_cast<std::atomic<int>*>(count); };
  bindings.end_context = &ends;
  const int32_t result = StartDriveScan(collection, bindings);
  for (WalkerHandle& walker : collection.walkers) JoinWalker(*walker);
  EXPECT_EQ(result == kDriveScanStarted, !collection.walkers.empty());
  EXPECT_EQ(ends, static_cast<int>(collection.walkers.size()));
  if (result == kDriveScanStarted) {
    EXPECT_GT(collection.total_bytes, 0u);
  } else {
    EXPECT_EQ(collection.total_bytes, 0u);
  }
}

}  // namespace
}  // namespace dravanta
