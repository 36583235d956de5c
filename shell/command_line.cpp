#include "shell/command_line.h"

#include "platform/text.h"

namespace dravanta {

void CCustomCommandLineInfo::ParseParam(std::u16string_view param, bool /*flag*/, bool /*last*/) {
  const size_t equals = param.find(u'=');
  if (equals == std::u16string_view::npos) return;  // nothing acts on other arguments
  key_values_[AsciiLower(param.substr(0, equals))] = std::u16string(param.substr(equals + 1));
}

std::vector<std::u16string> DecodeArguments(int argc, const char* const* argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr) arguments.push_back(Utf8ToUtf16(argv[i]));
  }
  return arguments;
}

void ParseCommandLine(const std::vector<std::u16string>& arguments, CCustomCommandLineInfo* info) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::u16string_view argument = arguments[i];
    bool flag = false;
    if (argument.starts_with(u"--")) {
      argument.remove_prefix(2);
      flag = true;
    } else if (argument.starts_with(u"/") || argument.starts_with(u"-")) {
      argument.remove_prefix(1);
      flag = true;
    }
    info->ParseParam(argument, flag, i + 1 == arguments.size());
  }
}

ShellRequest FindShellRequest(const std::vector<std::u16string>& arguments) {
  for (const std::u16string& argument : arguments) {
    if (argument == u"--help") return ShellRequest::kHelp;
    if (argument == u"--version") return ShellRequest::kVersion;
  }
  return ShellRequest::kRun;
}

}  // namespace dravanta
