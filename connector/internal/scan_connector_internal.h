// The connector object: option store, flags, start lock and the current
// scan run. Internal to the connector and its tests; callers use
// connector/scan_connector.h.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "connector/connector_options.h"
#include "connector/scan_connector.h"
#include "scan_run.h"

namespace dravanta {

struct ScanConnector {
  ScanConnector() = default;
  // Stops the scan and joins its threads (StopConnectorScan).
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

  // Guards the swapping of run and retired (never held while a run is
  // stopped).
  std::mutex run_lock;
  // The current (or last) scan; replaced, after it has been stopped and
  // joined, by the thread that passes the next start gate.
  std::unique_ptr<ScanRun> run;
  // A run replaced by a start made from one of its own handlers, which
  // cannot wait for its own thread: joined by the next start made elsewhere,
  // or by StopConnectorScan.
  std::unique_ptr<ScanRun> retired;
};

}  // namespace dravanta
