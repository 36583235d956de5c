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
  int32_t initialise_result = 0;
  bool initialised = false;
  int32_t set_option_result = 0;
  int32_t start_result = 0;  // what every start operation answers
  std::u16string engineCount = u"12";
  // Deliver the completion from inside the start operation, before it
  // returns (threats found, files, code).
  bool complete_during_start = false;
  // Runs inside every start operation, before it answers.
  std::function<void()> on_start;
};

struct FakeConnectorRecord {
  std::vector<std::pair<std::u16string, std::u16string>> options;
  std::u16string api_key;
  int initialise_calls = 0;
  int stop_calls = 0;
  int starts = 0;
  std::u16string start_kind;  // "modules", "paths" or "drives"
  bool all_modules = false;
  std::u16string targets;
  ModuleProgressCallback module_progress = nullptr;
  FileProgressCallback file_progress = nullptr;
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
