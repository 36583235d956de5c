// The names a scan report shows: who ran the scan, on which machine.
#pragma once

#include <string>

namespace dravanta {

// The effective user's login name. False (name untouched) when unknown.
bool ReadLoginName(std::u16string* name);

// The machine's host name. False (name untouched) when unknown.
bool ReadMachineHostName(std::u16string* name);

}  // namespace dravanta
