// The dialog's life: construction, the modal run with the page host or
// without a page, the navigation hook and the window messages.
#include "ui/main_dialog.h"

#include <thread>

#include "connector/error_message_hook.h"
#include "platform/executable_version.h"
#include "platform/open_url.h"
#include "platform/question_box.h"
#include "platform/random_token.h"
#include "platform/registry_store.h"
#include "platform/standard_streams.h"
#include "platform/text.h"
#include "platform/user_folders.h"
#include "report/scan_report.h"
#include "shell/client_version.h"
#include "shell/diagnostic_log.h"
#include "ui/headless_progress.h"
#include "ui/notification_gate.h"
#include "ui/page_host.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;

void LogConnectorError(std::u16string_view message) { LOG_ERROR(u"%s", message); }

}  // namespace

std::u16string ClientVersionText() {
  std::u16string version = ExecutableFileVersion();
  return version.empty() ? std::u16string(ClientVersion()) : version;
}

DialogServices ProgramDialogServices() {
  DialogServices services;
  services.connector = ProcessConnector();
  services.open_url = OpenUrlOnDesktop;
  services.ask_yes_no = AskYesNo;
  services.report_folders.homeFolder = HomeFolder();
  services.open_browser = DesktopBrowserAvailable();
  return services;
}

CQn5raClntDlg::CQn5raClntDlg(DialogServices services) : services_(std::move(services)) {}

CQn5raClntDlg::~CQn5raClntDlg() {
  DeactivateDialog(this);
  JoinScanWorker();
  CloseTray(tray_);  // when set up without a modal run
}

void CQn5raClntDlg::SetSettings(const ClientSettings& settings) {
  std::lock_guard<std::mutex> hold(stateLock_);
  settings_ = settings;
}

std::u16string CQn5raClntDlg::StatusText() {
  std::lock_guard<std::mutex> hold(stateLock_);
  return statusText_;
}

std::u16string CQn5raClntDlg::LastErrorMessage() {
  std::lock_guard<std::mutex> hold(stateLock_);
  return lastErrorMessage_;
}

ScanSummary CQn5raClntDlg::Summary() {
  std::lock_guard<std::mutex> hold(stateLock_);
  return summary_;
}

std::u16string CQn5raClntDlg::ScanLevel() {
  std::lock_guard<std::mutex> hold(stateLock_);
  return scanLevel_;
}

ClientSettings CQn5raClntDlg::Settings() {
  std::lock_guard<std::mutex> hold(stateLock_);
  return settings_;
}

int CQn5raClntDlg::DoModal() {
  // The connector's error texts go to the log.
  ErrorMessageHook = LogConnectorError;
  result_.reset();
  const int code = settings_.auto_start && !settings_.show_ui ? RunHeadless() : RunWithPage();
  EndScanThreads();
  return code;
}

void CQn5raClntDlg::EndScanThreads() {
  // Notifications of the stopped scan find the dialog inactive and drop.
  DeactivateDialog(this);
  JoinScanWorker();
  if (services_.connector.stop_scan != nullptr) services_.connector.stop_scan();
}

void CQn5raClntDlg::EndDialog(int code) {
  result_ = code;
  if (queue_ != nullptr) queue_->Stop();
}

int CQn5raClntDlg::RunWithPage() {
  DialogTaskQueue queue;
  PageBridge bridge;
  bridge.callMethod = [this](std::u16string_view name, const std::vector<std::u16string>& arguments,
                             std::u16string* answer) {
    return CallPageMethod(name, arguments, answer);
  };
  bridge.navigate = [this](std::u16string_view address) { return OnBeforeNavigate(address); };
  PageHost host(queue, bridge, RandomHexToken(16), services_.close_grace);
  if (!host.Start()) {
    LOG_ERROR(u"The page host could not listen on the loopback address");
    WriteStandardError("Dravanta Client: the page host could not be started\n");
    return 100;
  }
  const std::string address = host.PageAddress();
  // Without the token: the log may be readable by others on the machine,
  // and the token is all it takes to drive the page host. Logged before the
  // address is told, so whoever reads the address finds the record written.
  LOG_INFO(u"Page at %s (access token not logged)",
           Utf8ToUtf16(address.substr(0, address.find('?'))));
  WriteStandardOutput("Dravanta Client page: " + address + "\n");
  if (services_.open_browser && services_.open_url != nullptr)
    services_.open_url(Utf8ToUtf16(address));

  queue_ = &queue;
  pageAddress_ = address;
  queue.Run(100ms, [&] {
    // The tray icon's notifications and menu commands run here, on the
    // dialog's thread, at least every tick.
    DispatchTrayMessages(tray_.window);
    if (!result_ && host.CloseDue()) OnClose();
    if (result_) queue.Stop();
  });
  queue_ = nullptr;
  pageAddress_.clear();
  CloseTray(tray_);
  host.Stop();
  return result_.value_or(100);
}

int CQn5raClntDlg::RunHeadless() {
  OnInitGui();  // with auto_start this sets up and starts the scan
  ProgressPrinter printer;
  printer.terminal = StandardErrorIsTerminal();
  const auto line = [this] {
    return ProgressLine(settledFiles_, results_.ThreatCount(), CurrentFileText());
  };
  while (!result_) {
    if (IsFinalScanStatus(StatusText()) && !scanRunning_) break;
    WriteStandardError(printer.Update(line(), std::chrono::steady_clock::now()));
    std::this_thread::sleep_for(100ms);
  }
  WriteStandardError(printer.Finish(line()));
  bool reportLost = false;
  const ScanSummary summary = Summary();
  const bool failed = StatusText() == u"error";
  if (failed) WriteStandardError(Utf16ToUtf8(LastErrorMessage()) + "\n");
  // A scan that never ran to its end has nothing to report but its message;
  // the JSON result is written for every scan.
  const bool json = Settings().json_report == u"-";
  const bool report = json || !failed || summary.ranToEnd;
  if (report &&
      !WriteStandardOutput(json ? ComposeJson(StatusText()) : EncodeReportText(ComposeReport()))) {
    // The report is what a run without a page delivers: a run that lost it
    // must not end as if all went well.
    reportLost = true;
    LOG_ERROR(u"The scan report could not be written to standard output");
    WriteStandardError(
        "Dravanta Client: the scan report could not be written to standard output\n");
  }
  WriteStandardError(SummaryLine(StatusText(), Coverage(), summary.scanSeconds) + "\n");
  ExitApplication(true);
  const int code = result_.value_or(EndScanControl());
  return reportLost ? 100 : code;
}

bool CQn5raClntDlg::OnBeforeNavigate(std::u16string_view address) {
  const AppCommand command = ParseAppAddress(address);
  if (!command.intercepted) return false;
  switch (command.kind) {
    case AppCommandKind::kDone:
      OnDone();
      break;
    case AppCommandKind::kInit:
      OnInitGui();
      break;
    case AppCommandKind::kSetupScan:
      OnSetupScan();
      break;
    case AppCommandKind::kScanNow:
      OnSetupScan();
      ScanNow(command.argument);
      break;
    case AppCommandKind::kLoadedModulesOn:
      allModules_ = true;
      break;
    case AppCommandKind::kLoadedModulesOff:
      allModules_ = false;
      break;
    case AppCommandKind::kStopScan:
      StopScan();
      break;
    case AppCommandKind::kShowResults:
    case AppCommandKind::kUpdateProgressBar:
    case AppCommandKind::kNone:
      break;
  }
  return true;
}

void CQn5raClntDlg::OnClose() {
  if (settings_.show_trayicon && !settings_.auto_start && tray_.icon_added) {
    tray_.hidden_to_tray = true;
    return;
  }
  if (IsActiveDialog(this)) {
    ExitApplication(true);
    return;
  }
  // No page is attached (it closed before it initialised, or after
  // StopScan): with the window gone nothing could end the program later.
  EndDialog(lastEndCode_.value_or(100));
}

void CQn5raClntDlg::OnMenuCommand(uint32_t command) {
  switch (dravanta::OnTrayMenuCommand(tray_, command)) {
    case TrayAction::kExit:
      ExitApplication(false);
      break;
    case TrayAction::kShowWindow:
      ShowWindowAgain();
      break;
    case TrayAction::kShowMenu:
    case TrayAction::kNothing:
      break;
  }
}

void CQn5raClntDlg::OnTrayNotification(uint32_t icon_id, uint32_t mouse_message) {
  switch (dravanta::OnTrayNotification(tray_, icon_id, mouse_message)) {
    case TrayAction::kShowMenu:
      ShowNotificationMenu(tray_.window, TrayMenuEntries());
      break;
    case TrayAction::kShowWindow:
      ShowWindowAgain();
      break;
    case TrayAction::kExit:
    case TrayAction::kNothing:
      break;
  }
}

void CQn5raClntDlg::ShowWindowAgain() {
  if (!pageAddress_.empty() && services_.open_url != nullptr) {
    services_.open_url(Utf8ToUtf16(pageAddress_));
  }
}

TrayCallbacks CQn5raClntDlg::TrayCallbacksOf() {
  TrayCallbacks callbacks;
  callbacks.context = this;
  callbacks.notification = [](void* dialog, uint32_t icon_id, uint32_t mouse_message) {
    static_cast<CQn5raClntDlg*>(dialog)->OnTrayNotification(icon_id, mouse_message);
  };
  callbacks.command = [](void* dialog, uint32_t command) {
    static_cast<CQn5raClntDlg*>(dialog)->OnMenuCommand(command);
  };
  return callbacks;
}

}  // namespace dravanta
