// The progress line of a run without a page, on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "report/scan_coverage.h"

namespace dravanta {

// "Files settled: N, threats: M, current file: <path>", with control
// characters of the path shown as "?" so that the line stays one line.
std::string ProgressLine(int64_t settled, size_t threats, std::u16string_view currentFile);

// The last line of a run without a page: the final word, the files and
// their categories, the folders that could not be listed, the time, e.g.
// "Dravanta Client: clean; 12 files: 11 clean, 0 threats; not scanned: 0 without
// verdict, 1 over the size limit, 0 unreadable, 0 vanished, 0 failed; 0 folders
// not listed; time 00:00:03".
std::string SummaryLine(std::u16string_view status, const CoverageCounts& counts, uint32_t seconds);

// Decides when a line is written: on a terminal the line is rewritten in
// place at most every 200 ms; otherwise a new line at most every 5 seconds,
// and only when it changed.
struct ProgressPrinter {
  bool terminal = false;
  std::chrono::steady_clock::time_point lastWrite{};
  std::string lastLine;

  // The bytes to write now for `line` (maybe none).
  std::string Update(const std::string& line, std::chrono::steady_clock::time_point now);
  // The last state, written whatever the time; ends an in-place line so
  // that later output starts on a line of its own.
  std::string Finish(const std::string& line);
};

}  // namespace dravanta
