// Test contents for the scan server's tests, built at run time so that no
// file in the repository is itself a detection.
#pragma once

#include <filesystem>
#include <string>

namespace dravanta::scan_server::testing {

// The 68-byte EICAR anti-virus test file.
std::string EicarText();
// Texts that the shipped ClamAV signatures, resp. YARA rules, flag as a
// threat, resp. as suspicious.
std::string ThreatMarkerText();
std::string SuspiciousMarkerText();

}  // namespace dravanta::scan_server::testing
