// The threats of the current scan, filled by the progress notifications and
// read by the result texts and the report.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "report/scan_report.h"

namespace dravanta {

// File path to the file's result document (the XML the connector received).
using DocumentMap = std::map<std::u16string, std::u16string>;

// Written by several scan threads at once, read on the dialog's thread.
struct ResultStore {
  // Records one infected file; a later record for the same path replaces both
  // its threat name and its document.
  void Record(std::u16string_view path, std::u16string_view threat, std::u16string_view document);
  void Clear();
  size_t ThreatCount();
  ThreatMap Threats();
  DocumentMap Documents();

 private:
  std::mutex lock_;
  ThreatMap threats_;
  DocumentMap documents_;
};

}  // namespace dravanta
