#include <windows.h>
// (after windows.h, which they need)
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "internal/wide_win32.h"
#include "platform/random_token.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace dravanta {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// "C:\..." or "\\server\share\..." (the \\?\ form included).
bool IsAbsolute(const std::u16string& path) {
  if (path.size() >= 3 && path[1] == u':' && IsSeparator(path[2])) return true;
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

std::u16string Environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);  // terminator included
  if (size == 0) return {};
  std::u16string value(size, u'\0');
  const DWORD n = GetEnvironmentVariableW(name, WideOf(value), size);
  if (n == 0 || n >= size) return {};  // changed in between
  value.resize(n);
  return value;
}

std::u16string KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::u16string folder;
  if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK) {
    folder = FromWide(path, wcslen(path));
  }
  CoTaskMemFree(path);
  return folder;
}

// The attributes of what `path` names, links followed (as stat does); false
// when it is missing, cannot be opened, or is a device rather than a file.
bool FollowedAttributes(const std::u16string& path, DWORD* attributes) {
  if (path.empty()) return false;
  // No access asked for: attributes can be read even where reading cannot.
  const HANDLE handle =
      CreateFileW(WideOf(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool known =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  *attributes = info.dwFileAttributes;
  return known;
}

// Where the folders of `path` begin: after "C:\", or after the share of a
// UNC path ("\\server\share\", "\\?\C:\", "\\?\UNC\server\share\").
size_t FirstFolderStart(const std::u16string& path) {
  if (path.size() >= 3 && path[1] == u':' && IsSeparator(path[2])) return 3;
  if (!(path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))) return 0;
  size_t pos = 2;
  int components = 2;  // server and share
  if (path.compare(0, 4, u"\\\\?\\") == 0) {
    pos = 4;
    if (path.size() >= 7 && path[5] == u':') return 7;  // \\?\C:\...
    if (path.compare(4, 4, u"UNC\\") == 0) pos = 8;     // \\?\UNC\server\share
  }
  while (components > 0 && pos < path.size()) {
    while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
    --components;
    if (pos < path.size()) ++pos;
  }
  return pos;
}

}  // namespace

std::u16string HomeFolder() {
  const std::u16string profile = Environment(L"USERPROFILE");
  if (IsAbsolute(profile)) return profile;
  return KnownFolder(FOLDERID_Profile);
}

std::u16string UserStateFolder() {
  const std::u16string local = Environment(L"LOCALAPPDATA");
  if (IsAbsolute(local)) return local;
  return KnownFolder(FOLDERID_LocalAppData);
}

bool IsWritableFolder(const std::u16string& path) {
  if (!IsExistingFolder(path)) return false;
  // Access lists decide, not the read-only attribute: try to create a file
  // that disappears when closed.
  const std::string token = RandomHexToken(8);
  if (token.empty()) return false;
  std::u16string probe = path;
  if (!IsSeparator(probe.back())) probe += u'\\';
  probe += u".dravanta-write-probe-" + Utf8ToUtf16(token);
  const HANDLE file = CreateFileW(WideOf(probe), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool IsExistingFolder(const std::u16string& path) {
  DWORD attributes = 0;
  return FollowedAttributes(path, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsExistingFile(const std::u16string& path) {
  DWORD attributes = 0;
  return FollowedAttributes(path, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CreateFolders(const std::u16string& path) {
  for (size_t end = path.size() > 0 ? FirstFolderStart(path) : 0; end < path.size(); ++end) {
    if (!IsSeparator(path[end])) continue;
    const std::u16string prefix = path.substr(0, end);
    if (!CreateDirectoryW(WideOf(prefix), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  if (!path.empty() && !IsSeparator(path.back()) && !CreateDirectoryW(WideOf(path), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return false;
  }
  return IsExistingFolder(path);
}

}  // namespace dravanta
