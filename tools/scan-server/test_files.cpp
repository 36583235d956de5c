#include "tools/scan-server/test_files.h"

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

TempFolder::TempFolder() {
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    auto candidate =
        std::filesystem::temp_directory_path() / ("scan-server-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::Write(const std::string& name, const std::string& bytes) const {
  std::filesystem::path file = path_ / name;
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

}  // namespace dravanta::scan_server::testing
