// Counting the scan engines named in a "getengineinfo" answer.
#pragma once

#include <cstddef>
#include <string_view>

namespace dravanta {

// Number of nodes selected by "/method_response/engines/engine" in document,
// an answer text as GetEngineInfo hands it back (one code unit per byte).
// A text that does not parse as XML counts 0 engines.
std::size_t CountEngines(std::u16string_view document);

}  // namespace dravanta
