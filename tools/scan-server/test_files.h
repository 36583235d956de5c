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

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Writes a file in the folder and returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

}  // namespace dravanta::scan_server::testing
