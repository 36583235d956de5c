#include "report/scan_coverage.h"

#include "platform/text.h"

namespace dravanta {

std::u16string_view CategoryName(FileCategory category) {
  switch (category) {
    case FileCategory::kClean:
      return u"clean";
    case FileCategory::kThreat:
      return u"threat";
    case FileCategory::kNoVerdict:
      return u"no_verdict";
    case FileCategory::kSkippedSize:
      return u"skipped_size";
    case FileCategory::kUnreadable:
      return u"unreadable";
    case FileCategory::kVanished:
      return u"vanished";
    case FileCategory::kFailed:
      break;
  }
  return u"failed";
}

int64_t& CoverageCounts::Of(FileCategory category) {
  switch (category) {
    case FileCategory::kClean:
      return clean;
    case FileCategory::kThreat:
      return threat;
    case FileCategory::kNoVerdict:
      return noVerdict;
    case FileCategory::kSkippedSize:
      return skippedSize;
    case FileCategory::kUnreadable:
      return unreadable;
    case FileCategory::kVanished:
      return vanished;
    case FileCategory::kFailed:
      break;
  }
  return failed;
}

std::u16string NotScannedLine(const CoverageCounts& counts) {
  struct Part {
    int64_t count;
    std::u16string_view one;   // the verb phrase for one file
    std::u16string_view many;  // and for several
  };
  const Part parts[] = {
      {counts.failed, u"could not be scanned", u"could not be scanned"},
      {counts.unreadable, u"could not be read", u"could not be read"},
      {counts.vanished, u"vanished before it was read", u"vanished before they were read"},
      {counts.noVerdict, u"got no verdict from the server", u"got no verdict from the server"},
      {counts.skippedSize, u"was over the size limit", u"were over the size limit"},
  };
  std::u16string line;
  for (const Part& part : parts) {
    if (part.count <= 0) continue;
    const bool first = line.empty();
    if (!first) line += u", ";
    line += Utf8ToUtf16(std::to_string(part.count));
    if (first) line += part.count == 1 ? u" file" : u" files";
    line += u" ";
    line += part.count == 1 ? part.one : part.many;
  }
  return line;
}

}  // namespace dravanta
