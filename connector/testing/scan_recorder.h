// Records what a scan reports through its callbacks, for the connector's
// tests; waits (bounded) for the completion.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "connector/scan_callbacks.h"

namespace dravanta {

struct RecordedProgress {
  int32_t stage = -1;  // module form only
  int32_t total = 0;
  int32_t done = 0;
  uint64_t total_bytes = 0;  // file form only
  uint64_t size = 0;
  std::u16string path;
  ScanOutcome code = 0;
  std::u16string threat_name;
  std::u16string details;
};

struct RecordedCompletion {
  bool threats_found = false;
  int32_t files_scanned = 0;
  ScanOutcome code = 0;
  std::u16string message;
};

class ScanRecorder {
 public:
  static void OnModuleProgress(void* recorder, int32_t stage, int32_t total, int32_t done,
                               std::u16string_view path, ScanOutcome code,
                               std::u16string_view threat_name, std::u16string_view details);
  static void OnFileProgress(void* recorder, uint64_t total_bytes, uint64_t size,
                             std::u16string_view path, ScanOutcome code,
                             std::u16string_view threat_name, std::u16string_view details);
  static void OnCompletion(void* recorder, bool threats_found, int32_t files_scanned,
                           ScanOutcome code, std::u16string_view message);

  // Waits up to timeout for the first completion; false when none came.
  bool WaitForCompletion(int timeout_milliseconds = 30000);

  std::vector<RecordedProgress> Progress();
  std::vector<RecordedCompletion> Completions();
  // Progress reports recorded before the first completion.
  size_t ProgressBeforeCompletion();

  // Called at the completion, on the completing thread (set before the start).
  void (*on_completion)(ScanRecorder* recorder) = nullptr;
  void* user = nullptr;

 private:
  std::mutex lock_;
  std::condition_variable completed_;
  std::vector<RecordedProgress> progress_;
  std::vector<RecordedCompletion> completions_;
  size_t progress_before_completion_ = 0;
};

}  // namespace dravanta
