#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "internal/wide_win32.h"
#include "platform/atomic_file.h"
#include "platform/text.h"

namespace dravanta {
namespace {

size_t LastSeparator(const std::u16string& path) { return path.find_last_of(u"\\/"); }

std::u16string FolderOf(const std::u16string& path) {
  const size_t separator = LastSeparator(path);
  return separator == std::u16string::npos ? u"." : path.substr(0, separator);
}

std::u16string TemporaryName(const std::u16string& path) {
  static std::atomic<unsigned> counter{0};
  return path + u".tmp." + Utf8ToUtf16(std::to_string(GetCurrentProcessId())) + u"." +
         Utf8ToUtf16(std::to_string(counter++));
}

// The process id in a temporary's name "<file>.tmp.<id>.<counter>"; 0 when
// the name is not one of those.
DWORD TemporaryOwner(std::u16string_view entry, std::u16string_view base) {
  const std::u16string prefix = std::u16string(base) + u".tmp.";
  if (entry.substr(0, prefix.size()) != prefix) return 0;
  entry.remove_prefix(prefix.size());
  const size_t dot = entry.find(u'.');
  if (dot == 0 || dot == std::u16string_view::npos || dot + 1 == entry.size()) return 0;
  DWORD owner = 0;
  for (size_t i = 0; i < entry.size(); ++i) {
    const char16_t c = entry[i];
    if (i == dot) continue;
    if (c < u'0' || c > u'9') return 0;
    if (i < dot) {
      if (owner > 100000000) return 0;
      owner = owner * 10 + static_cast<DWORD>(c - u'0');
    }
  }
  return owner;
}

bool ProcessHasEnded(DWORD pid) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

// A writer killed between creating its temporary and renaming it leaves the
// temporary behind: each replacement removes those of `path` whose writing
// process has ended; a running process's temporary is its write in progress.
void RemoveAbandonedTemporaries(const std::u16string& path) {
  const size_t separator = LastSeparator(path);
  const std::u16string base = separator == std::u16string::npos ? path : path.substr(separator + 1);
  const std::u16string folder = FolderOf(path) + u"\\";
  WIN32_FIND_DATAW found = {};
  const HANDLE search = FindFirstFileW(WideOf(folder + base + u".tmp.*"), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::u16string name = FromWide(found.cFileName, wcslen(found.cFileName));
    const DWORD owner = TemporaryOwner(name, base);
    if (owner == 0 || owner == GetCurrentProcessId()) continue;
    if (ProcessHasEnded(owner)) DeleteFileW(WideOf(folder + name));
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// The file a write to `path` should replace: `path` itself, or the file a
// link there points to. Empty when `path` names something that is not a
// plain disk file (a folder, a device such as NUL), which a rename must never
// replace, or when its folder is missing.
std::u16string ReplaceableTarget(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(WideOf(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? path : std::u16string();
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {};
  const HANDLE file =
      CreateFileW(WideOf(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::u16string target;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    target = path;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A link: replace the file it leads to, not the link.
      std::u16string final_path(MAX_PATH, u'\0');
      DWORD n = GetFinalPathNameByHandleW(file, WideOf(final_path),
                                          static_cast<DWORD>(final_path.size()), 0);
      if (n >= final_path.size()) {
        final_path.resize(n);
        n = GetFinalPathNameByHandleW(file, WideOf(final_path), n, 0);
      }
      target = n > 0 && n < final_path.size() ? final_path.substr(0, n) : std::u16string();
    }
  }
  CloseHandle(file);
  return target;
}

bool WriteAllAndFlush(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return FlushFileBuffers(file) != 0;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& requested, std::string_view bytes) {
  if (requested.empty() || requested.back() == '/' || requested.back() == '\\') return false;
  const std::u16string path = ReplaceableTarget(Utf8ToUtf16(requested));
  if (path.empty()) return false;
  RemoveAbandonedTemporaries(path);
  const std::u16string temporary = TemporaryName(path);
  const HANDLE file = CreateFileW(WideOf(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAllAndFlush(file, bytes);
  ok = CloseHandle(file) != 0 && ok;
  // Replacing by rename is atomic within a volume; write-through makes the
  // rename durable before the call returns. A reader that opened the file
  // without delete sharing makes it fail, and the old content stays.
  if (ok) {
    ok = MoveFileExW(WideOf(temporary), WideOf(path),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) DeleteFileW(WideOf(temporary));
  return ok;
}

}  // namespace dravanta
