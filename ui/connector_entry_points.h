// The connector operations the dialog uses, as one table of entry points, so
// that scan control can run against the real connector or a test double.
#pragma once

#include <cstdint>
#include <string_view>

#include "connector/scan_callbacks.h"

namespace dravanta {

struct ConnectorEntryPoints {
  int32_t (*initialise)(std::u16string_view api_key);
  bool (*is_initialised)();
  int32_t (*set_option)(const char16_t* name, const char16_t* value);
  int32_t (*scan_loaded_modules)(bool all_modules, ModuleProgressCallback progress,
                                 CompletionCallback completion, void* context);
  int32_t (*scan_paths)(std::u16string_view targets, FileProgressCallback progress,
                        CompletionCallback completion, void* context);
  int32_t (*scan_all_drives)(FileProgressCallback progress, CompletionCallback completion,
                             void* context);
  // Copies the engine count text into a buffer of 100 code units; 0 when done.
  uint32_t (*get_engine_count)(char16_t* buffer);
  // Ends the running scan and joins its threads (at the end of the program).
  void (*stop_scan)();
  // What collection found in the current (or last) scan; none: nothing known.
  ScanCoverage (*scan_coverage)() = nullptr;
};

// The process-wide connector of this program.
const ConnectorEntryPoints& ProcessConnector();

}  // namespace dravanta
