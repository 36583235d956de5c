#include "connector/testing/fake_server_client.h"

#include <cstring>
#include <memory>

namespace dravanta {
namespace {

FakeTransportScript& Script() {
  static FakeTransportScript* const script = new FakeTransportScript;
  return *script;
}

char16_t* Allocate(const std::u16string& text) {
  auto* copy = new char16_t[text.size() + 1];
  std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  ++FakeRecord().unreleased_answers;
  return copy;
}

TransportCode FakeInitialise() {
  ++FakeRecord().initialise_calls;
  return Script().initialise_code;
}

TransportCode FakeDeinitialise() { return TransportOk; }

TransportCode FakeSetOption(const char16_t* name, const char16_t* value) {
  if (name == nullptr || value == nullptr) return TransportInvalidArgument;
  {
    std::lock_guard lock(FakeRecord().lock);
    FakeRecord().options.emplace_back(name, value);
  }
  return name == Script().refused_option ? TransportInvalidArgument : TransportOk;
}

TransportCode FakeScanObject(std::uint32_t, const char16_t* object, char16_t** result) {
  FakeTransportRecord& record = FakeRecord();
  const int running = ++record.running_uploads;
  for (int most = record.most_running_uploads; running > most;) {
    if (record.most_running_uploads.compare_exchange_weak(most, running)) break;
  }
  {
    std::lock_guard lock(record.lock);
    record.uploads.emplace_back(object);
  }
  std::u16string answer = u"<final_scan_result>0</final_scan_result><objects></objects>";
  TransportCode code = TransportOk;
  if (Script().scan_object) code = Script().scan_object(object, &answer);
  --record.running_uploads;
  *result = Script().null_upload_answer ? nullptr : Allocate(answer);
  return code;
}

TransportCode FakeScanMultiple(std::uint32_t, const char16_t* const* objects, std::uint32_t count,
                               char16_t** result) {
  std::vector<std::u16string> paths(objects, objects + count);
  {
    std::lock_guard lock(FakeRecord().lock);
    FakeRecord().lookups.push_back(paths);
  }
  std::u16string answer = LookupAnswer(std::vector<int>(count, 0));
  TransportCode code = TransportOk;
  if (Script().scan_multiple) code = Script().scan_multiple(paths, &answer);
  *result = Allocate(answer);
  return code;
}

TransportCode FakeAnalyzeFileType(std::uint32_t, const char16_t*, char16_t** result) {
  *result = Allocate({});
  return TransportInvalidArgument;
}

TransportCode FakeFreeResult(char16_t* text) {
  if (text != nullptr) {
    --FakeRecord().unreleased_answers;
    delete[] text;
  }
  return TransportOk;
}

TransportCode FakeGetEngineInfo(char16_t** result) {
  ++FakeRecord().engine_info_calls;
  *result = Allocate(Script().engine_info_answer);
  return Script().engine_info_code;
}

}  // namespace

void ResetFakeTransport(FakeTransportScript script) {
  Script() = std::move(script);
  FakeTransportRecord& record = FakeRecord();
  std::lock_guard lock(record.lock);
  record.options.clear();
  record.lookups.clear();
  record.uploads.clear();
  record.initialise_calls = 0;
  record.engine_info_calls = 0;
  record.running_uploads = 0;
  record.most_running_uploads = 0;
  record.unreleased_answers = 0;
}

FakeTransportRecord& FakeRecord() {
  static FakeTransportRecord* const record = new FakeTransportRecord;
  return *record;
}

const ServerClient& FakeServerClient() {
  static const ServerClient table{&FakeInitialise, &FakeDeinitialise, &FakeSetOption,
                                  &FakeScanObject, &FakeScanMultiple, &FakeAnalyzeFileType,
                                  &FakeFreeResult, &FakeGetEngineInfo};
  return table;
}

std::u16string LookupAnswer(const std::vector<int>& results) {
  std::u16string answer = u"<?xml version=\"1.0\"?><response><objects>";
  for (int result : results) {
    std::string digits = std::to_string(result);
    answer += u"<object><final_scan_result>" + std::u16string(digits.begin(), digits.end()) +
              u"</final_scan_result></object>";
  }
  return answer + u"</objects></response>";
}

}  // namespace dravanta
