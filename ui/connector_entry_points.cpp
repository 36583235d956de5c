#include "ui/connector_entry_points.h"

#include "connector/scan_connector.h"

namespace dravanta {

const ConnectorEntryPoints& ProcessConnector() {
  static const ConnectorEntryPoints entry_points = {
      [](std::u16string_view key) { return InitializeConnector(key); },
      [] { return IsConnectorInitialized(); },
      [](const char16_t* name, const char16_t* value) { return SetConnectorOption(name, value); },
      [](bool all, ModuleProgressCallback progress, CompletionCallback completion, void* context) {
        return ScanLoadedModules(all, progress, completion, context);
      },
      [](std::u16string_view targets, FileProgressCallback progress, CompletionCallback completion,
         void* context) { return ScanPaths(targets, progress, completion, context); },
      [](FileProgressCallback progress, CompletionCallback completion, void* context) {
        return ScanAllDrives(progress, completion, context);
      },
      [](char16_t* buffer) { return GetEngineCount(buffer); },
      [] { StopConnectorScan(); },
      [] { return GetScanCoverage(); },
  };
  return entry_points;
}

}  // namespace dravanta
