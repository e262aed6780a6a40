#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "production/production_store.h"
#include "production/serial_numbers.h"

namespace fw {

// The schema this release reads and writes; a database made by another is
// refused by every command but `database init`, which makes it (or brings
// version 1 up to it).
inline constexpr int kDatabaseSchemaVersion = 2;

// What a run asks of the shared database.
struct DatabaseSetup {
  std::string url;     // a libpq connection string or URI; never logged
  std::string series;  // the serial-number series; empty: no numbers
  // The series' start and step, for a series made by this run; a series
  // that exists already must have been made with the same.
  std::optional<SerialStart> start;
  // Where records wait when the server cannot be reached mid-run: a spool
  // per database in this folder (empty: none).
  std::string spool_folder = {};
  // How the other stations see this one while it holds a series
  // ("bench-2 /dev/ttyUSB0"): the connection's application name.
  std::string station = {};
  // Asked while a wait for the server runs: true ends it at once.
  std::function<bool()> stop = {};
  // Told what a wait is for, while it runs ("waiting for ...").
  std::function<void(const std::string&)> say = {};
};

// PostgreSQL through libpq: serial numbers taken in a transaction that locks
// their series, so that stations never share one; each chip's record, with
// an identity of its own, written in the transaction that settles its
// number, so that sending it again never makes a second record. Every value
// goes as a query parameter, never into the text of the SQL. Every wait is
// bounded (connect, keepalive, lock and statement timeouts, which the URL
// may set otherwise) and ends at once when `stop` says so.
class DatabaseStore final : public ProductionStore {
 public:
  explicit DatabaseStore(DatabaseSetup setup);
  ~DatabaseStore() override;

  // Connects, checks the schema, sends what this database's spool holds,
  // makes or checks the series.
  std::string Unready() override;
  bool Numbered() const override { return !setup_.series.empty(); }
  std::optional<std::uint64_t> Take(std::string* error) override;
  std::optional<std::uint64_t> Peek(std::string* error) override;
  Kept Finish(const ChipRunRecord& record, std::string* note) override;

  // The server and database connected to, as the log may name them (no
  // password, no options).
  std::string Where() const;
  // This database's spool (empty before it was reached).
  const std::string& SpoolPath() const { return spool_path_; }

 private:
  struct Connection;
  class Transaction;
  bool Connect(std::string* error);
  // Runs `attempt` once more on a new connection when the first failed
  // because the connection was lost (the server is back between chips).
  bool Again(const std::function<bool(std::string*)>& attempt, std::string* error);
  bool TakeOnce(std::string* serial, std::string* error);
  bool Store(const ChipRunRecord& record, const std::string& series, std::string* error);
  bool SendSpool(std::string* error);

  DatabaseSetup setup_;
  std::unique_ptr<Connection> db_;
  std::string spool_path_;
};

// `flashwright-cli database init`: makes the schema, brings an older one up
// to this release's, or says it is there. Safe when run by several at once.
bool InitDatabase(const std::string& url, std::string* said, std::string* error);

// A number handed out whose outcome never came: still taken, by whom, when.
struct OpenSerial {
  std::uint64_t serial = 0;
  std::string series, taken_by, time;
};

// The records in the database from `since` to before `until` (times in UTC,
// ISO 8601, or with their own zone; empty: no bound) and of one `series`
// (empty: all), for the report; and the numbers still taken.
bool ReadDatabaseRecords(const std::string& url, const std::string& since, const std::string& until,
                         const std::string& series, std::vector<std::optional<ChipRunRecord>>* records,
                         std::vector<OpenSerial>* open, std::string* error);

// Why a series name cannot be used (empty: it can): no control characters,
// valid UTF-8, at most 64 characters.
std::string SeriesNameProblem(const std::string& name);

// A message of libpq's about `url`, in one line and without the URL or its
// password (libpq quotes the token it could not read, or the whole URL).
std::string WithoutSecrets(const std::string& message, const std::string& url);

// Whether this build speaks to a database at all.
bool DatabaseSupported();

}  // namespace fw
