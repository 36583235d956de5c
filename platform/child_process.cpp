#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string_view>
#include <thread>

extern char** environ;

namespace dravanta {

bool StartChildProcess(const std::vector<std::string>& arguments, ChildProcess* child) {
  if (arguments.empty()) return false;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t id = -1;
  int failed = posix_spawnp(&id, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  child->id = id;
  return true;
}

bool ChildProcessRunning(ChildProcess* child) {
  if (child->id < 0) return false;
  int status = 0;
  if (waitpid(child->id, &status, WNOHANG) == 0) return true;
  child->id = -1;
  return false;
}

int StopChildProcess(ChildProcess* child) {
  if (child->id < 0) return -1;
  kill(child->id, SIGTERM);
  int status = 0;
  pid_t ended = 0;
  // Bounded wait, then force.
  for (int attempt = 0; attempt < 100 && ended == 0; ++attempt) {
    ended = waitpid(child->id, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ended == 0) {
    kill(child->id, SIGKILL);
    ended = waitpid(child->id, &status, 0);
  }
  child->id = -1;
  return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ProgramOnPath(const std::string& name) {
  const char* path = getenv("PATH");
  if (path == nullptr) return false;
  std::string_view rest(path);
  while (true) {
    size_t colon = rest.find(':');
    std::string directory(rest.substr(0, colon));
    if (!directory.empty() && access((directory + "/" + name).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace dravanta

namespace dravanta {

void SetEnvironmentVariable(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

void RemoveEnvironmentVariable(const std::string& name) { unsetenv(name.c_str()); }

}  // namespace dravanta
