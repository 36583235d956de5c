#include "connector/scan_result_documents.h"

#include <limits>

#include "connector/element_text.h"
#include "connector/error_message_hook.h"
#include "connector/local_read_failure.h"

namespace dravanta {
namespace {

constexpr std::u16string_view kNoVerdictAnswer = u"<final_scan_result>5</final_scan_result>";
// The reason of a failed upload whose answer said nothing.
constexpr std::u16string_view kUploadFailedText = u"the upload failed without an answer";

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

std::u16string ToUtf16Decimal(size_t n) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n != 0);
  return text;
}

// The threat name of an element or answer: the "threat_name" text without
// its CDATA wrapping.
std::u16string ReadThreatName(std::u16string_view text) {
  return StripCdata(GetElementText(text, u"threat_name"));
}

}  // namespace

ErrorDocument ReadErrorDocument(std::u16string_view answer) {
  static constexpr std::u16string_view kOpen = u"<error>";
  static constexpr std::u16string_view kClose = u"</error>";
  ErrorDocument document;
  const size_t open = answer.find(kOpen);
  if (open == std::u16string_view::npos) return document;
  const size_t text_start = open + kOpen.size();
  const size_t close = answer.find(kClose, text_start);
  if (close == std::u16string_view::npos) return document;
  document.text = std::u16string(answer.substr(text_start, close - text_start));
  ReportConnectorError(u"Error during scan: " + document.text);
  if (document.text.find(u"10061") != std::u16string::npos) {
    document.code = kOutcomeConnectionRefused;
  }
  if (document.text.find(u"10048") != std::u16string::npos) document.code = kOutcomeAddressInUse;
  return document;
}

std::optional<int32_t> ParseResultNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const size_t digits_start = i;
  int64_t value = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return std::nullopt;
    ++i;
  }
  if (i == digits_start) return std::nullopt;
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

LookupReading ReadLookupAnswer(ScanState& state, ReportForm form, TransportCode transport_code,
                               std::u16string_view answer, const std::vector<ScanFile>& files) {
  LookupReading reading;
  const ScanOutcome transport_outcome = MapTransportCode(transport_code);
  if (transport_outcome != kOutcomeClean) {
    reading.status = LookupStatus::kAbandon;
    // An unexpected transport code maps to "no verdict"; a failed lookup
    // must still end the scan as a failure.
    reading.abandon_code =
        transport_outcome >= kFirstFailureOutcome ? transport_outcome : kOutcomeFailed;
    reading.abandon_message = ReadErrorDocument(answer).text;
    return reading;
  }

  const std::vector<std::u16string> elements = SplitElements(answer, u"object");
  if (elements.empty()) {
    if (files.empty()) {
      reading.status = LookupStatus::kNothingAsked;
    } else {
      // Dropping the files silently would report a scan that never looked
      // at them as finished.
      reading.status = LookupStatus::kAbandon;
      reading.abandon_code = kOutcomeFailed;
      reading.abandon_message = u"The server answered a lookup of " + ToUtf16Decimal(files.size()) +
                                u" files without any result";
      ReportConnectorError(reading.abandon_message);
    }
    return reading;
  }

  const size_t paired = std::min(elements.size(), files.size());
  for (size_t i = 0; i < paired; ++i) {
    const std::u16string& element = elements[i];
    const ScanFile& file = files[i];
    ++state.processed_files;
    const std::optional<int32_t> raw =
        ParseResultNumber(GetElementText(element, u"final_scan_result"));
    if (!raw) {  // no verdict: the server has to see the file itself
      reading.uploads.push_back(file);
      continue;
    }
    const ScanOutcome code = MapServerResult(state.outcomes, *raw);
    if (code == kOutcomeUnknown) {
      reading.uploads.push_back(file);
      continue;
    }
    FileScanResult result{file.path, file.size, code, {}, element};
    if (code < 0) {
      result.threat_name = ReadThreatName(element);
      state.threats_found = true;
    }
    ReportFileResult(state, form, kStageLookup, result);
  }
  // Files the answer has no element for are not known to be settled.
  for (size_t i = paired; i < files.size(); ++i) reading.uploads.push_back(files[i]);
  return reading;
}

void ReadUploadAnswer(ScanState& state, ReportForm form, TransportCode transport_code,
                      std::u16string_view answer, const ScanFile& file) {
  FileScanResult result{file.path, file.size, kOutcomeUnknown, {}, {}};
  if (MapTransportCode(transport_code) != kOutcomeClean) {
    ErrorDocument error = ReadErrorDocument(answer);
    result.code = error.code;
    result.threat_name = std::move(error.text);
    if (auto local = ClassifyLocalReadFailure(result.threat_name, file.path, file.size)) {
      result.code = local->code;
      result.threat_name = std::move(local->reason);
    } else if (result.threat_name.empty()) {
      // The text is what tells a failed upload from a file without verdict.
      result.threat_name = kUploadFailedText;
    }
  } else {
    if (answer.empty()) answer = kNoVerdictAnswer;
    const std::optional<int32_t> raw =
        ParseResultNumber(GetElementText(answer, u"final_scan_result"));
    result.code = raw ? MapServerResult(state.outcomes, *raw) : kOutcomeUnknown;
    if (result.code < 0) {
      result.threat_name = ReadThreatName(answer);
      if (result.threat_name.empty()) result.threat_name = u"UNKNOWN";
      state.threats_found = true;
    }
  }
  result.details = GetElementText(answer, u"objects");
  ReportFileResult(state, form, kStageUpload, result);
}

std::vector<EngineVerdict> ReadEngineVerdicts(std::u16string_view details) {
  std::vector<EngineVerdict> verdicts;
  for (const std::u16string& entry : SplitElements(details, u"engine_result")) {
    verdicts.push_back({GetElementText(entry, u"engine_name"), ReadThreatName(entry),
                        GetElementText(entry, u"scan_result")});
  }
  return verdicts;
}

}  // namespace dravanta
