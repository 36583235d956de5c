#include <windows.h>

#include "internal/wide_win32.h"
#include "platform/drives.h"
#include "platform/path_separator.h"

namespace dravanta {
namespace {

// The logical drive strings ("A:\", "C:\", ...), read into 1024 characters.
std::vector<std::u16string> LogicalDrives() {
  std::u16string buffer(1024, u'\0');
  const DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), WideOf(buffer));
  std::vector<std::u16string> drives;
  if (n == 0 || n > buffer.size()) return drives;
  for (size_t start = 0; start < n;) {
    const size_t end = buffer.find(u'\0', start);
    if (end == start || end == std::u16string::npos) break;
    drives.push_back(buffer.substr(start, end - start));
    start = end + 1;
  }
  return drives;
}

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

bool IsDriveLetter(char16_t c) { return UpperAscii(c) >= u'A' && UpperAscii(c) <= u'Z'; }

}  // namespace

std::vector<std::u16string> ListFixedDrives() {
  std::vector<std::u16string> fixed;
  for (std::u16string& drive : LogicalDrives()) {
    if (GetDriveTypeW(WideOf(drive)) == DRIVE_FIXED) fixed.push_back(std::move(drive));
  }
  return fixed;
}

bool QueryUsedSpace(std::u16string_view path, uint64_t* used_bytes) {
  // The root of the volume that holds the path (a drive, a folder a volume
  // is mounted on, or a share), which is what the space query takes.
  const std::u16string text(path);
  std::u16string root(text.size() + MAX_PATH, u'\0');
  if (!GetVolumePathNameW(WideOf(text), WideOf(root), static_cast<DWORD>(root.size()))) {
    return false;
  }
  root.resize(root.find(u'\0'));
  ULARGE_INTEGER total = {};
  ULARGE_INTEGER free = {};
  if (!GetDiskFreeSpaceExW(WideOf(root), nullptr, &total, &free)) return false;
  *used_bytes = total.QuadPart >= free.QuadPart ? total.QuadPart - free.QuadPart : 0;
  return true;
}

bool IsDriveRoot(std::u16string_view text) {
  if (text.size() == 3 && IsPathSeparator(text[2])) text.remove_suffix(1);
  if (text.size() != 2 || !IsDriveLetter(text[0]) || text[1] != u':') return false;
  for (const std::u16string& drive : LogicalDrives()) {
    if (UpperAscii(drive[0]) == UpperAscii(text[0])) return true;
  }
  return false;
}

}  // namespace dravanta
