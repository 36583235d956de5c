// The connector operations the dialog uses, as one table of entry points, so
// that scan control can run against the real connector or a test double.
#pragma once

#include <cstdint>
#include <string_view>

#include "connector/scan_callbacks.h"

namespace dravanta {

struct ConnectorEntryPoints {
  int32_t (*initialize)(std::u16string_view api_key);
  bool (*isInitialized)();
  int32_t (*setOption)(const char16_t* name, const char16_t* value);
  int32_t (*scanLoadedModules)(bool all_modules, ModuleProgressCallback progress,
                               CompletionCallback completion, void* context);
  int32_t (*scanPaths)(std::u16string_view targets, FileProgressCallback progress,
                       CompletionCallback completion, void* context);
  int32_t (*scanAllDrives)(FileProgressCallback progress, CompletionCallback completion,
                           void* context);
  // Copies the engine count text into a buffer of 100 code units; 0 when done.
  uint32_t (*getEngineCount)(char16_t* buffer);
  // What collection found in the current (or last) scan; none: nothing known.
  ScanCoverage (*scanCoverage)() = nullptr;
};

// The process-wide connector of this program.
const ConnectorEntryPoints& ProcessConnector();

}  // namespace dravanta
