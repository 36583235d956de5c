// One scan, from its start to the joining of its last thread.
//
// A start of the connector makes one ScanRun. The run holds the handlers and
// their context, the counters, the walkers with their collection, the upload
// pool and the module scan thread; it delivers exactly one completion (the
// finished mark in its state guards it). Stopping or destroying it joins
// every thread it started. Internal to the connector.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "collection/scan_collection.h"
#include "collection/size_filter.h"
#include "connector/scan_state.h"
#include "transport/server_client.h"
#include "upload_pool.h"

namespace dravanta {

struct ScanRun {
  ScanRun(const ServerClient& table, std::atomic<bool>* busy_flag);
  // Stops the run (StopScanRun).
  ~ScanRun();
  ScanRun(const ScanRun&) = delete;
  ScanRun& operator=(const ScanRun&) = delete;

  ServerClient transport;
  // The connector's busy flag, cleared just before the completion is called.
  std::atomic<bool>* busy;
  // Handlers, counters, the threats-found mark and the finished guard.
  ScanState state;
  // Guards the module map and every take from a module upload queue.
  std::mutex collection_lock;
  UploadPool uploads;
  std::thread module_thread;
  std::atomic<int32_t> finished_walkers{0};
  SizeFilter size_filter;
  bool stopped = false;  // read and written by the run's owner only
  // Last, so that its walkers stop before anything they use goes.
  ScanCollection collection;
};

// Ends the run: a run whose completion has not been delivered delivers it
// at once with (threats found, 0, kOutcomeFailed, "Scan stopped"); waiting
// uploads are dropped; the walkers, the module scan thread and the upload
// threads are stopped and joined. Running
// requests are not interrupted: each ends within the transport's time-outs.
// A second call returns at once. Never from one of the run's own threads.
void StopScanRun(ScanRun& run);

// Delivers the completion unless one was delivered already: clears busy
// first, so that a start made from the completion passes the gate.
void DeliverCompletion(ScanRun& run, int32_t files_scanned, ScanOutcome code,
                       std::u16string_view message);

// Abandons the scan: stops the walkers and delivers the completion with
// (threats found, 0, code, message). Uploads still running go on reporting.
void AbortScan(ScanRun& run, ScanOutcome code, std::u16string_view message);

}  // namespace dravanta
