#include "connector/upload_worker.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>

namespace dravanta {
namespace {

// What an upload reads when the transport handed back no text at all.
constexpr std::u16string_view kNoAnswer = u"<Error>UNKNOWN</Error>";

// Waits for a free slot and takes it. Returns its index.
size_t ClaimUploadSlot(ScanConnector& connector) {
  std::unique_lock lock(connector.count_lock);
  connector.uploads_changed.wait(lock, [&] {
    return connector.active_uploads < std::min(connector.max_uploads.load(), kMaxParallelUploads);
  });
  ++connector.active_uploads;
  size_t slot = 0;
  while (connector.upload_slot_busy[slot]) ++slot;  // fewer are busy than there are slots
  connector.upload_slot_busy[slot] = true;
  return slot;
}

void ReleaseUploadSlot(ScanConnector& connector, size_t slot) {
  {
    std::lock_guard lock(connector.count_lock);
    --connector.active_uploads;
    connector.upload_slot_busy[slot] = false;
  }
  connector.uploads_changed.notify_all();
}

void UploadWorker(ScanConnector& connector, ReportForm form, const ScanFile& file, size_t slot) {
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
  ReleaseUploadSlot(connector, slot);
}

}  // namespace

void StartUpload(ScanConnector& connector, ReportForm form, const ScanFile& file) {
  const size_t slot = ClaimUploadSlot(connector);
  // The slot's previous thread has freed the slot, so it is on its way out:
  // waiting for it is short, and it keeps one thread per slot.
  std::thread previous;
  {
    std::lock_guard lock(connector.count_lock);
    previous = std::move(connector.upload_threads[slot]);
  }
  if (previous.joinable()) previous.join();
  ++connector.live_threads;
  try {
    // Stored under the lock: the new thread cannot free its slot (and a
    // later start cannot take the slot's handle) before it is stored.
    std::lock_guard lock(connector.count_lock);
    connector.upload_threads[slot] = std::thread([&connector, form, file, slot] {
      UploadWorker(connector, form, file, slot);
      // Last touch of the connector: after this it may be destroyed.
      --connector.live_threads;
    });
  } catch (const std::system_error&) {
    // No thread to be had: upload on this thread rather than lose the file.
    UploadWorker(connector, form, file, slot);
    --connector.live_threads;
  }
}

void WaitForUploads(ScanConnector& connector) {
  std::unique_lock lock(connector.count_lock);
  connector.uploads_changed.wait(lock, [&] { return connector.active_uploads == 0; });
}

}  // namespace dravanta
