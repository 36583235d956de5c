#include "connector/scan_state.h"

namespace dravanta {

void ScanState::ResetCounters() {
  finished = false;
  threats_found = false;
  queued_files = 0;
  processed_files = 0;
  outcomes.Reset();
  module_total = 0;
}

void ReportFileResult(ScanState& state, ReportForm form, int32_t stage,
                      const FileScanResult& result) {
  const ScanCallbacks& callbacks = state.callbacks;
  if (form == ReportForm::kModule) {
    if (callbacks.module_progress != nullptr) {
      callbacks.module_progress(callbacks.context, stage, state.queued_files.load(),
                                state.processed_files.load(), result.path, result.code,
                                result.threat_name, result.details);
    }
  } else if (callbacks.file_progress != nullptr) {
    callbacks.file_progress(
        callbacks.context, state.total_bytes == nullptr ? 0 : state.total_bytes->load(),
        result.size, result.path, result.code, result.threat_name, result.details);
  }
}

}  // namespace dravanta
