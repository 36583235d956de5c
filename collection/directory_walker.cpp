#include "collection/directory_walker.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/directory.h"
#include "platform/path_separator.h"

namespace dravanta {

// A directory waiting to be listed or waiting for its subdirectories.
struct DirectoryNode {
  std::u16string path;              // full path, ending in kPathSeparator
  DirectoryNode* parent = nullptr;  // set when queued, cleared on completion
  uint64_t parent_device = 0;       // to notice a step into another filesystem
  std::mutex lock;                  // guards pending_children
  size_t pending_children = 0;      // queued children that have not finished
};

struct DirectoryWalker {
  std::u16string root_text;
  WalkScope scope = WalkScope::kAllFilesystems;
  DirectoryNode root;  // owned here; every other node frees itself on completion
  // The root folder, held open from its listing on: every other folder is
  // opened below it by its relative path, so no link on the way is ever
  // followed, whatever is renamed or replaced while the walk runs. Set
  // before the root's children are queued, read-only afterwards.
  FolderAnchor anchor;

  std::atomic<bool> done{false};
  std::atomic<bool> stop{false};

  std::mutex lock;                     // the walker lock: queue, wake-ups, exits
  std::condition_variable work_ready;  // a node was queued, or done was set
  std::condition_variable worker_exited;
  std::deque<DirectoryNode*> queue;

  WalkerBindings bindings;
  std::atomic<int32_t> active_workers{0};
  std::atomic<bool> ended{false};
  bool started = false;
  std::thread controller;
};

namespace {

// The walker whose worker runs on this thread, so that a stop from inside a
// batch callback does not wait for its own caller.
thread_local const DirectoryWalker* tls_worker_walker = nullptr;

struct WalkerWorker {
  DirectoryWalker* walker = nullptr;
  uint32_t batch_size = 0;
  std::vector<FileRecord> pending;
  std::vector<FileRecord> batch;
};

void SetDone(DirectoryWalker& walker) {
  std::lock_guard<std::mutex> hold(walker.lock);
  walker.done = true;
  walker.work_ready.notify_all();
}

// Finishes `node` and every ancestor whose last pending child it was. The
// root is only marked, never freed. One node lock at a time.
void CompleteDirectory(DirectoryWalker& walker, DirectoryNode* node) {
  for (;;) {
    DirectoryNode* parent = node->parent;
    if (node == &walker.root || parent == nullptr) {
      SetDone(walker);
      return;
    }
    size_t remaining;
    {
      std::lock_guard<std::mutex> hold(parent->lock);
      node->parent = nullptr;
      remaining = --parent->pending_children;
    }
    delete node;
    if (remaining != 0) return;
    node = parent;
  }
}

void Flush(WalkerWorker& worker) {
  DirectoryWalker& walker = *worker.walker;
  worker.batch.swap(worker.pending);
  if (!walker.stop && walker.bindings.batch != nullptr && !worker.batch.empty()) {
    walker.bindings.batch(walker.bindings.batch_context, worker.batch);
  }
  worker.batch.clear();
}

void HandleFile(WalkerWorker& worker, FileRecord record) {
  DirectoryWalker& walker = *worker.walker;
  if (walker.stop) return;
  if (walker.bindings.filter != nullptr &&
      !walker.bindings.filter(walker.bindings.filter_context, record)) {
    return;
  }
  worker.pending.push_back(std::move(record));
  if (worker.pending.size() >= worker.batch_size) Flush(worker);
}

// Registers every child with `node` and queues them, all under the walker
// lock so that no child can finish before its siblings are counted. A
// stopped walker queues nothing and the node finishes at once.
void QueueChildren(DirectoryWalker& walker, DirectoryNode* node,
                   std::vector<DirectoryNode*>& children) {
  bool dropped = false;
  {
    std::lock_guard<std::mutex> hold(walker.lock);
    if (walker.stop) {
      dropped = true;
    } else {
      for (DirectoryNode* child : children) {
        {
          std::lock_guard<std::mutex> hold_node(node->lock);
          ++node->pending_children;
          child->parent = node;
        }
        walker.queue.push_back(child);
      }
      walker.work_ready.notify_all();
    }
  }
  if (dropped) {
    for (DirectoryNode* child : children) delete child;
    CompleteDirectory(walker, node);
  }
  children.clear();
}

// A root that names a file yields exactly that one record.
bool WalkFileRoot(WalkerWorker& worker) {
  DirectoryWalker& walker = *worker.walker;
  EntryKind kind;
  uint64_t size = 0;
  if (!LookUpPath(walker.root_text, &kind, &size)) return false;
  if (kind == EntryKind::kDirectory) return false;
  if (kind == EntryKind::kRegularFile) {
    // The file is read later without following a final link, so a picked
    // link is recorded as the file it leads to.
    std::u16string target = FollowFinalLink(walker.root_text);
    if (!target.empty()) HandleFile(worker, FileRecord{std::move(target), size});
  }
  CompleteDirectory(walker, &walker.root);
  return true;
}

// Whether the listing of an opened directory may go on.
bool MayEnter(const DirectoryWalker& walker, const DirectoryNode* node,
              const DirectoryReader& reader) {
  const bool is_root = node == &walker.root;
  if (!is_root && reader.device() == node->parent_device) return true;
  if (!is_root && walker.scope == WalkScope::kOneFilesystem) return false;
  return !reader.OnPseudoFilesystem();
}

void ListDirectory(WalkerWorker& worker, DirectoryNode* node) {
  DirectoryWalker& walker = *worker.walker;
  const bool is_root = node == &walker.root;
  if (is_root && WalkFileRoot(worker)) return;

  DirectoryReader reader;
  // The root may be a link that the user picked; links inside are not
  // followed, not even one that took a listed folder's place since.
  const bool opened =
      is_root ? reader.Open(node->path, FinalLink::kFollow) && reader.KeepAsAnchor(&walker.anchor)
              : reader.OpenBelow(walker.anchor,
                                 std::u16string_view(node->path).substr(walker.root.path.size()));
  if (!opened && walker.bindings.unlistable != nullptr && !walker.stop) {
    walker.bindings.unlistable(walker.bindings.unlistable_context, node->path);
  }
  if (!opened || !MayEnter(walker, node, reader)) {
    CompleteDirectory(walker, node);
    return;
  }
  std::vector<DirectoryNode*> children;
  DirectoryEntry entry;
  std::u16string file_path;
  while (reader.Next(&entry)) {
    if (entry.kind == EntryKind::kDirectory) {
      if (walker.stop) continue;
      auto* child = new DirectoryNode;
      child->path.reserve(node->path.size() + entry.name.size() + 1);
      child->path.append(node->path).append(entry.name).push_back(kPathSeparator);
      child->parent_device = reader.device();
      children.push_back(child);
    } else if (entry.kind == EntryKind::kRegularFile) {
      file_path.assign(node->path).append(entry.name);
      HandleFile(worker, FileRecord{file_path, entry.size});
    }
  }
  if (children.empty()) {
    CompleteDirectory(walker, node);
  } else {
    QueueChildren(walker, node, children);
  }
}

void WorkerMain(WalkerWorker worker) {
  DirectoryWalker& walker = *worker.walker;
  tls_worker_walker = &walker;
  for (;;) {
    DirectoryNode* node = nullptr;
    {
      std::unique_lock<std::mutex> hold(walker.lock);
      walker.work_ready.wait(hold, [&] { return !walker.queue.empty() || walker.done; });
      if (walker.queue.empty()) break;
      node = walker.queue.front();
      walker.queue.pop_front();
    }
    ListDirectory(worker, node);
  }
  Flush(worker);
  tls_worker_walker = nullptr;
  std::lock_guard<std::mutex> hold(walker.lock);
  --walker.active_workers;
  walker.worker_exited.notify_all();
}

void EndWalker(DirectoryWalker& walker) {
  if (walker.bindings.end != nullptr) walker.bindings.end(walker.bindings.end_context);
  walker.ended = true;
}

void ControllerMain(DirectoryWalker* walker, uint32_t batch_size, uint32_t worker_count) {
  std::vector<std::thread> workers;
  workers.reserve(worker_count);
  for (uint32_t i = 0; i < worker_count; ++i) {
    try {
      workers.emplace_back(WorkerMain, WalkerWorker{walker, batch_size, {}, {}});
    } catch (const std::system_error&) {
      // Run with the workers that could be had; the others never count.
      std::lock_guard<std::mutex> hold(walker->lock);
      walker->active_workers -= static_cast<int32_t>(worker_count - i);
      walker->worker_exited.notify_all();
      break;
    }
  }
  for (std::thread& worker : workers) worker.join();
  walker->anchor.Close();  // no worker opens anything any more
  EndWalker(*walker);
}

}  // namespace

void WalkerDeleter::operator()(DirectoryWalker* walker) const {
  if (walker == nullptr) return;
  StopWalker(*walker);
  JoinWalker(*walker);
  delete walker;
}

WalkerHandle CreateWalker(std::u16string_view root_path, WalkScope scope) {
  WalkerHandle walker(new DirectoryWalker);
  walker->root_text.assign(root_path);
  walker->scope = scope;
  walker->root.path.assign(root_path);
  if (walker->root.path.empty() || !IsPathSeparator(walker->root.path.back())) {
    walker->root.path += kPathSeparator;
  }
  walker->queue.push_back(&walker->root);
  return walker;
}

void BindWalker(DirectoryWalker& walker, const WalkerBindings& bindings) {
  walker.bindings = bindings;
}

uint32_t WorkerCountFor(int32_t thread_count) {
  const auto count = static_cast<uint32_t>(thread_count);
  return count > kMaxWalkerWorkers ? kMaxWalkerWorkers : count;
}

void StartWalker(DirectoryWalker& walker, int32_t batch_size, uint32_t worker_count) {
  if (walker.started) return;
  walker.started = true;
  if (worker_count > kMaxWalkerWorkers) worker_count = kMaxWalkerWorkers;
  walker.active_workers = static_cast<int32_t>(worker_count);
  try {
    walker.controller =
        std::thread(ControllerMain, &walker, static_cast<uint32_t>(batch_size), worker_count);
  } catch (const std::system_error&) {
    walker.active_workers = 0;
    EndWalker(walker);  // nothing was walked, but the end is still reported once
  }
}

void StopWalker(DirectoryWalker& walker) {
  if (walker.stop.exchange(true)) return;
  std::deque<DirectoryNode*> drained;
  {
    std::lock_guard<std::mutex> hold(walker.lock);
    walker.done = true;
    drained.swap(walker.queue);
    walker.work_ready.notify_all();
  }
  // Unlisted nodes finish empty, which frees them and their waiting ancestors.
  for (DirectoryNode* node : drained) CompleteDirectory(walker, node);
  const int32_t own = tls_worker_walker == &walker ? 1 : 0;
  std::unique_lock<std::mutex> hold(walker.lock);
  walker.worker_exited.wait(hold, [&] { return walker.active_workers <= own; });
}

bool WalkerEnded(const DirectoryWalker& walker) { return walker.ended; }

void JoinWalker(DirectoryWalker& walker) {
  if (walker.controller.joinable()) walker.controller.join();
}

}  // namespace dravanta
