#include "tools/scan-server/testing/test_files.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace dravanta::scan_server::testing {

std::string EicarText() {
  return std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-" + "ANTIVIRUS-" +
         "TEST-FILE!$H+H*";
}

std::string ThreatMarkerText() { return std::string("DRAVANTA-TEST-") + "THREAT-MARKER"; }

std::string SuspiciousMarkerText() { return std::string("DRAVANTA-TEST-") + "SUSPICIOUS"; }

}  // namespace dravanta::scan_server::testing
