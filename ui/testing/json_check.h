// Test helper: whether a text is one complete, valid JSON value.
#pragma once

#include <string_view>

namespace dravanta {

bool IsValidJson(std::string_view text);

}  // namespace dravanta
