#include "tools/scan-server/verdict_store.h"

#include <sqlite3.h>

#include <charconv>

namespace dravanta::scan_server {
namespace {

constexpr const char* kSchema = R"sql(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
CREATE TABLE IF NOT EXISTS verdicts (
  sha1 TEXT PRIMARY KEY NOT NULL,
  md5 TEXT NOT NULL,
  size INTEGER NOT NULL,
  filename TEXT NOT NULL,
  final_scan_result INTEGER NOT NULL,
  threat_name TEXT NOT NULL,
  engines TEXT NOT NULL,
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

std::string EncodeEngineVerdicts(const std::vector<EngineVerdict>& engines) {
  std::string text;
  for (const EngineVerdict& engine : engines) {
    text += engine.engine_name + '\t' + std::to_string(engine.scan_result) + '\t' +
            engine.threat_name + '\n';
  }
  return text;
}

std::vector<EngineVerdict> DecodeEngineVerdicts(const std::string& text) {
  std::vector<EngineVerdict> engines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    std::size_t first = line.find('\t');
    std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) continue;
    EngineVerdict engine;
    engine.engine_name = line.substr(0, first);
    const char* number = line.data() + first + 1;
    if (std::from_chars(number, line.data() + second, engine.scan_result).ec != std::errc()) {
      engine.scan_result = kFailedToScan;
    }
    engine.threat_name = line.substr(second + 1);
    engines.push_back(std::move(engine));
  }
  return engines;
}

VerdictStore::VerdictStore(sqlite3* db) : db_(db) {}

VerdictStore::~VerdictStore() {
  for (sqlite3_stmt* statement : {select_verdict_, upsert_verdict_, insert_scan_, insert_lookup_}) {
    sqlite3_finalize(statement);
  }
  sqlite3_close(db_);
}

std::unique_ptr<VerdictStore> VerdictStore::Open(const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  // The store's own mutex serialises every use of the connection.
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  int opened = sqlite3_open_v2(path.empty() ? ":memory:" : path.c_str(), &db, flags, nullptr);
  std::unique_ptr<VerdictStore> store(new VerdictStore(db));
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
       "SELECT final_scan_result, threat_name, engines FROM verdicts WHERE sha1 = ?1"},
      {&upsert_verdict_,
       "INSERT OR REPLACE INTO verdicts VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, " + now + ")"},
      {&insert_scan_,
       "INSERT INTO scans (sha1, filename, final_scan_result, computer_name, user_name, "
       "hardware_id, custom_key, scanned_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, " +
           now + ")"},
      {&insert_lookup_,
       "INSERT INTO lookups (signatures, known, computer_name, user_name, hardware_id, "
       "custom_key, asked_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, " +
           now + ")"},
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
  BindText(upsert_verdict_, 1, file.sha1);
  BindText(upsert_verdict_, 2, file.md5);
  sqlite3_bind_int64(upsert_verdict_, 3, static_cast<sqlite3_int64>(file.size));
  BindText(upsert_verdict_, 4, file.filename);
  sqlite3_bind_int(upsert_verdict_, 5, file.verdict.final_scan_result);
  BindText(upsert_verdict_, 6, file.verdict.threat_name);
  BindText(upsert_verdict_, 7, EncodeEngineVerdicts(file.verdict.engines));
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
  sqlite3_exec(db_, stored ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
  return stored;
}

std::vector<std::optional<FileVerdict>> VerdictStore::Lookup(const std::vector<std::string>& sha1s,
                                                             const ClientIdentity& identity) {
  std::vector<std::optional<FileVerdict>> verdicts;
  verdicts.reserve(sha1s.size());
  std::int64_t known = 0;
  std::lock_guard<std::mutex> lock(mutex_);
  sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  for (const std::string& sha1 : sha1s) {
    BindText(select_verdict_, 1, sha1);
    std::optional<FileVerdict> verdict;
    if (sqlite3_step(select_verdict_) == SQLITE_ROW) {
      verdict.emplace();
      verdict->final_scan_result = sqlite3_column_int(select_verdict_, 0);
      verdict->threat_name = ColumnText(select_verdict_, 1);
      verdict->engines = DecodeEngineVerdicts(ColumnText(select_verdict_, 2));
      ++known;
    }
    sqlite3_reset(select_verdict_);
    verdicts.push_back(std::move(verdict));
  }
  sqlite3_bind_int64(insert_lookup_, 1, static_cast<sqlite3_int64>(sha1s.size()));
  sqlite3_bind_int64(insert_lookup_, 2, known);
  BindIdentity(insert_lookup_, 3, identity);
  Step(db_, insert_lookup_, nullptr);
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  return verdicts;
}

std::int64_t VerdictStore::ScanCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountRows(db_, "SELECT count(*) FROM scans");
}

std::int64_t VerdictStore::LookupCount() {
  std::lock_guard<std::mutex> lock(mutex_);
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
