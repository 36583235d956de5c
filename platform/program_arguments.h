// The program's command-line arguments as UTF-16 texts.
#pragma once

#include <string>
#include <vector>

namespace dravanta {

// The arguments after the program's name. POSIX: argv decoded from UTF-8
// (bytes that are not valid UTF-8 are kept losslessly). Windows: the
// process's own UTF-16 command line split by the system's rules for
// quotes and backslashes; argc and argv are not used, because they hold
// the arguments in the ANSI code page, where other characters are lost.
std::vector<std::u16string> ProgramArguments(int argc, const char* const* argv);

}  // namespace dravanta
