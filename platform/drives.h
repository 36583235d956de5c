// Drives: the roots that paths hang from, which of them hold the machine's
// fixed local disks, and how much of a volume is used.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// The roots of the fixed local drives, each filesystem once, each ending in
// its separator: on Windows the logical drives of type fixed ("C:\"); on
// POSIX the mount points of local disk filesystems and overlay roots
// (network, optical, removable, RAM and pseudo filesystems left out).
std::vector<std::u16string> ListFixedDrives();

// Total bytes minus free bytes of the volume that holds `path`; false when
// the query fails.
bool QueryUsedSpace(std::u16string_view path, uint64_t* used_bytes);

// True when `text` names the root of a drive: on Windows a logical drive
// letter and its colon ("C:", "c:\"); on POSIX a mount point ("/proc",
// "/proc/").
bool IsDriveRoot(std::u16string_view text);

}  // namespace dravanta
