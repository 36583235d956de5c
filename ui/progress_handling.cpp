// What the dialog does with the connector's notifications: the current-file
// text, the result store, the final status and the scan summary.
#include "connector/scan_outcome.h"
#include "shell/diagnostic_log.h"
#include "ui/main_dialog.h"

namespace dravanta {
namespace {

// Codes other than a threat of the two listed kinds or clean are logged as
// skipped files.
bool IsLoggedAsSkipped(ScanOutcome code) {
  return code < kOutcomeSuspicious || code > kOutcomeClean;
}

}  // namespace

void CQn5raClntDlg::SetCurrentFile(std::u16string text) {
  std::lock_guard<std::mutex> hold(progressLock_);
  currentFile_ = std::move(text);
}

std::u16string CQn5raClntDlg::CurrentFileText() {
  std::lock_guard<std::mutex> hold(progressLock_);
  return currentFile_;
}

void CQn5raClntDlg::HandleModuleProgress(int32_t stage, std::u16string_view path, ScanOutcome code,
                                         std::u16string_view threat, std::u16string_view details) {
  if (stage == kStagePreparing) {
    SetCurrentFile(u"");
  } else if (stage == kStageLookup) {
    SetStatusWhileActive(u"Looking up known modules...");
    SetCurrentFile(std::u16string(path));
  } else {
    SetStatusWhileActive(u"Scanning...");
    SetCurrentFile(std::u16string(path));
  }
  if (stage >= kStageLookup && !path.empty()) ++settledFiles_;
  if (!path.empty() && IsThreat(code)) results_.Record(path, threat, details);
}

void CQn5raClntDlg::HandleFileProgress(std::u16string_view path, ScanOutcome code,
                                       std::u16string_view threat, std::u16string_view details) {
  const std::u16string current = path.empty() ? u"Initializing..." : std::u16string(path);
  if (IsLoggedAsSkipped(code)) {
    LOG_INFO(u"Skipped File: %s. \"%s\"", OutcomeText(code), path);
  }
  SetCurrentFile(current);
  ++settledFiles_;
  if (!path.empty() && IsThreat(code)) results_.Record(path, threat, details);
}

void CQn5raClntDlg::HandleCompletion(bool threatsFound, int32_t filesScanned, ScanOutcome code,
                                     std::u16string_view message) {
  const LocalTime finish = CurrentLocalTime();
  const int32_t engines = ReadEngineCount();
  const std::u16string_view status = IsFailure(code) ? u"error"
                                     : threatsFound  ? u"infected"
                                                     : u"clean";
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    summary_.finishTime = finish;
    const int64_t milliseconds = MillisecondsBetween(summary_.startTime, finish);
    summary_.scanSeconds = milliseconds > 0 ? static_cast<uint32_t>(milliseconds / 1000) : 0;
    summary_.filesScanned = filesScanned;
    summary_.infected = threatsFound;
    summary_.errorCode = code;
    summary_.engineCount = engines;
    lastErrorMessage_ = message;
  }
  scanRunning_ = false;
  SetStatusWhileActive(status);
  LOG_DEVINFO(u"CB_ScanComplete [%s]", status);
}

}  // namespace dravanta
