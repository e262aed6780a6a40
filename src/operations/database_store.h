#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/production_store.h"
#include "operations/serial_numbers.h"

namespace fw {

// The schema this release reads and writes; a database made by another is
// refused by every command but `database init`, which makes it.
inline constexpr int kDatabaseSchemaVersion = 1;

// What a run asks of the shared database.
struct DatabaseSetup {
  std::string url;     // a libpq connection string or URI; never logged
  std::string series;  // the serial-number series; empty: no numbers
  // The series' start and step, for a series made by this run; a series
  // that exists already must have been made with the same.
  std::optional<SerialStart> start;
  // Where records wait when the server cannot be reached mid-run.
  std::string spool_path;
};

// PostgreSQL through libpq: serial numbers taken in a transaction that locks
// their series, so that stations never share one; each chip's record written
// in the transaction that settles its number. Every value goes as a query
// parameter, never into the text of the SQL.
class DatabaseStore final : public ProductionStore {
 public:
  explicit DatabaseStore(DatabaseSetup setup);
  ~DatabaseStore() override;

  // Connects, checks the schema, sends what the spool holds, makes or
  // checks the series.
  std::string Unready() override;
  bool Numbered() const override { return !setup_.series.empty(); }
  std::optional<std::uint64_t> Take(std::string* error) override;
  std::optional<std::uint64_t> Peek(std::string* error) override;
  Kept Finish(const ChipRunRecord& record, std::string* note) override;

  // The server and database connected to, as the log may name them (no
  // password, no options).
  std::string Where() const;

 private:
  struct Connection;
  bool Connect(std::string* error);
  bool Store(const ChipRunRecord& record, std::string* error);
  bool SendSpool(std::string* error);

  DatabaseSetup setup_;
  std::unique_ptr<Connection> db_;
};

// `flashwright-cli database init`: makes the schema (or says it is there).
bool InitDatabase(const std::string& url, std::string* said, std::string* error);

// The records in the database, `since` a time (ISO 8601, empty: all) and of
// one `series` (empty: all), for the report.
bool ReadDatabaseRecords(const std::string& url, const std::string& since, const std::string& series,
                         std::vector<std::optional<ChipRunRecord>>* records, std::string* error);

// Whether this build speaks to a database at all.
bool DatabaseSupported();

}  // namespace fw
