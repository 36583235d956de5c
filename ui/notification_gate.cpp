#include "ui/notification_gate.h"

#include <shared_mutex>

#include "ui/main_dialog.h"

namespace dravanta {
namespace {

struct NotificationGate {
  std::shared_mutex lock;
  CQn5raClntDlg* active = nullptr;
  uint64_t serial = 0;
  uint64_t lastSerial = 0;
};

// Never destroyed: uploads of an abandoned scan may still report while the
// process ends.
NotificationGate& Gate() {
  static NotificationGate* gate = new NotificationGate;
  return *gate;
}

uint64_t SerialOf(void* context) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(context));
}

}  // namespace

void ActivateDialog(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::unique_lock<std::shared_mutex> hold(gate.lock);
  if (gate.active != dialog) gate.serial = 0;
  gate.active = dialog;
}

void DeactivateDialog(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::unique_lock<std::shared_mutex> hold(gate.lock);
  if (gate.active != dialog) return;
  gate.active = nullptr;
  gate.serial = 0;
}

bool IsActiveDialog(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::shared_lock<std::shared_mutex> hold(gate.lock);
  return dialog != nullptr && gate.active == dialog;
}

uint64_t BeginScanNotifications(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::unique_lock<std::shared_mutex> hold(gate.lock);
  if (dialog == nullptr || gate.active != dialog) return 0;
  gate.serial = ++gate.lastSerial;
  return gate.serial;
}

bool WithActiveScan(uint64_t serial, const std::function<void(CQn5raClntDlg&)>& work) {
  NotificationGate& gate = Gate();
  std::shared_lock<std::shared_mutex> hold(gate.lock);
  if (gate.active == nullptr || serial == 0 || gate.serial != serial) return false;
  work(*gate.active);
  return true;
}

bool WithActiveDialog(CQn5raClntDlg* dialog, const std::function<void()>& work) {
  NotificationGate& gate = Gate();
  std::shared_lock<std::shared_mutex> hold(gate.lock);
  if (dialog == nullptr || gate.active != dialog) return false;
  work();
  return true;
}

void* ScanContext(uint64_t serial) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(serial));
}

void CB_ModuleScanProgress(void* context, int32_t stage, int32_t, int32_t, std::u16string_view path,
                           ScanOutcome code, std::u16string_view threat_name,
                           std::u16string_view details) {
  WithActiveScan(SerialOf(context), [&](CQn5raClntDlg& dialog) {
    dialog.HandleModuleProgress(stage, path, code, threat_name, details);
  });
}

void CB_FileScanProgress(void* context, uint64_t, uint64_t size, std::u16string_view path,
                         ScanOutcome code, std::u16string_view threat_name,
                         std::u16string_view details) {
  WithActiveScan(SerialOf(context), [&](CQn5raClntDlg& dialog) {
    dialog.HandleFileProgress(path, size, code, threat_name, details);
  });
}

void CB_ScanComplete(void* context, bool threats_found, int32_t files_scanned, ScanOutcome code,
                     std::u16string_view message) {
  WithActiveScan(SerialOf(context), [&](CQn5raClntDlg& dialog) {
    dialog.HandleCompletion(threats_found, files_scanned, code, message);
  });
}

}  // namespace dravanta
