// Programs that tests and tools run beside themselves: a peer such as a
// proxy or the scan server, or the real executable under test. One helper
// starts them, reads what they write, waits for them and stops them.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace dravanta {

// Where a program's standard output or standard error goes.
enum class StreamTo { kNull, kPipe, kFile };

struct SubprocessOptions {
  // arguments[0] is a path, or a name looked up on PATH.
  std::vector<std::string> arguments;
  // Exactly these "NAME=value" entries; without it, this process's own.
  std::optional<std::vector<std::string>> environment;
  std::string folder;  // working folder; empty: the caller's
  StreamTo output = StreamTo::kNull;
  std::string output_file;  // with StreamTo::kFile (appended)
  StreamTo errors = StreamTo::kNull;
  std::string error_file;  // with StreamTo::kFile (appended)
};

struct Subprocess {
  int id = -1;         // process id, -1 when none is running
  int output = -1;     // read end of its standard output (StreamTo::kPipe)
  int errors = -1;     // read end of its standard error (StreamTo::kPipe)
  int exit_code = -1;  // once it has ended: its code, -1 when a signal ended it
};

// Starts the program, standard input from /dev/null. False when it could
// not be started.
bool StartSubprocess(const SubprocessOptions& options, Subprocess* process);

// Reads its standard output into `seen` until `marker` is in it (true), the
// output ends or `limit` passes (false).
bool ReadOutputUntil(Subprocess* process, const std::string& marker,
                     std::chrono::milliseconds limit, std::string* seen);

// Whether it is still running (notes the exit code when it has ended).
bool SubprocessRunning(Subprocess* process);

// Waits at most `limit` for it to end by itself (true, exit code noted).
bool WaitForSubprocess(Subprocess* process, std::chrono::milliseconds limit);

// Asks it to end (TERM), waits at most `limit`, then kills it (KILL);
// always reaps it. Its exit code, or -1 when a signal ended it or none ran.
int StopSubprocess(Subprocess* process, std::chrono::milliseconds limit);

// A program run to its end with both its outputs collected.
struct SubprocessRun {
  int exit_code = -1;  // -1: could not start, ended by a signal, or ran past the limit
  std::string output;
  std::string errors;
};

// Runs the program (its `output` and `errors` settings are replaced by
// pipes) and kills it when it runs past `limit`.
SubprocessRun RunSubprocess(SubprocessOptions options, std::chrono::milliseconds limit);

// Whether a program of that name is found on PATH.
bool ProgramOnPath(const std::string& name);

// Sets or removes a variable of this process's environment (for tests of
// behaviour that reads it; not safe while other threads read it).
void SetEnvironmentVariable(const std::string& name, const std::string& value);
void RemoveEnvironmentVariable(const std::string& name);

}  // namespace dravanta
