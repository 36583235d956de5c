#include <winsock2.h>
// (winsock2.h before windows.h)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "internal/smbios_uuid.h"
#include "internal/wide_win32.h"
#include "platform/machine_identity.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// The firmware's system identifier from the raw SMBIOS tables.
std::string SystemUuid() {
  constexpr DWORD kRawSmbios = ('R' << 24) | ('S' << 16) | ('M' << 8) | 'B';
  const UINT size = GetSystemFirmwareTable(kRawSmbios, 0, nullptr, 0);
  if (size == 0) return {};
  std::string raw(size, '\0');
  if (GetSystemFirmwareTable(kRawSmbios, 0, raw.data(), size) != size) return {};
  // The system's header: calling method, major and minor version, revision
  // (a byte each) and the table length (a DWORD), then the structures.
  constexpr size_t kHeader = 8;
  if (raw.size() < kHeader) return {};
  DWORD length = 0;
  std::memcpy(&length, raw.data() + 4, sizeof length);
  return SmbiosSystemUuid(std::string_view(raw).substr(kHeader, length));
}

std::string Processor() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  char text[48];
  std::snprintf(text, sizeof text, "%u/%u/%04x", unsigned{info.wProcessorArchitecture},
                unsigned{info.wProcessorLevel}, unsigned{info.wProcessorRevision});
  return text;
}

// The serial number of the volume that holds Windows.
std::string SystemVolumeSerial() {
  wchar_t windows[MAX_PATH + 1] = {};
  const UINT n = GetSystemWindowsDirectoryW(windows, ARRAYSIZE(windows));
  if (n == 0 || n > MAX_PATH) return {};
  wchar_t volume[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(windows, volume, ARRAYSIZE(volume))) return {};
  DWORD serial = 0;
  if (!GetVolumeInformationW(volume, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(serial));
  return text;
}

}  // namespace

std::optional<std::u16string> QueryHostName() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return std::nullopt;
  char buffer[256] = {};
  const bool known = gethostname(buffer, sizeof buffer) == 0;
  WSACleanup();
  if (!known) return std::nullopt;
  buffer[sizeof buffer - 1] = '\0';
  return Utf8ToUtf16(buffer);
}

std::optional<std::u16string> QueryUserName() {
  constexpr DWORD kRoom = 257;  // the longest account name and its zero
  wchar_t buffer[kRoom] = {};
  DWORD size = kRoom;
  if (!GetUserNameW(buffer, &size) || size == 0) return std::nullopt;
  return FromWide(buffer, size - 1);  // the count includes the zero
}

std::vector<MachineProperty> QueryMachineProperties() {
  return {{"system-uuid", SystemUuid()},
          {"processor", Processor()},
          {"system-volume", SystemVolumeSerial()}};
}

}  // namespace dravanta
