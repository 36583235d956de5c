// The multi-threaded walk of one scan target (a folder, a file or a drive).
//
// A walker lists its target breadth-first with several worker threads that
// share one queue of directories. Every regular file found passes the bound
// filter; accepted files are handed to the batch callback in batches, from
// the worker thread itself, which waits until the callback returns. When all
// workers have exited, the controller thread calls the end callback exactly
// once (also after a stop, and also when no worker could run).
//
// Links found during the walk are never followed (a folder replaced by a
// link after it was listed is not entered either), paths may grow beyond
// the longest the system takes at once, only regular files become
// records (FIFOs, sockets and devices are never opened), and pseudo
// filesystems (proc, sysfs, devtmpfs, ...) are never entered. A root that is
// itself a link is followed.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "collection/file_record.h"

namespace dravanta {

// Called on a worker thread with one batch. The batch is valid only during
// the call; the callee copies what it keeps.
using BatchCallback = void (*)(void* context, const std::vector<FileRecord>& batch);
// Called on a worker thread for every file found; true accepts the file.
using FileFilter = bool (*)(void* context, const FileRecord& record);
// Called once on the walker's controller thread after all workers exited.
using WalkerEndCallback = void (*)(void* context);
// Called on a worker thread for a folder that could not be opened for
// listing; the path is valid only during the call.
using UnlistableFolderCallback = void (*)(void* context, std::u16string_view path);

struct WalkerBindings {
  BatchCallback batch = nullptr;
  void* batch_context = nullptr;
  FileFilter filter = nullptr;  // none: every file is accepted
  void* filter_context = nullptr;
  WalkerEndCallback end = nullptr;
  void* end_context = nullptr;
  UnlistableFolderCallback unlistable = nullptr;  // none: not told
  void* unlistable_context = nullptr;
};

enum class WalkScope {
  kAllFilesystems,  // picked folders: enter every mounted filesystem below
  kOneFilesystem,   // drives: never descend into another mount
};

struct DirectoryWalker;

struct WalkerDeleter {
  // Stops the walker if it still runs, waits for its threads, frees it.
  void operator()(DirectoryWalker* walker) const;
};
using WalkerHandle = std::unique_ptr<DirectoryWalker, WalkerDeleter>;

// The most workers one walker runs.
inline constexpr uint32_t kMaxWalkerWorkers = 64;

// A new walker with `root_path` queued, nothing bound, not started.
WalkerHandle CreateWalker(std::u16string_view root_path,
                          WalkScope scope = WalkScope::kAllFilesystems);

// Binds the callbacks; call before StartWalker.
void BindWalker(DirectoryWalker& walker, const WalkerBindings& bindings);

// The worker count for a ThreadCount option: taken as unsigned, at most 64.
uint32_t WorkerCountFor(int32_t thread_count);

// Starts the controller thread with `worker_count` workers (capped at 64).
// `batch_size` is compared as unsigned: 0 and 1 hand over every file alone,
// a negative value behaves as a huge one. Call once per walker.
void StartWalker(DirectoryWalker& walker, int32_t batch_size, uint32_t worker_count);

// Stops the walker: no further batch is delivered, no file accepted, no
// directory queued; returns when the walker's workers have exited. When
// called from one of this walker's own worker threads (inside its batch
// callback) it waits for the other workers only, so callers need no
// adjustment of any count. A second stop returns at once.
void StopWalker(DirectoryWalker& walker);

// True once the end callback has returned (or the walker ended unbound).
bool WalkerEnded(const DirectoryWalker& walker);

// Waits until the controller thread, end callback included, has finished.
// Returns at once for a walker that was never started. Never call it (or
// destroy a walker) from one of that walker's own threads.
void JoinWalker(DirectoryWalker& walker);

}  // namespace dravanta
