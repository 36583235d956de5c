// What the dialog does with the connector's notifications: the current-file
// text, the result store, the final status and the scan summary.
#include "connector/scan_outcome.h"
#include "platform/wide_format.h"
#include "shell/diagnostic_log.h"
#include "ui/file_category.h"
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
  if (stage >= kStageLookup && !path.empty()) {
    Settle(path, std::nullopt, code, threat, details);
    ++settledFiles_;
  }
  if (!path.empty() && IsThreat(code)) results_.Record(path, threat, details);
}

void CQn5raClntDlg::Settle(std::u16string_view path, std::optional<uint64_t> size, ScanOutcome code,
                           std::u16string_view text, std::u16string_view details) {
  FileOutcome file;
  file.category = CategoryOfOutcome(code, text);
  if (file.category == FileCategory::kClean) {
    results_.Settle(std::move(file));
    return;
  }
  file.path = path;
  file.size = size;
  file.code = code;
  file.codeText = OutcomeText(code);
  file.text =
      file.category == FileCategory::kFailed ? PlainFailureReason(text) : std::u16string(text);
  if (file.text.empty() && file.category == FileCategory::kSkippedSize) {
    file.text = u"larger than the size limit";
  } else if (file.text.empty() && file.category == FileCategory::kNoVerdict) {
    file.text = u"the server gave no verdict: " + OutcomeText(code);
  }
  // The per-engine results matter where the server judged the file.
  if (file.category == FileCategory::kThreat || file.category == FileCategory::kNoVerdict) {
    file.details = details;
  }
  results_.Settle(std::move(file));
}

void CQn5raClntDlg::HandleFileProgress(std::u16string_view path, uint64_t size, ScanOutcome code,
                                       std::u16string_view threat, std::u16string_view details) {
  const std::u16string current = path.empty() ? u"Initializing..." : std::u16string(path);
  if (IsLoggedAsSkipped(code)) {
    LOG_INFO(u"Skipped File: %s. \"%s\"", OutcomeText(code), path);
  }
  SetCurrentFile(current);
  Settle(path, size, code, threat, details);
  ++settledFiles_;
  if (!path.empty() && IsThreat(code)) results_.Record(path, threat, details);
}

CoverageCounts CQn5raClntDlg::Coverage() {
  const ScanCoverage coverage = ReadScanCoverage();
  CoverageCounts counts = results_.Counts(coverage.collected_files);
  counts.unlistableFolders = coverage.unlistable_folders;
  return counts;
}

ScanCoverage CQn5raClntDlg::ReadScanCoverage() {
  if (services_.connector.scan_coverage == nullptr) return {};
  return services_.connector.scan_coverage();
}

void CQn5raClntDlg::HandleCompletion(bool threatsFound, int32_t filesScanned, ScanOutcome code,
                                     std::u16string_view message) {
  const LocalTime finish = CurrentLocalTime();
  const int32_t engines = ReadEngineCount();
  const ScanCoverage coverage = ReadScanCoverage();
  CoverageCounts counts = results_.Counts(coverage.collected_files);
  counts.unlistableFolders = coverage.unlistable_folders;
  if (coverage.unlistable_folders > 0) {
    std::u16string named;
    for (const std::u16string& folder : coverage.first_unlistable_folders) {
      named += (named.empty() ? u"\"" : u", \"") + folder + u"\"";
    }
    LOG_INFO(u"%d folders could not be listed, among them %s", coverage.unlistable_folders, named);
  }
  // A threat outweighs everything else; a file that failed without one
  // never lets the scan end clean.
  const bool infected = threatsFound || counts.threat > 0;
  const bool abandoned = IsFailure(code);
  const bool failed = !abandoned && counts.failed > 0;
  std::u16string finalMessage(message);
  if (failed) {
    std::u16string reason = results_.FirstFailureReason();
    if (reason.empty()) reason = u"no result came back for them";
    finalMessage = FormatWide(u"%d of %d files could not be scanned: %s", counts.failed,
                              counts.collected, reason);
  }
  const std::u16string_view status = infected              ? u"infected"
                                     : abandoned || failed ? u"error"
                                                           : u"clean";
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    summary_.finishTime = finish;
    const int64_t milliseconds = MillisecondsBetween(summary_.startTime, finish);
    summary_.scanSeconds = milliseconds > 0 ? static_cast<uint32_t>(milliseconds / 1000) : 0;
    summary_.filesScanned = filesScanned;
    summary_.infected = infected;
    summary_.ranToEnd = !abandoned;
    summary_.errorCode = failed ? kOutcomeFailed : code;
    summary_.engineCount = engines;
    lastErrorMessage_ = finalMessage;
  }
  if (failed) LOG_ERROR(u"%s", finalMessage);
  // Written before the status turns final: a run without a page ends soon
  // after that.
  WriteJsonResult(status);
  scanRunning_ = false;
  SetStatusWhileActive(status);
  LOG_DEVINFO(u"CB_ScanComplete [%s]", status);
}

}  // namespace dravanta
