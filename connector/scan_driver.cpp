#include "connector/scan_driver.h"

#include <new>
#include <set>
#include <system_error>
#include <thread>

#include "collection/fixed_drives.h"
#include "collection/loaded_modules.h"
#include "collection/picked_paths.h"
#include "connector/upload_worker.h"

namespace dravanta {
namespace {

ScanConnector& ConnectorOf(void* context) { return *static_cast<ScanConnector*>(context); }

void ReportModuleStage(ScanConnector& connector, int32_t stage, int32_t total, int32_t done) {
  const ScanCallbacks& callbacks = connector.state.callbacks;
  if (callbacks.module_progress != nullptr) {
    callbacks.module_progress(callbacks.context, stage, total, done, {}, kOutcomeUnknown, {}, {});
  }
}

// Looks files up in one request and reads the answer. Returns the files
// left to upload; abandons the scan (and returns nothing) when the lookup
// failed.
bool LookUp(ScanConnector& connector, ReportForm form, const std::vector<ScanFile>& files,
            std::vector<ScanFile>* uploads) {
  std::vector<const char16_t*> paths;
  paths.reserve(files.size());
  for (const ScanFile& file : files) paths.push_back(file.path.c_str());

  char16_t* answer = nullptr;
  const TransportCode code = connector.transport.ScanMultiple(
      ScanBySignature, paths.data(), static_cast<uint32_t>(paths.size()), &answer);
  LookupReading reading = ReadLookupAnswer(
      connector.state, form, code,
      answer == nullptr ? std::u16string_view() : std::u16string_view(answer), files);
  connector.transport.FreeResult(answer);
  if (reading.status == LookupStatus::kAbandon) {
    AbortScan(connector, reading.abandon_code, reading.abandon_message);
    return false;
  }
  *uploads = std::move(reading.uploads);
  return true;
}

void RunModuleScan(ScanConnector& connector) {
  std::vector<ScanFile> modules;
  bool out_of_memory = false;
  {
    std::lock_guard lock(connector.collection_lock);
    const int32_t n = static_cast<int32_t>(connector.collection.modules.size());
    ReportModuleStage(connector, kStageLookup, n, 0);
    connector.state.processed_files = 0;
    try {
      modules.reserve(connector.collection.modules.size());
      for (const auto& [key, path] : connector.collection.modules) modules.push_back({path, 0});
      connector.state.module_total = n;
    } catch (const std::bad_alloc&) {
      out_of_memory = true;
    }
  }
  if (out_of_memory) {
    std::vector<ScanFile>().swap(modules);
    AbortScan(connector, kOutcomeOutOfMemory, u"Out of memory");
    return;
  }

  // Nothing loaded means nothing to ask the server about.
  std::vector<ScanFile> unknown;
  if (!modules.empty() && !LookUp(connector, ReportForm::kModule, modules, &unknown)) return;

  // Each distinct path is uploaded once, in path order.
  std::set<std::u16string> upload_set;
  for (ScanFile& file : unknown) upload_set.insert(std::move(file.path));
  connector.state.processed_files = 0;
  connector.state.queued_files = static_cast<int32_t>(upload_set.size());
  while (true) {
    ScanFile next;
    {
      std::lock_guard lock(connector.collection_lock);
      if (upload_set.empty()) break;
      next.path = upload_set.extract(upload_set.begin()).value();
    }
    StartUpload(connector, ReportForm::kModule, next);
  }
  WaitForUploads(connector);

  ScanState& state = connector.state;
  DeliverCompletion(connector,
                    state.module_total - state.outcomes.not_scanned - state.outcomes.failed, 0,
                    u"Scan Finished");
}

void CountUnlistableFolder(void* context, std::u16string_view path) {
  ConnectorOf(context).state.CountUnlistableFolder(path);
}

void ReportSkippedFile(void* context, const FileRecord& record) {
  ScanConnector& connector = ConnectorOf(context);
  ++connector.state.outcomes.not_scanned;
  ++connector.state.collected_files;
  ReportFileResult(connector.state, ReportForm::kFile, 0,
                   {record.path, record.size, kOutcomeFileTooLarge, {}, {}});
}

// What path and drive starts share before collection begins.
WalkerBindings PrepareCollectionScan(ScanConnector& connector, FileProgressCallback progress,
                                     CompletionCallback completion, void* context) {
  // The previous scan's walkers go first, end callbacks included, so that
  // none of them can count into this scan.
  ResetCollection(connector.collection);
  connector.collection.options = {connector.options.thread_count, connector.options.batch_size,
                                  connector.options.max_file_size_bytes};
  connector.max_uploads = kMaxParallelUploads;
  connector.state.callbacks = {nullptr, progress, completion, context};
  connector.state.ResetCounters();
  {
    std::lock_guard lock(connector.count_lock);
    connector.active_uploads = 0;
  }
  connector.finished_walkers = 0;
  connector.size_filter = {connector.options.max_file_size_bytes, &ReportSkippedFile, &connector};
  return {&HandleBatch, &connector, &FilterBySize,          &connector.size_filter,
          &OnWalkerEnd, &connector, &CountUnlistableFolder, &connector};
}

}  // namespace

int32_t StartModuleScan(ScanConnector& connector, bool all_modules, ModuleProgressCallback progress,
                        CompletionCallback completion, void* context) {
  // Walkers left from a path or drive scan must not end into this one.
  ResetCollection(connector.collection);
  connector.finished_walkers = 0;
  connector.max_uploads = kMaxParallelUploads;
  connector.state.callbacks = {progress, nullptr, completion, context};
  ReportModuleStage(connector, kStagePreparing, 100, 3);

  EnableDebugPrivilege();
  int32_t module_count;
  {
    std::lock_guard lock(connector.collection_lock);
    CollectLoadedModules(connector.collection.modules, all_modules);
    module_count = static_cast<int32_t>(connector.collection.modules.size());
  }
  connector.state.ResetCounters();
  connector.state.queued_files = module_count;
  connector.state.collected_files = module_count;
  {
    std::lock_guard lock(connector.count_lock);
    connector.active_uploads = 0;
  }
  ReportModuleStage(connector, kStagePreparing, 100, 99);

  connector.state.finished = false;
  ++connector.live_threads;
  try {
    std::thread([&connector] {
      RunModuleScan(connector);
      --connector.live_threads;  // last touch of the connector
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: scan on this one; the completion still follows.
    RunModuleScan(connector);
    --connector.live_threads;
  }
  return kScanStarted;
}

int32_t StartPathsScan(ScanConnector& connector, std::u16string_view targets,
                       FileProgressCallback progress, CompletionCallback completion,
                       void* context) {
  const WalkerBindings bindings = PrepareCollectionScan(connector, progress, completion, context);
  return StartPathScan(connector.collection, bindings, targets);
}

int32_t StartDrivesScan(ScanConnector& connector, FileProgressCallback progress,
                        CompletionCallback completion, void* context) {
  const WalkerBindings bindings = PrepareCollectionScan(connector, progress, completion, context);
  return StartDriveScan(connector.collection, bindings);
}

void HandleBatch(void* context, const std::vector<FileRecord>& batch) {
  ScanConnector& connector = ConnectorOf(context);
  connector.state.queued_files += static_cast<int32_t>(batch.size());
  connector.state.collected_files += static_cast<int32_t>(batch.size());
  std::vector<ScanFile> files;
  {
    std::lock_guard lock(connector.collection_lock);
    files.reserve(batch.size());
    // The path exactly as the walk produced it: the transport turns it back
    // into the same bytes, valid UTF-8 or not.
    for (const FileRecord& record : batch) files.push_back({record.path, record.size});
  }
  std::vector<ScanFile> uploads;
  if (!LookUp(connector, ReportForm::kFile, files, &uploads)) return;
  for (const ScanFile& file : uploads) StartUpload(connector, ReportForm::kFile, file);
  // Collection goes on only once the server has caught up with every upload.
  WaitForUploads(connector);
}

void OnWalkerEnd(void* context) {
  ScanConnector& connector = ConnectorOf(context);
  // Read before counting this walker: once every walker has counted, the
  // completion may be delivered and a new start may replace the list.
  const auto walker_count = static_cast<int32_t>(connector.collection.walkers.size());
  if (++connector.finished_walkers < walker_count) return;
  const int32_t scanned = connector.state.queued_files - connector.state.outcomes.failed;
  DeliverCompletion(connector, scanned < 0 ? 0 : scanned, 0, {});
}

void DeliverCompletion(ScanConnector& connector, int32_t files_scanned, ScanOutcome code,
                       std::u16string_view message) {
  if (connector.state.finished.exchange(true)) return;
  // Taken before busy is cleared: a new start may replace them at once.
  const ScanCallbacks callbacks = connector.state.callbacks;
  const bool threats_found = connector.state.threats_found;
  const std::u16string message_copy(message);
  connector.busy = false;
  if (callbacks.completion != nullptr) {
    callbacks.completion(callbacks.context, threats_found, files_scanned, code, message_copy);
  }
}

void AbortScan(ScanConnector& connector, ScanOutcome code, std::u16string_view message) {
  if (connector.state.finished.exchange(true)) return;
  for (WalkerHandle& walker : connector.collection.walkers) StopWalker(*walker);
  const ScanCallbacks callbacks = connector.state.callbacks;
  const bool threats_found = connector.state.threats_found;
  const std::u16string message_copy(message);
  connector.busy = false;
  if (callbacks.completion != nullptr) {
    callbacks.completion(callbacks.context, threats_found, 0, code, message_copy);
  }
}

}  // namespace dravanta
