#include <windows.h>

#include <string>

#include "internal/extended_path_win32.h"
#include "internal/wide_win32.h"
#include "platform/file_reader.h"
#include "platform/text.h"

namespace dravanta {
namespace {

HANDLE HandleOf(const ReadableFile& file) { return reinterpret_cast<HANDLE>(file.handle); }

// Why an opened object is not a file to read, or 0 when it is one: only
// regular files have contents to send (a folder opens with backup semantics,
// a device or pipe never ends), and a reparse point in the last name is
// refused unless the caller follows it.
DWORD RefusalOf(HANDLE handle, FinalLink final_link, std::uint64_t* size) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return ERROR_INVALID_PARAMETER;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return GetLastError();
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      final_link == FinalLink::kDoNotFollow) {
    return ERROR_CANT_ACCESS_FILE;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_DIRECTORY;
  *size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return 0;
}

}  // namespace

bool OpenReadableFile(std::string_view path, ReadableFile* file, int* error_number,
                      FinalLink final_link) {
  const std::u16string native = ExtendedLengthPath(Utf8ToUtf16(path));
  if (native.empty()) {
    if (error_number != nullptr) *error_number = ERROR_INVALID_NAME;
    return false;
  }
  // Others may go on writing, renaming or deleting the file while it is
  // read, as they may on POSIX. Backup semantics let a folder open, so that
  // it is refused below with its own reason; the reparse flag opens a link
  // itself instead of its target.
  DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS;
  if (final_link == FinalLink::kDoNotFollow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  const HANDLE handle = CreateFileW(WideOf(native), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (error_number != nullptr) *error_number = static_cast<int>(GetLastError());
    return false;
  }
  std::uint64_t size = 0;
  const DWORD refused = RefusalOf(handle, final_link, &size);
  if (refused != 0) {
    if (error_number != nullptr) *error_number = static_cast<int>(refused);
    CloseHandle(handle);
    return false;
  }
  file->handle = reinterpret_cast<FileHandle>(handle);
  file->size_at_open = size;
  return true;
}

bool ReadableFileSize(const ReadableFile& file, std::uint64_t* size) {
  if (file.handle == kNoFileHandle) return false;
  *size = file.size_at_open;
  return true;
}

std::int64_t ReadFromFile(ReadableFile& file, void* buffer, std::size_t size) {
  // ReadFile takes a 32-bit count: a larger request reads what fits.
  const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  DWORD count = 0;
  if (!ReadFile(HandleOf(file), buffer, wanted, &count, nullptr)) return -1;
  return count;
}

bool SeekReadableFile(ReadableFile& file, std::uint64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(HandleOf(file), distance, nullptr, FILE_BEGIN) != 0;
}

// The open already asked for sequential reading.
void AdviseSequentialRead(const ReadableFile&, std::uint64_t, std::size_t) {}

void CloseReadableFile(ReadableFile* file) {
  if (file->handle != kNoFileHandle) {
    CloseHandle(HandleOf(*file));
    file->handle = kNoFileHandle;
    file->size_at_open = 0;
  }
}

}  // namespace dravanta
