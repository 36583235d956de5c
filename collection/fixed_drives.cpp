#include "collection/fixed_drives.h"

#include "platform/drives.h"

namespace dravanta {

int32_t StartDriveScan(ScanCollection& collection, const WalkerBindings& bindings) {
  ResetCollection(collection);
  uint64_t total = 0;
  for (const std::u16string& root : ListFixedDrives()) {
    uint64_t used = 0;
    if (!QueryUsedSpace(root, &used)) continue;  // neither counted nor walked
    total += used;
    RegisterWalker(collection, root, WalkScope::kOneFilesystem, bindings);
  }
  collection.total_bytes = total;
  StartRegisteredWalkers(collection);
  return collection.walkers.empty() ? kDriveScanNoDrive : kDriveScanStarted;
}

}  // namespace dravanta
