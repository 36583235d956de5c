// The server's memory: every file verdict by SHA-1, and a record of every
// scan and lookup with the identity of the client that asked. SQLite, in a
// file or in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/scan-server/verdict.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dravanta::scan_server {

// Who asked: query values and headers of the request.
struct ClientIdentity {
  std::string computer_name;
  std::string user_name;
  std::string hardware_id;
  std::string custom_key;
};

struct StoredFile {
  std::string sha1;  // upper-case, the key
  std::string md5;
  std::uint64_t size = 0;
  std::string filename;
  FileVerdict verdict;
};

class VerdictStore {
 public:
  // An empty path opens a private in-memory database. Returns null and sets
  // *error when the database cannot be opened or set up.
  static std::unique_ptr<VerdictStore> Open(const std::string& path, std::string* error);
  ~VerdictStore();
  VerdictStore(const VerdictStore&) = delete;
  VerdictStore& operator=(const VerdictStore&) = delete;

  // Stores (or replaces) the verdict of one file and records the scan.
  bool StoreScan(const StoredFile& file, const ClientIdentity& identity, std::string* error);

  // The stored verdicts of the given upper-case signatures, in order; records
  // the lookup with the number of signatures asked and known.
  std::vector<std::optional<FileVerdict>> Lookup(const std::vector<std::string>& sha1s,
                                                 const ClientIdentity& identity);

  // For tests and the demo: rows recorded so far.
  std::int64_t ScanCount();
  std::int64_t LookupCount();
  std::vector<ClientIdentity> ScanIdentities();

 private:
  explicit VerdictStore(sqlite3* db);
  bool Prepare(std::string* error);

  std::mutex mutex_;  // one connection, used by one request at a time
  sqlite3* db_;
  sqlite3_stmt* select_verdict_ = nullptr;
  sqlite3_stmt* upsert_verdict_ = nullptr;
  sqlite3_stmt* insert_scan_ = nullptr;
  sqlite3_stmt* insert_lookup_ = nullptr;
};

// The per-engine verdicts as stored in one column: one engine a line, name,
// result and threat name separated by tabs. Engine and threat names hold no
// tab or line break (SafeThreatName).
std::string EncodeEngineVerdicts(const std::vector<EngineVerdict>& engines);
std::vector<EngineVerdict> DecodeEngineVerdicts(const std::string& text);

}  // namespace dravanta::scan_server
