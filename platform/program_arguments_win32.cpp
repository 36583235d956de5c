#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "internal/wide_win32.h"
#include "platform/program_arguments.h"

namespace dravanta {

std::vector<std::u16string> ProgramArguments(int, const char* const*) {
  std::vector<std::u16string> arguments;
  int count = 0;
  wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
  if (split == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(FromWide(split[i], wcslen(split[i])));
  LocalFree(split);
  return arguments;
}

}  // namespace dravanta
