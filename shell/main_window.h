// What start-up needs of the main window: make it, hand it the settings,
// run it until it ends itself with a result, and destroy it.
#pragma once

#include <memory>

#include "shell/client_settings.h"

namespace dravanta {

class MainWindow {
 public:
  // Destroying the window is the last of its four operations.
  virtual ~MainWindow() = default;

  // Hands the window every setting, before it runs.
  virtual void TakeSettings(const ClientSettings& settings) = 0;

  // Runs the window until it ends itself: 0 when the last scan found the
  // machine clean, 1 when it found threats, anything else otherwise.
  virtual int DoModal() = 0;
};

// Makes the program's main window with every setting and state at its
// initial value. Defined by the user-interface library.
std::unique_ptr<MainWindow> CreateMainDialog();

}  // namespace dravanta
