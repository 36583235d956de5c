// For the tests of the scan-server binary: runs it as a child process with
// its standard output on a pipe. (The platform layer has no process API
// yet; this test helper is the only place of the tool that calls POSIX.)
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dravanta::scan_server::testing {

class ChildProcess {
 public:
  // Starts program with args; started() tells whether it ran.
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();  // kills a child still running and reaps it
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // One line of standard output without its line end; nullopt at end of
  // output or after timeout_ms.
  std::optional<std::string> ReadLine(int timeout_ms);
  // Everything further on standard output until it closes (bounded).
  std::string ReadAll(int timeout_ms);
  // Asks the child to stop (SIGTERM).
  void Terminate();
  // The exit code, or nullopt when it did not exit within timeout_ms or was
  // ended by a signal.
  std::optional<int> Wait(int timeout_ms);

 private:
  int pid_ = -1;
  int output_ = -1;
  std::string buffered_;
  bool reaped_ = false;
};

}  // namespace dravanta::scan_server::testing
