#include "operations/database_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "log/hex.h"
#include "log/safe_file.h"
#include "platform/platform.h"

namespace fw {

namespace {

// One query's result, freed with it.
struct Result {
  PGresult* r = nullptr;
  explicit Result(PGresult* result) : r(result) {}
  ~Result() { PQclear(r); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  bool Ok() const {
    const ExecStatusType s = PQresultStatus(r);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  }
  int Rows() const { return PQntuples(r); }
  bool Null(int row, int column) const { return PQgetisnull(r, row, column) != 0; }
  std::string Text(int row, int column) const { return PQgetvalue(r, row, column); }
};

// A query with its values as parameters (text, or NULL for nothing).
Result Query(PGconn* db, const char* sql, const std::vector<std::optional<std::string>>& values = {}) {
  std::vector<const char*> params;
  for (const auto& v : values) params.push_back(v ? v->c_str() : nullptr);
  return Result(PQexecParams(db, sql, static_cast<int>(params.size()), nullptr, params.data(), nullptr, nullptr, 0));
}

std::string ServerError(PGconn* db) {
  std::string text = PQerrorMessage(db);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

template <typename T>
std::optional<std::string> TextOf(const std::optional<T>& value) {
  return value ? std::optional<std::string>(std::to_string(*value)) : std::nullopt;
}
std::optional<std::string> TextOrNull(const std::string& value) {
  return value.empty() ? std::nullopt : std::optional<std::string>(ValidUtf8Text(value));
}

constexpr const char* kSchema[] = {
    "CREATE TABLE flashwright_schema (version integer NOT NULL)",
    "CREATE TABLE flashwright_series (name text PRIMARY KEY, first_serial numeric(20,0) NOT NULL, "
    "step numeric(20,0) NOT NULL, next_serial numeric(20,0) NOT NULL, made timestamptz NOT NULL DEFAULT now())",
    // Every number handed out, and what became of it: taken (on a chip being
    // written, or whose outcome never came), used, spent, burned, or free
    // (given back, handed out again first).
    "CREATE TABLE flashwright_serials (series text NOT NULL REFERENCES flashwright_series(name), "
    "serial numeric(20,0) NOT NULL, state text NOT NULL, changed timestamptz NOT NULL DEFAULT now(), "
    "PRIMARY KEY (series, serial))",
    "CREATE TABLE flashwright_chips (id bigserial PRIMARY KEY, time timestamptz, host text, port text, "
    "command text, chip text, device_id integer, file text, file_bytes bytea, file_sha256 text, checksum integer, "
    "series text, serial numeric(20,0), serial_state text, calibration text, outcome text NOT NULL, reason text, "
    "failed_at bigint, log text[] NOT NULL DEFAULT '{}')",
    "CREATE INDEX flashwright_chips_time ON flashwright_chips (time)",
};

// Why the database's schema is not this release's; empty when it is.
std::string SchemaProblem(PGconn* db) {
  const Result exists = Query(db, "SELECT to_regclass('flashwright_schema') IS NOT NULL");
  if (!exists.Ok()) return ServerError(db);
  if (exists.Text(0, 0) != "t") return "the database has no Flashwright schema: make it with flashwright-cli database init";
  const Result version = Query(db, "SELECT max(version) FROM flashwright_schema");
  if (!version.Ok()) return ServerError(db);
  if (version.Null(0, 0) || version.Text(0, 0) != std::to_string(kDatabaseSchemaVersion)) {
    return "the database's Flashwright schema is version " + (version.Null(0, 0) ? std::string("?") : version.Text(0, 0)) +
           "; this release knows version " + std::to_string(kDatabaseSchemaVersion);
  }
  return {};
}

PGconn* Open(const std::string& url, std::string* error) {
  PGconn* db = PQconnectdb(url.c_str());
  if (PQstatus(db) != CONNECTION_OK) {
    *error = "the database cannot be reached: " + ServerError(db);
    PQfinish(db);
    return nullptr;
  }
  return db;
}

// A connection for one command, closed when it ends.
struct Finisher {
  void operator()(PGconn* db) const { PQfinish(db); }
};
using Session = std::unique_ptr<PGconn, Finisher>;

// The record's spool line: its series, a tab, the record's JSON line.
std::string SpoolLine(const std::string& series, const ChipRunRecord& r) { return series + "\t" + RecordLine(r); }

}  // namespace

struct DatabaseStore::Connection {
  PGconn* db = nullptr;
  ~Connection() {
    if (db != nullptr) PQfinish(db);
  }
};

DatabaseStore::DatabaseStore(DatabaseSetup setup) : setup_(std::move(setup)) {}
DatabaseStore::~DatabaseStore() = default;

bool DatabaseStore::Connect(std::string* error) {
  if (db_ && PQstatus(db_->db) == CONNECTION_OK) return true;
  if (db_) {
    // Lost: one new attempt.
    PQreset(db_->db);
    if (PQstatus(db_->db) == CONNECTION_OK) return true;
    *error = "the database connection is lost: " + ServerError(db_->db);
    return false;
  }
  PGconn* db = Open(setup_.url, error);
  if (db == nullptr) return false;
  db_ = std::make_unique<Connection>();
  db_->db = db;
  return true;
}

std::string DatabaseStore::Where() const {
  if (!db_) return "the database";
  const char* host = PQhost(db_->db);
  return std::string(PQdb(db_->db)) + " on " + (host != nullptr && *host != '\0' ? host : "the local socket") + ":" +
         PQport(db_->db);
}

std::string DatabaseStore::Unready() {
  std::string error;
  if (!Connect(&error)) return error;
  if (std::string problem = SchemaProblem(db_->db); !problem.empty()) return problem;
  if (!SendSpool(&error)) return error;
  if (setup_.series.empty()) return {};
  if (setup_.series.find('\t') != std::string::npos) return "a series name holds no tab";
  PGconn* db = db_->db;
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

std::optional<std::uint64_t> DatabaseStore::Take(std::string* error) {
  if (!Connect(error)) return std::nullopt;
  PGconn* db = db_->db;
  auto fail = [&](const std::string& why) -> std::optional<std::uint64_t> {
    Result(PQexec(db, "ROLLBACK"));
    *error = why;
    return std::nullopt;
  };
  if (!Result(PQexec(db, "BEGIN")).Ok()) return fail(ServerError(db));
  // The series' row is locked: one station at a time takes from it.
  const Result series = Query(db, "SELECT step::text, next_serial::text FROM flashwright_series WHERE name = $1 FOR UPDATE",
                              {setup_.series});
  if (!series.Ok()) return fail(ServerError(db));
  if (series.Rows() == 0) return fail("there is no serial series \"" + setup_.series + "\"");
  const Result given_back = Query(db,
                                  "SELECT serial::text FROM flashwright_serials WHERE series = $1 AND state = 'free' "
                                  "ORDER BY serial LIMIT 1",
                                  {setup_.series});
  if (!given_back.Ok()) return fail(ServerError(db));
  std::string serial;
  if (given_back.Rows() > 0) {
    serial = given_back.Text(0, 0);
    const Result taken = Query(db,
                               "UPDATE flashwright_serials SET state = 'taken', changed = now() "
                               "WHERE series = $1 AND serial = $2",
                               {setup_.series, serial});
    if (!taken.Ok()) return fail(ServerError(db));
  } else {
    serial = series.Text(0, 1);
    const auto next = ParseNumber(serial);
    const auto step = ParseNumber(series.Text(0, 0));
    if (!next || !step || *next > UINT64_MAX - *step) return fail("the serial numbers of \"" + setup_.series + "\" have run out");
    const Result moved = Query(db, "UPDATE flashwright_series SET next_serial = next_serial + step WHERE name = $1",
                               {setup_.series});
    const Result taken = Query(db, "INSERT INTO flashwright_serials (series, serial, state) VALUES ($1, $2, 'taken')",
                               {setup_.series, serial});
    if (!moved.Ok() || !taken.Ok()) return fail(ServerError(db));
  }
  if (!Result(PQexec(db, "COMMIT")).Ok()) return fail(ServerError(db));
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
  return ParseNumber(next.Text(0, 0));
}

bool DatabaseStore::Store(const ChipRunRecord& r, std::string* error) {
  if (!Connect(error)) return false;
  PGconn* db = db_->db;
  auto fail = [&](const std::string& why) {
    Result(PQexec(db, "ROLLBACK"));
    *error = why;
    return false;
  };
  if (!Result(PQexec(db, "BEGIN")).Ok()) return fail(ServerError(db));
  if (r.serial && !setup_.series.empty()) {
    const std::string state = r.serial_state == "returned" ? "free" : r.serial_state;
    const Result settled = Query(db,
                                 "UPDATE flashwright_serials SET state = $3, changed = now() "
                                 "WHERE series = $1 AND serial = $2 AND state = 'taken'",
                                 {setup_.series, std::to_string(*r.serial), state});
    if (!settled.Ok()) return fail(ServerError(db));
  }
  nlohmann::json log = nlohmann::json::array();
  for (const std::string& line : r.log) log.push_back(ValidUtf8Text(line));
  std::string file_bytes;
  if (!IsValidUtf8(r.file)) {
    for (const unsigned char c : r.file) file_bytes += Hex(c, 2);
  }
  const Result inserted = Query(
      db,
      "INSERT INTO flashwright_chips (time, host, port, command, chip, device_id, file, file_bytes, file_sha256, "
      "checksum, series, serial, serial_state, calibration, outcome, reason, failed_at, log) VALUES ($1::timestamptz, "
      "$2, $3, $4, $5, $6::integer, $7, decode($8, 'hex'), $9, $10::integer, $11, $12::numeric, $13, $14, $15, $16, "
      "$17::bigint, ARRAY(SELECT json_array_elements_text($18::json)))",
      {TextOrNull(r.time), TextOrNull(r.host), TextOrNull(r.port), TextOrNull(r.command), TextOrNull(r.chip),
       TextOf(r.device_id), TextOrNull(r.file), file_bytes.empty() ? std::nullopt : std::optional<std::string>(file_bytes),
       TextOrNull(r.file_sha256), TextOf(r.checksum), r.serial ? TextOrNull(setup_.series) : std::nullopt,
       TextOf(r.serial), TextOrNull(r.serial_state), TextOrNull(r.calibration), r.outcome, TextOrNull(r.reason),
       TextOf(r.failed_at), log.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)});
  if (!inserted.Ok()) return fail(ServerError(db));
  if (!Result(PQexec(db, "COMMIT")).Ok()) return fail(ServerError(db));
  return true;
}

ProductionStore::Kept DatabaseStore::Finish(const ChipRunRecord& record, std::string* note) {
  std::string error;
  if (Store(record, &error)) return Kept::kStored;
  // The chip is done: its record waits in the spool, sent first next time.
  std::string spool_error;
  if (!setup_.spool_path.empty() && AppendDurably(setup_.spool_path, SpoolLine(setup_.series, record), &spool_error)) {
    *note = error + "; the record waits in " + setup_.spool_path + " and goes to the database when the next run starts";
    return Kept::kSpooled;
  }
  *note = error + (spool_error.empty() ? "" : "; the spool cannot take it either: " + spool_error);
  return Kept::kFailed;
}

bool DatabaseStore::SendSpool(std::string* error) {
  if (setup_.spool_path.empty() || platform::KindOf(setup_.spool_path) == platform::PathKind::kMissing) return true;
  std::string text;
  if (!ReadWholeFile(setup_.spool_path, &text, error)) return false;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  std::size_t sent_up_to = 0;  // bytes of the spool sent
  for (; std::getline(lines, line); ++number, sent_up_to = std::min<std::size_t>(text.size(), sent_up_to + line.size() + 1)) {
    if (line.empty()) continue;
    const std::size_t tab = line.find('\t');
    const auto record = tab == std::string::npos ? std::nullopt : ParseRecordLine(line.substr(tab + 1));
    if (!record) {
      *error = setup_.spool_path + " line " + std::to_string(number + 1) + " is no spooled record: mend or remove it";
      return false;
    }
    DatabaseSetup each = setup_;
    each.series = line.substr(0, tab);
    DatabaseStore sender(each);
    sender.db_ = std::move(db_);
    const bool sent = sender.Store(*record, error);
    db_ = std::move(sender.db_);
    if (!sent) {
      // What was sent leaves the spool; the rest stays for the next run.
      std::string ignored;
      if (sent_up_to > 0) ReplaceFileSafely(setup_.spool_path, text.substr(sent_up_to), &ignored);
      *error = "the spooled records could not all be sent: " + *error;
      return false;
    }
  }
  platform::RemoveFile(setup_.spool_path);
  return true;
}

bool InitDatabase(const std::string& url, std::string* said, std::string* error) {
  const Session session(Open(url, error));
  PGconn* db = session.get();
  if (db == nullptr) return false;
  const std::string problem = SchemaProblem(db);
  if (problem.empty()) {
    *said = "the schema is there already (version " + std::to_string(kDatabaseSchemaVersion) + ")";
    return true;
  }
  if (problem.rfind("the database has no Flashwright schema", 0) != 0) {
    *error = problem;
    return false;
  }
  if (!Result(PQexec(db, "BEGIN")).Ok()) {
    *error = ServerError(db);
    return false;
  }
  for (const char* sql : kSchema) {
    if (!Result(PQexec(db, sql)).Ok()) {
      *error = ServerError(db);
      Result(PQexec(db, "ROLLBACK"));
      return false;
    }
  }
  const Result version = Query(db, "INSERT INTO flashwright_schema (version) VALUES ($1::integer)",
                               {std::to_string(kDatabaseSchemaVersion)});
  if (!version.Ok() || !Result(PQexec(db, "COMMIT")).Ok()) {
    *error = ServerError(db);
    Result(PQexec(db, "ROLLBACK"));
    return false;
  }
  *said = "the schema is made (version " + std::to_string(kDatabaseSchemaVersion) + ")";
  return true;
}

bool ReadDatabaseRecords(const std::string& url, const std::string& since, const std::string& series,
                         std::vector<std::optional<ChipRunRecord>>* records, std::string* error) {
  const Session session(Open(url, error));
  PGconn* db = session.get();
  if (db == nullptr) return false;
  if (std::string problem = SchemaProblem(db); !problem.empty()) {
    *error = problem;
    return false;
  }
  const Result rows = Query(
      db,
      "SELECT to_char(time AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), host, port, command, chip, "
      "device_id::text, file, file_sha256, checksum::text, serial::text, serial_state, calibration, outcome, reason, "
      "failed_at::text, array_to_json(log)::text FROM flashwright_chips "
      "WHERE ($1::text IS NULL OR time >= $1::timestamptz) AND ($2::text IS NULL OR series = $2) ORDER BY id",
      {TextOrNull(since), TextOrNull(series)});
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
    records->push_back(std::move(r));
  }
  return true;
}

bool DatabaseSupported() { return true; }

}  // namespace fw
