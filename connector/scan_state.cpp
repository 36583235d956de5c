#include "connector/scan_state.h"

namespace dravanta {
namespace {

thread_local const ScanState* t_handler_of = nullptr;

}  // namespace

HandlerCall::HandlerCall(const ScanState& state) : outer(t_handler_of) { t_handler_of = &state; }

HandlerCall::~HandlerCall() { t_handler_of = outer; }

bool InsideHandlerOf(const ScanState& state) { return t_handler_of == &state; }

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
  const HandlerCall call(state);
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
