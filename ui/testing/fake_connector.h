// A connector double for scan-control tests: records what the dialog asks
// for and lets the test deliver notifications as the connector would.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ui/connector_entry_points.h"

namespace dravanta {

struct FakeConnectorScript {
  int32_t initializeResult = 0;
  bool initialized = false;
  int32_t setOptionResult = 0;
  int32_t startResult = 0;  // what every start operation answers
  std::u16string engineCount = u"12";
  // Deliver the completion from inside the start operation, before it
  // returns (threats found, files, code).
  bool completeDuringStart = false;
  // Runs inside every start operation, before it answers.
  std::function<void()> onStart;
};

struct FakeConnectorRecord {
  std::vector<std::pair<std::u16string, std::u16string>> options;
  std::u16string apiKey;
  int initializeCalls = 0;
  int stopCalls = 0;
  int starts = 0;
  std::u16string startKind;  // "modules", "paths" or "drives"
  bool allModules = false;
  std::u16string targets;
  ModuleProgressCallback moduleProgress = nullptr;
  FileProgressCallback fileProgress = nullptr;
  CompletionCallback completion = nullptr;
  void* context = nullptr;
};

// The one fake of the test process.
FakeConnectorScript& FakeScript();
FakeConnectorRecord FakeRecord();
void ResetFakeConnector();
// Waits (bounded) until `count` starts have happened.
bool WaitForStarts(int count);
// The entry points bound to the fake.
const ConnectorEntryPoints& FakeConnector();

}  // namespace dravanta
