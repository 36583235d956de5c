#include "report/scan_coverage.h"

#include <iterator>

#include "platform/text.h"

namespace dravanta {

namespace {

// Each category with its name and its count: one table, so that a new
// category cannot get a name without a count or the other way round.
struct CategoryEntry {
  FileCategory category;
  std::u16string_view name;
  int64_t CoverageCounts::*count;
};

constexpr CategoryEntry kCategories[] = {
    {FileCategory::kClean, u"clean", &CoverageCounts::clean},
    {FileCategory::kThreat, u"threat", &CoverageCounts::threat},
    {FileCategory::kNoVerdict, u"no_verdict", &CoverageCounts::noVerdict},
    {FileCategory::kSkippedSize, u"skipped_size", &CoverageCounts::skippedSize},
    {FileCategory::kUnreadable, u"unreadable", &CoverageCounts::unreadable},
    {FileCategory::kVanished, u"vanished", &CoverageCounts::vanished},
    {FileCategory::kFailed, u"failed", &CoverageCounts::failed},
};

// An out-of-range value counts as failed, as it always has.
const CategoryEntry& EntryOf(FileCategory category) {
  for (const CategoryEntry& entry : kCategories) {
    if (entry.category == category) return entry;
  }
  return kCategories[std::size(kCategories) - 1];
}

}  // namespace

std::u16string_view CategoryName(FileCategory category) { return EntryOf(category).name; }

int64_t& CoverageCounts::Of(FileCategory category) { return this->*EntryOf(category).count; }

int64_t CoverageCounts::Of(FileCategory category) const { return this->*EntryOf(category).count; }

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
