// Files for the Windows platform tests: a fresh folder under the temporary
// folder, and a small file's whole content. Test-only; header only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "../internal/wide_win32.h"
#include "platform/random_token.h"
#include "platform/text.h"

namespace dravanta {

// Creates `prefix` + a random suffix under the temporary folder; empty when
// it cannot.
inline std::u16string NewTemporaryFolder(std::u16string_view prefix) {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(ARRAYSIZE(temp), temp);
  if (n == 0) return {};
  const std::u16string folder =
      FromWide(temp, n) + std::u16string(prefix) + Utf8ToUtf16(RandomHexToken(8));
  if (!CreateDirectoryW(WideOf(folder), nullptr)) return {};
  return folder;
}

// Up to 4 KiB of the file at `path` (of any length), or "(cannot open)".
// Others may go on writing it, as a log's writer does while a viewer reads.
inline std::string ReadWholeFile(const std::u16string& path) {
  const std::u16string name = path.size() >= MAX_PATH ? u"\\\\?\\" + path : path;
  const HANDLE file = CreateFileW(WideOf(name), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(cannot open)";
  std::string bytes(4096, '\0');
  DWORD n = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(file);
  bytes.resize(n);
  return bytes;
}

}  // namespace dravanta
