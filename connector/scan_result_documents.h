// Reading the server's lookup and upload answers into per-file reports.
//
// The answers are texts with one code unit per byte of the server's answer.
// A lookup answer holds one "object" element per file of the request, in
// request order, each with a "final_scan_result" and, for a threat, a
// "threat_name". An upload answer holds those two and an "objects" element
// with the per-engine "engine_result" entries. Error answers hold
// "<error>" text "</error>".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "connector/scan_outcome.h"
#include "connector/scan_state.h"
#include "transport/server_client.h"

namespace dravanta {

// A file of a lookup request, and of an upload queue.
struct ScanFile {
  std::u16string path;
  uint64_t size = 0;
};

// The outcome and text of an error answer.
struct ErrorDocument {
  ScanOutcome code = kOutcomeUnknown;  // 1000, 10002 (refused) or 10003 (address in use)
  std::u16string text;
};

// Reads "<error>" ... "</error>"; passes "Error during scan: " and the text
// to ErrorMessageHook. No complete error element: code 1000, empty text.
ErrorDocument ReadErrorDocument(std::u16string_view answer);

// The server's result number in a "final_scan_result" text: a decimal number
// (optional sign, surrounding white space allowed) that fits 32 bits. Any
// other text, the empty one included, is no verdict.
std::optional<int32_t> ParseResultNumber(std::u16string_view text);

enum class LookupStatus {
  kRead = 0,          // result elements were read
  kNothingAsked = 1,  // the request had no files and the answer no element
  kAbandon = 2,       // the scan must be abandoned with abandon_code/message
};

struct LookupReading {
  LookupStatus status = LookupStatus::kRead;
  ScanOutcome abandon_code = kOutcomeFailed;
  std::u16string abandon_message;
  // Files the lookup did not settle, in request order.
  std::vector<ScanFile> uploads;
};

// Reads the answer to one lookup of files (request order). Settled files are
// reported through the handler of form (module form at stage 1) and counted;
// each result element counts once in processed files. Files without a
// verdict, or without a result element, go to uploads. A failed request, or
// an answer without any result element for a non-empty request, asks for the
// scan to be abandoned.
LookupReading ReadLookupAnswer(ScanState& state, ReportForm form, TransportCode transport_code,
                               std::u16string_view answer, const std::vector<ScanFile>& files);

// Reads the answer to the upload of file and reports it through the handler
// of form (module form at stage 2). A failed upload is reported with the code
// of its error text and the error text as threat name (never empty), and
// counts nowhere; one that failed because the file could not be read here is
// reported as unreadable or vanished, with the reason as threat name.
void ReadUploadAnswer(ScanState& state, ReportForm form, TransportCode transport_code,
                      std::u16string_view answer, const ScanFile& file);

// One engine's verdict inside a details text.
struct EngineVerdict {
  std::u16string engine_name;
  std::u16string threat_name;  // without the CDATA wrapping
  std::u16string scan_result;  // the server's result number as text
};

// The "engine_result" entries of a details text, in order.
std::vector<EngineVerdict> ReadEngineVerdicts(std::u16string_view details);

}  // namespace dravanta
