// The uploads of one scan run: files that a lookup did not settle wait in
// one queue, and a small pool of upload threads owned by the run takes the
// next one as each upload settles. At most max_uploads (never more than
// kMaxParallelUploads) files are uploaded at once; a thread is started only
// when a file waits and every existing thread is busy.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "connector/scan_connector.h"  // kMaxParallelUploads
#include "connector/scan_result_documents.h"
#include "connector/scan_state.h"

namespace dravanta {

struct ScanRun;

struct UploadItem {
  ReportForm form = ReportForm::kFile;
  ScanFile file;
};

struct UploadPool {
  // Guards every field below and serialises the reading of upload answers,
  // so that upload reports never overlap.
  std::mutex count_lock;
  std::condition_variable work_ready;  // a file waits, or the pool stops
  std::condition_variable drained;     // no file waits and none is uploading
  std::deque<UploadItem> queue;
  int32_t active_uploads = 0;  // taken by a thread, not yet reported
  int32_t max_uploads = kMaxParallelUploads;
  bool stopping = false;  // files still waiting are dropped
  std::vector<std::thread> threads;
};

// Queues files for upload, in order, and starts a thread for each file that
// no idle thread can take, up to the limit. Without any thread to be had the
// files are uploaded on the calling thread before this returns.
void QueueUploads(ScanRun& run, ReportForm form, std::vector<ScanFile> files);

// Waits until no file of the run waits or uploads, or the run stops.
void WaitForUploads(ScanRun& run);

// Drops the waiting files and takes no more; running uploads still settle
// and report. Wakes everyone who waits on the pool.
void CloseUploads(UploadPool& pool);

// After CloseUploads: joins every upload thread. Not from an upload thread.
void JoinUploads(UploadPool& pool);

}  // namespace dravanta
