// The program's diagnostic log: one UTF-16LE text file of tab-separated
// records, written from any thread, alternating with a partner file so that
// it never grows without bound.
//
// A record is: local time "YYYY-MM-DD HH:MM:SS", tab, kind ("Error", "Info"
// or "DevInfo"), tab, at level 3 the source file's base name "#" line and a
// tab, then the message (CR and LF turned into "|") and CR LF.
//
// Use the macros from any thread:
//   LOG_ERROR(u"UI log: %s", text);
//   LOG_INFO(u"Skipped File: %s. \"%s\"", outcome, path);
//   LOG_DEVINFO(u"OnInitGui");
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_info.h"
#include "platform/wide_format.h"

namespace dravanta {

enum class LogKind { kError, kInfo, kDevInfo };

// Past this many bytes the next record moves the log to the partner file.
constexpr uint64_t kLogRotationBytes = 104857600;  // 100 MiB

// Level 0 writes nothing, 1 errors, 2 errors and information, 3 everything
// with the source location of each record.
constexpr int kLogLevelNone = 0;
constexpr int kLogLevelErrors = 1;
constexpr int kLogLevelInfo = 2;
constexpr int kLogLevelDeveloper = 3;

// The partner of a log path: "_" put after the last path separator (in
// front when the path has none), so "/opt/DravantaClient.log" pairs with
// "/opt/_DravantaClient.log" (and on Windows "C:\Client\DravantaClient.log"
// with "C:\Client\_DravantaClient.log").
std::u16string AlternateLogPath(std::u16string_view path);

// The text after the last "/" or "\" of a source file path.
std::string_view SourceBaseName(std::string_view source_path);

class DiagnosticLog {
 public:
  DiagnosticLog() = default;
  DiagnosticLog(const DiagnosticLog&) = delete;
  DiagnosticLog& operator=(const DiagnosticLog&) = delete;

  // Opens the log at `path` for appending (closing any open file). The first
  // open of a log continues in whichever of `path` and its partner was
  // written last. False when the file cannot be opened (or another writer
  // holds it): every record is then dropped without a word.
  bool Open(std::u16string_view path);

  // Closes the file; later records are dropped.
  void Close();

  // Clamped to 0..3.
  void SetLevel(int level);
  int level() const;

  // The file records go to now.
  std::u16string active_path() const;

  // Formats and writes one record when the level admits its kind. Leaves
  // the calling thread's last error code as it found it.
  void Write(LogKind kind, std::string_view source_file, int source_line,
             std::u16string_view format, std::span<const FormatArg> args);

 private:
  bool OpenLocked(std::u16string_view path);
  void WriteLineLocked(LogKind kind, std::string_view source_base_name, int source_line,
                       std::u16string_view message);

  mutable std::mutex mutex_;
  std::unique_ptr<AppendFile> file_;
  std::u16string active_path_;
  std::u16string alternate_path_;
  int level_ = kLogLevelNone;
  uint64_t bytes_written_ = 0;  // 64-bit: a file of 4 GiB or more still rotates
  bool first_open_ = true;
};

// The one log of the process. It is never destroyed, so threads that still
// write while the process ends find it alive.
DiagnosticLog& ProcessLog();

template <typename... Args>
void WriteLogRecord(LogKind kind, const char* source_file, int source_line,
                    std::u16string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    ProcessLog().Write(kind, source_file, source_line, format, {});
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    ProcessLog().Write(kind, source_file, source_line, format, list);
  }
}

}  // namespace dravanta

#define LOG_ERROR(format, ...)                                                \
  ::dravanta::WriteLogRecord(::dravanta::LogKind::kError, __FILE__, __LINE__, \
                             format __VA_OPT__(, ) __VA_ARGS__)
#define LOG_INFO(format, ...)                                                \
  ::dravanta::WriteLogRecord(::dravanta::LogKind::kInfo, __FILE__, __LINE__, \
                             format __VA_OPT__(, ) __VA_ARGS__)
#define LOG_DEVINFO(format, ...)                                                \
  ::dravanta::WriteLogRecord(::dravanta::LogKind::kDevInfo, __FILE__, __LINE__, \
                             format __VA_OPT__(, ) __VA_ARGS__)
