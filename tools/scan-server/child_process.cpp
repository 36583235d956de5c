#include "tools/scan-server/child_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace dravanta::scan_server::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    pid_ = pid;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  output_ = pipe_ends[0];
}

ChildProcess::~ChildProcess() {
  if (started() && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) close(output_);
}

std::optional<std::string> ChildProcess::ReadLine(int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (buffered_.find('\n') == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd ready{output_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
    char bytes[512];
    ssize_t got = read(output_, bytes, sizeof bytes);
    if (got <= 0) return std::nullopt;
    buffered_.append(bytes, static_cast<std::size_t>(got));
  }
  std::size_t end = buffered_.find('\n');
  std::string line = buffered_.substr(0, end);
  buffered_.erase(0, end + 1);
  return line;
}

std::string ChildProcess::ReadAll(int timeout_ms) {
  std::string all;
  while (std::optional<std::string> line = ReadLine(timeout_ms)) all += *line + "\n";
  all += buffered_;
  buffered_.clear();
  return all;
}

void ChildProcess::Terminate() {
  if (started() && !reaped_) kill(pid_, SIGTERM);
}

std::optional<int> ChildProcess::Wait(int timeout_ms) {
  if (!started() || reaped_) return std::nullopt;
  for (int waited = 0; waited <= timeout_ms; waited += 20) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      reaped_ = true;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

}  // namespace dravanta::scan_server::testing
