#include "production/database_store.h"

#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "log/hex.h"
#include "log/safe_file.h"
#include "platform/platform.h"
#include "production/database_session.h"

namespace fw {

namespace {

using namespace pq;

// The key of a series' lock, beside the row lock: its holder can be named.
constexpr const char* kSeriesLockClass = "1179014227";  // "FWLS"

constexpr const char* kSchema[] = {
    "CREATE TABLE flashwright_schema (version integer NOT NULL, instance uuid NOT NULL DEFAULT gen_random_uuid())",
    "CREATE TABLE flashwright_series (name text PRIMARY KEY, first_serial numeric(20,0) NOT NULL, "
    "step numeric(20,0) NOT NULL, next_serial numeric(20,0) NOT NULL, made timestamptz NOT NULL DEFAULT now())",
    // Every number handed out, and what became of it: taken (on a chip being
    // written, or whose outcome never came: by whom), used, spent, burned,
    // or free (given back, handed out again first).
    "CREATE TABLE flashwright_serials (series text NOT NULL REFERENCES flashwright_series(name), "
    "serial numeric(20,0) NOT NULL, state text NOT NULL, changed timestamptz NOT NULL DEFAULT now(), taken_by text, "
    "PRIMARY KEY (series, serial))",
    // A record's identity is made before it is first sent: a resend after a
    // lost answer finds it there.
    "CREATE TABLE flashwright_chips (id bigserial PRIMARY KEY, record_id uuid UNIQUE, time timestamptz, host text, "
    "port text, command text, chip text, device_id integer, file text, file_bytes bytea, file_sha256 text, "
    "checksum integer, series text, serial numeric(20,0), serial_state text, calibration text, outcome text NOT NULL, "
    "reason text, failed_at bigint, log text[] NOT NULL DEFAULT '{}')",
    "CREATE INDEX flashwright_chips_time ON flashwright_chips (time)",
};
// From version 1: the database's identity, who took a number, each
// record's identity.
constexpr const char* kUpgradeFrom1[] = {
    "ALTER TABLE flashwright_schema ADD COLUMN instance uuid NOT NULL DEFAULT gen_random_uuid()",
    "ALTER TABLE flashwright_serials ADD COLUMN taken_by text",
    "ALTER TABLE flashwright_chips ADD COLUMN record_id uuid UNIQUE",
    "UPDATE flashwright_schema SET version = 2",
};

// The schema's version; nothing when there is none; the error where it
// cannot be read.
std::optional<int> SchemaVersion(PGconn* db, std::string* error) {
  const Result exists = Query(db, "SELECT to_regclass('flashwright_schema') IS NOT NULL");
  if (!exists.Ok()) {
    *error = ServerError(db);
    return std::nullopt;
  }
  if (exists.Text(0, 0) != "t") return std::nullopt;
  const Result version = Query(db, "SELECT max(version) FROM flashwright_schema");
  if (!version.Ok()) {
    *error = ServerError(db);
    return std::nullopt;
  }
  return version.Null(0, 0) ? 0 : std::atoi(version.Text(0, 0).c_str());
}

// Why the database's schema is not this release's; empty when it is.
std::string SchemaProblem(PGconn* db) {
  std::string error;
  const std::optional<int> version = SchemaVersion(db, &error);
  if (!error.empty()) return error;
  if (!version) return "the database has no Flashwright schema: make it with flashwright-cli database init";
  if (*version == 1) {
    return "the database's Flashwright schema is version 1: bring it to version " +
           std::to_string(kDatabaseSchemaVersion) + " with flashwright-cli database init";
  }
  if (*version != kDatabaseSchemaVersion) {
    return "the database's Flashwright schema is version " + std::to_string(*version) + "; this release knows version " +
           std::to_string(kDatabaseSchemaVersion);
  }
  return {};
}

// Every process that reads or writes a database's spool holds this lock
// first: a file never removed, so that all of them lock the same file while
// the spool itself is replaced or removed (a lock on the spool would be
// lost with the file it was taken on).
bool LockSpool(platform::File* lock, const std::string& spool_path, std::string* error) {
  return lock->Open(spool_path + ".lock", platform::File::Mode::kReadWrite, error) && lock->Lock(error);
}

// The record's spool line: its series, a tab, the record's JSON line.
std::string SpoolLine(const std::string& series, const ChipRunRecord& r) { return series + "\t" + RecordLine(r); }

}  // namespace

struct DatabaseStore::Connection {
  PGconn* db = nullptr;
  int answer_ms = 0;  // the longest an answer is waited for
  ~Connection() {
    if (db != nullptr) PQfinish(db);
  }
};

DatabaseStore::DatabaseStore(DatabaseSetup setup) : setup_(std::move(setup)) {}
DatabaseStore::~DatabaseStore() = default;

bool DatabaseStore::Connect(std::string* error) {
  if (db_ && PQstatus(db_->db) == CONNECTION_OK) return true;
  db_.reset();
  PGconn* db = Open(setup_.url, "flashwright " + setup_.station, Waiter(setup_.stop), error);
  if (db == nullptr) return false;
  db_ = std::make_unique<Connection>();
  db_->db = db;
  // The server ends a statement or a lock wait at its limits; an answer
  // that has not come 10 s after that never will.
  const Result limits = Query(db,
                              "SELECT greatest(extract(epoch FROM current_setting('statement_timeout')::interval), "
                              "extract(epoch FROM current_setting('lock_timeout')::interval))::integer");
  const int seconds = limits.Ok() ? std::atoi(limits.Text(0, 0).c_str()) : 0;
  db_->answer_ms = seconds > 0 ? (seconds + 10) * 1000 : 0;
  return true;
}

bool DatabaseStore::Again(const std::function<bool(std::string*)>& attempt, std::string* error) {
  if (attempt(error)) return true;
  // A connection dropped between chips (a server restarted, a cable): one
  // new connection, and the same again.
  if (!db_ || PQstatus(db_->db) == CONNECTION_OK || Waiter(setup_.stop).Stopped()) return false;
  db_.reset();
  std::string again;
  if (attempt(&again)) return true;
  *error += "; once more on a new connection: " + again;
  return false;
}

std::string DatabaseStore::Where() const {
  if (!db_) return "the database";
  const char* host = PQhost(db_->db);
  return std::string(PQdb(db_->db)) + " on " + (host != nullptr && *host != '\0' ? host : "the local socket") + ":" +
         PQport(db_->db);
}

std::string DatabaseStore::Unready() {
  if (const std::string problem = SeriesNameProblem(setup_.series); !problem.empty()) return problem;
  std::string error;
  if (!Connect(&error)) return error;
  PGconn* db = db_->db;
  if (std::string problem = SchemaProblem(db); !problem.empty()) return problem;
  // The database's own identity names its spool: records wait for the
  // database they were meant for, whatever port or name it is reached by.
  const Result instance = Query(db, "SELECT instance::text FROM flashwright_schema LIMIT 1");
  if (!instance.Ok() || instance.Rows() == 0) return ServerError(db);
  if (!setup_.spool_folder.empty()) {
    spool_path_ = setup_.spool_folder + platform::FolderSeparator() + "database-" + instance.Text(0, 0) + ".jsonl";
  }
  if (!SendSpool(&error)) return error;
  if (setup_.series.empty()) return {};
  const Result found = Query(db, "SELECT first_serial::text, step::text FROM flashwright_series WHERE name = $1",
                             {setup_.series});
  if (!found.Ok()) return ServerError(db);
  if (found.Rows() == 0) {
    if (!setup_.start) {
      return "there is no serial series \"" + setup_.series + "\": give --serial START[:STEP] to make it";
    }
    const std::string first = std::to_string(setup_.start->first);
    const Result made = Query(db,
                              "INSERT INTO flashwright_series (name, first_serial, step, next_serial) "
                              "VALUES ($1, $2, $3, $2) ON CONFLICT (name) DO NOTHING",
                              {setup_.series, first, std::to_string(setup_.start->step)});
    if (!made.Ok()) return ServerError(db);
    return Unready();  // made here or by another station at the same moment: checked alike
  }
  if (setup_.start && (found.Text(0, 0) != std::to_string(setup_.start->first) ||
                       found.Text(0, 1) != std::to_string(setup_.start->step))) {
    return "the serial series \"" + setup_.series + "\" was made with " + found.Text(0, 0) + ":" + found.Text(0, 1) +
           ", not " + std::to_string(setup_.start->first) + ":" + std::to_string(setup_.start->step) +
           ": give the same start, or another series";
  }
  return {};
}

// The statements of one transaction, each waited on with the stop in view.
// A failure rolls back; a statement stopped or never answered drops the
// connection instead, and the server rolls back what it had.
class DatabaseStore::Transaction {
 public:
  Transaction(DatabaseStore& store, std::string* error)
      : store_(store), db_(store.db_->db), limit_ms_(store.db_->answer_ms), waiter_(store.setup_.stop, limit_ms_),
        error_(error) {}
  PGconn* db() const { return db_; }
  Result Exec(const char* sql, const std::vector<std::optional<std::string>>& values = {}) {
    return waiter_.Exec(db_, sql, values, &end_);
  }
  bool Fail(const std::string& why) {
    if (end_ != Waiter::End::kAnswered) {
      store_.db_.reset();
      *error_ = end_ == Waiter::End::kStopped
                    ? "stopped while waiting for the database"
                    : "the database gave no answer in " + std::to_string(limit_ms_ / 1000) + " s";
      return false;
    }
    if (PQstatus(db_) == CONNECTION_OK) Result(PQexec(db_, "ROLLBACK"));
    *error_ = why;
    return false;
  }

 private:
  DatabaseStore& store_;
  PGconn* db_;
  int limit_ms_;
  Waiter waiter_;
  Waiter::End end_ = Waiter::End::kAnswered;
  std::string* error_;
};

bool DatabaseStore::TakeOnce(std::string* serial, std::string* error) {
  if (!Connect(error)) return false;
  Transaction t(*this, error);
  PGconn* db = t.db();
  if (!t.Exec("BEGIN").Ok()) return t.Fail(ServerError(db));
  // One station at a time takes from a series. Another holding it is named,
  // so that a wait is never without a word.
  const Result free_now = t.Exec("SELECT pg_try_advisory_xact_lock($1::integer, hashtext($2))",
                               {std::string(kSeriesLockClass), setup_.series});
  if (!free_now.Ok()) return t.Fail(ServerError(db));
  if (free_now.Text(0, 0) != "t") {
    const Result holder = t.Exec(
        "SELECT a.application_name, a.client_addr::text FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid "
        "WHERE l.locktype = 'advisory' AND l.granted AND l.classid = $1::oid "
        "AND l.objid = (hashtext($2)::bigint & 4294967295)::oid AND l.objsubid = 2",
        {std::string(kSeriesLockClass), setup_.series});
    std::string who = "another station";
    if (holder.Ok() && holder.Rows() > 0 && !holder.Text(0, 0).empty()) who = holder.Text(0, 0);
    if (setup_.say) setup_.say("waiting for " + who + ", which holds the serial series \"" + setup_.series + "\"...");
    const Result locked = t.Exec("SELECT pg_advisory_xact_lock($1::integer, hashtext($2))",
                               {std::string(kSeriesLockClass), setup_.series});
    if (!locked.Ok()) {
      return t.Fail(locked.State() == "55P03" ? who + " held the serial series \"" + setup_.series +
                                                  "\" past the lock timeout"
                                            : ServerError(db));
    }
  }
  const Result series =
      t.Exec("SELECT step::text, next_serial::text FROM flashwright_series WHERE name = $1 FOR UPDATE", {setup_.series});
  if (!series.Ok()) return t.Fail(ServerError(db));
  if (series.Rows() == 0) return t.Fail("there is no serial series \"" + setup_.series + "\"");
  const std::string station = "flashwright " + setup_.station;
  const Result given_back = t.Exec(
      "UPDATE flashwright_serials SET state = 'taken', changed = now(), taken_by = $2 WHERE (series, serial) = "
      "(SELECT series, serial FROM flashwright_serials WHERE series = $1 AND state = 'free' ORDER BY serial LIMIT 1) "
      "RETURNING serial::text",
      {setup_.series, station});
  if (!given_back.Ok()) return t.Fail(ServerError(db));
  if (given_back.Rows() > 0) {
    *serial = given_back.Text(0, 0);
  } else {
    // The series' last number is handed out like any other; the one after
    // it is past the top, and no number is left.
    *serial = series.Text(0, 1);
    if (!ParseNumber(*serial)) return t.Fail("the serial numbers of \"" + setup_.series + "\" have run out");
    const Result moved =
        t.Exec("UPDATE flashwright_series SET next_serial = next_serial + step WHERE name = $1", {setup_.series});
    if (!moved.Ok()) return t.Fail(ServerError(db));
    const Result taken =
        t.Exec("INSERT INTO flashwright_serials (series, serial, state, taken_by) VALUES ($1, $2, 'taken', $3)",
             {setup_.series, *serial, station});
    if (!taken.Ok()) return t.Fail(ServerError(db));
  }
  if (!t.Exec("COMMIT").Ok()) return t.Fail(ServerError(db));
  return true;
}

std::optional<std::uint64_t> DatabaseStore::Take(std::string* error) {
  std::string serial;
  if (!Again([&](std::string* why) { return TakeOnce(&serial, why); }, error)) return std::nullopt;
  return ParseNumber(serial);
}

std::optional<std::uint64_t> DatabaseStore::Peek(std::string* error) {
  if (!Connect(error)) return std::nullopt;
  const Result next = Query(db_->db,
                            "SELECT COALESCE((SELECT min(serial) FROM flashwright_serials WHERE series = $1 AND "
                            "state = 'free'), next_serial)::text FROM flashwright_series WHERE name = $1",
                            {setup_.series});
  if (!next.Ok() || next.Rows() == 0) {
    *error = next.Ok() ? "there is no serial series \"" + setup_.series + "\"" : ServerError(db_->db);
    return std::nullopt;
  }
  const auto number = ParseNumber(next.Text(0, 0));
  if (!number) *error = "the serial numbers of \"" + setup_.series + "\" have run out";
  return number;
}

bool DatabaseStore::Store(const ChipRunRecord& r, const std::string& series, std::string* error) {
  if (!Connect(error)) return false;
  Transaction t(*this, error);
  PGconn* db = t.db();
  if (!t.Exec("BEGIN").Ok()) return t.Fail(ServerError(db));
  nlohmann::json log = nlohmann::json::array();
  for (const std::string& line : r.log) log.push_back(ValidUtf8Text(line));
  std::string file_bytes;
  if (!IsValidUtf8(r.file)) {
    for (const unsigned char c : r.file) file_bytes += Hex(c, 2);
  }
  // A record sent before, whose answer was lost, is there already: nothing
  // is written twice, its number was settled with it.
  const Result inserted = t.Exec(
      "INSERT INTO flashwright_chips (record_id, time, host, port, command, chip, device_id, file, file_bytes, "
      "file_sha256, checksum, series, serial, serial_state, calibration, outcome, reason, failed_at, log) VALUES "
      "($1::uuid, $2::timestamptz, $3, $4, $5, $6, $7::integer, $8, decode($9, 'hex'), $10, $11::integer, $12, "
      "$13::numeric, $14, $15, $16, $17, $18::bigint, ARRAY(SELECT json_array_elements_text($19::json))) "
      "ON CONFLICT (record_id) DO NOTHING",
      {TextOrNull(r.id), TextOrNull(r.time), TextOrNull(r.host), TextOrNull(r.port), TextOrNull(r.command),
       TextOrNull(r.chip), TextOf(r.device_id), TextOrNull(r.file),
       file_bytes.empty() ? std::nullopt : std::optional<std::string>(file_bytes), TextOrNull(r.file_sha256),
       TextOf(r.checksum), r.serial ? TextOrNull(series) : std::nullopt, TextOf(r.serial), TextOrNull(r.serial_state),
       TextOrNull(r.calibration), r.outcome, TextOrNull(r.reason), TextOf(r.failed_at),
       log.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)});
  if (!inserted.Ok()) return t.Fail(ServerError(db));
  if (inserted.Changed() == 1 && r.serial && !series.empty()) {
    const std::string state = r.serial_state == "returned" ? "free" : r.serial_state;
    const Result settled = t.Exec(
        "UPDATE flashwright_serials SET state = $3, changed = now() WHERE series = $1 AND serial = $2 AND "
        "state = 'taken'",
        {series, std::to_string(*r.serial), state});
    if (!settled.Ok()) return t.Fail(ServerError(db));
    // The number must have been this chip's, taken and not settled: any
    // other state is never overwritten, and the record says what was found.
    if (settled.Changed() != 1) {
      const Result now = t.Exec("SELECT state FROM flashwright_serials WHERE series = $1 AND serial = $2",
                              {series, std::to_string(*r.serial)});
      const std::string found = now.Ok() && now.Rows() > 0 ? now.Text(0, 0) : "not handed out";
      const Result noted = t.Exec("UPDATE flashwright_chips SET reason = concat_ws('; ', reason, $2) WHERE record_id = "
                                "$1::uuid",
                                {TextOrNull(r.id), "serial number " + std::to_string(*r.serial) + " was " + found +
                                                       ", not taken, when this record came"});
      if (!noted.Ok()) return t.Fail(ServerError(db));
    }
  }
  if (!t.Exec("COMMIT").Ok()) return t.Fail(ServerError(db));
  return true;
}

ProductionStore::Kept DatabaseStore::Finish(const ChipRunRecord& record, std::string* note) {
  std::string error;
  if (Again([&](std::string* why) { return Store(record, setup_.series, why); }, &error)) return Kept::kStored;
  // The chip is done: its record waits in this database's spool, sent first
  // by the next run that reaches it.
  std::string spool_error = spool_path_.empty() ? "there is no spool folder" : "";
  if (!spool_path_.empty()) {
    platform::File lock;
    std::string ignored;
    platform::MakeFolders(setup_.spool_folder, &ignored);
    if (LockSpool(&lock, spool_path_, &spool_error) &&
        AppendDurably(spool_path_, SpoolLine(setup_.series, record), &spool_error)) {
      *note = error + "; the record waits in " + spool_path_ + " and goes to the database when the next run reaches it";
      return Kept::kSpooled;
    }
  }
  *note = error + "; the spool cannot take it either: " + spool_error;
  return Kept::kFailed;
}

bool DatabaseStore::SendSpool(std::string* error) {
  if (spool_path_.empty() || platform::KindOf(spool_path_) == platform::PathKind::kMissing) return true;
  // One process sends it, whichever reaches the database first; the others
  // wait for the lock and find it sent.
  platform::File lock;
  if (!LockSpool(&lock, spool_path_, error)) return false;
  if (platform::KindOf(spool_path_) == platform::PathKind::kMissing) return true;
  std::string text;
  if (!ReadWholeFile(spool_path_, &text, error)) return false;
  std::istringstream lines(text);
  std::string line, unsent, unreadable;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (line.empty()) continue;
    const std::size_t tab = line.find('\t');
    const auto record = tab == std::string::npos ? std::nullopt : ParseRecordLine(line.substr(tab + 1));
    if (!record) {
      // Kept aside whole, never a reason to stop the runs that come after.
      unreadable += line + "\n";
      continue;
    }
    std::string why;
    if (!unsent.empty() || !Store(*record, line.substr(0, tab), &why)) {
      if (unsent.empty()) *error = "the spooled records could not all be sent: " + why;
      unsent += line + "\n";
    }
  }
  if (!unreadable.empty()) {
    std::string ignored;
    AppendDurably(spool_path_ + ".unreadable", unreadable, &ignored);
    if (setup_.say) {
      setup_.say("spooled lines that are no record were put aside in " + spool_path_ + ".unreadable");
    }
  }
  std::string replace_error;
  if (unsent.empty()) {
    platform::RemoveFile(spool_path_);
  } else if (!ReplaceFileSafely(spool_path_, unsent, &replace_error)) {
    *error += "; " + replace_error;
  }
  return unsent.empty();
}

bool InitDatabase(const std::string& url, std::string* said, std::string* error) {
  const Session session(Open(url, "flashwright database init", Waiter({}), error));
  PGconn* db = session.get();
  if (db == nullptr) return false;
  auto fail = [&] {
    *error = ServerError(db);
    Result(PQexec(db, "ROLLBACK"));
    return false;
  };
  // Two inits at once: the second waits for the first, then finds its work.
  if (!Result(PQexec(db, "BEGIN")).Ok() || !Query(db, "SELECT pg_advisory_xact_lock(1179014217)").Ok()) return fail();
  std::string read_error;
  const std::optional<int> version = SchemaVersion(db, &read_error);
  if (!read_error.empty()) return fail();
  if (version && *version == kDatabaseSchemaVersion) {
    Result(PQexec(db, "ROLLBACK"));
    *said = "the schema is there already (version " + std::to_string(kDatabaseSchemaVersion) + ")";
    return true;
  }
  if (version && *version != 1) {
    Result(PQexec(db, "ROLLBACK"));
    *error = SchemaProblem(db);
    return false;
  }
  if (version) {
    for (const char* sql : kUpgradeFrom1) {
      if (!Result(PQexec(db, sql)).Ok()) return fail();
    }
    *said = "the schema is brought from version 1 to version " + std::to_string(kDatabaseSchemaVersion);
  } else {
    for (const char* sql : kSchema) {
      if (!Result(PQexec(db, sql)).Ok()) return fail();
    }
    if (!Query(db, "INSERT INTO flashwright_schema (version) VALUES ($1::integer)",
               {std::to_string(kDatabaseSchemaVersion)})
             .Ok()) {
      return fail();
    }
    *said = "the schema is made (version " + std::to_string(kDatabaseSchemaVersion) + ")";
  }
  if (!Result(PQexec(db, "COMMIT")).Ok()) return fail();
  return true;
}

bool ReadDatabaseRecords(const std::string& url, const std::string& since, const std::string& until,
                         const std::string& series, std::vector<std::optional<ChipRunRecord>>* records,
                         std::vector<OpenSerial>* open, std::string* error) {
  const Session session(Open(url, "flashwright report", Waiter({}), error));
  PGconn* db = session.get();
  if (db == nullptr) return false;
  if (std::string problem = SchemaProblem(db); !problem.empty()) {
    *error = problem;
    return false;
  }
  // The session's zone is UTC: a time without its own zone is UTC.
  const Result rows = Query(
      db,
      "SELECT to_char(time AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), host, port, command, chip, "
      "device_id::text, file, file_sha256, checksum::text, serial::text, serial_state, calibration, outcome, reason, "
      "failed_at::text, array_to_json(log)::text, record_id::text FROM flashwright_chips "
      "WHERE ($1::text IS NULL OR time >= $1::timestamptz) AND ($2::text IS NULL OR time < $2::timestamptz) "
      "AND ($3::text IS NULL OR series = $3) ORDER BY id",
      {TextOrNull(since), TextOrNull(until), TextOrNull(series)});
  if (!rows.Ok()) {
    *error = ServerError(db);
    return false;
  }
  for (int i = 0; i < rows.Rows(); ++i) {
    ChipRunRecord r;
    auto text = [&](int c) { return rows.Null(i, c) ? std::string() : rows.Text(i, c); };
    auto number = [&](int c) { return rows.Null(i, c) ? std::nullopt : ParseNumber(rows.Text(i, c)); };
    r.time = text(0);
    r.host = text(1);
    r.port = text(2);
    r.command = text(3);
    r.chip = text(4);
    if (const auto id = number(5)) r.device_id = static_cast<std::uint16_t>(*id);
    r.file = text(6);
    r.file_sha256 = text(7);
    if (const auto sum = number(8)) r.checksum = static_cast<std::uint16_t>(*sum);
    r.serial = number(9);
    r.serial_state = text(10);
    r.calibration = text(11);
    r.outcome = text(12);
    r.reason = text(13);
    if (const auto at = number(14)) r.failed_at = static_cast<std::uint32_t>(*at);
    const nlohmann::json log = nlohmann::json::parse(text(15), nullptr, false);
    if (log.is_array()) {
      for (const auto& line : log) {
        if (line.is_string()) r.log.push_back(line.get<std::string>());
      }
    }
    r.id = text(16);
    records->push_back(std::move(r));
  }
  const Result taken = Query(
      db,
      "SELECT serial::text, series, COALESCE(taken_by, ''), to_char(changed AT TIME ZONE 'UTC', "
      "'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"') FROM flashwright_serials WHERE state = 'taken' "
      "AND ($1::text IS NULL OR series = $1) ORDER BY series, serial",
      {TextOrNull(series)});
  if (!taken.Ok()) {
    *error = ServerError(db);
    return false;
  }
  for (int i = 0; i < taken.Rows(); ++i) {
    if (const auto n = ParseNumber(taken.Text(i, 0))) {
      open->push_back({.serial = *n, .series = taken.Text(i, 1), .taken_by = taken.Text(i, 2), .time = taken.Text(i, 3)});
    }
  }
  return true;
}

bool DatabaseSupported() { return true; }

}  // namespace fw
