#include "collection/scan_collection.h"

namespace dravanta {

void ResetCollection(ScanCollection& collection) {
  collection.total_bytes = 0;
  collection.modules.clear();
  // Stop and wait for every walker before the list changes: a late end
  // callback may still read the list.
  for (WalkerHandle& walker : collection.walkers) {
    StopWalker(*walker);
    JoinWalker(*walker);
  }
  collection.walkers.clear();
}

void RegisterWalker(ScanCollection& collection, std::u16string_view root_path, WalkScope scope,
                    const WalkerBindings& bindings) {
  WalkerHandle walker = CreateWalker(root_path, scope);
  BindWalker(*walker, bindings);
  collection.walkers.push_back(std::move(walker));
}

void StartRegisteredWalkers(ScanCollection& collection) {
  const uint32_t workers = WorkerCountFor(collection.options.thread_count);
  for (WalkerHandle& walker : collection.walkers) {
    StartWalker(*walker, collection.options.batch_size, workers);
  }
}

}  // namespace dravanta
