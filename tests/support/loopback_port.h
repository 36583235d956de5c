// Loopback ports for test peers.
#pragma once

namespace dravanta {

// A TCP port on 127.0.0.1 that was free a moment ago (0 on failure).
int FindFreeLoopbackPort();

// Whether something accepts TCP connections on 127.0.0.1:port.
bool LoopbackPortAccepts(int port);

}  // namespace dravanta
