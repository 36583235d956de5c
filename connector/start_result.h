// What a start operation of the connector answers. The transport
// preparation answers in the same codes.
#pragma once

#include <cstdint>

namespace dravanta {

// 0: under way, its completion follows. 1: not initialised, another scan in
// progress, the transport refused its set-up, or collection could not begin.
// 2: no valid target (paths). 3: the server cannot be reached. 4: the
// servers run no engine. With a non-zero result no callback of that start
// is called.
inline constexpr int32_t kScanStarted = 0;
inline constexpr int32_t kScanRefused = 1;
inline constexpr int32_t kScanNoTarget = 2;
inline constexpr int32_t kScanServerUnreachable = 3;
inline constexpr int32_t kScanNoEngine = 4;

}  // namespace dravanta
