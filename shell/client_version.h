// The client's four-part version, compiled in from the project version.
#pragma once

#include <string_view>

namespace dravanta {

// For example "1.0.0.1".
std::u16string_view ClientVersion();

}  // namespace dravanta
