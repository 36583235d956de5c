// The per-scan state that the scan driver and the answer readers share:
// counters, the threats-found mark, the total-bytes figure and the handlers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "connector/scan_callbacks.h"
#include "connector/scan_outcome.h"

namespace dravanta {

// How a settled file is reported: through the module or the file handler.
enum class ReportForm { kModule = 0, kFile = 1 };

// Every counter is changed by several threads, so each is atomic.
struct ScanState {
  // The completion of the current scan has been delivered.
  std::atomic<bool> finished{false};
  std::atomic<bool> threats_found{false};
  // Path and drive scans: files handed over in batches. Module scans: the
  // number of modules, then the number of modules to upload.
  std::atomic<int32_t> queued_files{0};
  // Answers read in the current stage.
  std::atomic<int32_t> processed_files{0};
  OutcomeCounts outcomes;
  std::atomic<int32_t> module_total{0};
  // Every file collection found: modules, files handed over in batches and
  // files skipped for their size. Counted before the file is reported.
  std::atomic<int32_t> collected_files{0};
  // Folders whose listing failed; the first few paths are kept.
  std::atomic<int32_t> unlistable_folders{0};
  std::mutex unlistable_lock;
  std::vector<std::u16string> first_unlistable_folders;  // guarded by unlistable_lock
  // The total-bytes figure of the scan, kept by collection; none reads as 0.
  const std::atomic<uint64_t>* total_bytes = nullptr;
  ScanCallbacks callbacks;

  // Counts a folder that could not be listed.
  void CountUnlistableFolder(std::u16string_view path);
  ScanCoverage Coverage();
};

// Marks the calling thread as inside a handler of state's scan while it
// lives, so that a start made from a handler can tell its own scan apart.
struct HandlerCall {
  explicit HandlerCall(const ScanState& state);
  ~HandlerCall();
  HandlerCall(const HandlerCall&) = delete;
  HandlerCall& operator=(const HandlerCall&) = delete;
  const ScanState* outer;
};

// True on a thread that is inside a handler of state's scan.
bool InsideHandlerOf(const ScanState& state);

// One settled file, as the handlers receive it.
struct FileScanResult {
  std::u16string path;
  uint64_t size = 0;  // file form only
  ScanOutcome code = kOutcomeUnknown;
  std::u16string threat_name;
  std::u16string details;
};

// Reports result through the handler of form; stage is used by the module
// form only (total = queued files, done = processed files).
void ReportFileResult(ScanState& state, ReportForm form, int32_t stage,
                      const FileScanResult& result);

}  // namespace dravanta
