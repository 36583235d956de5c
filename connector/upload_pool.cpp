#include "internal/upload_pool.h"

#include <algorithm>
#include <exception>
#include <system_error>

#include "internal/scan_run.h"

namespace dravanta {
namespace {

// What an upload reads when the transport handed back no text at all.
constexpr std::u16string_view kNoAnswer = u"<Error>UNKNOWN</Error>";

int32_t UploadLimit(const UploadPool& pool) {
  return std::clamp(pool.max_uploads, int32_t{1}, kMaxParallelUploads);
}

// Uploads one file and reports it, then frees its place. The answer is read
// under the count lock, so reports of uploads come one at a time.
void UploadOne(ScanRun& run, const UploadItem& item) {
  char16_t* answer = nullptr;
  const TransportCode code = run.transport.ScanObject(0, item.file.path.c_str(), &answer);
  UploadPool& pool = run.uploads;
  {
    std::lock_guard lock(pool.count_lock);
    try {
      ++run.state.processed_files;
      const std::u16string_view text = answer == nullptr ? kNoAnswer : std::u16string_view(answer);
      ReadUploadAnswer(run.state, item.form, code, text, item.file);
    } catch (const std::exception&) {
      // The file goes unreported, but its place must still come free.
    }
    --pool.active_uploads;
    if (pool.active_uploads == 0 && pool.queue.empty()) pool.drained.notify_all();
  }
  run.transport.FreeResult(answer);
}

// Takes the next waiting file. False when the pool stops, or (with wait
// false) when no file waits.
bool TakeNext(UploadPool& pool, bool wait, UploadItem* item) {
  std::unique_lock lock(pool.count_lock);
  if (wait) pool.work_ready.wait(lock, [&] { return pool.stopping || !pool.queue.empty(); });
  if (pool.stopping || pool.queue.empty()) return false;
  *item = std::move(pool.queue.front());
  pool.queue.pop_front();
  ++pool.active_uploads;
  return true;
}

// One thread of the pool: uploads the next waiting file until the run stops.
void UploadLoop(ScanRun& run) {
  UploadItem item;
  while (TakeNext(run.uploads, true, &item)) UploadOne(run, item);
}

// Starts a thread when a file waits that no idle thread will take. Called
// with the count lock held. False when no thread could be had.
bool GrowPool(ScanRun& run, size_t waiting) {
  UploadPool& pool = run.uploads;
  const size_t limit = static_cast<size_t>(UploadLimit(pool));
  while (pool.threads.size() < limit) {
    // Uploads made on a calling thread count as active without a thread.
    const size_t busy = static_cast<size_t>(pool.active_uploads);
    const size_t idle = pool.threads.size() > busy ? pool.threads.size() - busy : 0;
    if (idle >= waiting) break;
    try {
      pool.threads.emplace_back(UploadLoop, std::ref(run));
    } catch (const std::system_error&) {
      return !pool.threads.empty();
    }
  }
  return true;
}

}  // namespace

void QueueUploads(ScanRun& run, ReportForm form, std::vector<ScanFile> files) {
  if (files.empty()) return;
  UploadPool& pool = run.uploads;
  bool pooled;
  {
    std::lock_guard lock(pool.count_lock);
    if (pool.stopping) return;
    for (ScanFile& file : files) pool.queue.push_back({form, std::move(file)});
    pooled = GrowPool(run, pool.queue.size());
  }
  pool.work_ready.notify_all();
  if (pooled) return;
  // No thread to be had: upload here rather than lose the files.
  UploadItem item;
  while (TakeNext(pool, false, &item)) UploadOne(run, item);
}

void WaitForUploads(ScanRun& run) {
  UploadPool& pool = run.uploads;
  std::unique_lock lock(pool.count_lock);
  pool.drained.wait(
      lock, [&] { return pool.stopping || (pool.active_uploads == 0 && pool.queue.empty()); });
}

void CloseUploads(UploadPool& pool) {
  {
    std::lock_guard lock(pool.count_lock);
    pool.stopping = true;
    pool.queue.clear();
  }
  pool.work_ready.notify_all();
  pool.drained.notify_all();
}

void JoinUploads(UploadPool& pool) {
  std::vector<std::thread> threads;
  {
    // Once closed the pool starts no thread, so the list is final.
    std::lock_guard lock(pool.count_lock);
    threads.swap(pool.threads);
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace dravanta
