#include "ui/file_category.h"

namespace dravanta {

FileCategory CategoryOfOutcome(ScanOutcome code, std::u16string_view text) {
  if (IsThreat(code)) return FileCategory::kThreat;
  switch (code) {
    case kOutcomeExceededArchiveDepth:
    case kOutcomeEncryptedArchive:
    case kOutcomeNotScanned:
    case kOutcomeServerResult13:
    case kOutcomeServerResult14:
      return FileCategory::kNoVerdict;
    case kOutcomeUnknown:
      return text.empty() ? FileCategory::kNoVerdict : FileCategory::kFailed;
    case kOutcomeFileTooLarge:
      return FileCategory::kSkippedSize;
    case kOutcomeUnreadable:
      return FileCategory::kUnreadable;
    case kOutcomeVanished:
      return FileCategory::kVanished;
    default:
      break;
  }
  // Any other verdict below the no-verdict code is one without threat; any
  // code above it that is not known here is a failure.
  return code < kOutcomeNotScanned ? FileCategory::kClean : FileCategory::kFailed;
}

std::u16string PlainFailureReason(std::u16string_view text) {
  // "HTTP/1.1 500 Internal Server Error"
  if (text.starts_with(u"HTTP/")) {
    const size_t space = text.find(u' ');
    if (space != std::u16string_view::npos && space + 4 <= text.size()) {
      const std::u16string_view status = text.substr(space + 1, 3);
      bool digits = true;
      for (char16_t c : status) digits = digits && c >= u'0' && c <= u'9';
      if (digits) return u"the server answered " + std::u16string(status);
    }
  }
  return std::u16string(text);
}

}  // namespace dravanta
