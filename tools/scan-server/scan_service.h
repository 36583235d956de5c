// What the server does for each request, apart from HTTP: the engine
// information, lookups by signature and the scan of an uploaded file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/scan-server/documents.h"
#include "tools/scan-server/engine.h"
#include "tools/scan-server/upload_spool.h"
#include "tools/scan-server/verdict_store.h"

namespace dravanta::scan_server {

struct ServiceLimits {
  std::uint64_t max_upload_bytes = 100 * 1024 * 1024;
  std::size_t max_signatures = 10000;
};

struct ScanService {
  std::vector<std::unique_ptr<Engine>> engines;
  std::unique_ptr<VerdictStore> store;
  std::unique_ptr<UploadSpool> spool;
  ServiceLimits limits;
  std::string api_key;  // empty: every request is accepted
  // Receives one line per answered request; may be empty.
  std::function<void(const std::string&)> log;
};

// An HTTP status with its XML body.
struct Answer {
  int status = 200;
  std::string body;
};

Answer ErrorAnswer(int status, std::string_view message);

// Null when the key is accepted, else the refusal.
std::optional<Answer> CheckApiKey(const ScanService& service, std::string_view key);

Answer AnswerEngineInfo(const ScanService& service);

// body: signatures joined by "|". One result per item, in order; an item
// that is not 40 hexadecimal digits, the all-zero signature and an unknown
// signature all answer 5.
Answer AnswerLookup(ScanService& service, std::string_view body, const ClientIdentity& identity);

// Scans a file that has been received whole, remembers its verdict by SHA-1
// and answers it.
Answer AnswerUpload(ScanService& service, const ScannedFile& file, const std::string& filename,
                    const ClientIdentity& identity);

// The largest lookup body that max_signatures well-formed signatures need.
std::uint64_t MaxLookupBodyBytes(const ServiceLimits& limits);

}  // namespace dravanta::scan_server
