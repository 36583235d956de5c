// dravanta-client: answers --help and --version, otherwise runs the
// application object and returns its exit code.
#include <cstdio>
#include <string>

#include "platform/program_arguments.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/help_text.h"
#include "shell/main_window.h"

int main(int argc, char** argv) {
  using namespace dravanta;
  std::vector<std::u16string> arguments = ProgramArguments(argc, argv);
  switch (FindShellRequest(arguments)) {
    case ShellRequest::kHelp: {
      const std::string text = HelpText();
      std::fwrite(text.data(), 1, text.size(), stdout);
      return 0;
    }
    case ShellRequest::kVersion: {
      const std::string text = VersionText();
      std::fwrite(text.data(), 1, text.size(), stdout);
      return 0;
    }
    case ShellRequest::kRun:
      break;
  }
  CQn5raClntApp app(SystemEnvironment(std::move(arguments), &CreateMainDialog));
  app.InitInstance();
  return app.ExitInstance();
}
