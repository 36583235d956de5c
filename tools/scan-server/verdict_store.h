// The server's memory: every file verdict by SHA-1, and a record of every
// scan and lookup with the identity of the client that asked. SQLite, in a
// file or in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "tools/scan-server/verdict.h"
#include "tools/scan-server/verdict_cache.h"

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
  // *error when the database cannot be opened or set up. Up to cache_entries
  // verdicts are also kept in memory (some 50 bytes each: the verdicts
  // themselves are shared, most files having the same one), so that lookups
  // of files asked for again and again do not reach the database.
  static std::unique_ptr<VerdictStore> Open(const std::string& path, std::string* error,
                                            std::size_t cache_entries = 2000000);
  ~VerdictStore();
  VerdictStore(const VerdictStore&) = delete;
  VerdictStore& operator=(const VerdictStore&) = delete;

  // Stores (or replaces) the verdict of one file and records the scan.
  bool StoreScan(const StoredFile& file, const ClientIdentity& identity, std::string* error);

  // Stores (or replaces) many verdicts in one transaction without recording
  // scans: for filling a database in bulk, as the benchmarks do.
  bool StoreVerdicts(const std::vector<StoredFile>& files, std::string* error);

  // The stored verdicts of the given upper-case signatures, in order (null
  // for a signature not known); records the lookup with the number of
  // signatures asked and known. The records are written in batches (a
  // commit for each lookup would cost more than the lookup itself): up to
  // kLookupRecordBatch - 1 of them wait in memory, until the next batch, a
  // count of them, or the store is closed.
  static constexpr std::size_t kLookupRecordBatch = 64;
  std::vector<RememberedVerdictPointer> Lookup(const std::vector<std::string>& sha1s,
                                               const ClientIdentity& identity);

  // For tests and the demo: rows recorded so far.
  std::int64_t ScanCount();
  std::int64_t LookupCount();
  std::int64_t VerdictCount();
  std::vector<ClientIdentity> ScanIdentities();

 private:
  VerdictStore(sqlite3* db, std::size_t cache_entries);
  bool Prepare(std::string* error);
  // Called with mutex_ and cache_mutex_ (exclusively) held, so that the
  // cache changes in the same order as the database.
  void Remember(const std::string& sha1, const RememberedVerdictPointer& verdict);

  struct PendingLookup {
    std::int64_t signatures = 0;
    std::int64_t known = 0;
    ClientIdentity identity;
    std::int64_t asked_at_ms = 0;  // since 1970, UTC
  };
  // Called with mutex_ held.
  void WritePendingLookups();

  std::mutex mutex_;  // one connection, used by one request at a time
  sqlite3* db_;
  // Taken after mutex_ when both are needed; alone (shared) to read.
  std::shared_mutex cache_mutex_;
  VerdictCache cache_;
  sqlite3_stmt* select_verdict_ = nullptr;
  sqlite3_stmt* upsert_verdict_ = nullptr;
  sqlite3_stmt* insert_scan_ = nullptr;
  sqlite3_stmt* insert_lookup_ = nullptr;
  std::vector<PendingLookup> pending_lookups_;  // guarded by mutex_
};

}  // namespace dravanta::scan_server
