#include <windows.h>
// (after windows.h, which it needs)
#include <psapi.h>

#include <string>
#include <vector>

#include "internal/wide_win32.h"
#include "platform/process_list.h"

namespace dravanta {
namespace {

// Identifiers of the running processes. The table grows until the system
// leaves room in it, so that no process is lost on a busy machine.
std::vector<DWORD> ProcessIds() {
  std::vector<DWORD> ids(1024);
  for (;;) {
    DWORD bytes = 0;
    const DWORD capacity = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    if (!EnumProcesses(ids.data(), capacity, &bytes)) return {};
    if (bytes < capacity) {
      ids.resize(bytes / sizeof(DWORD));
      return ids;
    }
    ids.resize(ids.size() * 2);
  }
}

// The path of the main module of an open process, of any length.
std::u16string MainModulePath(HANDLE process) {
  std::u16string buffer(MAX_PATH, u'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetModuleFileNameExW(process, nullptr, WideOf(buffer), size);
    if (n == 0) return std::u16string();
    if (n < size - 1) {
      buffer.resize(n);
      return buffer;
    }
    if (buffer.size() >= 32768) return std::u16string();  // the longest path there is
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::u16string ProcessExecutablePath(int pid) {
  if (pid <= 0) return std::u16string();
  // Query and memory-read access (0x410): what reading the module list needs.
  const HANDLE process =
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return std::u16string();
  std::u16string path = MainModulePath(process);
  CloseHandle(process);
  return path;
}

std::vector<ProcessEntry> ListProcesses() {
  std::vector<ProcessEntry> processes;
  for (const DWORD id : ProcessIds()) {
    if (id == 0) continue;
    std::u16string path = ProcessExecutablePath(static_cast<int>(id));
    if (path.empty()) continue;
    processes.push_back(ProcessEntry{static_cast<int>(id), std::move(path)});
  }
  return processes;
}

}  // namespace dravanta
