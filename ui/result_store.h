// The threats and the coverage of the current scan, filled by the progress
// notifications and read by the result texts, the report and the JSON
// result.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "report/scan_coverage.h"
#include "report/scan_report.h"

namespace dravanta {

// File path to the file's result document (the XML the connector received).
using DocumentMap = std::map<std::u16string, std::u16string>;

// Written by several scan threads at once, read on the dialog's thread.
struct ResultStore {
  // Records one infected file; a later record for the same path replaces both
  // its threat name and its document.
  void Record(std::u16string_view path, std::u16string_view threat, std::u16string_view document);
  // Counts one settled file in its category and keeps it when it did not
  // end clean.
  void Settle(FileOutcome file);
  void Clear();
  size_t ThreatCount();
  ThreatMap Threats();
  DocumentMap Documents();
  // The counts, with the files collected but never reported (collected
  // beyond the settled ones) counted as failed.
  CoverageCounts Counts(int64_t collected);
  // Every kept file, in ordinal path order.
  std::vector<FileOutcome> Outcomes();
  // The reason of the first file that failed; empty when none did.
  std::u16string FirstFailureReason();

 private:
  std::mutex lock_;
  ThreatMap threats_;
  DocumentMap documents_;
  CoverageCounts counts_;  // collected: the files settled
  std::vector<FileOutcome> outcomes_;
  std::u16string firstFailureReason_;
};

}  // namespace dravanta
