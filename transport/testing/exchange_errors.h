// The error numbers the build's HTTP layer (libcurl or WinHTTP) reports for
// the failures the transport tests provoke, so that one test checks the
// messages of either exchange.
#pragma once

namespace dravanta {

struct ExchangeErrorNumbers {
  unsigned refused;         // nothing listens on the server's port
  unsigned unusable_host;   // a host that cannot name a machine
  unsigned dropped_answer;  // the connection closes inside the body
  unsigned stalled;         // nothing moves within the stall limit
};

const ExchangeErrorNumbers& HttpLayerErrorNumbers();

}  // namespace dravanta
