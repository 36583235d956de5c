#include "ui/notification_gate.h"

#include <deque>
#include <shared_mutex>

#include "ui/main_dialog.h"

namespace dravanta {
namespace {

struct NotificationGate {
  std::shared_mutex lock;
  CQn5raClntDlg* active = nullptr;
  const ScanTicket* current = nullptr;
  std::deque<ScanTicket> tickets;  // every ticket issued; addresses stay put
};

// Destroyed at the end of the process; the dialog has stopped the
// connector's scan (and with it every notification) before then.
NotificationGate& Gate() {
  static NotificationGate gate;
  return gate;
}

const ScanTicket* TicketOf(void* context) { return static_cast<const ScanTicket*>(context); }

}  // namespace

void ActivateDialog(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::unique_lock<std::shared_mutex> hold(gate.lock);
  if (gate.active != dialog) gate.current = nullptr;
  gate.active = dialog;
}

void DeactivateDialog(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::unique_lock<std::shared_mutex> hold(gate.lock);
  if (gate.active != dialog) return;
  gate.active = nullptr;
  gate.current = nullptr;
}

bool IsActiveDialog(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::shared_lock<std::shared_mutex> hold(gate.lock);
  return dialog != nullptr && gate.active == dialog;
}

ScanTicket* BeginScanNotifications(CQn5raClntDlg* dialog) {
  NotificationGate& gate = Gate();
  std::unique_lock<std::shared_mutex> hold(gate.lock);
  if (dialog == nullptr || gate.active != dialog) return nullptr;
  ScanTicket& ticket = gate.tickets.emplace_back(ScanTicket{dialog});
  gate.current = &ticket;
  return &ticket;
}

bool WithActiveScan(const ScanTicket* ticket, const std::function<void(CQn5raClntDlg&)>& work) {
  NotificationGate& gate = Gate();
  std::shared_lock<std::shared_mutex> hold(gate.lock);
  if (gate.active == nullptr || ticket == nullptr || gate.current != ticket) return false;
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

void CB_ModuleScanProgress(void* context, int32_t stage, int32_t, int32_t, std::u16string_view path,
                           ScanOutcome code, std::u16string_view threat_name,
                           std::u16string_view details) {
  WithActiveScan(TicketOf(context), [&](CQn5raClntDlg& dialog) {
    dialog.HandleModuleProgress(stage, path, code, threat_name, details);
  });
}

void CB_FileScanProgress(void* context, uint64_t, uint64_t size, std::u16string_view path,
                         ScanOutcome code, std::u16string_view threat_name,
                         std::u16string_view details) {
  WithActiveScan(TicketOf(context), [&](CQn5raClntDlg& dialog) {
    dialog.HandleFileProgress(path, size, code, threat_name, details);
  });
}

void CB_ScanComplete(void* context, bool threats_found, int32_t files_scanned, ScanOutcome code,
                     std::u16string_view message) {
  WithActiveScan(TicketOf(context), [&](CQn5raClntDlg& dialog) {
    dialog.HandleCompletion(threats_found, files_scanned, code, message);
  });
}

}  // namespace dravanta
