#include "report/scan_report.h"

#include <cstdio>

#include "platform/text.h"
#include "platform/text_file_encoding.h"

namespace dravanta {
namespace {

std::u16string Ascii(const char* text) { return Utf8ToUtf16(text); }

std::u16string Decimal(int64_t value) { return Ascii(std::to_string(value).c_str()); }

// Line breaks would split a field over lines that scripts read one by one.
std::u16string OneLine(std::u16string_view text) {
  std::u16string line(text);
  for (char16_t& c : line) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return line;
}

void AppendNotScanned(std::u16string& text, const std::vector<FileOutcome>& files) {
  if (files.empty()) return;
  text += u"\n\nFILES NOT SCANNED\n\n";
  int64_t number = 1;
  for (const FileOutcome& file : files) {
    text += Decimal(number++) + u".  PATH:          " + OneLine(file.path) + u"\n";
    text += u"    CATEGORY:      " + std::u16string(CategoryName(file.category)) + u"\n";
    text += u"    REASON:        " + OneLine(file.text) + u"\n";
    text += std::u16string(71, u'-') + u"\n";
  }
  text += std::u16string(71, u'_') + u"\n";
}

void AppendCounts(std::u16string& text, const CoverageCounts& counts) {
  const std::pair<std::u16string_view, int64_t> lines[] = {
      {u"Files Collected:             ", counts.collected},
      {u"Clean:                       ", counts.clean},
      {u"Threats:                     ", counts.threat},
      {u"No Verdict:                  ", counts.noVerdict},
      {u"Skipped By Size:             ", counts.skippedSize},
      {u"Unreadable:                  ", counts.unreadable},
      {u"Vanished:                    ", counts.vanished},
      {u"Failed:                      ", counts.failed},
      {u"Folders Not Listed:          ", counts.unlistableFolders},
  };
  text += u"\n\nFILE COUNTS\n\n";
  for (const auto& [label, value] : lines) text += std::u16string(label) + Decimal(value) + u"\n";
  text += std::u16string(71, u'_') + u"\n";
}

}  // namespace

std::u16string FormatReportTime(const LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return Ascii(buffer);
}

std::u16string DefaultReportName(const LocalTime& t) {
  char buffer[100];
  std::snprintf(buffer, sizeof buffer, "%s_%04d%02d%02d%02d%02d.txt", "DravantaClientLog", t.year,
                t.month, t.day, t.hour, t.minute);
  return Ascii(buffer);
}

std::u16string ComposeReportText(ScanReport& report) {
  report.infectedFiles = static_cast<int32_t>(report.threats.size());
  const std::u16string underscores(71, u'_');
  const std::u16string hyphens(71, u'-');

  std::u16string text;
  text += u"VARNOK - Dravanta Client SCAN RESULTS\n\n";
  text += u"User ID:                     " + report.userId + u"\n\n";
  if (report.finished) {
    text += u"SCAN FINISHED SUCCESSFULLY\n\n";
  } else {
    // One line, so that every later line keeps its place.
    text += u"SCAN DID NOT FINISH: " + OneLine(report.failureMessage) + u"\n\n";
  }
  text += u"Scanning System:             " + report.scanningSystem + u"\n\n";
  text += u"Dravanta Client Version:     " + report.clientVersion + u"\n\n";
  text += u"Scan Type:          \t     " + report.scanType + u"\n";
  text += u"Scan Start Time:             " + report.startTime + u"\n";
  text += u"Scan Finish Time:            " + report.finishTime + u"\n";
  text += u"Clean Files:                 " + Decimal(report.cleanFiles) + u"\n";
  text += u"Infected Files:              " + Decimal(report.infectedFiles) + u"\n";
  text += underscores + u"\n";
  if (report.infectedFiles != 0) {
    text += u"\n\nINFECTED FILES\n\n";
    int64_t number = 1;
    for (const auto& [path, threat] : report.threats) {
      text += Decimal(number++) + u".  PATH:          " + path + u"\n";
      text += u"    THREAT NAME:   " + threat + u"\n";
      text += hyphens + u"\n";
    }
    text += underscores + u"\n";
  }
  AppendNotScanned(text, report.notScanned);
  if (report.counts) AppendCounts(text, *report.counts);
  return text;
}

std::string EncodeReportText(std::u16string_view text) {
  std::u16string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (const char16_t c : text) {
    if (c == u'\n') lines += u'\r';
    lines += c;
  }
  return ReportFileBytes(lines);
}

}  // namespace dravanta
