// The main window of a build without the user-interface library: it says so
// and ends with the error result.
#include <cstdio>

#include "shell/app.h"
#include "shell/main_window.h"

namespace dravanta {
namespace {

class NoUiDialog : public MainWindow {
 public:
  void TakeSettings(const ClientSettings&) override {}
  int DoModal() override {
    std::fputs("the user interface is not part of this build\n", stderr);
    return kExitError;
  }
};

}  // namespace

std::unique_ptr<MainWindow> CreateMainDialog() { return std::make_unique<NoUiDialog>(); }

}  // namespace dravanta
