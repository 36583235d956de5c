// A program started to run beside the caller (a test driving the real
// executable), whose standard output the caller reads while it runs.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace dravanta {

struct BackgroundProgram {
  int id = -1;        // process id, -1 when none
  int output = -1;    // read end of its standard output
  int exitCode = -1;  // once it has ended: its code, or -1 when a signal ended it
};

// Starts arguments[0] (a path) with the arguments, in `folder`, with exactly
// the `environment` given ("NAME=value" entries), standard input from
// /dev/null, standard error to `errorFile` (appended). False when it could
// not be started.
bool StartBackgroundProgram(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, const std::string& folder,
                            const std::string& errorFile, BackgroundProgram* program);

// Reads its standard output into `seen` until `marker` is in it (true), the
// output ends or `limit` passes (false).
bool ReadOutputUntil(BackgroundProgram* program, const std::string& marker,
                     std::chrono::milliseconds limit, std::string* seen);

// Whether it is still running (notes the exit code when it has ended).
bool BackgroundProgramRunning(BackgroundProgram* program);

// Waits at most `limit` for it to end by itself (true, exit code noted).
bool WaitForBackgroundProgram(BackgroundProgram* program, std::chrono::milliseconds limit);

// Asks it to end, waits at most `limit`, then kills it; always reaps it.
void EndBackgroundProgram(BackgroundProgram* program, std::chrono::milliseconds limit);

}  // namespace dravanta
