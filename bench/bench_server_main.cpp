// The bench scanning server as a program of its own, for the figures that
// drive the client from a script (scan-unknown-tls, lookups-tls, handshakes,
// scan-small-known). Not part of the product.
//
//   dravanta_bench_scan_server known|unknown plain|tls PORT_FILE
//       serves on 127.0.0.1 (free port written to PORT_FILE) until killed;
//       every lookup is answered clean (known) or unknown.
#include <iostream>
#include <string>

#include "bench/bench_scan_server.h"

int main(int argc, char** argv) {
  const std::string mode = argc == 4 ? argv[1] : "";
  const std::string scheme = argc == 4 ? argv[2] : "";
  if ((mode == "known" || mode == "unknown") && (scheme == "plain" || scheme == "tls")) {
    dravanta::BenchServerOptions options;
    options.unknown_per_mille = mode == "known" ? 0 : 1000;
    options.tls = scheme == "tls";
    return dravanta::ServeBenchScans(options, argv[3]);
  }
  std::cerr << "usage: dravanta_bench_scan_server known|unknown plain|tls PORT_FILE\n";
  return 2;
}
