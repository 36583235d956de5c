// The scanning server of the scan benchmarks (scan-known, scan-unknown,
// scan-million, and over plain HTTP or TLS scan-unknown-tls, lookups-tls,
// handshakes, scan-small-known), on 127.0.0.1. It answers what the connector asks and no
// more: the engine list, lookups (each signature clean or unknown), and
// uploads, whose bodies it reads and discards. It keeps no record of the
// requests, unlike the tests' fake server, so that millions of lookups and
// gigabytes of uploads cost it nothing but the reading.
#pragma once

#include <string>

namespace dravanta {

struct BenchServerOptions {
  // Of the looked-up signatures, how many in a thousand are unknown (and so
  // uploaded); the others are clean. 0: all clean, 1000: all unknown.
  int unknown_per_mille = 0;
  // Each lookup and upload answers after a random 0..max_delay_ms.
  int max_delay_ms = 0;
  // Serve over TLS with a self-signed certificate for "localhost" made at
  // start, so that a figure comparing the schemes measures the transport
  // and nothing else.
  bool tls = false;
};

// Serves until the process is killed, after writing the bound port to
// `port_file`. "method=stats" answers "uploads=N peak=M": the uploads
// received and the most in flight at once; GET /handshakes answers
// "FULL RESUMED REQUESTS": the TLS handshakes seen so far, full and resumed,
// and the scan requests. Returns the process's exit code
// (1 when it cannot serve).
int ServeBenchScans(const BenchServerOptions& options, const std::string& port_file);

}  // namespace dravanta
