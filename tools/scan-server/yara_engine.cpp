#include "tools/scan-server/yara_engine.h"

#include <yara.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

namespace dravanta::scan_server {
namespace {

// Seconds one scan may take before YARA gives up on it.
constexpr int kScanTimeoutSeconds = 60;

struct Match {
  std::string threat_name;
  bool suspicious = false;
};

struct ScanMatches {
  std::vector<Match> matches;
};

int CollectMatch(YR_SCAN_CONTEXT*, int message, void* message_data, void* user_data) {
  if (message != CALLBACK_MSG_RULE_MATCHING) return CALLBACK_CONTINUE;
  const auto* rule = static_cast<const YR_RULE*>(message_data);
  Match match{rule->identifier, false};
  const YR_META* meta = nullptr;
  yr_rule_metas_foreach(rule, meta) {
    if (meta->type != META_TYPE_STRING) continue;
    std::string key = meta->identifier, value = meta->string;
    if (key == "threat_name" && !value.empty()) match.threat_name = value;
    if (key == "verdict") match.suspicious = value == "suspicious";
  }
  static_cast<ScanMatches*>(user_data)->matches.push_back(std::move(match));
  return CALLBACK_CONTINUE;
}

struct CompileErrors {
  std::string file;  // the rule file being compiled
  std::string text;
};

void CollectCompileError(int error_level, const char* file_name, int line_number, const YR_RULE*,
                         const char* message, void* user_data) {
  if (error_level != YARA_ERROR_LEVEL_ERROR) return;
  auto* errors = static_cast<CompileErrors*>(user_data);
  if (!errors->text.empty()) errors->text += "; ";
  errors->text += (file_name ? std::string(file_name) : errors->file) + ":" +
                  std::to_string(line_number) + ": " + message;
}

class YaraEngine : public Engine {
 public:
  YaraEngine(YR_RULES* rules, std::size_t rule_count) : rules_(rules) {
    description_.name = "YARA";
    description_.version = YR_VERSION;
    description_.definitions = std::to_string(rule_count) + " rules";
  }
  ~YaraEngine() override {
    yr_rules_destroy(rules_);
    yr_finalize();
  }

  const EngineDescription& Description() const override { return description_; }

  EngineVerdict Scan(const ScannedFile& file) const override {
    EngineVerdict verdict{description_.name, kThreatNotDetected, ""};
    ScanMatches found;
    int result =
        yr_rules_scan_file(rules_, file.path.c_str(), 0, CollectMatch, &found, kScanTimeoutSeconds);
    if (result != ERROR_SUCCESS) {
      verdict.scan_result = kFailedToScan;
      return verdict;
    }
    auto threat = std::find_if(found.matches.begin(), found.matches.end(),
                               [](const Match& m) { return !m.suspicious; });
    if (threat != found.matches.end()) {
      verdict.scan_result = kThreatDetected;
      verdict.threat_name = SafeThreatName(threat->threat_name);
    } else if (!found.matches.empty()) {
      verdict.scan_result = kSuspicious;
      verdict.threat_name = SafeThreatName(found.matches.front().threat_name);
    }
    return verdict;
  }

 private:
  YR_RULES* rules_;
  EngineDescription description_;
};

std::vector<std::filesystem::path> RuleFiles(const std::filesystem::path& folder,
                                             std::string* error) {
  std::vector<std::filesystem::path> files;
  std::error_code failure;
  for (const auto& entry : std::filesystem::directory_iterator(folder, failure)) {
    if (entry.path().extension() == ".yar") files.push_back(entry.path());
  }
  if (failure) *error = "cannot list YARA rules in " + folder.string() + ": " + failure.message();
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::unique_ptr<Engine> LoadYaraEngine(const std::filesystem::path& folder, std::string* error) {
  std::vector<std::filesystem::path> files = RuleFiles(folder, error);
  if (!error->empty()) return nullptr;
  if (yr_initialize() != ERROR_SUCCESS) {
    *error = "libyara cannot start";
    return nullptr;
  }
  YR_COMPILER* compiler = nullptr;
  if (yr_compiler_create(&compiler) != ERROR_SUCCESS) {
    yr_finalize();
    *error = "libyara cannot create a compiler";
    return nullptr;
  }
  CompileErrors errors;
  yr_compiler_set_callback(compiler, CollectCompileError, &errors);
  for (const auto& file : files) {
    errors.file = file.string();
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
      errors.text += "cannot read " + file.string();
      break;
    }
    if (yr_compiler_add_string(compiler, text.str().c_str(), file.stem().c_str()) != 0) break;
  }
  YR_RULES* rules = nullptr;
  if (errors.text.empty() && yr_compiler_get_rules(compiler, &rules) != ERROR_SUCCESS) {
    errors.text = "libyara cannot build its rules";
  }
  yr_compiler_destroy(compiler);
  std::size_t rule_count = 0;
  if (rules != nullptr) {
    const YR_RULE* rule = nullptr;
    yr_rules_foreach(rules, rule) { ++rule_count; }
  }
  if (errors.text.empty() && rule_count == 0) errors.text = "no YARA rule in " + folder.string();
  if (!errors.text.empty()) {
    if (rules != nullptr) yr_rules_destroy(rules);
    yr_finalize();
    *error = errors.text;
    return nullptr;
  }
  return std::make_unique<YaraEngine>(rules, rule_count);
}

}  // namespace dravanta::scan_server
