#include "shell/config_file_reader.h"

#include <limits>

#include "shell/ini_file.h"

namespace dravanta {
namespace {

bool IsCWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// A number text whose leading integer is 0 (or that is empty) takes the
// default; any other text stays as it is.
std::u16string NumberOrDefault(std::u16string text, std::u16string_view fallback) {
  if (LeadingInteger(text) == 0) return std::u16string(fallback);
  return text;
}

std::u16string TextOrDefault(std::u16string text, std::u16string_view fallback) {
  if (text.empty()) return std::u16string(fallback);
  return text;
}

}  // namespace

int32_t LeadingInteger(std::u16string_view text) {
  size_t pos = 0;
  while (pos < text.size() && IsCWhiteSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  int64_t value = 0;
  constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos) {
    value = std::min(value * 10 + (text[pos] - u'0'), kCap);
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

std::pair<std::u16string, std::u16string> SplitEntry(std::u16string_view entry) {
  const size_t equals = entry.find(u'=');
  if (equals == std::u16string_view::npos) {
    return {std::u16string(entry), std::u16string(entry)};
  }
  return {std::u16string(entry.substr(0, equals)), std::u16string(entry.substr(equals + 1))};
}

bool ConfigFileReader::Load(const KeyValueMap& command_line, std::u16string_view file_path,
                            std::u16string_view module_directory) {
  command_line_map_ = command_line;
  file_path_ = file_path;
  module_directory_ = module_directory;
  file_map_.clear();
  IniContents contents = ReadIniFile(file_path_);
  section_names_ = std::move(contents.section_names);
  if (!section_names_.empty() && section_names_.front() == kClientSectionName) {
    for (const std::u16string& entry : contents.first_section_entries) {
      auto [key, value] = SplitEntry(entry);
      file_map_[std::move(key)] = std::move(value);  // a later entry wins
    }
  }
  return !command_line_map_.empty() || !file_map_.empty();
}

void ConfigFileReader::InitLog(DiagnosticLog& log) {
  log_switch_ = LogEnableSwitch();
  log.SetLevel(log_switch_ == 0 ? kLogLevelNone
                                : (log_switch_ == 2 ? kLogLevelDeveloper : kLogLevelInfo));
  log.Open(LogFile());
}

std::u16string ConfigFileReader::Lookup(std::u16string_view key) const {
  const std::u16string k(key);
  if (auto it = command_line_map_.find(k); it != command_line_map_.end()) return it->second;
  if (auto it = file_map_.find(k); it != file_map_.end()) return it->second;
  return std::u16string();
}

std::u16string ConfigFileReader::Server() const {
  return TextOrDefault(Lookup(u"server"), kDefaultServer);
}
std::u16string ConfigFileReader::ThreadCount() const {
  return NumberOrDefault(Lookup(u"thread_count"), kDefaultThreadCount);
}
std::u16string ConfigFileReader::BatchSize() const {
  return NumberOrDefault(Lookup(u"batch_size"), kDefaultBatchSize);
}
std::u16string ConfigFileReader::MaximumFileSizeBytes() const {
  return NumberOrDefault(Lookup(u"maximum_file_size_bytes"), kDefaultMaximumFileSizeBytes);
}
std::u16string ConfigFileReader::ScanLocation() const {
  return TextOrDefault(Lookup(u"scan_location"), kDefaultScanLocation);
}
std::u16string ConfigFileReader::LogFile() const {
  return TextOrDefault(Lookup(u"log_file"),
                       module_directory_ + std::u16string(kDefaultLogFileName));
}
int ConfigFileReader::LogEnableSwitch() const {
  const std::u16string text = Lookup(u"log_enable");
  if (text == u"0") return 0;
  if (text == u"2") return 2;
  return 1;  // empty and every other text
}
int32_t ConfigFileReader::ScanType() const { return LeadingInteger(Lookup(u"scan_type")); }
std::u16string ConfigFileReader::BannerImage() const { return Lookup(u"banner_image"); }
bool ConfigFileReader::ShowTrayicon() const { return Lookup(u"show_trayicon") == u"1"; }
std::u16string ConfigFileReader::Key() const { return TextOrDefault(Lookup(u"key"), kDefaultKey); }
bool ConfigFileReader::AutoStart() const { return Lookup(u"auto_start") == u"1"; }
bool ConfigFileReader::ExitOnClean() const { return Lookup(u"exit_on_clean") == u"1"; }
bool ConfigFileReader::ExitOnDirty() const { return Lookup(u"exit_on_dirty") == u"1"; }
std::u16string ConfigFileReader::JsonReport() const { return Lookup(u"json_report"); }
bool ConfigFileReader::ShowUi() const { return !(Lookup(u"show_ui") == u"0" && AutoStart()); }
std::u16string ConfigFileReader::AllowedScanLevels() const {
  return TextOrDefault(Lookup(u"allowed_scan_levels"), kDefaultAllowedScanLevels);
}

ClientSettings ConfigFileReader::ReadSettings() const {
  ClientSettings settings;
  settings.module_directory = module_directory_;
  settings.server = Server();
  settings.thread_count = ThreadCount();
  settings.batch_size = BatchSize();
  settings.maximum_file_size_bytes = MaximumFileSizeBytes();
  settings.scan_location = ScanLocation();
  settings.log_file = LogFile();
  settings.scan_type = ScanType();
  settings.banner_image = BannerImage();
  settings.show_trayicon = ShowTrayicon();
  settings.key = Key();
  settings.auto_start = AutoStart();
  settings.exit_on_clean = ExitOnClean();
  settings.exit_on_dirty = ExitOnDirty();
  settings.show_ui = ShowUi();
  settings.allowed_scan_levels = AllowedScanLevels();
  settings.json_report = JsonReport();
  return settings;
}

}  // namespace dravanta
