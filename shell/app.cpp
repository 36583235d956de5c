#include "shell/app.h"

#include "platform/executable_path.h"
#include "platform/message_box.h"
#include "shell/load_configuration.h"
#include "shell/single_instance.h"

namespace dravanta {

int ExitCodeForWindowResult(int result) {
  if (result == 0) return kExitClean;
  if (result == 1) return kExitThreatsFound;
  return kExitError;
}

AppEnvironment SystemEnvironment(std::vector<std::u16string> arguments,
                                 std::function<std::unique_ptr<MainWindow>()> create_main_window) {
  AppEnvironment environment;
  environment.arguments = std::move(arguments);
  environment.executable_path = ExecutablePath();
  environment.create_main_window = std::move(create_main_window);
  environment.another_instance_running = [] { return IsAnotherInstanceRunning(u""); };
  environment.show_message = ShowMessageBox;
  environment.log = &ProcessLog();
  return environment;
}

CQn5raClntApp::CQn5raClntApp(AppEnvironment environment) : environment_(std::move(environment)) {}

bool CQn5raClntApp::InitInstance() {
  std::unique_ptr<MainWindow> window = environment_.create_main_window();
  if (window == nullptr) return false;

  // The configuration, and with it the log, comes before the
  // single-instance test.
  ClientSettings settings;
  if (!LoadConfiguration(environment_.arguments, environment_.executable_path, &configuration_,
                         environment_.log, &settings)) {
    return false;
  }
  window->TakeSettings(settings);

  if (environment_.another_instance_running()) {
    environment_.show_message(kAnotherInstanceCaption, kAnotherInstanceText);
    return false;
  }

  // Common controls, control containers and the registry key of the
  // original platform have nothing to do here.
  exit_code_ = ExitCodeForWindowResult(window->DoModal());
  return false;
}

int CQn5raClntApp::ExitInstance() {
  if (environment_.log != nullptr) environment_.log->Close();
  return exit_code_;
}

}  // namespace dravanta
