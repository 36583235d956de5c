#include "ui/app_command.h"

namespace dravanta {
namespace {

AppCommandKind MatchCommand(std::u16string_view text) {
  struct Entry {
    std::u16string_view text;
    bool substring;
    AppCommandKind kind;
  };
  static constexpr Entry kTable[] = {
      {u"Done", false, AppCommandKind::kDone},
      {u"Init", false, AppCommandKind::kInit},
      {u"SetupScan", false, AppCommandKind::kSetupScan},
      {u"ScanNow", true, AppCommandKind::kScanNow},
      {u"ShowResults", false, AppCommandKind::kShowResults},
      {u"UpdateProgressBar", false, AppCommandKind::kUpdateProgressBar},
      {u"SetScanLoadedModulesON", false, AppCommandKind::kLoadedModulesOn},
      {u"SetScanLoadedModulesOFF", false, AppCommandKind::kLoadedModulesOff},
      {u"StopScan", false, AppCommandKind::kStopScan},
  };
  for (const Entry& e : kTable) {
    if (e.substring ? text.find(e.text) != std::u16string_view::npos : text == e.text) {
      return e.kind;
    }
  }
  return AppCommandKind::kNone;
}

}  // namespace

AppCommand ParseAppAddress(std::u16string_view address) {
  AppCommand command;
  if (address.substr(0, 4) != u"app:") return command;
  command.intercepted = true;
  const size_t at = address.find(u'@');
  command.text = at == std::u16string_view::npos ? address : address.substr(at + 1);
  const size_t colon = command.text.find(u':');
  if (colon != std::u16string::npos) command.argument = command.text.substr(colon + 1);
  command.kind = MatchCommand(command.text);
  return command;
}

}  // namespace dravanta
