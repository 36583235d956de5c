// The client's settings: key=value arguments of the command line and the
// section "dravantaclient" of the configuration file beside the executable.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "shell/client_settings.h"
#include "shell/diagnostic_log.h"

namespace dravanta {

// Ordered by plain code-unit comparison, one value per key.
using KeyValueMap = std::map<std::u16string, std::u16string>;

constexpr std::u16string_view kConfigFileName = u"DravantaClientConf.ini";
constexpr std::u16string_view kClientSectionName = u"dravantaclient";
constexpr std::u16string_view kDefaultLogFileName = u"DravantaClient.log";

// Defaults of the keys.
constexpr std::u16string_view kDefaultServer = u"scan.dravanta.example/dravanta_rest";
constexpr std::u16string_view kDefaultThreadCount = u"3";
constexpr std::u16string_view kDefaultBatchSize = u"100";
constexpr std::u16string_view kDefaultMaximumFileSizeBytes = u"5242880";
constexpr std::u16string_view kDefaultScanLocation = u"ALL";
constexpr std::u16string_view kDefaultKey = u"5B2D07C4-93AF-4E18-B6D2-0C71E9A4F35D";
constexpr std::u16string_view kDefaultAllowedScanLevels = u"1,2";

// The C runtime's leading-integer rule: leading white space skipped, an
// optional sign, decimal digits up to the first other character; no digits
// give 0; values beyond the 32-bit range stop at its ends.
int32_t LeadingInteger(std::u16string_view text);

// Splits a configuration entry at its first "="; an entry without "=" is
// both key and value.
std::pair<std::u16string, std::u16string> SplitEntry(std::u16string_view entry);

class ConfigFileReader {
 public:
  // Keeps the command-line map, reads the section names of the file at
  // `file_path` and, when the first section is "dravantaclient", its
  // entries. `module_directory` (ending with "/") is where the default log
  // lies. True when either map holds an entry.
  bool Load(const KeyValueMap& command_line, std::u16string_view file_path,
            std::u16string_view module_directory);

  // Sets the level from "log_enable" and opens `log` at "log_file".
  void InitLog(DiagnosticLog& log);

  // The command line's value when it has the key (even an empty one), else
  // the file's, else the empty text.
  std::u16string Lookup(std::u16string_view key) const;

  // One getter per key, each with its default rule.
  std::u16string Server() const;
  std::u16string ThreadCount() const;
  std::u16string BatchSize() const;
  std::u16string MaximumFileSizeBytes() const;
  std::u16string ScanLocation() const;
  std::u16string LogFile() const;
  int LogEnableSwitch() const;  // 0, 1 or 2
  int32_t ScanType() const;
  std::u16string BannerImage() const;
  bool ShowTrayicon() const;
  std::u16string Key() const;
  bool AutoStart() const;
  bool ExitOnClean() const;
  bool ExitOnDirty() const;
  std::u16string JsonReport() const;
  bool ShowUi() const;
  std::u16string AllowedScanLevels() const;

  // Every key read in order into the settings.
  ClientSettings ReadSettings() const;

  const std::vector<std::u16string>& section_names() const { return section_names_; }
  const KeyValueMap& file_entries() const { return file_map_; }
  const std::u16string& file_path() const { return file_path_; }
  int log_switch() const { return log_switch_; }

 private:
  KeyValueMap command_line_map_;
  std::u16string file_path_;
  std::u16string module_directory_;
  std::vector<std::u16string> section_names_;
  KeyValueMap file_map_;
  int log_switch_ = 1;
};

}  // namespace dravanta
