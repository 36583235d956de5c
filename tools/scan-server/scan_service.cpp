#include "tools/scan-server/scan_service.h"

#include <algorithm>

#include "platform/ascii.h"

namespace dravanta::scan_server {
namespace {

constexpr std::string_view kAllZeroSignature = "0000000000000000000000000000000000000000";

std::string_view TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

LookupEntry ParseSignature(std::string_view item) {
  item = TrimBlanks(item);
  LookupEntry entry;
  entry.signature = std::string(item);
  entry.well_formed = item.size() == 40 && std::all_of(item.begin(), item.end(), [](char c) {
                        return HexDigitValue(c) >= 0;
                      });
  if (entry.well_formed) {
    for (char& c : entry.signature) {
      if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return entry;
}

void Log(const ScanService& service, const std::string& line) {
  if (service.log) service.log(line);
}

}  // namespace

Answer ErrorAnswer(int status, std::string_view message) {
  return Answer{status, ErrorDocument(message)};
}

std::optional<Answer> CheckApiKey(const ScanService& service, std::string_view key) {
  if (service.api_key.empty() || key == service.api_key) return std::nullopt;
  return ErrorAnswer(401, key.empty() ? "this server requires an API key (X-API-Key header)"
                                      : "the API key (X-API-Key header) is not valid");
}

Answer AnswerEngineInfo(const ScanService& service) {
  std::vector<EngineDescription> descriptions;
  for (const auto& engine : service.engines) descriptions.push_back(engine->Description());
  return Answer{200, EngineInfoDocument(descriptions)};
}

std::uint64_t MaxLookupBodyBytes(const ServiceLimits& limits) {
  // 40 digits and one separator per signature, and room for a line end.
  return static_cast<std::uint64_t>(limits.max_signatures) * 41 + 2;
}

Answer AnswerLookup(ScanService& service, std::string_view body, const ClientIdentity& identity) {
  std::vector<LookupEntry> entries;
  if (!TrimBlanks(body).empty()) {
    std::size_t count = static_cast<std::size_t>(std::count(body.begin(), body.end(), '|')) + 1;
    if (count > service.limits.max_signatures) {
      return ErrorAnswer(413, "too many signatures in one lookup: " + std::to_string(count) +
                                  " (at most " + std::to_string(service.limits.max_signatures) +
                                  ")");
    }
    entries.reserve(count);
    std::size_t start = 0;
    while (true) {
      std::size_t end = body.find('|', start);
      entries.push_back(ParseSignature(body.substr(start, end - start)));
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  std::vector<std::string> asked;
  for (const LookupEntry& entry : entries) {
    if (entry.well_formed && entry.signature != kAllZeroSignature) asked.push_back(entry.signature);
  }
  std::vector<RememberedVerdictPointer> verdicts = service.store->Lookup(asked, identity);
  std::size_t next = 0, known = 0;
  for (LookupEntry& entry : entries) {
    if (entry.well_formed && entry.signature != kAllZeroSignature) {
      entry.verdict = std::move(verdicts[next++]);
      if (entry.verdict) ++known;
    }
  }
  Log(service, "lookup of " + std::to_string(entries.size()) +
                   " signatures: " + std::to_string(known) + " known");
  return Answer{200, LookupAnswerDocument(entries)};
}

Answer AnswerUpload(ScanService& service, const ScannedFile& file, const std::string& filename,
                    const ClientIdentity& identity) {
  std::vector<EngineVerdict> engine_verdicts;
  for (const auto& engine : service.engines) engine_verdicts.push_back(engine->Scan(file));
  StoredFile stored{file.sha1, file.md5, file.size, filename,
                    CombineVerdicts(std::move(engine_verdicts))};
  std::string error;
  if (!service.store->StoreScan(stored, identity, &error)) {
    // The verdict itself is sound; only a later lookup will not know it.
    Log(service, "cannot remember the verdict of " + file.sha1 + ": " + error);
  }
  Log(service, "scan of " + (filename.empty() ? file.sha1 : SafeThreatName(filename)) + " (" +
                   std::to_string(file.size) +
                   " bytes): " + std::to_string(stored.verdict.final_scan_result) +
                   (stored.verdict.threat_name.empty() ? "" : " " + stored.verdict.threat_name));
  return Answer{200, UploadAnswerDocument(stored.verdict,
                                          UploadedFile{filename, file.sha1, file.md5, file.size})};
}

}  // namespace dravanta::scan_server
