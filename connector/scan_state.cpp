#include "connector/scan_state.h"

namespace dravanta {
namespace {

thread_local const ScanState* t_handler_of = nullptr;

}  // namespace

HandlerCall::HandlerCall(const ScanState& state) : outer(t_handler_of) { t_handler_of = &state; }

HandlerCall::~HandlerCall() { t_handler_of = outer; }

bool InsideHandlerOf(const ScanState& state) { return t_handler_of == &state; }

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
