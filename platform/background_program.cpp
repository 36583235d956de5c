#include "platform/background_program.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace dravanta {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

void NoteEnd(BackgroundProgram* program, int status) {
  program->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  program->id = -1;
  if (program->output >= 0) close(program->output);
  program->output = -1;
}

}  // namespace

bool StartBackgroundProgram(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, const std::string& folder,
                            const std::string& errorFile, BackgroundProgram* program) {
  if (arguments.empty()) return false;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> argv = Pointers(arguments);
  std::vector<char*> envp = Pointers(environment);
  pid_t child = -1;
  const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (failed != 0) {
    close(out[0]);
    return false;
  }
  program->id = child;
  program->output = out[0];
  program->exitCode = -1;
  return true;
}

bool ReadOutputUntil(BackgroundProgram* program, const std::string& marker,
                     std::chrono::milliseconds limit, std::string* seen) {
  const Clock::time_point deadline = Clock::now() + limit;
  while (seen->find(marker) == std::string::npos) {
    if (program->output < 0) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    struct pollfd entry = {program->output, POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(program->output, buffer, sizeof buffer);
    if (n > 0) {
      seen->append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      return seen->find(marker) != std::string::npos;
    }
  }
  return true;
}

bool BackgroundProgramRunning(BackgroundProgram* program) {
  if (program->id < 0) return false;
  int status = 0;
  if (waitpid(program->id, &status, WNOHANG) == 0) return true;
  NoteEnd(program, status);
  return false;
}

bool WaitForBackgroundProgram(BackgroundProgram* program, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  while (BackgroundProgramRunning(program)) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void EndBackgroundProgram(BackgroundProgram* program, std::chrono::milliseconds limit) {
  if (program->id < 0) return;
  kill(program->id, SIGTERM);
  if (WaitForBackgroundProgram(program, limit)) return;
  kill(program->id, SIGKILL);
  int status = 0;
  while (waitpid(program->id, &status, 0) < 0 && errno == EINTR) {
  }
  NoteEnd(program, status);
}

}  // namespace dravanta
