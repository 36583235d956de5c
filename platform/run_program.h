// Running a program to its end and collecting what it writes (used by tests
// that drive the real executable).
#pragma once

#include <string>
#include <vector>

namespace dravanta {

struct ProgramRun {
  int exitCode = -1;  // -1: could not start, was killed, or ran past the time limit
  std::string standardOutput;
  std::string standardError;
};

// Starts arguments[0] (a path, or a name found on PATH) with the arguments,
// standard input from /dev/null, and waits at most `timeoutSeconds`; a
// program still running then is killed.
ProgramRun RunProgram(const std::vector<std::string>& arguments, int timeoutSeconds);

}  // namespace dravanta
