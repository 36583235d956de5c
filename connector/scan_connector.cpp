#include "connector/scan_connector.h"

#include <chrono>
#include <thread>

#include "connector/error_message_hook.h"
#include "connector/scan_driver.h"
#include "connector/transport_preparation.h"

namespace dravanta {
namespace {

// Which start passes the gate; module scans tell the hook nothing.
enum class GateVoice { kSilent, kReports };

void Tell(GateVoice voice, std::u16string_view message) {
  if (voice == GateVoice::kReports) ReportConnectorError(message);
}

// The gate every start passes: initialised, not busy, transport prepared.
// On kScanStarted busy is set and the caller goes on with its scan.
int32_t PassStartGate(ScanConnector& connector, GateVoice voice) {
  if (!connector.initialised) {
    Tell(voice, u"Library uninitialized");
    return kScanRefused;
  }
  std::lock_guard lock(connector.start_lock);
  if (connector.busy) {
    Tell(voice, u"Attempted to start scan, but another scan already in progress");
    return kScanRefused;
  }
  connector.busy = true;
  if (!connector.transport_prepared) {
    const int32_t prepared =
        PrepareTransport(connector.transport, connector.options, connector.api_key);
    if (prepared != kPrepared) {
      Tell(voice, u"Error initializing connector");
      connector.busy = false;
      return prepared;
    }
    connector.transport_prepared = true;
  }
  return kScanStarted;
}

// A path or drive start whose collection could not begin leaves no scan
// running, so the connector is free again.
int32_t EndCollectionStart(ScanConnector& connector, int32_t result) {
  if (result != kScanStarted) connector.busy = false;
  return result;
}

ScanConnector& ProcessConnector() {
  // Never destroyed: detached scan threads may still run at process exit.
  static ScanConnector* const connector = new ScanConnector;
  return *connector;
}

}  // namespace

ScanConnector::ScanConnector() { state.total_bytes = &collection.total_bytes; }

ScanConnector::~ScanConnector() {
  // Detached threads hold the connector until their last step.
  while (live_threads > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  for (std::thread& thread : upload_threads) {
    if (thread.joinable()) thread.join();
  }
}

int32_t InitializeConnector(ScanConnector& connector, std::u16string_view api_key,
                            const ServerClient& transport) {
  connector.transport = transport;
  connector.options = ConnectorOptions{};
  connector.api_key = api_key;
  connector.initialised = true;
  return 0;
}

bool IsConnectorInitialized(const ScanConnector& connector) { return connector.initialised; }

int32_t SetConnectorOption(ScanConnector& connector, const char16_t* name, const char16_t* value) {
  if (!connector.initialised) return kOptionNotInitialised;
  return StoreConnectorOption(connector.options, name, value);
}

int32_t ScanLoadedModules(ScanConnector& connector, bool all_modules,
                          ModuleProgressCallback progress, CompletionCallback completion,
                          void* context) {
  const int32_t gate = PassStartGate(connector, GateVoice::kSilent);
  if (gate != kScanStarted) return gate;
  return StartModuleScan(connector, all_modules, progress, completion, context);
}

int32_t ScanPaths(ScanConnector& connector, std::u16string_view targets,
                  FileProgressCallback progress, CompletionCallback completion, void* context) {
  const int32_t gate = PassStartGate(connector, GateVoice::kReports);
  if (gate != kScanStarted) return gate;
  return EndCollectionStart(connector,
                            StartPathsScan(connector, targets, progress, completion, context));
}

int32_t ScanAllDrives(ScanConnector& connector, FileProgressCallback progress,
                      CompletionCallback completion, void* context) {
  const int32_t gate = PassStartGate(connector, GateVoice::kReports);
  if (gate != kScanStarted) return gate;
  return EndCollectionStart(connector, StartDrivesScan(connector, progress, completion, context));
}

int32_t InitializeConnector(std::u16string_view api_key) {
  return InitializeConnector(ProcessConnector(), api_key, GetServerClient());
}

bool IsConnectorInitialized() { return IsConnectorInitialized(ProcessConnector()); }

int32_t SetConnectorOption(const char16_t* name, const char16_t* value) {
  return SetConnectorOption(ProcessConnector(), name, value);
}

int32_t ScanLoadedModules(bool all_modules, ModuleProgressCallback progress,
                          CompletionCallback completion, void* context) {
  return ScanLoadedModules(ProcessConnector(), all_modules, progress, completion, context);
}

int32_t ScanPaths(std::u16string_view targets, FileProgressCallback progress,
                  CompletionCallback completion, void* context) {
  return ScanPaths(ProcessConnector(), targets, progress, completion, context);
}

int32_t ScanAllDrives(FileProgressCallback progress, CompletionCallback completion, void* context) {
  return ScanAllDrives(ProcessConnector(), progress, completion, context);
}

ScanCoverage GetScanCoverage(ScanConnector& connector) { return connector.state.Coverage(); }

ScanCoverage GetScanCoverage() { return GetScanCoverage(ProcessConnector()); }

}  // namespace dravanta
