// The argument of the ScanNow command: "<level>|<path list>".
#pragma once

#include <string>
#include <string_view>

namespace dravanta {

// Replaces every "%" and the two characters after it by the one character
// whose code those two hexadecimal digits give; a "%" without two
// hexadecimal digits after it is kept as it is. Nothing else is decoded.
std::u16string PercentDecode(std::u16string_view text);

struct ScanPlan {
  std::u16string level;     // the text before the first "|"
  int32_t scanType = 0;     // 0: loaded modules; 1: a file scan
  std::u16string location;  // file scans: "ALL" or the decoded path list
  bool all_modules = false;  // loaded-module scans: every module, or only images
  bool changes_location = false;
  bool changes_modules = false;
};

// Level "0": the listed paths; "2": all modules; "3": all fixed drives; any
// other level: each process's executable image.
ScanPlan PlanScan(std::u16string_view argument);

}  // namespace dravanta
