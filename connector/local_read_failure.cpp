#include "connector/local_read_failure.h"

#include "platform/directory.h"
#include "platform/error_number.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// The transport's texts: the file could not be opened (with the system's
// error number in parentheses at the end), or reading it failed or ended
// early while it was being sent.
constexpr std::u16string_view kOpenFailed = u"failed to read file '";
constexpr std::u16string_view kReadFailed = u"Failed to read data from file";

// The number in the trailing "(N)"; 0 when there is none.
int TrailingErrorNumber(std::u16string_view text) {
  if (text.size() < 3 || text.back() != u')') return 0;
  const size_t open = text.rfind(u'(');
  if (open == std::u16string_view::npos) return 0;
  int value = 0;
  for (size_t i = open + 1; i + 1 < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9' || value > 100000) return 0;
    value = value * 10 + (text[i] - u'0');
  }
  return value;
}

LocalReadFailure Vanished() { return {kOutcomeVanished, u"gone before it could be read"}; }

}  // namespace

std::optional<LocalReadFailure> ClassifyLocalReadFailure(std::u16string_view error_text,
                                                         std::u16string_view path,
                                                         uint64_t listed_size) {
  if (error_text.starts_with(kOpenFailed)) {
    const int error_number = TrailingErrorNumber(error_text);
    if (ErrorMeansMissing(error_number)) return Vanished();
    if (error_number == 0) return LocalReadFailure{kOutcomeUnreadable, u"could not be read"};
    return LocalReadFailure{kOutcomeUnreadable,
                            u"could not be opened: " + Utf8ToUtf16(OpenFailureText(error_number))};
  }
  if (error_text.starts_with(kReadFailed)) {
    // Look at the file now to say what happened while it was read.
    EntryKind kind;
    uint64_t size = 0;
    if (!LookUpPath(path, &kind, &size)) return Vanished();
    if (size < listed_size) {
      return LocalReadFailure{kOutcomeUnreadable, u"the file shrank while it was read"};
    }
    return LocalReadFailure{kOutcomeUnreadable, u"reading the file failed while it was sent"};
  }
  return std::nullopt;
}

}  // namespace dravanta
