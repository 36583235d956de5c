#include "ui/headless_progress.h"

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
