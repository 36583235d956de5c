// The main dialog: hosts the page, answers its methods and commands, runs
// scans through the connector and ends with the exit code 0 (clean), 1
// (threats found) or 100 (error).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/local_time.h"
#include "report/report_file.h"
#include "report/scan_report.h"
#include "shell/client_settings.h"
#include "ui/app_command.h"
#include "ui/connector_entry_points.h"
#include "ui/dialog_thread.h"
#include "ui/result_store.h"
#include "ui/tray_state.h"

namespace dravanta {

// The outcome of the current scan.
struct ScanSummary {
  int32_t errorCode = 0;
  bool infected = false;
  int32_t filesScanned = 0;
  int32_t engineCount = 0;
  uint32_t scanSeconds = 0;
  LocalTime startTime;
  LocalTime finishTime;
  // The scan ran to its end (it may still have failed for some files).
  bool ranToEnd = false;
};

// What the dialog needs from outside; tests put doubles in.
struct DialogServices {
  ConnectorEntryPoints connector;
  // File of the registry store; empty: the machine's store, found when the
  // first value is about to be written.
  std::u16string registry_store;
  bool (*open_url)(std::u16string_view url) = nullptr;
  // A yes/no question to the person at the machine; true for yes. None:
  // nobody can answer.
  bool (*ask_yes_no)(std::u16string_view caption, std::u16string_view text) = nullptr;
  ReportFolders report_folders;  // program folder filled from the settings
  // How long a close request waits for a reloaded page.
  std::chrono::milliseconds close_grace{3000};
  bool open_browser = false;  // open the page address with the desktop's browser
};

// "clean", "infected" and "error" end a scan.
bool IsFinalScanStatus(std::u16string_view status);

// The client's version: the file version of the executable's version
// resource where it has one (Windows), else the build's version.
std::u16string ClientVersionText();

// The services of the real program.
DialogServices ProgramDialogServices();

class CQn5raClntDlg {
 public:
  explicit CQn5raClntDlg(DialogServices services);
  ~CQn5raClntDlg();
  CQn5raClntDlg(const CQn5raClntDlg&) = delete;
  CQn5raClntDlg& operator=(const CQn5raClntDlg&) = delete;

  void SetSettings(const ClientSettings& settings);

  // Runs the dialog to its end: with the page (show_ui, or no auto_start) on
  // the loopback page host; otherwise headless. Returns 0, 1 or 100.
  int DoModal();

  // --- Everything below runs on the dialog's thread. ---

  // One of the twelve page methods. False when `name` is none of them.
  bool CallPageMethod(std::u16string_view name, const std::vector<std::u16string>& arguments,
                      std::u16string* answer);

  // The navigation hook: true (navigation cancelled) for "app:" addresses,
  // whose command then runs.
  bool OnBeforeNavigate(std::u16string_view address);

  // Window messages of this platform.
  void OnClose();  // WM_CLOSE, also the page's close request
  void OnMenuCommand(uint32_t command);
  // WM_USER+1 from the notification-area icon.
  void OnTrayNotification(uint32_t icon_id, uint32_t mouse_message);

  // Operations of the commands.
  void OnInitGui();
  void OnSetupScan();
  void ScanNow(std::u16string_view argument);
  void StopScan();
  void OnDone();
  void ExitApplication(bool confirmed);
  int EndScanControl();

  // The dialog has ended itself with this code.
  std::optional<int> result() const { return result_; }

  // --- Read from any thread. ---
  std::u16string StatusText();
  std::u16string LastErrorMessage();
  std::u16string CurrentFileText();
  ScanSummary Summary();
  int64_t SettledFiles() const { return settledFiles_; }
  bool ScanRunning() const { return scanRunning_; }
  bool ConnectorReady() const { return connectorReady_; }
  bool AllModules() const { return allModules_; }
  std::u16string ScanLevel();
  ClientSettings Settings();
  const TrayState& Tray() const { return tray_; }
  ResultStore& Results() { return results_; }
  // The counts of the current scan, every collected file in one category.
  CoverageCounts Coverage();

  // For the page's exit question: "" when no file scan runs, else "clean"
  // (no threat found so far) or "threats".
  std::u16string FileScanState();
  // {"line":"<counts line>","files":[["<path>","<category>","<reason>"],...]}
  // for the files of the last scan that were not scanned (path order).
  std::u16string NotScannedText();
  // Whether the current scan has found a threat so far.
  bool ThreatsFoundSoFar();

  // The report text of the current scan (used by headless runs and saving).
  std::u16string ComposeReport();
  // The JSON result of the current scan, and its writing to `json_report`
  // (a path; "-" is left to the run without a page).
  // status: the final status word (the status text once it is final).
  std::string ComposeJson(std::u16string_view status);
  void WriteJsonResult(std::u16string_view status);

  // --- The scan worker, while this dialog is the active one. ---
  struct ScanStart {
    int32_t scanType = 0;
    std::u16string location;
    bool all_modules = false;
  };
  // Takes the level, target and module choice of the ScanNow argument and
  // publishes "scanning" before the start operation runs.
  ScanStart ApplyScanPlan(std::u16string_view argument);
  // A start operation refused the scan.
  void HandleFailedStart(int32_t code);

  // --- Progress handling; called by the connector's notifications. ---
  void HandleModuleProgress(int32_t stage, std::u16string_view path, ScanOutcome code,
                            std::u16string_view threat, std::u16string_view details);
  void HandleFileProgress(std::u16string_view path, uint64_t size, ScanOutcome code,
                          std::u16string_view threat, std::u16string_view details);
  void HandleCompletion(bool threatsFound, int32_t filesScanned, ScanOutcome code,
                        std::u16string_view message);

 private:
  int RunWithPage();
  int RunHeadless();

  // Status changes: the text, then the "qn5raThreatsFound" registry value
  // (only while the dialog is the active one).
  void SetStatus(std::u16string_view text);
  void SetStatusWhileActive(std::u16string_view text);
  void WriteRegistryValue(std::u16string_view name, uint32_t value);
  void SetCurrentFile(std::u16string text);
  // Counts a settled file in the result store.
  void Settle(std::u16string_view path, std::optional<uint64_t> size, ScanOutcome code,
              std::u16string_view text, std::u16string_view details);
  ScanCoverage ReadScanCoverage();
  // The engine count the connector stored; *hasText tells whether it held text.
  int32_t ReadEngineCount(bool* hasText = nullptr);
  void ResetScanState();
  std::u16string SaveReport(std::u16string_view chosenPath);
  std::u16string PickPath(std::u16string_view path);
  void EndDialog(int code);
  // The window shown again from the tray: the page opened anew in the
  // browser, which the user closed when the window was hidden.
  void ShowWindowAgain();
  // The tray icon's notifications and menu commands come to this dialog.
  TrayCallbacks TrayCallbacksOf();
  // Waits for the scan worker of the last ScanNow (dialog thread only).
  void JoinScanWorker();
  // At the end of the modal run: the scan worker and the connector's scan
  // end, with every thread they started.
  void EndScanThreads();

  DialogServices services_;
  ClientSettings settings_;  // scan_type and scan_location change per scan (state lock)

  // Scan control state; the flags that scan threads read are atomic.
  std::atomic<bool> registryReporting_{false};
  bool setupDone_ = false;
  std::atomic<bool> connectorReady_{false};
  std::atomic<bool> scanRunning_{false};
  std::atomic<bool> allModules_{true};
  bool autoStartDone_ = false;
  std::optional<int> lastEndCode_;  // of the last EndScanControl
  TrayState tray_;
  std::u16string clientVersion_;

  std::mutex stateLock_;  // status, last error, summary, scan level, settings
  std::u16string statusText_;
  std::u16string lastErrorMessage_;
  std::u16string scanLevel_;
  ScanSummary summary_;

  std::mutex progressLock_;  // the current-file text
  std::u16string currentFile_;
  std::atomic<int64_t> settledFiles_{0};

  ResultStore results_;
  std::u16string detailsText_ = u"[]";
  std::u16string lastResultsText_;

  std::thread scanWorker_;  // the start of the last ScanNow; joined by the next and at the end

  std::optional<int> result_;
  DialogTaskQueue* queue_ = nullptr;  // while the page host runs
  std::string pageAddress_;           // while the page host runs
};

}  // namespace dravanta
