#include <windows.h>
// (after windows.h, which they need)
#include <winioctl.h>

#include <algorithm>
#include <string>

#include "internal/extended_path_win32.h"
#include "internal/wide_win32.h"
#include "platform/file_info.h"

namespace dravanta {
namespace {

// 100-nanosecond steps from 1601-01-01 (the system's epoch) to 1970-01-01.
constexpr int64_t kTicksFrom1601To1970 = 116444736000000000;

FileTime FromFiletime(const FILETIME& time) {
  const int64_t ticks =
      static_cast<int64_t>((uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
  return (ticks - kTicksFrom1601To1970) * 100;
}

FILETIME ToFiletime(FileTime time) {
  int64_t ticks = time / 100;
  if (time % 100 < 0) --ticks;  // rounded down, also before 1970
  const auto value = static_cast<uint64_t>(ticks + kTicksFrom1601To1970);
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return result;
}

bool Attributes(std::u16string_view path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  if (path.empty()) return false;
  return GetFileAttributesExW(WideOf(ExtendedLengthPath(path)), GetFileExInfoStandard, data) != 0;
}

// A handle on a plain file (not a device, pipe or console); closes `file`
// and answers INVALID_HANDLE_VALUE otherwise.
HANDLE KeepIfDiskFile(HANDLE file) {
  if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

}  // namespace

std::optional<uint64_t> FileSize(std::u16string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, &data)) return std::nullopt;
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

FileTime LastWriteTime(std::u16string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, &data)) return kEarliestFileTime;
  return FromFiletime(data.ftLastWriteTime);
}

bool SetLastWriteTime(std::u16string_view path, FileTime time) {
  if (path.empty()) return false;
  const HANDLE file = CreateFileW(WideOf(ExtendedLengthPath(path)), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const FILETIME when = ToFiletime(time);
  const bool ok = SetFileTime(file, nullptr, nullptr, &when) != 0;
  CloseHandle(file);
  return ok;
}

bool DeleteFile(std::u16string_view path) {
  return !path.empty() && ::DeleteFileW(WideOf(ExtendedLengthPath(path))) != 0;
}

bool SetFileSize(std::u16string_view path, uint64_t size) {
  if (path.empty()) return false;
  const HANDLE file =
      KeepIfDiskFile(CreateFileW(WideOf(ExtendedLengthPath(path)), GENERIC_WRITE, FILE_SHARE_READ,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file == INVALID_HANDLE_VALUE) return false;
  // Sparse, so that growing takes no disk space; a volume without sparse
  // files still gets the size.
  DWORD returned = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  const bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) != 0 && SetEndOfFile(file) != 0;
  return CloseHandle(file) != 0 && ok;
}

std::unique_ptr<AppendFile> AppendFile::Open(std::u16string_view path, bool sole_writer) {
  if (path.empty()) return nullptr;
  // Append-only access: every write lands at the current end of the file.
  // A sole writer lets others read but not write.
  const DWORD sharing = sole_writer ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE file =
      KeepIfDiskFile(CreateFileW(WideOf(ExtendedLengthPath(path)), FILE_APPEND_DATA | SYNCHRONIZE,
                                 sharing, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<AppendFile>(new AppendFile(reinterpret_cast<std::intptr_t>(file)));
}

AppendFile::~AppendFile() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

bool AppendFile::Write(const void* data, size_t size) {
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes, piece, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

}  // namespace dravanta
