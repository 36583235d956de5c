// Opening paths longer than the system takes in one call.
//
// A path may grow beyond PATH_MAX bytes (a deep tree walked entry by entry);
// the kernel then refuses it whole. These open it a piece at a time, each
// piece relative to the folder the previous one reached, with the same
// meaning as a plain open of the whole path (links in the folders on the way
// are followed as a plain open would follow them).
#pragma once

#include <string>

namespace dravanta {

// open(path, flags) for a path of any length; -1 with errno set on failure.
int OpenPathOfAnyLength(const std::string& path, int flags);

}  // namespace dravanta
