#include "report/report_file.h"

#include "platform/atomic_file.h"
#include "platform/directory.h"
#include "platform/path_separator.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace dravanta {
namespace {

std::u16string WithSeparator(std::u16string folder) {
  if (folder.empty() || !IsPathSeparator(folder.back())) folder += kPathSeparator;
  return folder;
}

bool WriteTo(const std::u16string& path, std::string_view bytes) {
  return ReplaceFileAtomically(Utf16ToUtf8(path), bytes);
}

}  // namespace

std::u16string WithDefaultExtension(std::u16string path) {
  const size_t name = path.size() - FileNameOfPath(path).size();
  if (name == path.size() || path.find(u'.', name + 1) != std::u16string::npos) return path;
  EntryKind kind;
  uint64_t size = 0;
  if (LookUpPath(path, &kind, &size)) return path;
  return path + u".txt";
}

std::u16string ReportBaseFolder(const ReportFolders& folders) {
  if (!folders.programFolder.empty() && IsWritableFolder(folders.programFolder)) {
    return WithSeparator(folders.programFolder);
  }
  if (!folders.homeFolder.empty()) return WithSeparator(folders.homeFolder);
  return WithSeparator(folders.programFolder);
}

std::u16string ResolveReportPath(std::u16string_view chosen, const ReportFolders& folders) {
  // A path naming a drive is the user's own, whatever follows the ":".
  if (IsAbsolutePath(chosen) || NamesADrive(chosen)) return std::u16string(chosen);
  return ReportBaseFolder(folders) + std::u16string(chosen);
}

std::u16string WriteReportFile(std::u16string_view chosen, const ReportFolders& folders,
                               std::string_view bytes) {
  const std::u16string path = WithDefaultExtension(ResolveReportPath(chosen, folders));
  if (WriteTo(path, bytes)) return path;
  const std::u16string fallback = ReportBaseFolder(folders) + u"DravantaClientLog";
  if (WriteTo(fallback, bytes)) return fallback;
  return {};
}

}  // namespace dravanta
