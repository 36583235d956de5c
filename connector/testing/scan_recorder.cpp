#include "connector/testing/scan_recorder.h"

#include <chrono>

namespace dravanta {

void ScanRecorder::OnModuleProgress(void* recorder, int32_t stage, int32_t total, int32_t done,
                                    std::u16string_view path, ScanOutcome code,
                                    std::u16string_view threat_name, std::u16string_view details) {
  auto* self = static_cast<ScanRecorder*>(recorder);
  std::lock_guard lock(self->lock_);
  self->progress_.push_back({stage, total, done, 0, 0, std::u16string(path), code,
                             std::u16string(threat_name), std::u16string(details)});
}

void ScanRecorder::OnFileProgress(void* recorder, uint64_t total_bytes, uint64_t size,
                                  std::u16string_view path, ScanOutcome code,
                                  std::u16string_view threat_name, std::u16string_view details) {
  auto* self = static_cast<ScanRecorder*>(recorder);
  std::lock_guard lock(self->lock_);
  self->progress_.push_back({-1, 0, 0, total_bytes, size, std::u16string(path), code,
                             std::u16string(threat_name), std::u16string(details)});
}

void ScanRecorder::OnCompletion(void* recorder, bool threats_found, int32_t files_scanned,
                                ScanOutcome code, std::u16string_view message) {
  auto* self = static_cast<ScanRecorder*>(recorder);
  void (*then)(ScanRecorder*) = nullptr;
  {
    // Notified under the lock: a waiter that wakes may destroy the recorder
    // as soon as the lock is free, so nothing of it is touched afterwards
    // (but the handler a test asked for).
    std::lock_guard lock(self->lock_);
    if (self->completions_.empty()) self->progress_before_completion_ = self->progress_.size();
    self->completions_.push_back({threats_found, files_scanned, code, std::u16string(message)});
    then = self->on_completion;
    self->completed_.notify_all();
  }
  if (then != nullptr) then(self);
}

bool ScanRecorder::WaitForCompletion(int timeout_milliseconds) {
  std::unique_lock lock(lock_);
  return completed_.wait_for(lock, std::chrono::milliseconds(timeout_milliseconds),
                             [&] { return !completions_.empty(); });
}

std::vector<RecordedProgress> ScanRecorder::Progress() {
  std::lock_guard lock(lock_);
  return progress_;
}

std::vector<RecordedCompletion> ScanRecorder::Completions() {
  std::lock_guard lock(lock_);
  return completions_;
}

size_t ScanRecorder::ProgressBeforeCompletion() {
  std::lock_guard lock(lock_);
  return progress_before_completion_;
}

}  // namespace dravanta
