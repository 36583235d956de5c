// The scan driver: what a start sets going once it has passed the gate.
//
// Files are looked up in bulk by signature, one request per batch (or one
// for all modules); every file the lookup does not settle waits for the
// run's upload pool, at most kMaxParallelUploads uploads at a time.
// Every scan ends with exactly one completion: from the module scan thread,
// from the last walker's end, or from AbortScan, whichever comes first.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "collection/file_record.h"
#include "connector/connector_options.h"
#include "scan_run.h"

namespace dravanta {

// Module start: collects the modules and starts the run's module scan
// thread. Returns kScanStarted.
int32_t StartModuleScan(ScanRun& run, bool all_modules, ModuleProgressCallback progress,
                        CompletionCallback completion, void* context);

// Path and drive starts: takes the collection options, starts the walkers.
// Returns the collection's result (0 started; 1 or 2 nothing started).
int32_t StartPathsScan(ScanRun& run, const ConnectorOptions& options, std::u16string_view targets,
                       FileProgressCallback progress, CompletionCallback completion, void* context);
int32_t StartDrivesScan(ScanRun& run, const ConnectorOptions& options,
                        FileProgressCallback progress, CompletionCallback completion,
                        void* context);

// Walker callbacks, with the run as context.
void HandleBatch(void* run, const std::vector<FileRecord>& batch);
void OnWalkerEnd(void* run);

}  // namespace dravanta
