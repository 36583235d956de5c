// Loads the server's engines from the data folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/scan-server/engine.h"

namespace dravanta::scan_server {

struct EngineSettings {
  // Holds "clamav/" (signature databases), "yara/" (rules) and "hashes/"
  // ("known_bad.txt", "known_good.txt").
  std::filesystem::path data_folder;
  // A further ClamAV database folder, used when it exists and holds files;
  // empty for none.
  std::filesystem::path system_clamav_folder;
  std::uint64_t max_file_size = 0;
};

struct EngineSet {
  std::vector<std::unique_ptr<Engine>> engines;  // ClamAV, YARA, hash list
  std::vector<std::string> problems;             // one line per engine left out
  std::vector<std::string> notes;                // what was loaded from where
};

// The data folder shipped with the sources.
std::filesystem::path ShippedDataFolder();

// An engine that fails to load is left out and its problem noted; the others
// still load.
EngineSet LoadEngines(const EngineSettings& settings);

}  // namespace dravanta::scan_server
