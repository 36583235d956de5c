// The one way the connector's notifications and the scan worker reach the
// dialog. The active dialog and the serial of its current scan are kept here;
// a notification of another scan, or one that arrives after EndScanControl
// (StopScan, or a scan still running at exit), touches nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "connector/scan_callbacks.h"

namespace dravanta {

class CQn5raClntDlg;

// The dialog becomes the active one (the page has initialised).
void ActivateDialog(CQn5raClntDlg* dialog);

// Ends the dialog's part: later notifications are dropped. Returns after every
// notification that was running inside the dialog has left it.
void DeactivateDialog(CQn5raClntDlg* dialog);

bool IsActiveDialog(CQn5raClntDlg* dialog);

// A new scan of the active dialog: its serial (never 0), or 0 when the dialog
// is not the active one. Notifications of earlier scans are dropped from now on.
uint64_t BeginScanNotifications(CQn5raClntDlg* dialog);

// Runs `work` with the dialog while it is active and `serial` is its current
// scan; false when dropped. Work runs under the gate (shared with other
// notifications), so it must not call back into the gate.
bool WithActiveScan(uint64_t serial, const std::function<void(CQn5raClntDlg&)>& work);

// Runs `work` while `dialog` is the active one.
bool WithActiveDialog(CQn5raClntDlg* dialog, const std::function<void()>& work);

// The context handed to the connector for a scan, and back.
void* ScanContext(uint64_t serial);

// The dialog's callbacks, installed by the start operations.
void CB_ModuleScanProgress(void* context, int32_t stage, int32_t total, int32_t done,
                           std::u16string_view path, ScanOutcome code,
                           std::u16string_view threat_name, std::u16string_view details);
void CB_FileScanProgress(void* context, uint64_t total_bytes, uint64_t file_size,
                         std::u16string_view path, ScanOutcome code,
                         std::u16string_view threat_name, std::u16string_view details);
void CB_ScanComplete(void* context, bool threats_found, int32_t files_scanned, ScanOutcome code,
                     std::u16string_view message);

}  // namespace dravanta
