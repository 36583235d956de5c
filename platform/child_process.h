// Starting and stopping a helper program (used by test fixtures that run a
// real peer, such as a proxy, beside the code under test).
#pragma once

#include <string>
#include <vector>

namespace dravanta {

struct ChildProcess {
  int id = -1;  // process id, -1 when none is running
};

// Starts the program found on PATH with the given arguments (argv[0] is the
// program name), standard output and error sent to /dev/null.
bool StartChildProcess(const std::vector<std::string>& arguments, ChildProcess* child);

// Whether the child is still running (reaps it when it has ended).
bool ChildProcessRunning(ChildProcess* child);

// Asks the child to end (SIGTERM, after a bounded wait SIGKILL), waits for
// it, and forgets it. Its exit code, or -1 when it ended by a signal or no
// child was running.
int StopChildProcess(ChildProcess* child);

// Whether a program of that name is found on PATH.
bool ProgramOnPath(const std::string& name);

}  // namespace dravanta

namespace dravanta {

// Sets or removes a variable of this process's environment (for tests of
// behaviour that reads it; not safe while other threads read it).
void SetEnvironmentVariable(const std::string& name, const std::string& value);
void RemoveEnvironmentVariable(const std::string& name);

}  // namespace dravanta
