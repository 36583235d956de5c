// The scan driver: what a start sets going once it has passed the gate.
//
// Files are looked up in bulk by signature, one request per batch (or one
// for all modules); every file the lookup does not settle is uploaded on its
// own thread, at most max_uploads at a time for the connector.
// Every scan ends with exactly one completion: from the module scan thread,
// from the last walker's end, or from AbortScan, whichever comes first.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "collection/file_record.h"
#include "connector/scan_connector.h"
#include "connector/scan_result_documents.h"

namespace dravanta {

// Module start: collects the modules and starts the module scan thread.
// Returns 0.
int32_t StartModuleScan(ScanConnector& connector, bool all_modules, ModuleProgressCallback progress,
                        CompletionCallback completion, void* context);

// Path and drive starts: copies the options, starts the walkers. Returns the
// collection's result (0 started; 1 or 2 nothing started).
int32_t StartPathsScan(ScanConnector& connector, std::u16string_view targets,
                       FileProgressCallback progress, CompletionCallback completion, void* context);
int32_t StartDrivesScan(ScanConnector& connector, FileProgressCallback progress,
                        CompletionCallback completion, void* context);

// Walker callbacks, with the connector as context.
void HandleBatch(void* connector, const std::vector<FileRecord>& batch);
void OnWalkerEnd(void* connector);

// Delivers the completion unless one was delivered already: clears busy
// first, so that a start made from the completion passes the gate.
void DeliverCompletion(ScanConnector& connector, int32_t files_scanned, ScanOutcome code,
                       std::u16string_view message);

// Abandons the scan: stops the walkers and delivers the completion with
// (threats found, 0, code, message). Uploads still running go on reporting.
void AbortScan(ScanConnector& connector, ScanOutcome code, std::u16string_view message);

}  // namespace dravanta
