// The category of a settled file, from the outcome code and text that its
// progress notification carries.
#pragma once

#include <string>
#include <string_view>

#include "connector/scan_outcome.h"
#include "report/scan_coverage.h"

namespace dravanta {

// text is the notification's threat name: for a failed upload the error
// text, which is what tells it from a file without verdict (both code 1000).
FileCategory CategoryOfOutcome(ScanOutcome code, std::u16string_view text);

// The reason of a failed file for a person: "the server answered 500" for an
// HTTP status line, otherwise the text itself.
std::u16string PlainFailureReason(std::u16string_view text);

}  // namespace dravanta
