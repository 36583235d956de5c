#include "connector/scan_connector.h"

#include "connector/error_message_hook.h"
#include "connector/transport_preparation.h"
#include "internal/scan_connector_internal.h"
#include "internal/scan_driver.h"

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
    if (prepared != kScanStarted) {
      Tell(voice, u"Error initializing connector");
      connector.busy = false;
      return prepared;
    }
    connector.transport_prepared = true;
  }
  return kScanStarted;
}

// Makes the run of a start that passed the gate. The previous run (and a
// retired one) are stopped and joined before this returns, unless the start
// is made from one of their own handlers: that one is kept as retired.
ScanRun& BeginRun(ScanConnector& connector) {
  auto fresh = std::make_unique<ScanRun>(connector.transport, &connector.busy);
  ScanRun& run = *fresh;
  std::unique_ptr<ScanRun> ended[2];
  {
    std::lock_guard lock(connector.run_lock);
    ended[0] = std::move(connector.run);
    ended[1] = std::move(connector.retired);
    connector.run = std::move(fresh);
    for (std::unique_ptr<ScanRun>& previous : ended) {
      if (previous && InsideHandlerOf(previous->state)) connector.retired = std::move(previous);
    }
  }
  return run;  // the ended runs are joined here, before the new one starts
}

// A path or drive start whose collection could not begin leaves no scan
// running: its run delivers nothing, and the connector is free again.
int32_t EndCollectionStart(ScanConnector& connector, ScanRun& run, int32_t result) {
  if (result == kScanStarted) return result;
  run.state.finished = true;
  connector.busy = false;
  return result;
}

ScanConnector& ProcessConnector() {
  static ScanConnector connector;
  return connector;
}

}  // namespace

ScanConnector::~ScanConnector() { StopConnectorScan(*this); }

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
  return StartModuleScan(BeginRun(connector), all_modules, progress, completion, context);
}

int32_t ScanPaths(ScanConnector& connector, std::u16string_view targets,
                  FileProgressCallback progress, CompletionCallback completion, void* context) {
  const int32_t gate = PassStartGate(connector, GateVoice::kReports);
  if (gate != kScanStarted) return gate;
  ScanRun& run = BeginRun(connector);
  return EndCollectionStart(
      connector, run,
      StartPathsScan(run, connector.options, targets, progress, completion, context));
}

int32_t ScanAllDrives(ScanConnector& connector, FileProgressCallback progress,
                      CompletionCallback completion, void* context) {
  const int32_t gate = PassStartGate(connector, GateVoice::kReports);
  if (gate != kScanStarted) return gate;
  ScanRun& run = BeginRun(connector);
  return EndCollectionStart(connector, run,
                            StartDrivesScan(run, connector.options, progress, completion, context));
}

void StopConnectorScan(ScanConnector& connector) {
  // A handler may start another scan while one is stopped; that one is
  // taken in the next round.
  while (true) {
    std::unique_ptr<ScanRun> run;
    std::unique_ptr<ScanRun> retired;
    {
      std::lock_guard lock(connector.run_lock);
      run = std::move(connector.run);
      retired = std::move(connector.retired);
    }
    if (run == nullptr && retired == nullptr) return;
  }
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

void StopConnectorScan() { StopConnectorScan(ProcessConnector()); }

void ScanConnectorDeleter::operator()(ScanConnector* connector) const { delete connector; }

OwnedScanConnector MakeScanConnector() { return OwnedScanConnector(new ScanConnector()); }

ScanCoverage GetScanCoverage(ScanConnector& connector) {
  std::lock_guard lock(connector.run_lock);
  return connector.run ? connector.run->state.Coverage() : ScanCoverage{};
}

ScanCoverage GetScanCoverage() { return GetScanCoverage(ProcessConnector()); }

}  // namespace dravanta
