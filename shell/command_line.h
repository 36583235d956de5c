// The command line: key=value arguments that override the configuration
// file, plus --help and --version.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/config_file_reader.h"

namespace dravanta {

// Collects key=value arguments: the key is the text before the first "=",
// with ASCII letters lower-cased; the value is everything after it (maybe
// empty, maybe holding "="). A later argument with the same key wins. An
// argument without "=" has no effect.
class CCustomCommandLineInfo {
 public:
  // One argument with its leading "/", "-" or "--" already removed; `flag`
  // tells whether there was one, `last` whether this is the last argument.
  // Neither changes the rule.
  void ParseParam(std::u16string_view param, bool flag, bool last);

  const KeyValueMap& key_values() const { return key_values_; }

 private:
  KeyValueMap key_values_;
};

// The arguments after the program name, decoded from UTF-8 (bytes that are
// not valid UTF-8 are kept losslessly).
std::vector<std::u16string> DecodeArguments(int argc, const char* const* argv);

// Removes a leading "--", "/" or "-" from each argument and hands it to
// ParseParam.
void ParseCommandLine(const std::vector<std::u16string>& arguments, CCustomCommandLineInfo* info);

enum class ShellRequest { kRun, kHelp, kVersion };

// kHelp or kVersion when "--help" or "--version" is one of the arguments
// (the first of them decides), kRun otherwise.
ShellRequest FindShellRequest(const std::vector<std::u16string>& arguments);

}  // namespace dravanta
