// The "app:" command addresses: only addresses starting with "app:" are
// intercepted; the command text is what follows the first "@" (the whole
// address without one), the argument what follows the text's first ":", and
// the command is matched whole, except "ScanNow" anywhere in the text.
//
// Input: the address as UTF-8 (bytes that are not UTF-8 kept losslessly).
#include <cstdint>
#include <string>

#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"
#include "ui/app_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  const std::u16string address = dravanta::Utf8ToUtf16(input.Rest());
  const dravanta::AppCommand command = dravanta::ParseAppAddress(address);

  using Kind = dravanta::AppCommandKind;
  if (address.rfind(u"app:", 0) != 0) {
    FUZZ_CHECK(!command.intercepted && command.kind == Kind::kNone);
    FUZZ_CHECK(command.text.empty() && command.argument.empty());
    return 0;
  }
  FUZZ_CHECK(command.intercepted);
  const size_t at = address.find(u'@');
  const std::u16string text = at == std::u16string::npos ? address : address.substr(at + 1);
  FUZZ_CHECK(command.text == text);
  const size_t colon = text.find(u':');
  FUZZ_CHECK(command.argument == (colon == std::u16string::npos ? u"" : text.substr(colon + 1)));

  Kind kind = Kind::kNone;
  if (text == u"Done")
    kind = Kind::kDone;
  else if (text == u"Init")
    kind = Kind::kInit;
  else if (text == u"SetupScan")
    kind = Kind::kSetupScan;
  else if (text.find(u"ScanNow") != std::u16string::npos)
    kind = Kind::kScanNow;
  else if (text == u"ShowResults")
    kind = Kind::kShowResults;
  else if (text == u"UpdateProgressBar")
    kind = Kind::kUpdateProgressBar;
  else if (text == u"SetScanLoadedModulesON")
    kind = Kind::kLoadedModulesOn;
  else if (text == u"SetScanLoadedModulesOFF")
    kind = Kind::kLoadedModulesOff;
  else if (text == u"StopScan")
    kind = Kind::kStopScan;
  FUZZ_CHECK(command.kind == kind);
  return 0;
}
