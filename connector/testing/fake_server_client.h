// A stand-in for the transport's table of entry points, for tests of the
// connector: scripted answers, and a record of what the connector asked.
//
// The table's entry points are plain functions, so the script and the
// record are process-wide. Set the script before a start; the entry points
// may then be called from many threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "transport/server_client.h"

namespace dravanta {

struct FakeTransportScript {
  // Name of the option whose SetOption fails (empty: none fails).
  std::u16string refused_option;
  TransportCode initialise_code = TransportOk;
  TransportCode engine_info_code = TransportOk;
  std::u16string engine_info_answer =
      u"<method_response><name>getengineinfo</name><engines><engine/><engine/></engines>"
      u"</method_response>";
  // Lookups and uploads; unset: every file is clean / the upload answers 0.
  std::function<TransportCode(const std::vector<std::u16string>& paths, std::u16string* answer)>
      scan_multiple;
  std::function<TransportCode(const std::u16string& path, std::u16string* answer)> scan_object;
  // Answer with a null text instead of an allocated one.
  bool null_upload_answer = false;
};

struct FakeTransportRecord {
  std::mutex lock;
  std::vector<std::pair<std::u16string, std::u16string>> options;  // guarded by lock
  std::vector<std::vector<std::u16string>> lookups;                // guarded by lock
  std::vector<std::u16string> uploads;                             // guarded by lock
  std::atomic<int> initialise_calls{0};
  std::atomic<int> engine_info_calls{0};
  std::atomic<int> running_uploads{0};
  std::atomic<int> most_running_uploads{0};
  std::atomic<int> unreleased_answers{0};
};

// Replaces the script and clears the record.
void ResetFakeTransport(FakeTransportScript script = {});
FakeTransportRecord& FakeRecord();
const ServerClient& FakeServerClient();

// A lookup answer with one "object" element per result number.
std::u16string LookupAnswer(const std::vector<int>& results);

}  // namespace dravanta
