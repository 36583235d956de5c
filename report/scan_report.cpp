#include "report/scan_report.h"

#include <cstdio>

#include "platform/text.h"

namespace dravanta {
namespace {

std::u16string Ascii(const char* text) { return Utf8ToUtf16(text); }

std::u16string Decimal(int64_t value) { return Ascii(std::to_string(value).c_str()); }

}  // namespace

std::u16string FormatReportTime(const LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return Ascii(buffer);
}

std::u16string DefaultReportName(const LocalTime& t) {
  char buffer[100];
  std::snprintf(buffer, sizeof buffer, "%s_%04d%02d%02d%02d%02d", "DravantaClientLog", t.year,
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
  text += u"SCAN FINISHED SUCCESSFULLY\n\n";
  text += u"Scanning System:             " + report.scanningSystem + u"\n\n";
  text += u"Dravanta Client Version:     " + report.clientVersion + u"\n\n";
  text += u"Scan Type:          \t     " + report.scanType + u"\n";
  text += u"Scan Start Time:             " + report.startTime + u"\n";
  text += u"Scan Finish Time:            " + report.finishTime + u"\n";
  text += u"Clean Files:                 " + Decimal(report.cleanFiles) + u"\n";
  text += u"Infected Files:              " + Decimal(report.infectedFiles) + u"\n";
  text += underscores + u"\n";
  if (report.infectedFiles == 0) return text;

  text += u"\n\nINFECTED FILES\n\n";
  int64_t number = 1;
  for (const auto& [path, threat] : report.threats) {
    text += Decimal(number++) + u".  PATH:          " + path + u"\n";
    text += u"    THREAT NAME:   " + threat + u"\n";
    text += hyphens + u"\n";
  }
  text += underscores + u"\n";
  return text;
}

std::string EncodeReportText(std::u16string_view text) {
  const std::string utf8 = Utf16ToUtf8(text);
  std::string bytes;
  bytes.reserve(utf8.size() + utf8.size() / 16);
  for (const char c : utf8) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
}

}  // namespace dravanta
