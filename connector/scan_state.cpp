#include "connector/scan_state.h"

namespace dravanta {

void ScanState::ResetCounters() {
  finished = false;
  threats_found = false;
  queued_files = 0;
  processed_files = 0;
  outcomes.Reset();
  module_total = 0;
  collected_files = 0;
  unlistable_folders = 0;
  std::lock_guard hold(unlistable_lock);
  first_unlistable_folders.clear();
}

namespace {
// How many unlistable folders are named; the rest are only counted.
constexpr size_t kNamedUnlistableFolders = 5;
}  // namespace

void ScanState::CountUnlistableFolder(std::u16string_view path) {
  std::lock_guard hold(unlistable_lock);
  ++unlistable_folders;
  if (first_unlistable_folders.size() < kNamedUnlistableFolders) {
    first_unlistable_folders.emplace_back(path);
  }
}

ScanCoverage ScanState::Coverage() {
  ScanCoverage coverage;
  std::lock_guard hold(unlistable_lock);
  coverage.collected_files = collected_files;
  coverage.unlistable_folders = unlistable_folders;
  coverage.first_unlistable_folders = first_unlistable_folders;
  return coverage;
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
