// The command line: arguments as the system hands them over (UTF-8 bytes,
// none holding a zero byte), decoded losslessly, their leading "--", "/" or
// "-" removed, key=value pairs with ASCII-lower-cased keys, a later key
// winning; "--help" and "--version" found by the first of them.
//
// Input: the arguments, each ended by a zero byte.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "shell/command_line.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  std::vector<std::string> raw{"dravanta-client"};
  while (!input.empty()) raw.emplace_back(input.Piece());
  std::vector<const char*> argv;
  for (const auto& arg : raw) argv.push_back(arg.c_str());
  argv.push_back(nullptr);

  const std::vector<std::u16string> arguments =
      dravanta::DecodeArguments(static_cast<int>(raw.size()), argv.data());
  FUZZ_CHECK(arguments.size() == raw.size() - 1);
  for (size_t i = 0; i < arguments.size(); ++i) {
    FUZZ_CHECK(dravanta::Utf16ToUtf8(arguments[i]) == raw[i + 1]);
  }

  dravanta::CCustomCommandLineInfo info;
  dravanta::ParseCommandLine(arguments, &info);

  dravanta::KeyValueMap model;
  dravanta::ShellRequest request = dravanta::ShellRequest::kRun;
  for (const std::u16string& argument : arguments) {
    if (request == dravanta::ShellRequest::kRun) {
      if (argument == u"--help") request = dravanta::ShellRequest::kHelp;
      if (argument == u"--version") request = dravanta::ShellRequest::kVersion;
    }
    size_t skip = 0;
    if (argument.rfind(u"--", 0) == 0) {
      skip = 2;
    } else if (!argument.empty() && (argument[0] == u'/' || argument[0] == u'-')) {
      skip = 1;
    }
    const std::u16string rest = argument.substr(skip);
    const size_t eq = rest.find(u'=');
    if (eq == std::u16string::npos) continue;
    std::u16string key = rest.substr(0, eq);
    for (char16_t& c : key) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    model[key] = rest.substr(eq + 1);
  }
  FUZZ_CHECK(info.key_values() == model);
  FUZZ_CHECK(dravanta::FindShellRequest(arguments) == request);
  return 0;
}
