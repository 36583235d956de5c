#include "platform/process_list.h"

#include <dirent.h>
#include <unistd.h>

#include <string>

#include "platform/text.h"

namespace dravanta {
namespace {

// Reads a symbolic link of any length; empty when it cannot be read.
std::string ReadLink(const std::string& link) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool ParsePid(const char* name, int* pid) {
  if (*name == '\0') return false;
  long value = 0;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > 0x7FFFFFFF) return false;
  }
  *pid = static_cast<int>(value);
  return true;
}

}  // namespace

std::u16string ProcessExecutablePath(int pid) {
  return Utf8ToUtf16(ReadLink("/proc/" + std::to_string(pid) + "/exe"));
}

std::vector<ProcessEntry> ListProcesses() {
  std::vector<ProcessEntry> processes;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return processes;
  while (const dirent* entry = readdir(proc)) {
    int pid = 0;
    if (!ParsePid(entry->d_name, &pid) || pid == 0) continue;
    std::u16string path = ProcessExecutablePath(pid);
    if (path.empty()) continue;
    processes.push_back(ProcessEntry{pid, std::move(path)});
  }
  closedir(proc);
  return processes;
}

}  // namespace dravanta
