// Decoding of the page's request bodies: a JSON array of strings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// Reads `["a","b",...]` (surrounding white space allowed; an empty body counts
// as no elements). Strings are UTF-8 with the JSON escapes; \u escapes are
// taken as UTF-16 code units as they are. False for anything else, including
// non-string elements and text after the closing bracket.
bool ParseStringArray(std::string_view body, std::vector<std::u16string>* elements);

}  // namespace dravanta
