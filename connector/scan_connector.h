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

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "collection/scan_collection.h"
#include "collection/size_filter.h"
#include "connector/connector_options.h"
#include "connector/scan_callbacks.h"
#include "connector/scan_state.h"
#include "transport/client_properties.h"  // GetEngineCount
#include "transport/server_client.h"

namespace dravanta {

enum class ScanTargetKind { LoadedModules, PickedPaths, AllFixedDrives };

// Start results. 0: under way, its completion follows. 1: not initialised,
// another scan in progress, the transport refused its set-up, or collection
// could not begin. 2: no valid target (paths). 3: the server cannot be
// reached. 4: the servers run no engine. With a non-zero result no callback
// of that start is called.
inline constexpr int32_t kScanStarted = 0;
inline constexpr int32_t kScanRefused = 1;
inline constexpr int32_t kScanNoTarget = 2;
inline constexpr int32_t kScanServerUnreachable = 3;
inline constexpr int32_t kScanNoEngine = 4;

// The most uploads that run at once.
inline constexpr int32_t kMaxParallelUploads = 10;

struct ScanConnector {
  ScanConnector();
  // Waits for the scan's threads, then stops and frees the walkers.
  ~ScanConnector();
  ScanConnector(const ScanConnector&) = delete;
  ScanConnector& operator=(const ScanConnector&) = delete;

  // Option store and flags.
  ConnectorOptions options;
  std::u16string api_key;
  std::atomic<bool> initialised{false};
  std::atomic<bool> busy{false};
  std::atomic<bool> transport_prepared{false};
  // Makes the busy test-and-set and the transport preparation one step.
  std::mutex start_lock;
  ServerClient transport{};

  // The current scan.
  ScanState state;
  std::atomic<int32_t> max_uploads{kMaxParallelUploads};
  // Guards the module map and every take from an upload queue.
  std::mutex collection_lock;
  // Guards active uploads and serialises the reading of upload answers.
  std::mutex count_lock;
  std::condition_variable uploads_changed;  // signalled under count_lock
  int32_t active_uploads = 0;               // guarded by count_lock
  // One upload thread per slot at most: the thread of a finished upload is
  // joined before its slot takes the next one (and at destruction), so that
  // threads that are still on their way out never pile up beyond the slots.
  // Guarded by count_lock.
  std::array<bool, kMaxParallelUploads> upload_slot_busy{};
  std::array<std::thread, kMaxParallelUploads> upload_threads;
  std::atomic<int32_t> finished_walkers{0};
  SizeFilter size_filter;
  // Detached threads (module scan, uploads) still running.
  std::atomic<int32_t> live_threads{0};
  // Last, so that its walkers are stopped before anything they use goes.
  ScanCollection collection;
};

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

// The process-wide connector, bound to the transport of this program.
int32_t InitializeConnector(std::u16string_view api_key);
bool IsConnectorInitialized();
int32_t SetConnectorOption(const char16_t* name, const char16_t* value);
int32_t ScanLoadedModules(bool all_modules, ModuleProgressCallback progress,
                          CompletionCallback completion, void* context);
int32_t ScanPaths(std::u16string_view targets, FileProgressCallback progress,
                  CompletionCallback completion, void* context);
int32_t ScanAllDrives(FileProgressCallback progress, CompletionCallback completion, void* context);

// What collection found in the current (or last) scan.
ScanCoverage GetScanCoverage(ScanConnector& connector);
ScanCoverage GetScanCoverage();

}  // namespace dravanta
