// The full scan: every fixed local filesystem of the machine.
#pragma once

#include <cstdint>

#include "collection/directory_walker.h"
#include "collection/scan_collection.h"

namespace dravanta {

inline constexpr int32_t kDriveScanStarted = 0;
inline constexpr int32_t kDriveScanNoDrive = 1;

// ResetCollection, then one walker per fixed drive (a local disk filesystem
// or overlay root, each filesystem once; network, optical, RAM, removable and
// pseudo filesystems are skipped) whose space query succeeds; total bytes is
// the sum of their used space. Each walker stays on its own filesystem.
// Returns kDriveScanStarted when a walker was started, else kDriveScanNoDrive.
int32_t StartDriveScan(ScanCollection& collection, const WalkerBindings& bindings);

}  // namespace dravanta
