// The main window of the start-up test's copy of the program: it prints
// "ready" and some settings it was handed, then waits for one line on
// standard input and ends with the number on it (or -1 at the end of the
// input), so a test can hold a running instance and choose its result.
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/text.h"
#include "shell/config_file_reader.h"
#include "shell/main_window.h"

namespace dravanta {
namespace {

class BlockingDialog : public MainWindow {
 public:
  void TakeSettings(const ClientSettings& settings) override { settings_ = settings; }
  int DoModal() override {
    std::cout << "ready server=" << Utf16ToUtf8(settings_.server)
              << " thread_count=" << Utf16ToUtf8(settings_.thread_count)
              << " log_file=" << Utf16ToUtf8(settings_.log_file) << std::endl;
    std::string line;
    if (!std::getline(std::cin, line)) return -1;
    return LeadingInteger(Utf8ToUtf16(line));
  }

 private:
  ClientSettings settings_;
};

}  // namespace

std::unique_ptr<MainWindow> CreateMainDialog() { return std::make_unique<BlockingDialog>(); }

}  // namespace dravanta
