#include "platform/program_arguments.h"

#include "platform/text.h"

namespace dravanta {

std::vector<std::u16string> ProgramArguments(int argc, const char* const* argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr) arguments.push_back(Utf8ToUtf16(argv[i]));
  }
  return arguments;
}

}  // namespace dravanta
