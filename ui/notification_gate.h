// The one way the connector's notifications and the scan worker reach the
// dialog. The active dialog and the ticket of its current scan are kept here;
// a notification of another scan, or one that arrives after EndScanControl
// (StopScan, or a scan still running at exit), touches nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "connector/scan_callbacks.h"

namespace dravanta {

class CQn5raClntDlg;

// One scan of a dialog, as the connector's callbacks know it (their context).
// The gate keeps every ticket it issued until the end of the process, so a
// late notification of an old scan still finds its ticket, and is dropped.
struct ScanTicket {
  CQn5raClntDlg* dialog = nullptr;
};

// The dialog becomes the active one (the page has initialised).
void ActivateDialog(CQn5raClntDlg* dialog);

// Ends the dialog's part: later notifications are dropped. Returns after every
// notification that was running inside the dialog has left it.
void DeactivateDialog(CQn5raClntDlg* dialog);

bool IsActiveDialog(CQn5raClntDlg* dialog);

// A new scan of the active dialog: its ticket, or null when the dialog is not
// the active one. Notifications of earlier scans are dropped from now on.
ScanTicket* BeginScanNotifications(CQn5raClntDlg* dialog);

// Runs `work` with the dialog while it is active and `ticket` is its current
// scan; false when dropped. Work runs under the gate (shared with other
// notifications), so it must not call back into the gate.
bool WithActiveScan(const ScanTicket* ticket, const std::function<void(CQn5raClntDlg&)>& work);

// Runs `work` while `dialog` is the active one.
bool WithActiveDialog(CQn5raClntDlg* dialog, const std::function<void()>& work);

// The dialog's callbacks, installed by the start operations; their context
// is the ScanTicket of the scan.
void CB_ModuleScanProgress(void* context, int32_t stage, int32_t total, int32_t done,
                           std::u16string_view path, ScanOutcome code,
                           std::u16string_view threat_name, std::u16string_view details);
void CB_FileScanProgress(void* context, uint64_t total_bytes, uint64_t file_size,
                         std::u16string_view path, ScanOutcome code,
                         std::u16string_view threat_name, std::u16string_view details);
void CB_ScanComplete(void* context, bool threats_found, int32_t files_scanned, ScanOutcome code,
                     std::u16string_view message);

}  // namespace dravanta
