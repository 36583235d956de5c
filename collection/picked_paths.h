// Folders and files that the user picked for a custom scan.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collection/directory_walker.h"
#include "collection/scan_collection.h"

namespace dravanta {

enum class PathKind : int32_t {
  kPathInvalid = 1000,    // rejected; not walked
  kPathFile = 1001,       // an existing regular file
  kPathDirectory = 1003,  // an existing directory
  kPathDriveRoot = 1004,  // a mount point that does not resolve as an entry
};

// Results of StartPathScan.
inline constexpr int32_t kPathScanStarted = 0;
inline constexpr int32_t kPathScanNoSpace = 1;   // space query failed; nothing started
inline constexpr int32_t kPathScanNoTarget = 2;  // no valid target; nothing started

// Cuts `text` at every "|": every piece before a separator (empty ones too)
// and the rest after the last separator when not empty. Returns the count.
size_t SplitPathList(std::u16string_view text, std::vector<std::u16string>* pieces);

// The kind of one target text (links are followed; FIFOs, sockets and
// devices are invalid).
PathKind ClassifyPath(std::u16string_view text);

// True when the text names the root of a drive (a mount point, with or
// without a trailing "/"; on Windows a drive letter and its colon).
bool IsDriveRootText(std::u16string_view text);

// Splits and classifies `targets` ("|"-separated), then, when at least one is
// valid: ResetCollection, total bytes = used space of the filesystem holding
// the last valid target in input order, one walker per distinct target in
// path order (folders get a trailing separator), all started. Returns
// kPathScanStarted, kPathScanNoSpace or kPathScanNoTarget.
int32_t StartPathScan(ScanCollection& collection, const WalkerBindings& bindings,
                      std::u16string_view targets);

}  // namespace dravanta
