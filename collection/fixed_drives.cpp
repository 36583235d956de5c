#include "collection/fixed_drives.h"

#include "platform/mounts.h"
#include "platform/text.h"

namespace dravanta {

int32_t StartDriveScan(ScanCollection& collection, const WalkerBindings& bindings) {
  ResetCollection(collection);
  uint64_t total = 0;
  for (std::string root : ChooseFixedDrives(ReadMountTable(), SystemDeviceProbe())) {
    uint64_t used = 0;
    if (!QueryUsedSpace(root, &used)) continue;  // neither counted nor walked
    total += used;
    if (root.back() != '/') root += '/';
    RegisterWalker(collection, Utf8ToUtf16(root), WalkScope::kOneFilesystem, bindings);
  }
  collection.total_bytes = total;
  StartRegisteredWalkers(collection);
  return collection.walkers.empty() ? kDriveScanNoDrive : kDriveScanStarted;
}

}  // namespace dravanta
