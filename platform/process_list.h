// The processes of the machine and the executables they run.
#pragma once

#include <string>
#include <vector>

namespace dravanta {

struct ProcessEntry {
  int pid = 0;
  // Full path of the process's executable (the target of /proc/<pid>/exe).
  std::u16string executable_path;
};

// Every process whose executable path this user may read, in /proc order.
// Processes that cannot be read (other users' processes without the
// privilege, kernel threads, processes that end while listed) are left out.
std::vector<ProcessEntry> ListProcesses();

// The executable path of one process; empty when it cannot be read.
std::u16string ProcessExecutablePath(int pid);

}  // namespace dravanta
