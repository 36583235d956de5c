#include "internal/scan_driver.h"

#include <new>
#include <set>
#include <system_error>

#include "collection/fixed_drives.h"
#include "collection/loaded_modules.h"
#include "collection/picked_paths.h"
#include "connector/start_result.h"

namespace dravanta {
namespace {

ScanRun& RunOf(void* context) { return *static_cast<ScanRun*>(context); }

void ReportModuleStage(ScanRun& run, int32_t stage, int32_t total, int32_t done) {
  const ScanCallbacks& callbacks = run.state.callbacks;
  if (callbacks.module_progress == nullptr) return;
  const HandlerCall call(run.state);
  callbacks.module_progress(callbacks.context, stage, total, done, {}, kOutcomeUnknown, {}, {});
}

// Looks files up in one request and reads the answer. Returns the files
// left to upload; abandons the scan (and returns false) when the lookup
// failed.
bool LookUp(ScanRun& run, ReportForm form, const std::vector<ScanFile>& files,
            std::vector<ScanFile>* uploads) {
  std::vector<const char16_t*> paths;
  paths.reserve(files.size());
  for (const ScanFile& file : files) paths.push_back(file.path.c_str());

  char16_t* answer = nullptr;
  const TransportCode code = run.transport.ScanMultiple(
      ScanBySignature, paths.data(), static_cast<uint32_t>(paths.size()), &answer);
  LookupReading reading = ReadLookupAnswer(
      run.state, form, code,
      answer == nullptr ? std::u16string_view() : std::u16string_view(answer), files);
  run.transport.FreeResult(answer);
  if (reading.status == LookupStatus::kAbandon) {
    AbortScan(run, reading.abandon_code, reading.abandon_message);
    return false;
  }
  *uploads = std::move(reading.uploads);
  return true;
}

// The modules to look up, in map order. False when memory ran out.
bool ListModules(ScanRun& run, std::vector<ScanFile>* modules) {
  std::lock_guard lock(run.collection_lock);
  const int32_t n = static_cast<int32_t>(run.collection.modules.size());
  ReportModuleStage(run, kStageLookup, n, 0);
  run.state.processed_files = 0;
  try {
    modules->reserve(run.collection.modules.size());
    for (const auto& [key, path] : run.collection.modules) modules->push_back({path, 0});
    run.state.module_total = n;
  } catch (const std::bad_alloc&) {
    std::vector<ScanFile>().swap(*modules);
    return false;
  }
  return true;
}

// Uploads each distinct path once, in path order, and waits for them all.
void UploadModules(ScanRun& run, std::vector<ScanFile> unknown) {
  std::set<std::u16string> upload_set;
  for (ScanFile& file : unknown) upload_set.insert(std::move(file.path));
  run.state.processed_files = 0;
  run.state.queued_files = static_cast<int32_t>(upload_set.size());
  std::vector<ScanFile> uploads;
  {
    std::lock_guard lock(run.collection_lock);
    uploads.reserve(upload_set.size());
    for (const std::u16string& path : upload_set) uploads.push_back({path, 0});
  }
  QueueUploads(run, ReportForm::kModule, std::move(uploads));
  WaitForUploads(run);
}

void RunModuleScan(ScanRun& run) {
  std::vector<ScanFile> modules;
  if (!ListModules(run, &modules)) {
    AbortScan(run, kOutcomeOutOfMemory, u"Out of memory");
    return;
  }
  // Nothing loaded means nothing to ask the server about.
  std::vector<ScanFile> unknown;
  if (!modules.empty() && !LookUp(run, ReportForm::kModule, modules, &unknown)) return;
  UploadModules(run, std::move(unknown));
  const ScanState& state = run.state;
  DeliverCompletion(run, state.module_total - state.outcomes.not_scanned - state.outcomes.failed, 0,
                    u"Scan Finished");
}

void CountUnlistableFolder(void* context, std::u16string_view path) {
  RunOf(context).state.CountUnlistableFolder(path);
}

void ReportSkippedFile(void* context, const FileRecord& record) {
  ScanRun& run = RunOf(context);
  ++run.state.outcomes.not_scanned;
  ++run.state.collected_files;
  ReportFileResult(run.state, ReportForm::kFile, 0,
                   {record.path, record.size, kOutcomeFileTooLarge, {}, {}});
}

// What path and drive starts share before collection begins.
WalkerBindings PrepareCollectionScan(ScanRun& run, const ConnectorOptions& options,
                                     FileProgressCallback progress, CompletionCallback completion,
                                     void* context) {
  run.collection.options = {options.thread_count, options.batch_size, options.max_file_size_bytes};
  run.state.callbacks = {nullptr, progress, completion, context};
  run.size_filter = {options.max_file_size_bytes, &ReportSkippedFile, &run};
  return {&HandleBatch, &run, &FilterBySize,          &run.size_filter,
          &OnWalkerEnd, &run, &CountUnlistableFolder, &run};
}

}  // namespace

int32_t StartModuleScan(ScanRun& run, bool all_modules, ModuleProgressCallback progress,
                        CompletionCallback completion, void* context) {
  run.state.callbacks = {progress, nullptr, completion, context};
  ReportModuleStage(run, kStagePreparing, 100, 3);
  EnableDebugPrivilege();
  {
    std::lock_guard lock(run.collection_lock);
    CollectLoadedModules(run.collection.modules, all_modules);
    run.state.queued_files = static_cast<int32_t>(run.collection.modules.size());
    run.state.collected_files = run.state.queued_files.load();
  }
  ReportModuleStage(run, kStagePreparing, 100, 99);
  try {
    run.module_thread = std::thread(RunModuleScan, std::ref(run));
  } catch (const std::system_error&) {
    // No thread to be had: scan on this one; the completion still follows.
    RunModuleScan(run);
  }
  return kScanStarted;
}

int32_t StartPathsScan(ScanRun& run, const ConnectorOptions& options, std::u16string_view targets,
                       FileProgressCallback progress, CompletionCallback completion,
                       void* context) {
  const WalkerBindings bindings =
      PrepareCollectionScan(run, options, progress, completion, context);
  return StartPathScan(run.collection, bindings, targets);
}

int32_t StartDrivesScan(ScanRun& run, const ConnectorOptions& options,
                        FileProgressCallback progress, CompletionCallback completion,
                        void* context) {
  const WalkerBindings bindings =
      PrepareCollectionScan(run, options, progress, completion, context);
  return StartDriveScan(run.collection, bindings);
}

void HandleBatch(void* context, const std::vector<FileRecord>& batch) {
  ScanRun& run = RunOf(context);
  run.state.queued_files += static_cast<int32_t>(batch.size());
  run.state.collected_files += static_cast<int32_t>(batch.size());
  std::vector<ScanFile> files;
  {
    std::lock_guard lock(run.collection_lock);
    files.reserve(batch.size());
    // The path exactly as the walk produced it: the transport turns it back
    // into the same bytes, valid UTF-8 or not.
    for (const FileRecord& record : batch) files.push_back({record.path, record.size});
  }
  std::vector<ScanFile> uploads;
  if (!LookUp(run, ReportForm::kFile, files, &uploads)) return;
  QueueUploads(run, ReportForm::kFile, std::move(uploads));
  // Collection goes on only once the server has caught up with every upload.
  WaitForUploads(run);
}

void OnWalkerEnd(void* context) {
  ScanRun& run = RunOf(context);
  const auto walker_count = static_cast<int32_t>(run.collection.walkers.size());
  if (++run.finished_walkers < walker_count) return;
  const int32_t scanned = run.state.queued_files - run.state.outcomes.failed;
  DeliverCompletion(run, scanned < 0 ? 0 : scanned, 0, {});
}

}  // namespace dravanta
