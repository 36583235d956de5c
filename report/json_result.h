// The result of one scan as one JSON document, for scripts: the format
// "dravanta-scan-result" version 1, described in docs/json-result.md.
#pragma once

#include <string>
#include <vector>

#include "platform/local_time.h"
#include "report/scan_coverage.h"

namespace dravanta {

struct JsonResult {
  std::u16string clientVersion;
  std::u16string computer;
  std::u16string user;
  std::u16string server;
  std::u16string scanType;
  std::vector<std::u16string> targets;
  LocalTime started;
  LocalTime finished;
  std::u16string status;  // "clean", "infected" or "error"
  int exitCode = 0;
  std::u16string message;
  CoverageCounts counts;
  std::vector<FileOutcome> files;  // every file that did not end clean
};

// "2026-12-11T11:35:02+01:00".
std::string Iso8601(const LocalTime& time);

// A JSON string (quotes included) for a file path: a byte that is not UTF-8
// (a lone surrogate U+DC80..U+DCFF inside the program) is written as the
// four characters \xNN, and then a backslash of the path as \x5C, so that
// the bytes can be recovered; *escaped tells whether that happened.
std::string JsonPath(std::u16string_view path, bool* escaped);

// A JSON string (quotes included) for any other text; a lone surrogate
// becomes U+FFFD.
std::string JsonString(std::u16string_view text);

// The whole document, UTF-8, ending with a line feed.
std::string ComposeJsonResult(const JsonResult& result);

}  // namespace dravanta
