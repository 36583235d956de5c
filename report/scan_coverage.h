// Every file of a scan in exactly one category, and the files that did not
// end clean: what the report, the JSON result, the page and the headless
// summary show about a scan's coverage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

enum class FileCategory {
  kClean,        // a verdict without threat
  kThreat,       // a verdict with a threat
  kNoVerdict,    // the server saw the file and could not judge it
  kSkippedSize,  // over the user's size limit, never sent
  kUnreadable,   // could not be opened or read on this machine
  kVanished,     // gone between its listing and its reading
  kFailed,       // the server or the network failed for it, or it was never reached
};

// "clean", "threat", "no_verdict", "skipped_size", "unreadable", "vanished", "failed".
std::u16string_view CategoryName(FileCategory category);

// The counts of one scan; the seven categories add up to collected.
struct CoverageCounts {
  int64_t collected = 0;
  int64_t clean = 0;
  int64_t threat = 0;
  int64_t noVerdict = 0;
  int64_t skippedSize = 0;
  int64_t unreadable = 0;
  int64_t vanished = 0;
  int64_t failed = 0;
  int64_t notReached = 0;  // part of failed: collected, but never reported
  int64_t unlistableFolders = 0;

  // Files without a verdict of the server, for whatever reason.
  int64_t NotScanned() const { return noVerdict + skippedSize + unreadable + vanished + failed; }
  int64_t& Of(FileCategory category);
  int64_t Of(FileCategory category) const;
};

// One engine's verdict from a file's result document.
struct EngineResult {
  std::u16string name;
  std::u16string result;  // the server's result number, as it stood
  std::u16string threat;
};

// One file that did not end clean.
struct FileOutcome {
  std::u16string path;
  std::optional<uint64_t> size;  // unknown for loaded modules
  int32_t code = 0;              // the outcome code
  std::u16string codeText;       // its text
  FileCategory category = FileCategory::kFailed;
  std::u16string text;                // the threat name, or why the file was not scanned
  std::u16string details;             // the server's per-engine results, when it gave any
  std::vector<EngineResult> engines;  // read from details where needed
};

// "3 files could not be read, 12 were over the size limit": one line naming
// the counts of the files that were not scanned; empty when there are none.
std::u16string NotScannedLine(const CoverageCounts& counts);

}  // namespace dravanta
