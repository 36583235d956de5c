// The XML answer documents of the server.
//
// The client reads these by plain text search, taking the first
// "final_scan_result", "threat_name" and "objects" of a document and treating
// any "<error>" as a failure. So the file's own verdict comes before the
// per-engine entries, and every text that comes from a request is escaped so
// that it can never contain markup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/scan-server/engine.h"
#include "tools/scan-server/verdict.h"

namespace dravanta::scan_server {

inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

// Replaces & < > " ' by character references and any other byte below 0x20
// (tab, line feed and carriage return excepted) by '?', which XML 1.0 cannot
// carry.
std::string XmlEscape(std::string_view text);

// "<threat_name><![CDATA[" name "]]></threat_name>"; the name must already be
// a SafeThreatName.
std::string ThreatNameElement(std::string_view name);

// One "engine_result" element per engine, in order.
std::string EngineResultElements(const std::vector<EngineVerdict>& engines);

std::string EngineInfoDocument(const std::vector<EngineDescription>& engines);

struct UploadedFile {
  std::string filename;  // as the client named it, may be empty
  std::string sha1;
  std::string md5;
  std::uint64_t size = 0;
};
std::string UploadAnswerDocument(const FileVerdict& verdict, const UploadedFile& file);

// One entry of a lookup: a signature as the client sent it and, when it was
// well-formed and known, its stored verdict.
struct LookupEntry {
  std::string signature;  // upper-case when well-formed
  bool well_formed = false;
  RememberedVerdictPointer verdict;  // null: not known
};
std::string LookupAnswerDocument(const std::vector<LookupEntry>& entries);

std::string ErrorDocument(std::string_view message);

}  // namespace dravanta::scan_server
