// The JSON texts the page reads after a scan: the results list, the
// per-engine details and the answer of the path picker.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "report/scan_report.h"
#include "ui/result_store.h"

namespace dravanta {

// Makes a text safe inside a JSON string: backslashes doubled, a double quote
// as \", backspace, tab, line feed, form feed and carriage return removed,
// every other control character and every lone surrogate (a file name byte
// that is not UTF-8) as a \u escape.
std::u16string EscapeForPage(std::u16string_view text);

struct ResultTexts {
  std::u16string results;
  std::u16string details;
};

struct ResultFigures {
  int32_t engineCount = 0;
  int32_t filesScanned = 0;
  uint32_t scanSeconds = 0;
};

// Both texts walk the threat map in its order, so row n of the results list
// pairs with the entry "index_n" of the details.
ResultTexts BuildResultTexts(const ThreatMap& threats, const DocumentMap& documents,
                             const ResultFigures& figures);

// {"index_<n>":[["<engine>",<result>,"<threat>"],...]} for one result document.
// A result that is not a decimal number is written as null.
std::u16string BuildEngineEntry(std::u16string_view document, size_t index);

// [{"folder" : "<path>"}] or [{"file" : "<path>"}]; kind is "folder" or "file".
std::u16string PickerText(std::u16string_view kind, std::u16string_view path);

}  // namespace dravanta
