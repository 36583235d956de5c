// The application object: start-up, the single-instance rule and the exit
// code. main() builds it, calls InitInstance, then returns ExitInstance.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/config_file_reader.h"
#include "shell/diagnostic_log.h"
#include "shell/main_window.h"

namespace dravanta {

constexpr int kExitClean = 0;
constexpr int kExitThreatsFound = 1;
constexpr int kExitError = 100;  // also a refused start and any other end

constexpr std::u16string_view kAnotherInstanceCaption = u"Failed to launch Workstation Scanner";
constexpr std::u16string_view kAnotherInstanceText =
    u"Another instance of Dravanta Client is already running. Please make sure the other "
    u"instance of Dravanta Client is not in progress and close it before launchng another "
    u"Scanner.";

// 0 and 1 stay, every other window result becomes 100.
int ExitCodeForWindowResult(int result);

// Everything start-up takes from the outside, so that tests can stand in
// for the machine.
struct AppEnvironment {
  std::vector<std::u16string> arguments;  // after the program name
  std::u16string executable_path;         // empty when it cannot be known
  std::function<std::unique_ptr<MainWindow>()> create_main_window;
  std::function<bool()> another_instance_running;
  std::function<void(std::u16string_view caption, std::u16string_view text)> show_message;
  DiagnosticLog* log = nullptr;
};

// The running program's environment: its executable, its processes, the
// message box and the process-wide log.
AppEnvironment SystemEnvironment(std::vector<std::u16string> arguments,
                                 std::function<std::unique_ptr<MainWindow>()> create_main_window);

class CQn5raClntApp {
 public:
  explicit CQn5raClntApp(AppEnvironment environment);

  // Runs the start-up sequence and the main window; always false (there is
  // no message loop of the application's own).
  bool InitInstance();

  // Closes the log and answers the exit code.
  int ExitInstance();

  int exit_code() const { return exit_code_; }
  const ConfigFileReader& configuration() const { return configuration_; }

 private:
  AppEnvironment environment_;
  int exit_code_ = kExitError;  // every early end of start-up leaves 100
  ConfigFileReader configuration_;
};

}  // namespace dravanta
