#include "tools/scan-server/verdict.h"

#include <algorithm>

namespace dravanta::scan_server {
namespace {

const EngineVerdict* FirstWithResult(const std::vector<EngineVerdict>& engines, int result) {
  auto it = std::find_if(engines.begin(), engines.end(),
                         [result](const EngineVerdict& v) { return v.scan_result == result; });
  return it == engines.end() ? nullptr : &*it;
}

}  // namespace

FileVerdict CombineVerdicts(std::vector<EngineVerdict> engines) {
  FileVerdict file;
  if (const EngineVerdict* threat = FirstWithResult(engines, kThreatDetected)) {
    file.final_scan_result = kThreatDetected;
    file.threat_name = threat->threat_name;
  } else if (const EngineVerdict* suspicion = FirstWithResult(engines, kSuspicious)) {
    file.final_scan_result = kSuspicious;
    file.threat_name = suspicion->threat_name;
  } else if (std::all_of(engines.begin(), engines.end(),
                         [](const EngineVerdict& v) { return v.scan_result == kFailedToScan; })) {
    file.final_scan_result = kFailedToScan;
  }
  file.engines = std::move(engines);
  return file;
}

}  // namespace dravanta::scan_server
