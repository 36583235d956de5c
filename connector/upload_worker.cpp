#include "connector/upload_worker.h"

#include <exception>
#include <system_error>
#include <thread>

namespace dravanta {
namespace {

// What an upload reads when the transport handed back no text at all.
constexpr std::u16string_view kNoAnswer = u"<Error>UNKNOWN</Error>";

void ClaimUploadSlot(ScanConnector& connector) {
  std::unique_lock lock(connector.count_lock);
  connector.uploads_changed.wait(
      lock, [&] { return connector.active_uploads < connector.max_uploads.load(); });
  ++connector.active_uploads;
}

void ReleaseUploadSlot(ScanConnector& connector) {
  {
    std::lock_guard lock(connector.count_lock);
    --connector.active_uploads;
  }
  connector.uploads_changed.notify_all();
}

void UploadWorker(ScanConnector& connector, ReportForm form, const ScanFile& file) {
  char16_t* answer = nullptr;
  const TransportCode code = connector.transport.ScanObject(0, file.path.c_str(), &answer);
  try {
    // Upload answers are read one at a time, so their reports never overlap.
    std::lock_guard lock(connector.count_lock);
    ++connector.state.processed_files;
    const std::u16string_view text = answer == nullptr ? kNoAnswer : std::u16string_view(answer);
    ReadUploadAnswer(connector.state, form, code, text, file);
  } catch (const std::exception&) {
    // The file goes unreported, but the slot must still come free.
  }
  connector.transport.FreeResult(answer);
  ReleaseUploadSlot(connector);
}

}  // namespace

void StartUpload(ScanConnector& connector, ReportForm form, const ScanFile& file) {
  ClaimUploadSlot(connector);
  ++connector.live_threads;
  try {
    std::thread([&connector, form, file] {
      UploadWorker(connector, form, file);
      // Last touch of the connector: after this it may be destroyed.
      --connector.live_threads;
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: upload on this thread rather than lose the file.
    UploadWorker(connector, form, file);
    --connector.live_threads;
  }
}

void WaitForUploads(ScanConnector& connector) {
  std::unique_lock lock(connector.count_lock);
  connector.uploads_changed.wait(lock, [&] { return connector.active_uploads == 0; });
}

}  // namespace dravanta
