// The "app:" command addresses the page navigates to, and the command table.
#pragma once

#include <string>
#include <string_view>

namespace dravanta {

enum class AppCommandKind {
  kNone,  // not an "app:" address, or no command matched
  kDone,
  kInit,
  kSetupScan,
  kScanNow,
  kShowResults,
  kUpdateProgressBar,
  kLoadedModulesOn,
  kLoadedModulesOff,
  kStopScan,
};

struct AppCommand {
  bool intercepted = false;  // the address starts with "app:"; never navigate to it
  std::u16string text;       // everything after the first "@" (the whole address without one)
  std::u16string argument;   // everything after the first ":" of the text
  AppCommandKind kind = AppCommandKind::kNone;
};

// Cuts an address and matches its command text against the table, in order:
// whole-text matches, except "ScanNow", which matches as a substring.
AppCommand ParseAppAddress(std::u16string_view address);

}  // namespace dravanta
