// The scan connector: the in-process scanning library that the user
// interface drives.
//
// Calling order: InitializeConnector once, SetConnectorOption any number of
// times, then one start at a time; the next start after the completion. A
// start returns as soon as the scan is under way; progress and the one
// completion arrive through the callbacks on the connector's and the
// collection's threads.
//
// There is one connector per process (the functions without a connector
// argument). The functions taking a ScanConnector serve tests, which run
// connectors of their own against a transport of their choice.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "connector/scan_callbacks.h"
#include "connector/start_result.h"
#include "transport/client_properties.h"  // GetEngineCount
#include "transport/server_client.h"

namespace dravanta {

// The most uploads that run at once.
inline constexpr int32_t kMaxParallelUploads = 10;

// Defined in connector/scan_connector_internal.h.
struct ScanConnector;

// A connector of its own, apart from the process-wide one, for a caller that
// drives one with a transport of its choosing (the tests of the dialog over
// the real connector). Destroying it stops its scan and joins its threads.
struct ScanConnectorDeleter {
  void operator()(ScanConnector* connector) const;
};
using OwnedScanConnector = std::unique_ptr<ScanConnector, ScanConnectorDeleter>;
OwnedScanConnector MakeScanConnector();

// Binds transport as the connector's table of entry points, resets the
// options to their defaults, keeps api_key; sets initialised. Returns 0.
int32_t InitializeConnector(ScanConnector& connector, std::u16string_view api_key,
                            const ServerClient& transport);
bool IsConnectorInitialized(const ScanConnector& connector);
// 0 stored; 1 not initialised; 2 missing name or value, or unknown name.
// Transport options take effect at the first successful start only.
int32_t SetConnectorOption(ScanConnector& connector, const char16_t* name, const char16_t* value);

// all_modules: every module of every process, else each executable image.
int32_t ScanLoadedModules(ScanConnector& connector, bool all_modules,
                          ModuleProgressCallback progress, CompletionCallback completion,
                          void* context);
// targets: "|"-separated folders and files.
int32_t ScanPaths(ScanConnector& connector, std::u16string_view targets,
                  FileProgressCallback progress, CompletionCallback completion, void* context);
int32_t ScanAllDrives(ScanConnector& connector, FileProgressCallback progress,
                      CompletionCallback completion, void* context);

// Ends the current scan and joins every thread it started: a scan still
// running is abandoned (its completion carries 10001 and "Scan stopped");
// requests under way end within the transport's time-outs. For the end of
// the program; not from a callback.
void StopConnectorScan(ScanConnector& connector);

// The process-wide connector, bound to the transport of this program. It is
// destroyed at the end of the process, after its scan has been stopped.
int32_t InitializeConnector(std::u16string_view api_key);
bool IsConnectorInitialized();
int32_t SetConnectorOption(const char16_t* name, const char16_t* value);
int32_t ScanLoadedModules(bool all_modules, ModuleProgressCallback progress,
                          CompletionCallback completion, void* context);
int32_t ScanPaths(std::u16string_view targets, FileProgressCallback progress,
                  CompletionCallback completion, void* context);
int32_t ScanAllDrives(FileProgressCallback progress, CompletionCallback completion, void* context);
void StopConnectorScan();

// What collection found in the current (or last) scan.
ScanCoverage GetScanCoverage(ScanConnector& connector);
ScanCoverage GetScanCoverage();

}  // namespace dravanta
