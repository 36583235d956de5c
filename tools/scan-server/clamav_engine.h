// The ClamAV engine: libclamav with the signature databases of given folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/scan-server/engine.h"

namespace dravanta::scan_server {

// Loads every database file of every folder (in order) into one compiled
// engine. Files larger than max_file_size are not scanned past that size.
// Returns null and sets *error when libclamav refuses a folder or loads no
// signature at all.
std::unique_ptr<Engine> LoadClamavEngine(const std::vector<std::filesystem::path>& folders,
                                         std::uint64_t max_file_size, std::string* error);

// libclamav's compiled-in database folder (where the system's databases are).
std::filesystem::path SystemClamavFolder();

}  // namespace dravanta::scan_server
