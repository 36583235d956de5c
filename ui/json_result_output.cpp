// The JSON result of a scan: composed from the dialog's scan state and
// written where `json_report` says, at the end of every scan.
#include "connector/scan_result_documents.h"
#include "platform/atomic_file.h"
#include "platform/machine_identity.h"
#include "platform/text.h"
#include "report/json_result.h"
#include "shell/diagnostic_log.h"
#include "ui/main_dialog.h"

namespace dravanta {
namespace {

std::u16string ScanTypeName(std::u16string_view level) {
  if (level == u"0") return u"custom";
  if (level == u"2") return u"all_modules";
  if (level == u"3") return u"all_drives";
  return u"loaded_modules";
}

std::vector<std::u16string> Targets(int32_t scanType, std::u16string_view location) {
  std::vector<std::u16string> targets;
  if (scanType == 0) return targets;
  size_t start = 0;
  while (start <= location.size()) {
    const size_t cut = std::min(location.find(u'|', start), location.size());
    if (cut > start) targets.emplace_back(location.substr(start, cut - start));
    start = cut + 1;
  }
  return targets;
}

}  // namespace

std::string CQn5raClntDlg::ComposeJson(std::u16string_view status) {
  JsonResult result;
  if (clientVersion_.empty()) clientVersion_ = ClientVersionText();
  result.clientVersion = clientVersion_;
  if (auto host = QueryHostName()) result.computer = *host;
  if (auto user = QueryUserName()) result.user = *user;
  result.counts = Coverage();
  result.files = results_.Outcomes();
  for (FileOutcome& file : result.files) {
    for (const EngineVerdict& verdict : ReadEngineVerdicts(file.details)) {
      file.engines.push_back({verdict.engine_name, verdict.scan_result, verdict.threat_name});
    }
  }
  std::lock_guard<std::mutex> hold(stateLock_);
  result.server = settings_.server;
  result.scanType = ScanTypeName(scanLevel_);
  result.targets = Targets(settings_.scan_type, settings_.scan_location);
  result.started = summary_.startTime;
  result.finished = summary_.finishTime;
  result.status = status;
  result.exitCode = summary_.infected ? 1 : summary_.errorCode != 0 ? 100 : 0;
  result.message = lastErrorMessage_;
  return ComposeJsonResult(result);
}

std::u16string CQn5raClntDlg::FileScanState() {
  int32_t scanType;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    scanType = settings_.scan_type;
  }
  if (scanType != 1 || !scanRunning_) return {};
  return ThreatsFoundSoFar() ? u"threats" : u"clean";
}

std::u16string CQn5raClntDlg::NotScannedText() {
  // The page's grid draws only the rows in sight; the bound keeps the text
  // of a scan of a whole broken share within reason.
  constexpr size_t kMostListed = 10000;
  std::string text = "{\"line\":" + JsonString(NotScannedLine(Coverage())) + ",\"files\":[";
  size_t listed = 0;
  for (const FileOutcome& file : results_.Outcomes()) {
    if (file.category == FileCategory::kThreat) continue;
    if (listed++ == kMostListed) break;
    if (listed > 1) text += ",";
    text += "[" + JsonString(file.path) + "," + JsonString(CategoryName(file.category)) + "," +
            JsonString(file.text) + "]";
  }
  return Utf8ToUtf16(text + "]}");
}

void CQn5raClntDlg::WriteJsonResult(std::u16string_view status) {
  std::u16string path;
  {
    std::lock_guard<std::mutex> hold(stateLock_);
    path = settings_.json_report;
  }
  // "-" is standard output, which only a run without a page writes to.
  if (path.empty() || path == u"-") return;
  if (!ReplaceFileAtomically(Utf16ToUtf8(path), ComposeJson(status))) {
    LOG_ERROR(u"The JSON result could not be written to %s", path);
  }
}

}  // namespace dravanta
