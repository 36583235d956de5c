// The collection state of one scan, held by the connector: the walkers of the
// current path or drive scan, the total-bytes figure and the module map.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "collection/directory_walker.h"

namespace dravanta {

// Copies of the connector options that the walkers read, taken at each path
// or drive start.
struct CollectionOptions {
  int32_t thread_count = 0;
  int32_t batch_size = 0;
  int32_t max_file_size_bytes = 0;
};

// Loaded modules: key = ModuleMapKey of the path (the path itself where file
// names are case-sensitive), value = path.
using ModuleMap = std::map<std::u16string, std::u16string>;

struct ScanCollection {
  CollectionOptions options;
  // Used space of the scanned volumes; carried by every file progress report.
  std::atomic<uint64_t> total_bytes{0};
  // Walkers of the current scan; all are registered before any starts and
  // stay until the next ResetCollection (or destruction).
  std::vector<WalkerHandle> walkers;
  // Filled by CollectLoadedModules; the connector guards it with its lock.
  ModuleMap modules;
};

// Total bytes 0, module map empty, previous walkers stopped, waited for (end
// callbacks included) and destroyed. A scan start calls it first and clears
// its own per-scan counters only afterwards, so that a late end callback of
// an abandoned scan cannot count into the new one. StartPathScan and
// StartDriveScan call it again (then a no-op). Not from a walker's thread.
void ResetCollection(ScanCollection& collection);

// Creates a walker for `root_path`, binds `bindings`, appends it to the list.
void RegisterWalker(ScanCollection& collection, std::u16string_view root_path, WalkScope scope,
                    const WalkerBindings& bindings);

// Starts every registered walker in list order with options.batch_size and
// WorkerCountFor(options.thread_count) workers.
void StartRegisteredWalkers(ScanCollection& collection);

}  // namespace dravanta
