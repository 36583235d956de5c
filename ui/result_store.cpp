#include "ui/result_store.h"

namespace dravanta {

void ResultStore::Record(std::u16string_view path, std::u16string_view threat,
                         std::u16string_view document) {
  std::lock_guard<std::mutex> hold(lock_);
  threats_[std::u16string(path)] = threat;
  documents_[std::u16string(path)] = document;
}

void ResultStore::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  threats_.clear();
  documents_.clear();
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
