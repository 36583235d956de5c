// The program's main window: the dialog behind the start-up's window
// contract.
#include "shell/main_window.h"
#include "ui/main_dialog.h"

namespace dravanta {
namespace {

class MainDialogWindow : public MainWindow {
 public:
  MainDialogWindow() : dialog_(ProgramDialogServices()) {}
  void TakeSettings(const ClientSettings& settings) override { dialog_.SetSettings(settings); }
  int DoModal() override { return dialog_.DoModal(); }

 private:
  CQn5raClntDlg dialog_;
};

}  // namespace

std::unique_ptr<MainWindow> CreateMainDialog() { return std::make_unique<MainDialogWindow>(); }

}  // namespace dravanta
