// The plain-text scan report: the record of one scan and its text.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/local_time.h"
#include "report/scan_coverage.h"

namespace dravanta {

// Infected files, path to threat name, in ordinal path order.
using ThreatMap = std::map<std::u16string, std::u16string>;

struct ScanReport {
  std::u16string userId;
  std::u16string scanningSystem;
  std::u16string clientVersion;
  std::u16string scanType;
  std::u16string startTime;
  std::u16string finishTime;
  int32_t cleanFiles = 0;
  int32_t infectedFiles = 0;
  ThreatMap threats;
  // A scan that ended "error" did not finish; failureMessage says why.
  bool finished = true;
  std::u16string failureMessage;
  // Written after the lines above when given: the files that were not
  // scanned (path order) and the count of each category.
  std::vector<FileOutcome> notScanned;
  std::optional<CoverageCounts> counts;
};

// "YYYY-MM-DD hh:mm:ss".
std::u16string FormatReportTime(const LocalTime& time);

// "DravantaClientLog_YYYYMMDDhhmm.txt" for a scan started at `start`.
std::u16string DefaultReportName(const LocalTime& start);

// Sets infectedFiles to the number of threats and composes the report text
// with "\n" line ends.
std::u16string ComposeReportText(ScanReport& report);

// The bytes of the report file: every "\n" written as CR LF, in the system's
// encoding of report text (UTF-8 on POSIX, the ANSI code page on Windows).
std::string EncodeReportText(std::u16string_view text);

}  // namespace dravanta
