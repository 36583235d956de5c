#include <windows.h>

#include <string>
#include <vector>

#include "internal/wide_win32.h"
#include "platform/executable_version.h"
#include "platform/text.h"

namespace dravanta {

std::u16string ExecutableFileVersion() {
  // The executable's path from the running process, in a buffer of 260.
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return {};
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
      fixed == nullptr || fixed_size < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  const unsigned parts[] = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  std::string text;
  for (const unsigned part : parts) {
    if (!text.empty()) text += '.';
    text += std::to_string(part);
  }
  return Utf8ToUtf16(text);
}

}  // namespace dravanta
