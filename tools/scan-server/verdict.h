// Combines the verdicts of all engines into the verdict of one file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/scan-server/engine.h"

namespace dravanta::scan_server {

struct FileVerdict {
  int final_scan_result = kThreatNotDetected;
  std::string threat_name;  // the first threat (or suspicion) in engine order
  std::vector<EngineVerdict> engines;
};

// A verdict as the server remembers it, its per-engine part already written
// as the "engine_result" elements of the answers (so that a lookup only
// copies it).
struct RememberedVerdict {
  int final_scan_result = kUnknown;
  std::string threat_name;
  std::string engine_results;
};
// Shared between the store's cache and the answers being written.
using RememberedVerdictPointer = std::shared_ptr<const RememberedVerdict>;

// Any threat gives 1, else any suspicion 2, else (all engines failed, or
// there is no engine) 3, else 0.
FileVerdict CombineVerdicts(std::vector<EngineVerdict> engines);

}  // namespace dravanta::scan_server
