// Where the connector sends its error texts.
#pragma once

#include <atomic>
#include <string_view>

namespace dravanta {

using ErrorMessageFunction = void (*)(std::u16string_view message);

// Process-wide; does nothing until the program points it elsewhere (the user
// interface points it at the diagnostic log). Atomic because scans running on
// other threads read it.
extern std::atomic<ErrorMessageFunction> ErrorMessageHook;

// Passes message to the current hook.
void ReportConnectorError(std::u16string_view message);

}  // namespace dravanta
