#include "tests/support/subprocess.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string_view>
#include <thread>

extern char** environ;

namespace dravanta {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

void CloseIfOpen(int* descriptor) {
  if (*descriptor >= 0) close(*descriptor);
  *descriptor = -1;
}

void NoteEnd(Subprocess* process, int status) {
  process->exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  process->id = -1;
  CloseIfOpen(&process->output);
  CloseIfOpen(&process->errors);
}

// Sends one standard stream (1 or 2) where `to` says; with a pipe, its read
// end goes to `read_end` and its write end to `write_end` (closed by the
// caller once the program has started).
bool RouteStream(posix_spawn_file_actions_t* actions, int stream, StreamTo to,
                 const std::string& file, int* read_end, int* write_end) {
  switch (to) {
    case StreamTo::kNull:
      return posix_spawn_file_actions_addopen(actions, stream, "/dev/null", O_WRONLY, 0) == 0;
    case StreamTo::kFile:
      return posix_spawn_file_actions_addopen(actions, stream, file.c_str(),
                                              O_WRONLY | O_CREAT | O_APPEND, 0644) == 0;
    case StreamTo::kPipe: {
      int ends[2];
      if (pipe2(ends, O_CLOEXEC) != 0) return false;
      *read_end = ends[0];
      *write_end = ends[1];
      return posix_spawn_file_actions_adddup2(actions, ends[1], stream) == 0;
    }
  }
  return false;
}

// Reads what is there from `descriptor` into `sink`; false at its end.
bool ReadSome(int descriptor, std::string* sink) {
  char buffer[65536];
  const ssize_t n = read(descriptor, buffer, sizeof buffer);
  if (n > 0) {
    sink->append(buffer, static_cast<size_t>(n));
    return true;
  }
  return n < 0 && errno == EINTR;
}

void KillAndReap(Subprocess* process) {
  kill(process->id, SIGKILL);
  int status = 0;
  while (waitpid(process->id, &status, 0) < 0 && errno == EINTR) {
  }
  NoteEnd(process, status);
}

long long MillisecondsUntil(Clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
}

}  // namespace

bool StartSubprocess(const SubprocessOptions& options, Subprocess* process) {
  if (options.arguments.empty()) return false;
  int out_read = -1, out_write = -1, err_read = -1, err_write = -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  bool ready =
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
      RouteStream(&actions, STDOUT_FILENO, options.output, options.output_file, &out_read,
                  &out_write) &&
      RouteStream(&actions, STDERR_FILENO, options.errors, options.error_file, &err_read,
                  &err_write);
  if (ready && !options.folder.empty()) {
    ready = posix_spawn_file_actions_addchdir_np(&actions, options.folder.c_str()) == 0;
  }
  std::vector<char*> argv = Pointers(options.arguments);
  std::vector<char*> envp;
  if (options.environment) envp = Pointers(*options.environment);
  pid_t child = -1;
  const bool started = ready && posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(),
                                             options.environment ? envp.data() : environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  CloseIfOpen(&out_write);
  CloseIfOpen(&err_write);
  if (!started) {
    CloseIfOpen(&out_read);
    CloseIfOpen(&err_read);
    return false;
  }
  process->id = child;
  process->output = out_read;
  process->errors = err_read;
  process->exit_code = -1;
  return true;
}

bool ReadOutputUntil(Subprocess* process, const std::string& marker,
                     std::chrono::milliseconds limit, std::string* seen) {
  const Clock::time_point deadline = Clock::now() + limit;
  while (seen->find(marker) == std::string::npos) {
    if (process->output < 0) return false;
    const long long left = MillisecondsUntil(deadline);
    if (left <= 0) return false;
    struct pollfd entry = {process->output, POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    if (!ReadSome(process->output, seen)) return seen->find(marker) != std::string::npos;
  }
  return true;
}

bool SubprocessRunning(Subprocess* process) {
  if (process->id < 0) return false;
  int status = 0;
  if (waitpid(process->id, &status, WNOHANG) == 0) return true;
  NoteEnd(process, status);
  return false;
}

bool WaitForSubprocess(Subprocess* process, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  while (SubprocessRunning(process)) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

int StopSubprocess(Subprocess* process, std::chrono::milliseconds limit) {
  if (process->id < 0) return -1;
  kill(process->id, SIGTERM);
  if (!WaitForSubprocess(process, limit)) KillAndReap(process);
  return process->exit_code;
}

SubprocessRun RunSubprocess(SubprocessOptions options, std::chrono::milliseconds limit) {
  SubprocessRun run;
  options.output = StreamTo::kPipe;
  options.errors = StreamTo::kPipe;
  Subprocess process;
  if (!StartSubprocess(options, &process)) return run;
  const Clock::time_point deadline = Clock::now() + limit;
  struct pollfd entries[2] = {{process.output, POLLIN, 0}, {process.errors, POLLIN, 0}};
  std::string* sinks[2] = {&run.output, &run.errors};
  bool late = false;
  while (entries[0].fd >= 0 || entries[1].fd >= 0) {
    const long long left = MillisecondsUntil(deadline);
    if (left <= 0) {
      late = true;
      break;
    }
    if (poll(entries, 2, static_cast<int>(left)) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (entries[i].fd < 0 || entries[i].revents == 0) continue;
      if (!ReadSome(entries[i].fd, sinks[i])) entries[i].fd = -1;  // closed with the process
    }
  }
  // Its outputs may close before it ends: the wait is bounded too.
  if (!late) {
    const long long left = MillisecondsUntil(deadline);
    late = !WaitForSubprocess(&process, std::chrono::milliseconds(left > 0 ? left : 0));
  }
  if (late) {
    KillAndReap(&process);
    return run;
  }
  run.exit_code = process.exit_code;
  return run;
}

bool ProgramOnPath(const std::string& name) {
  const char* path = getenv("PATH");
  if (path == nullptr) return false;
  std::string_view rest(path);
  while (true) {
    const size_t colon = rest.find(':');
    const std::string directory(rest.substr(0, colon));
    if (!directory.empty() && access((directory + "/" + name).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

void SetEnvironmentVariable(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

void RemoveEnvironmentVariable(const std::string& name) { unsetenv(name.c_str()); }

}  // namespace dravanta
