#include "shell/diagnostic_log.h"

#include <algorithm>
#include <cstdio>

#include "platform/last_error.h"
#include "platform/local_time.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "platform/text_file_encoding.h"

namespace dravanta {
namespace {

// The lowest level at which each kind is written.
int MinimumLevel(LogKind kind) {
  switch (kind) {
    case LogKind::kError:
      return kLogLevelErrors;
    case LogKind::kInfo:
      return kLogLevelInfo;
    case LogKind::kDevInfo:
      return kLogLevelDeveloper;
  }
  return kLogLevelDeveloper;
}

std::u16string_view KindName(LogKind kind) {
  switch (kind) {
    case LogKind::kError:
      return u"Error";
    case LogKind::kInfo:
      return u"Info";
    case LogKind::kDevInfo:
      return u"DevInfo";
  }
  return u"Error";
}

std::u16string TimeText(const LocalTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return Utf8ToUtf16(text);
}

}  // namespace

std::u16string AlternateLogPath(std::u16string_view path) {
  std::u16string alternate(FolderOfPath(path));
  alternate += u'_';
  alternate += FileNameOfPath(path);
  return alternate;
}

std::string_view SourceBaseName(std::string_view source_path) {
  const size_t separator = source_path.find_last_of("/\\");
  return separator == std::string_view::npos ? source_path : source_path.substr(separator + 1);
}

bool DiagnosticLog::Open(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return OpenLocked(path);
}

bool DiagnosticLog::OpenLocked(std::u16string_view path) {
  file_.reset();
  active_path_ = path;
  if (active_path_.empty()) return false;
  if (alternate_path_.empty()) alternate_path_ = AlternateLogPath(active_path_);
  if (first_open_) {
    // Continue in the file of the pair that was written last; a missing
    // file counts as the oldest.
    if (LastWriteTime(active_path_) < LastWriteTime(alternate_path_)) {
      std::swap(active_path_, alternate_path_);
    }
    first_open_ = false;
  }
  bytes_written_ = FileSize(active_path_).value_or(0);
  file_ = AppendFile::Open(active_path_, /*sole_writer=*/true);
  return file_ != nullptr;
}

void DiagnosticLog::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  file_.reset();
}

void DiagnosticLog::SetLevel(int level) {
  std::lock_guard<std::mutex> lock(mutex_);
  level_ = std::clamp(level, kLogLevelNone, kLogLevelDeveloper);
}

int DiagnosticLog::level() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return level_;
}

std::u16string DiagnosticLog::active_path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_path_;
}

void DiagnosticLog::Write(LogKind kind, std::string_view source_file, int source_line,
                          std::u16string_view format, std::span<const FormatArg> args) {
  ScopedLastErrorCode keep_last_error;
  std::lock_guard<std::mutex> lock(mutex_);
  if (level_ < MinimumLevel(kind)) return;
  std::u16string message = FormatWideList(format, args);
  std::replace_if(
      message.begin(), message.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u'|');
  WriteLineLocked(kind, SourceBaseName(source_file), source_line, message);
}

void DiagnosticLog::WriteLineLocked(LogKind kind, std::string_view source_base_name,
                                    int source_line, std::u16string_view message) {
  if (file_ == nullptr) return;
  if (bytes_written_ > kLogRotationBytes) {
    // Move to the partner file, which holds the older records, and start it
    // afresh.
    file_.reset();
    std::swap(active_path_, alternate_path_);
    DeleteFile(active_path_);
    if (!OpenLocked(active_path_)) return;
  }

  std::u16string line = TimeText(CurrentLocalTime());
  line += u'\t';
  line += KindName(kind);
  line += u'\t';
  if (level_ == kLogLevelDeveloper) {
    line += Utf8ToUtf16(source_base_name);
    line += u'#';
    line += Utf8ToUtf16(std::to_string(source_line));
    line += u'\t';
  }
  line += message;
  line += u"\r\n";

  const std::string bytes = LogFileBytes(line);
  file_->Write(bytes.data(), bytes.size());  // a failed write is not retried
  bytes_written_ += bytes.size();
}

DiagnosticLog& ProcessLog() {
  static DiagnosticLog* const log = new DiagnosticLog;
  return *log;
}

}  // namespace dravanta
