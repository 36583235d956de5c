#include <windows.h>
// (after windows.h, which it needs)
#include <psapi.h>

#include <string>
#include <vector>

#include "internal/wide_win32.h"
#include "platform/process_modules.h"

namespace dravanta {
namespace {

constexpr DWORD kLongestPath = 32768;

using EnumModulesEx = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*, DWORD);

// A function looked up by name, as its own type (through the generic
// function type, which any function pointer converts to and from).
EnumModulesEx AsEnumModulesEx(FARPROC found) {
  return reinterpret_cast<EnumModulesEx>(reinterpret_cast<void (*)()>(found));
}

// The extended module enumeration, which lists the modules of processes of
// either word size. Looked up at run time: kernel32 has it under its K32
// name; older systems have it in Psapi.dll only, or not at all.
class ExtendedEnumeration {
 public:
  ExtendedEnumeration() {
    function_ = AsEnumModulesEx(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "K32EnumProcessModulesEx"));
    if (function_ != nullptr) return;
    psapi_ = LoadLibraryW(L"Psapi.dll");
    if (psapi_ != nullptr) {
      function_ = AsEnumModulesEx(GetProcAddress(psapi_, "EnumProcessModulesEx"));
    }
  }
  ~ExtendedEnumeration() {
    if (psapi_ != nullptr) FreeLibrary(psapi_);
  }
  ExtendedEnumeration(const ExtendedEnumeration&) = delete;
  ExtendedEnumeration& operator=(const ExtendedEnumeration&) = delete;

  // The module handles of `process`; the table grows until every one fits.
  // The older enumeration serves where the extended one is missing or fails.
  std::vector<HMODULE> Modules(HANDLE process) const {
    std::vector<HMODULE> modules(4096);
    for (int attempt = 0; attempt < 4; ++attempt) {
      const DWORD capacity = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
      DWORD needed = 0;
      const bool listed = (function_ != nullptr && function_(process, modules.data(), capacity,
                                                             &needed, LIST_MODULES_ALL)) ||
                          EnumProcessModules(process, modules.data(), capacity, &needed);
      if (!listed) return {};
      if (needed <= capacity) {
        modules.resize(needed / sizeof(HMODULE));
        return modules;
      }
      modules.resize(needed / sizeof(HMODULE) + 64);  // modules load meanwhile
    }
    return modules;
  }

 private:
  EnumModulesEx function_ = nullptr;
  HMODULE psapi_ = nullptr;
};

// The path of one module of an open process, of any length; empty when it
// cannot be read.
std::u16string ModulePath(HANDLE process, HMODULE module) {
  std::u16string buffer(520, u'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetModuleFileNameExW(process, module, WideOf(buffer), size);
    if (n == 0) return {};
    if (n < size - 1) {
      buffer.resize(n);
      return buffer;
    }
    if (buffer.size() >= kLongestPath) return {};
    buffer.resize(buffer.size() * 4);
  }
}

// Whether the token of this process holds the debug privilege enabled.
bool DebugPrivilegeEnabled(HANDLE token) {
  LUID debug;
  if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &debug)) return false;
  PRIVILEGE_SET wanted = {};
  wanted.PrivilegeCount = 1;
  wanted.Control = PRIVILEGE_SET_ALL_NECESSARY;
  wanted.Privilege[0].Luid = debug;
  BOOL held = FALSE;
  return PrivilegeCheck(token, &wanted, &held) && held;
}

}  // namespace

std::vector<std::u16string> LoadedModulePaths(const ProcessEntry& process, bool all_modules) {
  if (process.pid <= 0) return {};
  // The image is the process's first module, which the process list read.
  if (!all_modules) {
    if (process.executable_path.empty()) return {};
    return {process.executable_path};
  }
  // Query and memory-read access (0x410): what reading the module list needs.
  const HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                                    static_cast<DWORD>(process.pid));
  if (handle == nullptr) return {};
  std::vector<std::u16string> paths;
  const ExtendedEnumeration enumeration;
  for (const HMODULE module : enumeration.Modules(handle)) {
    std::u16string path = ModulePath(handle, module);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  CloseHandle(handle);
  return paths;
}

bool EnableReadingOtherProcesses() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  bool enabled = false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
    // A successful call may still have left the privilege out, when the
    // token does not hold it: that is ERROR_NOT_ALL_ASSIGNED.
    enabled = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
              GetLastError() == ERROR_SUCCESS;
  }
  enabled = enabled && DebugPrivilegeEnabled(token);
  CloseHandle(token);
  return enabled;
}

bool CanReadOtherUsersProcesses() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const bool enabled = DebugPrivilegeEnabled(token);
  CloseHandle(token);
  return enabled;
}

std::u16string PlainModulePath(std::u16string_view path) {
  constexpr std::u16string_view kObjectPrefix = u"\\??\\";
  constexpr std::u16string_view kSystemRoot = u"\\SystemRoot\\";
  if (path.substr(0, kObjectPrefix.size()) == kObjectPrefix) path.remove_prefix(4);
  if (path.substr(0, kSystemRoot.size()) != kSystemRoot) return std::u16string(path);
  std::u16string windows(MAX_PATH, u'\0');
  const UINT n = GetWindowsDirectoryW(WideOf(windows), MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::u16string(path);
  windows.resize(n);
  // One backslash at the seam, whether or not the folder ends in one.
  path.remove_prefix(windows.back() == u'\\' ? kSystemRoot.size() : kSystemRoot.size() - 1);
  return windows + std::u16string(path);
}

std::u16string ModuleMapKey(std::u16string_view path) {
  std::u16string key(path);
  for (char16_t& c : key) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return key;
}

}  // namespace dravanta
