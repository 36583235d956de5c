// The twelve methods the page calls, and the report save and path pick
// behind two of them.
#include "platform/machine_identity.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "platform/user_folders.h"
#include "shell/diagnostic_log.h"
#include "ui/main_dialog.h"
#include "ui/result_texts.h"

namespace dravanta {
namespace {

bool IsWebAddress(std::u16string_view url) {
  const std::u16string lower = AsciiLower(url.substr(0, 8));
  const bool web = lower.rfind(u"http://", 0) == 0 || lower.rfind(u"https://", 0) == 0;
  if (!web) return false;
  for (const char16_t c : url) {
    if (c <= 0x20 || c == 0x7F) return false;  // no blanks or control characters
  }
  return true;
}

std::u16string Argument(const std::vector<std::u16string>& arguments, size_t index) {
  return index < arguments.size() ? arguments[index] : std::u16string();
}

}  // namespace

bool CQn5raClntDlg::CallPageMethod(std::u16string_view name,
                                   const std::vector<std::u16string>& arguments,
                                   std::u16string* answer) {
  answer->clear();
  const std::u16string first = Argument(arguments, 0);
  if (name == u"getScanStatus") {
    *answer = StatusText();
  } else if (name == u"getLastFileScanning") {
    *answer = CurrentFileText();
  } else if (name == u"getScanResults") {
    const ScanSummary summary = Summary();
    const ResultTexts texts =
        BuildResultTexts(results_.Threats(), results_.Documents(),
                         {summary.engineCount, summary.filesScanned, summary.scanSeconds});
    detailsText_ = texts.details;
    lastResultsText_ = texts.results;
    *answer = texts.results;
  } else if (name == u"getScanDetails") {
    // Already escaped when built; asking again gives the same text.
    *answer = detailsText_;
  } else if (name == u"getLastErrorMessage") {
    *answer = LastErrorMessage();
  } else if (name == u"openLink") {
    if (IsWebAddress(first) && services_.open_url != nullptr) {
      services_.open_url(first);
    }
  } else if (name == u"doSaveResult") {
    *answer = SaveReport(first);
  } else if (name == u"reportIssue") {
    *answer = u"false";
  } else if (name == u"getEnabledScanLevels") {
    *answer = settings_.allowed_scan_levels;
  } else if (name == u"pickFileFolder") {
    *answer = PickPath(first);
  } else if (name == u"getClientInfo") {
    if (first == u"version") {
      if (clientVersion_.empty()) clientVersion_ = ClientVersionText();
      *answer = clientVersion_;
    } else if (first == u"exitOnClean") {
      *answer = settings_.exit_on_clean ? u"1" : u"0";
    } else if (first == u"exitOnDirty") {
      *answer = settings_.exit_on_dirty ? u"1" : u"0";
    } else if (first == u"fileScan") {
      *answer = FileScanState();
    } else if (first == u"notScanned") {
      *answer = NotScannedText();
    } else if (first == u"reportName") {
      const ScanSummary summary = Summary();
      *answer =
          DefaultReportName(summary.startTime.year == 0 ? CurrentLocalTime() : summary.startTime);
    }
  } else if (name == u"log") {
    LOG_ERROR(u"UI log: %s", first);
    LOG_DEVINFO(u"Last Scan Result: %s", lastResultsText_);
    LOG_DEVINFO(u"Last Scan Details: %s", detailsText_);
  } else {
    return false;
  }
  return true;
}

std::u16string CQn5raClntDlg::ComposeReport() {
  ScanReport report;
  if (auto user = QueryUserName()) report.userId = *user;
  if (auto host = QueryHostName()) report.scanningSystem = *host;
  if (clientVersion_.empty()) clientVersion_ = ClientVersionText();
  report.clientVersion = clientVersion_;
  report.threats = results_.Threats();
  const CoverageCounts counts = Coverage();
  for (FileOutcome& file : results_.Outcomes()) {
    if (file.category != FileCategory::kThreat) report.notScanned.push_back(std::move(file));
  }
  report.counts = counts;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    report.scanType = scanLevel_;
    report.startTime = FormatReportTime(summary_.startTime);
    report.finishTime = FormatReportTime(summary_.finishTime);
    // The files the server found clean; without any accounting (no file
    // settled), what the completion said.
    report.cleanFiles = counts.collected > 0
                            ? static_cast<int32_t>(counts.clean)
                            : summary_.filesScanned - static_cast<int32_t>(report.threats.size());
    report.finished = summary_.ranToEnd && statusText_ != u"error";
    report.failureMessage = lastErrorMessage_;
  }
  return ComposeReportText(report);
}

std::u16string CQn5raClntDlg::SaveReport(std::u16string_view chosenPath) {
  if (chosenPath.empty()) return u"cancel";
  ReportFolders folders = services_.report_folders;
  if (folders.programFolder.empty()) folders.programFolder = settings_.module_directory;
  const std::u16string written =
      WriteReportFile(chosenPath, folders, EncodeReportText(ComposeReport()));
  if (written.empty()) LOG_ERROR(u"Failed to save the scan report to %s", chosenPath);
  return written;
}

std::u16string CQn5raClntDlg::PickPath(std::u16string_view path) {
  if (!IsAbsolutePath(path)) return {};
  const std::u16string text(path);
  if (IsExistingFolder(text)) return PickerText(u"folder", text);
  if (IsExistingFile(text)) return PickerText(u"file", text);
  return {};
}

}  // namespace dravanta
