#include "internal/scan_run.h"

#include <string>

namespace dravanta {
namespace {

// The one completion of the run: the first caller wins.
void Complete(ScanRun& run, int32_t files_scanned, ScanOutcome code, std::u16string_view message) {
  // Taken before busy is cleared: a new start may replace the run at once.
  const ScanCallbacks callbacks = run.state.callbacks;
  const bool threats_found = run.state.threats_found;
  const std::u16string message_copy(message);
  *run.busy = false;
  if (callbacks.completion == nullptr) return;
  const HandlerCall call(run.state);
  callbacks.completion(callbacks.context, threats_found, files_scanned, code, message_copy);
}

}  // namespace

ScanRun::ScanRun(const ServerClient& table, std::atomic<bool>* busy_flag)
    : transport(table), busy(busy_flag) {
  state.total_bytes = &collection.total_bytes;
}

ScanRun::~ScanRun() { StopScanRun(*this); }

void StopScanRun(ScanRun& run) {
  if (run.stopped) return;
  run.stopped = true;
  // The completion is claimed first, so that no thread of the run can end
  // the scan as if it had run its course once the uploads are closed.
  const bool unfinished = !run.state.finished.exchange(true);
  // Waiting uploads go next, so that a walker worker or the module scan
  // thread that waits for them returns; then the completion, which must not
  // wait for a thread held up inside a handler or a request.
  CloseUploads(run.uploads);
  if (unfinished) Complete(run, 0, kOutcomeFailed, u"Scan stopped");
  for (WalkerHandle& walker : run.collection.walkers) StopWalker(*walker);
  JoinUploads(run.uploads);
  for (WalkerHandle& walker : run.collection.walkers) JoinWalker(*walker);
  if (run.module_thread.joinable()) run.module_thread.join();
}

void DeliverCompletion(ScanRun& run, int32_t files_scanned, ScanOutcome code,
                       std::u16string_view message) {
  if (run.state.finished.exchange(true)) return;
  Complete(run, files_scanned, code, message);
}

void AbortScan(ScanRun& run, ScanOutcome code, std::u16string_view message) {
  if (run.state.finished.exchange(true)) return;
  for (WalkerHandle& walker : run.collection.walkers) StopWalker(*walker);
  Complete(run, 0, code, message);
}

}  // namespace dravanta
