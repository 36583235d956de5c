// The report writer: whatever the fields and the file names hold, the text
// has the fixed lines in their order, one numbered entry per threat (file
// names and threat names without line ends), and its bytes are the text's
// UTF-8 with every line end as CR LF, read back losslessly.
//
// Input: two bytes of counts, then the fields and the threats as UTF-8 texts
// (bytes that are not UTF-8 kept as file names keep them), each up to a zero
// byte: user, system, version, scan type, start, finish, then path and
// threat name pairs.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "report/scan_report.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::vector<std::u16string> Lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t end = text.find(u'\n'); end != std::u16string::npos; end = text.find(u'\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  FUZZ_CHECK(start == text.size());  // the text ends with a line end
  return lines;
}

std::u16string Decimal(int64_t n) { return dravanta::Utf8ToUtf16(std::to_string(n)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  dravanta::ScanReport report;
  report.cleanFiles = static_cast<int8_t>(input.Byte()) * 16777216;  // both ends of int32_t
  report.infectedFiles = input.Byte();                               // replaced by the threat count
  const auto text = [&] { return dravanta::Utf8ToUtf16(input.Piece()); };
  report.userId = text();
  report.scanningSystem = text();
  report.clientVersion = text();
  report.scanType = text();
  report.startTime = text();
  report.finishTime = text();
  while (!input.empty()) {
    std::u16string path = text();
    report.threats[path] = text();
  }

  const std::u16string composed = dravanta::ComposeReportText(report);
  FUZZ_CHECK(report.infectedFiles == static_cast<int32_t>(report.threats.size()));

  // The bytes: UTF-8 with CR LF, and back.
  const std::string bytes = dravanta::EncodeReportText(composed);
  std::string lf;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') FUZZ_CHECK(i > 0 && bytes[i - 1] == '\r');
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    lf += bytes[i];
  }
  FUZZ_CHECK(lf == dravanta::Utf16ToUtf8(composed));
  FUZZ_CHECK(dravanta::Utf8ToUtf16(lf) == composed);

  // The lines, when no field holds a line end of its own.
  bool plain = true;
  const auto check_plain = [&](const std::u16string& field) {
    plain &= field.find(u'\n') == std::u16string::npos;
  };
  for (const auto* field : {&report.userId, &report.scanningSystem, &report.clientVersion,
                            &report.scanType, &report.startTime, &report.finishTime}) {
    check_plain(*field);
  }
  for (const auto& [path, threat] : report.threats) {
    check_plain(path);
    check_plain(threat);
  }
  if (!plain) return 0;
  const std::vector<std::u16string> lines = Lines(composed);
  const std::u16string underscores(71, u'_');
  const std::u16string hyphens(71, u'-');
  const std::vector<std::u16string> head = {
      u"VARNOK - Dravanta Client SCAN RESULTS",
      u"",
      u"User ID:                     " + report.userId,
      u"",
      u"SCAN FINISHED SUCCESSFULLY",
      u"",
      u"Scanning System:             " + report.scanningSystem,
      u"",
      u"Dravanta Client Version:     " + report.clientVersion,
      u"",
      u"Scan Type:          \t     " + report.scanType,
      u"Scan Start Time:             " + report.startTime,
      u"Scan Finish Time:            " + report.finishTime,
      u"Clean Files:                 " + Decimal(report.cleanFiles),
      u"Infected Files:              " + Decimal(report.infectedFiles),
      underscores};
  const size_t n = report.threats.size();
  FUZZ_CHECK(lines.size() == head.size() + (n == 0 ? 0 : 5 + 3 * n));
  for (size_t i = 0; i < head.size(); ++i) FUZZ_CHECK(lines[i] == head[i]);
  if (n == 0) return 0;
  size_t at = head.size();
  FUZZ_CHECK(lines[at] == u"" && lines[at + 1] == u"" && lines[at + 2] == u"INFECTED FILES" &&
             lines[at + 3] == u"");
  at += 4;
  int64_t number = 1;
  for (const auto& [path, threat] : report.threats) {
    FUZZ_CHECK(lines[at++] == Decimal(number++) + u".  PATH:          " + path);
    FUZZ_CHECK(lines[at++] == u"    THREAT NAME:   " + threat);
    FUZZ_CHECK(lines[at++] == hyphens);
  }
  FUZZ_CHECK(lines[at] == underscores);
  return 0;
}
