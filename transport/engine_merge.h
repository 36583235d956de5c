// Joining the "getengineinfo" answers of several servers into one document.
#pragma once

#include <string>

namespace dravanta {

// Keeps the first declaration, "<method_response>" and
// "<name>getengineinfo</name>" and the last "</method_response>", removing
// every other occurrence, so concatenated answers become one root holding
// the "engines" of all servers. One answer passes unchanged.
std::string MergeEngineDocuments(std::string text);

}  // namespace dravanta
