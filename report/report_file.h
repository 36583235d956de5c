// Where a scan report goes and how it is written.
#pragma once

#include <string>
#include <string_view>

namespace dravanta {

struct ReportFolders {
  std::u16string programFolder;  // ends with the path separator
  std::u16string homeFolder;     // without a trailing separator
};

// The folder that relative report paths and the fallback file go into: the
// program folder when it is writable, else the home folder (ending with the
// path separator).
std::u16string ReportBaseFolder(const ReportFolders& folders);

// An absolute path (on Windows: one with a drive's ":" or a share's "\\")
// stays as it is; any other path is put into the base folder.
std::u16string ResolveReportPath(std::u16string_view chosen, const ReportFolders& folders);

// A name without an extension gets the default one, ".txt", unless it names
// something that exists already (which is then replaced, or refused, as it
// is). A leading dot does not count as an extension.
std::u16string WithDefaultExtension(std::u16string path);

// Writes the report bytes to the chosen path (with the default extension), or, when that fails, to
// "DravantaClientLog" in the base folder. Each write replaces its file
// atomically. Answers the full path really written, or the empty text when
// nothing could be written.
std::u16string WriteReportFile(std::u16string_view chosen, const ReportFolders& folders,
                               std::string_view bytes);

}  // namespace dravanta
