#include "tools/scan-server/hash_list_engine.h"

#include <cctype>
#include <fstream>
#include <unordered_map>

#include "platform/ascii.h"

namespace dravanta::scan_server {
namespace {

struct HashList {
  std::unordered_map<std::string, std::string> names;  // upper-case digest -> name
  std::size_t sha1_count = 0;
  std::size_t md5_count = 0;
};

bool IsHexDigest(const std::string& text) {
  if (text.size() != 40 && text.size() != 32) return false;
  for (char c : text) {
    if (HexDigitValue(c) < 0) return false;
  }
  return true;
}

std::string Trim(const std::string& text) {
  auto begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  auto end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

bool ReadList(const std::filesystem::path& path, bool names_required, HashList* list,
              std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = "cannot read hash list " + path.string();
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    auto blank = line.find_first_of(" \t");
    std::string digest = line.substr(0, blank);
    std::string name = blank == std::string::npos ? "" : Trim(line.substr(blank));
    if (!IsHexDigest(digest) || (names_required && name.empty())) {
      *error = path.string() + ":" + std::to_string(number) +
               ": expected a SHA-1 or MD5 in hexadecimal" +
               (names_required ? " followed by a threat name" : "");
      return false;
    }
    for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    (digest.size() == 40 ? list->sha1_count : list->md5_count)++;
    list->names[digest] = SafeThreatName(name);
  }
  return true;
}

class HashListEngine : public Engine {
 public:
  HashListEngine(HashList bad, HashList good) : bad_(std::move(bad)), good_(std::move(good)) {
    description_.name = "Hash list";
    description_.version = "1";
    description_.definitions = std::to_string(bad_.sha1_count) + " SHA-1 and " +
                               std::to_string(bad_.md5_count) + " MD5 known-bad, " +
                               std::to_string(good_.sha1_count) + " SHA-1 and " +
                               std::to_string(good_.md5_count) + " MD5 known-good";
  }

  const EngineDescription& Description() const override { return description_; }

  EngineVerdict Scan(const ScannedFile& file) const override {
    EngineVerdict verdict{description_.name, kThreatNotDetected, ""};
    for (const std::string* digest : {&file.sha1, &file.md5}) {
      if (auto it = bad_.names.find(*digest); it != bad_.names.end()) {
        verdict.scan_result = kThreatDetected;
        verdict.threat_name = it->second;
        return verdict;
      }
    }
    if (good_.names.count(file.sha1) || good_.names.count(file.md5)) {
      verdict.scan_result = kSkippedClean;
    }
    return verdict;
  }

 private:
  EngineDescription description_;
  HashList bad_;
  HashList good_;
};

}  // namespace

std::unique_ptr<Engine> LoadHashListEngine(const std::filesystem::path& known_bad,
                                           const std::filesystem::path& known_good,
                                           std::string* error) {
  HashList bad, good;
  if (!ReadList(known_bad, true, &bad, error) || !ReadList(known_good, false, &good, error)) {
    return nullptr;
  }
  return std::make_unique<HashListEngine>(std::move(bad), std::move(good));
}

}  // namespace dravanta::scan_server
