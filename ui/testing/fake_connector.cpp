#include "ui/testing/fake_connector.h"

#include <chrono>

namespace dravanta {
namespace {

struct Fake {
  std::mutex lock;
  std::condition_variable started;
  FakeConnectorScript script;
  FakeConnectorRecord record;
};

// Never destroyed: a test may deliver notifications from threads of its own
// until the test program ends.
Fake& TheFake() {
  static Fake* fake = new Fake;
  return *fake;
}

int32_t RecordStart(const char16_t* kind, CompletionCallback completion, void* context) {
  Fake& f = TheFake();
  int32_t result;
  bool complete;
  std::function<void()> on_start;
  {
    std::lock_guard<std::mutex> hold(f.lock);
    on_start = f.script.on_start;
  }
  // Before the start is counted: a test that waits for the start then sees
  // everything its hook saw.
  if (on_start) on_start();
  {
    std::lock_guard<std::mutex> hold(f.lock);
    f.record.starts++;
    f.record.start_kind = kind;
    f.record.completion = completion;
    f.record.context = context;
    result = f.script.start_result;
    complete = f.script.complete_during_start && result == 0;
  }
  if (complete) completion(context, false, 3, 0, u"");
  f.started.notify_all();
  return result;
}

}  // namespace

FakeConnectorScript& FakeScript() { return TheFake().script; }

FakeConnectorRecord FakeRecord() {
  std::lock_guard<std::mutex> hold(TheFake().lock);
  return TheFake().record;
}

void ResetFakeConnector() {
  std::lock_guard<std::mutex> hold(TheFake().lock);
  TheFake().script = {};
  TheFake().record = {};
}

bool WaitForStarts(int count) {
  Fake& f = TheFake();
  std::unique_lock<std::mutex> hold(f.lock);
  return f.started.wait_for(hold, std::chrono::seconds(10),
                            [&] { return f.record.starts >= count; });
}

const ConnectorEntryPoints& FakeConnector() {
  static const ConnectorEntryPoints entry_points = {
      [](std::u16string_view key) {
        std::lock_guard<std::mutex> hold(TheFake().lock);
        TheFake().record.initialise_calls++;
        TheFake().record.api_key = key;
        if (TheFake().script.initialise_result == 0) TheFake().script.initialised = true;
        return TheFake().script.initialise_result;
      },
      [] {
        std::lock_guard<std::mutex> hold(TheFake().lock);
        return TheFake().script.initialised;
      },
      [](const char16_t* name, const char16_t* value) {
        std::lock_guard<std::mutex> hold(TheFake().lock);
        TheFake().record.options.emplace_back(name, value);
        return TheFake().script.set_option_result;
      },
      [](bool all, ModuleProgressCallback progress, CompletionCallback completion, void* context) {
        {
          std::lock_guard<std::mutex> hold(TheFake().lock);
          TheFake().record.all_modules = all;
          TheFake().record.module_progress = progress;
        }
        return RecordStart(u"modules", completion, context);
      },
      [](std::u16string_view targets, FileProgressCallback progress, CompletionCallback completion,
         void* context) {
        {
          std::lock_guard<std::mutex> hold(TheFake().lock);
          TheFake().record.targets = targets;
          TheFake().record.file_progress = progress;
        }
        return RecordStart(u"paths", completion, context);
      },
      [](FileProgressCallback progress, CompletionCallback completion, void* context) {
        {
          std::lock_guard<std::mutex> hold(TheFake().lock);
          TheFake().record.file_progress = progress;
        }
        return RecordStart(u"drives", completion, context);
      },
      [](char16_t* buffer) -> uint32_t {
        std::lock_guard<std::mutex> hold(TheFake().lock);
        const std::u16string& count = TheFake().script.engineCount;
        count.copy(buffer, 99);
        buffer[std::min<size_t>(count.size(), 99)] = 0;
        return 0;
      },
      [] {
        std::lock_guard<std::mutex> hold(TheFake().lock);
        TheFake().record.stop_calls++;
      },
  };
  return entry_points;
}

}  // namespace dravanta
