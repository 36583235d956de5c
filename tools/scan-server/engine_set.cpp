#include "tools/scan-server/engine_set.h"

#include "tools/scan-server/clamav_engine.h"
#include "tools/scan-server/hash_list_engine.h"
#include "tools/scan-server/yara_engine.h"

namespace dravanta::scan_server {
namespace {

bool HoldsFiles(const std::filesystem::path& folder) {
  std::error_code failure;
  if (!std::filesystem::is_directory(folder, failure)) return false;
  std::filesystem::directory_iterator it(folder, failure);
  return !failure && it != std::filesystem::directory_iterator();
}

void Add(EngineSet* set, std::unique_ptr<Engine> engine, const std::string& label,
         const std::string& error) {
  if (engine) {
    set->notes.push_back(engine->Description().name + " " + engine->Description().version + ": " +
                         engine->Description().definitions);
    set->engines.push_back(std::move(engine));
  } else {
    set->problems.push_back(label + " left out: " + error);
  }
}

}  // namespace

std::filesystem::path ShippedDataFolder() { return DRAVANTA_SCAN_SERVER_DATA_DIR; }

EngineSet LoadEngines(const EngineSettings& settings) {
  EngineSet set;
  std::vector<std::filesystem::path> clamav_folders{settings.data_folder / "clamav"};
  if (!settings.system_clamav_folder.empty() && HoldsFiles(settings.system_clamav_folder)) {
    clamav_folders.push_back(settings.system_clamav_folder);
    set.notes.push_back("ClamAV also loads the databases of " +
                        settings.system_clamav_folder.string());
  }
  std::string error;
  Add(&set, LoadClamavEngine(clamav_folders, settings.max_file_size, &error), "ClamAV", error);
  error.clear();
  Add(&set, LoadYaraEngine(settings.data_folder / "yara", &error), "YARA", error);
  error.clear();
  Add(&set,
      LoadHashListEngine(settings.data_folder / "hashes" / "known_bad.txt",
                         settings.data_folder / "hashes" / "known_good.txt", &error),
      "Hash list", error);
  return set;
}

}  // namespace dravanta::scan_server
