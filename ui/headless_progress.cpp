#include "ui/headless_progress.h"

#include <cstdio>

#include "platform/text.h"

namespace dravanta {

std::string ProgressLine(int64_t settled, size_t threats, std::u16string_view currentFile) {
  std::u16string shown(currentFile);
  for (char16_t& c : shown) {
    if (c < 0x20 || c == 0x7F) c = u'?';
  }
  return "Files settled: " + std::to_string(settled) + ", threats: " + std::to_string(threats) +
         ", current file: " + Utf16ToUtf8(shown);
}

std::string SummaryLine(std::u16string_view status, const CoverageCounts& counts,
                        uint32_t seconds) {
  const auto n = [](int64_t value) { return std::to_string(value); };
  char time[32];
  std::snprintf(time, sizeof time, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return "Dravanta Client: " + Utf16ToUtf8(status) + "; " + n(counts.collected) +
         " files: " + n(counts.clean) + " clean, " + n(counts.threat) +
         " threats; not scanned: " + n(counts.noVerdict) + " without verdict, " +
         n(counts.skippedSize) + " over the size limit, " + n(counts.unreadable) + " unreadable, " +
         n(counts.vanished) + " vanished, " + n(counts.failed) + " failed; " +
         n(counts.unlistableFolders) + " folders not listed; time " + time;
}

std::string ProgressPrinter::Update(const std::string& line,
                                    std::chrono::steady_clock::time_point now) {
  using namespace std::chrono_literals;
  const auto interval = terminal ? 200ms : 5000ms;
  if (line == lastLine ||
      (lastWrite != std::chrono::steady_clock::time_point{} && now - lastWrite < interval)) {
    return {};
  }
  lastWrite = now;
  lastLine = line;
  if (!terminal) return line + "\n";
  return "\r" + line + "\x1b[K";
}

std::string ProgressPrinter::Finish(const std::string& line) {
  if (terminal) return "\r" + line + "\x1b[K\n";
  if (line == lastLine) return {};
  lastLine = line;
  return line + "\n";
}

}  // namespace dravanta
