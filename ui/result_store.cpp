#include "ui/result_store.h"

#include <algorithm>

namespace dravanta {

void ResultStore::Record(std::u16string_view path, std::u16string_view threat,
                         std::u16string_view document) {
  std::lock_guard<std::mutex> hold(lock_);
  threats_[std::u16string(path)] = threat;
  documents_[std::u16string(path)] = document;
}

void ResultStore::Settle(FileOutcome file) {
  std::lock_guard<std::mutex> hold(lock_);
  ++counts_.collected;
  ++counts_.Of(file.category);
  if (file.category == FileCategory::kClean) return;
  if (file.category == FileCategory::kFailed && firstFailureReason_.empty()) {
    firstFailureReason_ = file.text;
  }
  outcomes_.push_back(std::move(file));
}

void ResultStore::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  threats_.clear();
  documents_.clear();
  counts_ = {};
  outcomes_.clear();
  firstFailureReason_.clear();
}

CoverageCounts ResultStore::Counts(int64_t collected) {
  std::lock_guard<std::mutex> hold(lock_);
  CoverageCounts counts = counts_;
  if (collected > counts.collected) {
    counts.notReached = collected - counts.collected;
    counts.failed += counts.notReached;
    counts.collected = collected;
  }
  return counts;
}

std::vector<FileOutcome> ResultStore::Outcomes() {
  std::vector<FileOutcome> outcomes;
  {
    std::lock_guard<std::mutex> hold(lock_);
    outcomes = outcomes_;
  }
  std::stable_sort(outcomes.begin(), outcomes.end(),
                   [](const FileOutcome& a, const FileOutcome& b) { return a.path < b.path; });
  return outcomes;
}

std::u16string ResultStore::FirstFailureReason() {
  std::lock_guard<std::mutex> hold(lock_);
  return firstFailureReason_;
}

size_t ResultStore::ThreatCount() {
  std::lock_guard<std::mutex> hold(lock_);
  return threats_.size();
}

ThreatMap ResultStore::Threats() {
  std::lock_guard<std::mutex> hold(lock_);
  return threats_;
}

DocumentMap ResultStore::Documents() {
  std::lock_guard<std::mutex> hold(lock_);
  return documents_;
}

}  // namespace dravanta
