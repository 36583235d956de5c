// The connector's notifications to the user interface.
//
// Each callback gets back the opaque context given with it at the start of
// the scan. Text arguments are valid only during the call; the callee copies
// what it keeps. Callbacks arrive on the connector's and the collection's
// threads, several at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "connector/scan_outcome.h"

namespace dravanta {

// Module progress stages.
inline constexpr int32_t kStagePreparing = 0;
inline constexpr int32_t kStageLookup = 1;
inline constexpr int32_t kStageUpload = 2;

// Module scans. Stage 0: preparation (empty texts, code 1000); stage 1: the
// signature lookup of the modules; stage 2: the upload of the modules the
// lookup did not settle. Total and done count files.
using ModuleProgressCallback = void (*)(void* context, int32_t stage, int32_t total, int32_t done,
                                        std::u16string_view path, ScanOutcome code,
                                        std::u16string_view threat_name,
                                        std::u16string_view details);

// Path and drive scans: one call per settled file. total_bytes is the figure
// of the whole scan, the same in every call; file_size comes from the listing.
using FileProgressCallback = void (*)(void* context, uint64_t total_bytes, uint64_t file_size,
                                      std::u16string_view path, ScanOutcome code,
                                      std::u16string_view threat_name, std::u16string_view details);

// The end of a scan, exactly once per started scan. Code 0: the scan ran to
// its end; 10000 or more: it was abandoned and message says why.
using CompletionCallback = void (*)(void* context, bool threats_found, int32_t files_scanned,
                                    ScanOutcome code, std::u16string_view message);

// What collection found in the current (or last) scan, for the accounting
// of every file: the files collected (handed to the lookups, or skipped for
// their size) and the folders that could not be listed.
struct ScanCoverage {
  int32_t collected_files = 0;
  int32_t unlistable_folders = 0;
  std::vector<std::u16string> first_unlistable_folders;  // the first few, in order met
};

// The handlers of one scan and their context.
struct ScanCallbacks {
  ModuleProgressCallback module_progress = nullptr;
  FileProgressCallback file_progress = nullptr;
  CompletionCallback completion = nullptr;
  void* context = nullptr;
};

}  // namespace dravanta
