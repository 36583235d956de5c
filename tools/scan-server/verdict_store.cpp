#include "tools/scan-server/verdict_store.h"

#include <sqlite3.h>

#include <chrono>

#include "tools/scan-server/documents.h"

namespace dravanta::scan_server {
namespace {

constexpr const char* kSchema = R"sql(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
PRAGMA cache_size = -65536;
PRAGMA mmap_size = 1073741824;
CREATE TABLE IF NOT EXISTS verdicts (
  sha1 TEXT PRIMARY KEY NOT NULL,
  md5 TEXT NOT NULL,
  size INTEGER NOT NULL,
  filename TEXT NOT NULL,
  final_scan_result INTEGER NOT NULL,
  threat_name TEXT NOT NULL,
  engine_results TEXT NOT NULL,
  scanned_at TEXT NOT NULL
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS scans (
  id INTEGER PRIMARY KEY,
  sha1 TEXT NOT NULL,
  filename TEXT NOT NULL,
  final_scan_result INTEGER NOT NULL,
  computer_name TEXT NOT NULL,
  user_name TEXT NOT NULL,
  hardware_id TEXT NOT NULL,
  custom_key TEXT NOT NULL,
  scanned_at TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS lookups (
  id INTEGER PRIMARY KEY,
  signatures INTEGER NOT NULL,
  known INTEGER NOT NULL,
  computer_name TEXT NOT NULL,
  user_name TEXT NOT NULL,
  hardware_id TEXT NOT NULL,
  custom_key TEXT NOT NULL,
  asked_at TEXT NOT NULL
);
)sql";

constexpr const char* kNow = "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')";

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void BindIdentity(sqlite3_stmt* statement, int first, const ClientIdentity& identity) {
  BindText(statement, first, identity.computer_name);
  BindText(statement, first + 1, identity.user_name);
  BindText(statement, first + 2, identity.hardware_id);
  BindText(statement, first + 3, identity.custom_key);
}

// The verdict row's values, the engine elements already written out.
void BindVerdict(sqlite3_stmt* statement, const StoredFile& file, const std::string& engines) {
  BindText(statement, 1, file.sha1);
  BindText(statement, 2, file.md5);
  sqlite3_bind_int64(statement, 3, static_cast<sqlite3_int64>(file.size));
  BindText(statement, 4, file.filename);
  sqlite3_bind_int(statement, 5, file.verdict.final_scan_result);
  BindText(statement, 6, file.verdict.threat_name);
  BindText(statement, 7, engines);
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
              : std::string();
}

// Runs a statement that returns no rows and resets it for the next use.
bool Step(sqlite3* db, sqlite3_stmt* statement, std::string* error) {
  int result = sqlite3_step(statement);
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  if (result == SQLITE_DONE) return true;
  if (error) *error = sqlite3_errmsg(db);
  return false;
}

std::int64_t CountRows(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  std::int64_t count = -1;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    count = sqlite3_column_int64(statement, 0);
  }
  sqlite3_finalize(statement);
  return count;
}

}  // namespace

VerdictStore::VerdictStore(sqlite3* db, std::size_t cache_entries)
    : db_(db), cache_(cache_entries) {}

void VerdictStore::Remember(const std::string& sha1, const RememberedVerdictPointer& verdict) {
  Sha1Digest digest;
  if (ParseSha1Digest(sha1, &digest)) cache_.Put(digest, verdict);
}

VerdictStore::~VerdictStore() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    WritePendingLookups();
  }
  for (sqlite3_stmt* statement : {select_verdict_, upsert_verdict_, insert_scan_, insert_lookup_}) {
    sqlite3_finalize(statement);
  }
  sqlite3_close(db_);
}

std::unique_ptr<VerdictStore> VerdictStore::Open(const std::string& path, std::string* error,
                                                 std::size_t cache_entries) {
  sqlite3* db = nullptr;
  // The store's own mutex serialises every use of the connection.
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  int opened = sqlite3_open_v2(path.empty() ? ":memory:" : path.c_str(), &db, flags, nullptr);
  std::unique_ptr<VerdictStore> store(new VerdictStore(db, cache_entries));
  if (opened != SQLITE_OK) {
    *error = "cannot open the database " + path + ": " + sqlite3_errmsg(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  char* message = nullptr;
  if (sqlite3_exec(db, kSchema, nullptr, nullptr, &message) != SQLITE_OK) {
    *error = "cannot set up the database " + path + ": " + (message ? message : "");
    sqlite3_free(message);
    return nullptr;
  }
  if (!store->Prepare(error)) return nullptr;
  return store;
}

bool VerdictStore::Prepare(std::string* error) {
  const std::string now = kNow;
  struct {
    sqlite3_stmt** statement;
    std::string sql;
  } statements[] = {
      {&select_verdict_,
       "SELECT final_scan_result, threat_name, engine_results FROM verdicts WHERE sha1 = ?1"},
      {&upsert_verdict_,
       "INSERT OR REPLACE INTO verdicts VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, " + now + ")"},
      {&insert_scan_,
       "INSERT INTO scans (sha1, filename, final_scan_result, computer_name, user_name, "
       "hardware_id, custom_key, scanned_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, " +
           now + ")"},
      {&insert_lookup_,
       "INSERT INTO lookups (signatures, known, computer_name, user_name, hardware_id, "
       "custom_key, asked_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, "
       "strftime('%Y-%m-%dT%H:%M:%fZ', ?7 / 1000.0, 'unixepoch'))"},
  };
  for (auto& s : statements) {
    if (sqlite3_prepare_v2(db_, s.sql.c_str(), -1, s.statement, nullptr) != SQLITE_OK) {
      *error = std::string("cannot prepare a database statement: ") + sqlite3_errmsg(db_);
      return false;
    }
  }
  return true;
}

bool VerdictStore::StoreScan(const StoredFile& file, const ClientIdentity& identity,
                             std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  const std::string engines = EngineResultElements(file.verdict.engines);
  BindVerdict(upsert_verdict_, file, engines);
  // A file no engine could scan is not remembered, so a later lookup asks
  // for it again instead of settling it as failed for ever.
  bool stored =
      file.verdict.final_scan_result == kFailedToScan || Step(db_, upsert_verdict_, error);
  if (stored) {
    BindText(insert_scan_, 1, file.sha1);
    BindText(insert_scan_, 2, file.filename);
    sqlite3_bind_int(insert_scan_, 3, file.verdict.final_scan_result);
    BindIdentity(insert_scan_, 4, identity);
    stored = Step(db_, insert_scan_, error);
  }
  sqlite3_reset(upsert_verdict_);
  sqlite3_clear_bindings(upsert_verdict_);
  stored = stored && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!stored) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  } else if (file.verdict.final_scan_result != kFailedToScan) {
    std::unique_lock<std::shared_mutex> cache_lock(cache_mutex_);
    Remember(file.sha1, std::make_shared<const RememberedVerdict>(RememberedVerdict{
                            file.verdict.final_scan_result, file.verdict.threat_name, engines}));
  }
  return stored;
}

bool VerdictStore::StoreVerdicts(const std::vector<StoredFile>& files, std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  bool stored = true;
  for (const StoredFile& file : files) {
    BindVerdict(upsert_verdict_, file, EngineResultElements(file.verdict.engines));
    if (!Step(db_, upsert_verdict_, error)) {
      stored = false;
      break;
    }
  }
  stored = stored && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!stored) {
    if (error && error->empty()) *error = sqlite3_errmsg(db_);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
  }
  // The cache may hold what these replaced.
  std::unique_lock<std::shared_mutex> cache_lock(cache_mutex_);
  for (const StoredFile& file : files) {
    Sha1Digest digest;
    if (ParseSha1Digest(file.sha1, &digest)) cache_.Erase(digest);
  }
  return true;
}

std::vector<RememberedVerdictPointer> VerdictStore::Lookup(const std::vector<std::string>& sha1s,
                                                           const ClientIdentity& identity) {
  std::vector<RememberedVerdictPointer> verdicts(sha1s.size());
  // Texts that are not signatures are asked of the database alone.
  std::vector<Sha1Digest> digests(sha1s.size());
  std::vector<bool> parsed(sha1s.size());
  std::vector<Sha1Digest> asked;
  std::vector<std::size_t> asked_at, missed;
  for (std::size_t i = 0; i < sha1s.size(); ++i) {
    parsed[i] = ParseSha1Digest(sha1s[i], &digests[i]);
    if (parsed[i]) {
      asked.push_back(digests[i]);
      asked_at.push_back(i);
    } else {
      missed.push_back(i);
    }
  }
  std::vector<RememberedVerdictPointer> cached(asked.size());
  {
    std::shared_lock<std::shared_mutex> lock(cache_mutex_);
    cache_.FindAll(asked, cached);
  }
  for (std::size_t k = 0; k < asked.size(); ++k) {
    if (cached[k]) {
      verdicts[asked_at[k]] = std::move(cached[k]);
    } else {
      missed.push_back(asked_at[k]);
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (!missed.empty()) sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  std::vector<std::size_t> read;
  for (std::size_t i : missed) {
    BindText(select_verdict_, 1, sha1s[i]);
    if (sqlite3_step(select_verdict_) == SQLITE_ROW) {
      verdicts[i] = std::make_shared<const RememberedVerdict>(
          RememberedVerdict{sqlite3_column_int(select_verdict_, 0), ColumnText(select_verdict_, 1),
                            ColumnText(select_verdict_, 2)});
      read.push_back(i);
    }
    sqlite3_reset(select_verdict_);
  }
  if (!read.empty()) {
    std::unique_lock<std::shared_mutex> cache_lock(cache_mutex_);
    for (std::size_t i : read) {
      if (parsed[i]) cache_.Put(digests[i], verdicts[i]);
    }
  }
  std::int64_t known = 0;
  for (const auto& verdict : verdicts) known += verdict ? 1 : 0;
  if (!missed.empty()) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  pending_lookups_.push_back(
      PendingLookup{static_cast<std::int64_t>(sha1s.size()), known, identity,
                    std::chrono::duration_cast<std::chrono::milliseconds>(now).count()});
  if (pending_lookups_.size() >= kLookupRecordBatch) WritePendingLookups();
  return verdicts;
}

void VerdictStore::WritePendingLookups() {
  if (pending_lookups_.empty()) return;
  sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  for (const PendingLookup& lookup : pending_lookups_) {
    sqlite3_bind_int64(insert_lookup_, 1, lookup.signatures);
    sqlite3_bind_int64(insert_lookup_, 2, lookup.known);
    BindIdentity(insert_lookup_, 3, lookup.identity);
    sqlite3_bind_int64(insert_lookup_, 7, lookup.asked_at_ms);
    Step(db_, insert_lookup_, nullptr);
  }
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  pending_lookups_.clear();
}

std::int64_t VerdictStore::VerdictCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountRows(db_, "SELECT count(*) FROM verdicts");
}

std::int64_t VerdictStore::ScanCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountRows(db_, "SELECT count(*) FROM scans");
}

std::int64_t VerdictStore::LookupCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  WritePendingLookups();
  return CountRows(db_, "SELECT count(*) FROM lookups");
}

std::vector<ClientIdentity> VerdictStore::ScanIdentities() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<ClientIdentity> identities;
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db_,
                     "SELECT computer_name, user_name, hardware_id, custom_key FROM scans "
                     "ORDER BY id",
                     -1, &statement, nullptr);
  while (statement && sqlite3_step(statement) == SQLITE_ROW) {
    identities.push_back({ColumnText(statement, 0), ColumnText(statement, 1),
                          ColumnText(statement, 2), ColumnText(statement, 3)});
  }
  sqlite3_finalize(statement);
  return identities;
}

}  // namespace dravanta::scan_server
