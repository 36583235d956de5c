// The rule that keeps a second copy of the program from running: another
// process whose executable has the same file name is another instance.
#pragma once

#include <string_view>
#include <vector>

#include "platform/process_list.h"

namespace dravanta {

// True when at least two of `processes` run an executable whose file name
// (the text after the last path separator) is exactly `name`; the running program
// always counts itself once.
bool CountsAnotherInstance(std::u16string_view name, const std::vector<ProcessEntry>& processes);

// Applies the rule to the machine's processes. An empty `name` stands for
// the running executable's file name; when that cannot be known the answer
// is no.
bool IsAnotherInstanceRunning(std::u16string_view name);

}  // namespace dravanta
