// Scan control: page initialisation, connector set-up, scan start on a
// worker thread, stop, the end of the dialog with its code, and the status
// text with its registry value.
#include <thread>

#include "connector/start_result.h"
#include "platform/registry_store.h"
#include "platform/text.h"
#include "shell/diagnostic_log.h"
#include "ui/main_dialog.h"
#include "ui/notification_gate.h"
#include "ui/scan_argument.h"

namespace dravanta {
namespace {

// A start that fails ends the scan as a failed lookup would.
constexpr ScanOutcome kStartFailureCode = kOutcomeFailed;

uint32_t ThreatsFoundValue(std::u16string_view status) {
  if (status == u"scanning") return 2;
  if (status == u"infected") return 1;
  if (status == u"clean") return 0;
  return 3;
}

// The argument of an automatic start, from the configured scan.
std::u16string AutoStartArgument(const ClientSettings& settings) {
  if (settings.scan_type == 0) return u"2|";
  if (settings.scan_location == u"ALL") return u"3|";
  return u"0|" + settings.scan_location;
}

// Runs on the dialog's short-lived scan worker thread; reaches the dialog
// only through the gate, so a dialog that has ended is never touched.
void ScanWorker(ScanTicket* ticket, std::u16string argument, ConnectorEntryPoints connector) {
  LOG_DEVINFO(u"startScan: %s", argument);
  CQn5raClntDlg::ScanStart start;
  const bool active = WithActiveScan(
      ticket, [&](CQn5raClntDlg& dialog) { start = dialog.ApplyScanPlan(argument); });
  if (!active) return;
  void* context = ticket;
  int32_t code;
  if (start.scanType != 0) {
    code =
        start.location == u"ALL"
            ? connector.scan_all_drives(CB_FileScanProgress, CB_ScanComplete, context)
            : connector.scan_paths(start.location, CB_FileScanProgress, CB_ScanComplete, context);
  } else {
    code = connector.scan_loaded_modules(start.all_modules, CB_ModuleScanProgress, CB_ScanComplete,
                                         context);
  }
  if (code != kScanStarted) {
    WithActiveScan(ticket, [&](CQn5raClntDlg& dialog) { dialog.HandleFailedStart(code); });
  }
}

}  // namespace

void CQn5raClntDlg::OnInitGui() {
  LOG_DEVINFO(u"OnInitGui");
  if (settings_.show_trayicon && services_.registry_store.empty()) {
    services_.registry_store = MachineRegistryStore();
  }
  registryReporting_ = settings_.show_trayicon;
  // A reloaded page initialises again; the connector set up by the first
  // page stays usable.
  if (!setupDone_) connectorReady_ = false;
  ActivateDialog(this);
  if (clientVersion_.empty()) clientVersion_ = ClientVersionText();
  tray_.has_owner = true;
  tray_.icon_id = kTrayIconId;
  if (settings_.auto_start && !autoStartDone_) {
    autoStartDone_ = true;
    OnSetupScan();
    ScanNow(AutoStartArgument(settings_));
  }
}

void CQn5raClntDlg::OnSetupScan() {
  LOG_DEVINFO(u"OnSetupScan");
  if (setupDone_) return;
  if (!settings_.server.empty()) {
    tray_.tooltip = TrayTooltip(settings_.server);
    WriteRegistryValue(u"qn5raRunning", 1);
    const ConnectorEntryPoints& connector = services_.connector;
    bool initialised = connector.is_initialised();
    if (!initialised) initialised = connector.initialise(settings_.key) == 0;
    if (initialised) {
      connectorReady_ = true;
      if (connector.set_option(u"ServerURL", settings_.server.c_str()) != 0 ||
          connector.set_option(u"ServerRandomServer", u"1") != 0) {
        connectorReady_ = false;
      }
      if (settings_.scan_type != 0) {
        const std::pair<const char16_t*, const std::u16string*> numbers[] = {
            {u"ThreadCount", &settings_.thread_count},
            {u"BatchSize", &settings_.batch_size},
            {u"MaxFileSizeBytes", &settings_.maximum_file_size_bytes},
        };
        for (const auto& [name, value] : numbers) {
          if (!value->empty()) connector.set_option(name, value->c_str());
        }
      }
    }
    if (!settings_.auto_start && settings_.show_trayicon) AddTrayIcon(tray_, TrayCallbacksOf());
  }
  setupDone_ = true;
}

void CQn5raClntDlg::ScanNow(std::u16string_view argument) {
  if (scanRunning_) {
    // The connector would refuse it anyway; refusing here keeps the running
    // scan's status and results intact.
    LOG_INFO(u"ScanNow ignored while a scan is running");
    return;
  }
  if (!connectorReady_) {
    WithActiveDialog(
        this, [this] { HandleCompletion(false, 0, kStartFailureCode, u"Failed to initialize"); });
    LOG_ERROR(u"Error during initialization");
    return;
  }
  SetStatus(u"Initializing...");
  ResetScanState();
  ScanTicket* ticket = BeginScanNotifications(this);
  if (ticket == nullptr) {
    LOG_ERROR(u"ScanNow before the page initialised");
    return;
  }
  scanRunning_ = true;
  // The previous worker has made its start, so waiting for it is short.
  JoinScanWorker();
  scanWorker_ = std::thread(ScanWorker, ticket, std::u16string(argument), services_.connector);
}

void CQn5raClntDlg::JoinScanWorker() {
  if (scanWorker_.joinable()) scanWorker_.join();
}

CQn5raClntDlg::ScanStart CQn5raClntDlg::ApplyScanPlan(std::u16string_view argument) {
  const ScanPlan plan = PlanScan(argument);
  ScanStart start;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    scanLevel_ = plan.level;
    settings_.scan_type = plan.scanType;
    if (plan.changes_location) settings_.scan_location = plan.location;
    start.scanType = settings_.scan_type;
    start.location = settings_.scan_location;
  }
  if (plan.changes_modules) allModules_ = plan.all_modules;
  start.all_modules = allModules_;
  // Published before the start operation, so a completion that arrives
  // before it returns is never overwritten by "scanning".
  SetStatusWhileActive(u"scanning");
  scanRunning_ = true;
  return start;
}

void CQn5raClntDlg::HandleFailedStart(int32_t code) {
  std::u16string message;
  if (code == kScanServerUnreachable) {
    message = u"server cannot be reached";
  } else if (code == kScanNoEngine) {
    message = u"no available engine for scan";
  } else {
    bool hasText = false;
    const int32_t engines = ReadEngineCount(&hasText);
    std::lock_guard<std::mutex> hold(stateLock_);
    summary_.engineCount = engines;
    if (hasText && engines == 0) {
      message = u"failed to start scanning since no engine is available on the server";
    } else {
      message = FormatWide(u"failed to start scanning [%d]", code).substr(0, 511);
    }
  }
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    lastErrorMessage_ = message;
    // A refused start ends the program with 100, as any failed scan does.
    summary_.errorCode = kStartFailureCode;
    summary_.finishTime = CurrentLocalTime();
  }
  WriteJsonResult(u"error");
  scanRunning_ = false;
  SetStatusWhileActive(u"error");
  LOG_ERROR(u"%s", message);
}

void CQn5raClntDlg::ResetScanState() {
  results_.Clear();
  settledFiles_ = 0;
  std::lock_guard<std::mutex> hold(stateLock_);
  summary_.filesScanned = 0;
  summary_.infected = false;
  summary_.errorCode = 0;
  summary_.ranToEnd = false;
  summary_.scanSeconds = 0;
  summary_.startTime = CurrentLocalTime();
}

void CQn5raClntDlg::StopScan() { EndScanControl(); }

void CQn5raClntDlg::OnDone() {
  LOG_DEVINFO(u"OnDone");
  if (!settings_.show_trayicon || settings_.auto_start || !tray_.icon_added) {
    ExitApplication(true);
  } else {
    tray_.hidden_to_tray = true;
  }
}

bool CQn5raClntDlg::ThreatsFoundSoFar() {
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    if (summary_.infected) return true;
  }
  // While the scan runs the summary is not filled yet: the threats
  // recorded so far tell.
  return results_.ThreatCount() > 0;
}

void CQn5raClntDlg::ExitApplication(bool confirmed) {
  if (!IsActiveDialog(this)) return;
  const bool infected = ThreatsFoundSoFar();
  int32_t scanType;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    scanType = settings_.scan_type;
  }
  const bool wouldAsk = scanType == 1 && settings_.show_ui && scanRunning_ &&
                        !(settings_.exit_on_clean && !infected) &&
                        !(settings_.exit_on_dirty && infected);
  // The page asks "Are you sure you want to cancel your scan?" itself before
  // it closes; a close that reaches us has been confirmed there. The tray
  // menu's Exit asks here, where a box can be shown.
  if (wouldAsk && !confirmed &&
      !(services_.ask_yes_no != nullptr &&
        services_.ask_yes_no(u"Are you sure?",
                             u"Are you sure you want to cancel your scan? Please note it may take "
                             u"up to 30 seconds to gracefully terminate."))) {
    return;
  }
  EndDialog(EndScanControl());
}

int CQn5raClntDlg::EndScanControl() {
  connectorReady_ = false;
  WriteRegistryValue(u"qn5raRunning", 0);
  RemoveTrayIcon(tray_);
  DeactivateDialog(this);
  std::lock_guard<std::mutex> hold(stateLock_);
  // A threat found is the first thing a caller must learn, whatever else
  // went wrong.
  const int code = summary_.infected ? 1 : summary_.errorCode != 0 ? 100 : 0;
  lastEndCode_ = code;
  return code;
}

void CQn5raClntDlg::SetStatus(std::u16string_view text) {
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    statusText_ = text;
  }
  WithActiveDialog(this,
                   [&] { WriteRegistryValue(u"qn5raThreatsFound", ThreatsFoundValue(text)); });
}

void CQn5raClntDlg::SetStatusWhileActive(std::u16string_view text) {
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    statusText_ = text;
  }
  WriteRegistryValue(u"qn5raThreatsFound", ThreatsFoundValue(text));
}

void CQn5raClntDlg::WriteRegistryValue(std::u16string_view name, uint32_t value) {
  if (!registryReporting_) return;
  // Failures are ignored: the values only mirror the state for others.
  WriteRegistryDword(services_.registry_store, u"Software\\VARNOK\\QN5RA\\" + settings_.server,
                     name, value);
}

int32_t CQn5raClntDlg::ReadEngineCount(bool* hasText) {
  char16_t buffer[100] = {};
  const bool read = services_.connector.get_engine_count(buffer) == 0;
  if (hasText != nullptr) *hasText = read && buffer[0] != 0;
  if (!read) return 0;
  // Leading blanks, a sign and digits, as the C library reads a number.
  const char16_t* p = buffer;
  while (*p == u' ' || *p == u'\t' || *p == u'\n' || *p == u'\r' || *p == u'\f' || *p == u'\v') ++p;
  bool negative = false;
  if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
  int64_t value = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    value = value * 10 + (*p - u'0');
    if (value > INT32_MAX) break;
  }
  if (value > INT32_MAX) return negative ? INT32_MIN : INT32_MAX;
  return static_cast<int32_t>(negative ? -value : value);
}

bool IsFinalScanStatus(std::u16string_view status) {
  return status == u"clean" || status == u"infected" || status == u"error";
}

}  // namespace dravanta
