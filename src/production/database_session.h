#pragma once

// The libpq side of the production database: one statement waited for with
// the stop flag asked, and a connection opened with bounded waits. Only the
// database store includes this.

#include <libpq-fe.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fw::pq {

// One query's result, freed with it.
struct Result {
  PGresult* r = nullptr;
  Result() = default;
  explicit Result(PGresult* result) : r(result) {}
  ~Result() { PQclear(r); }
  Result(Result&& other) noexcept : r(other.r) { other.r = nullptr; }
  Result& operator=(Result&& other) noexcept {
    std::swap(r, other.r);
    return *this;
  }
  bool Ok() const {
    const ExecStatusType s = PQresultStatus(r);
    return r != nullptr && (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK);
  }
  int Rows() const { return PQntuples(r); }
  int Changed() const { return std::atoi(PQcmdTuples(r)); }
  bool Null(int row, int column) const { return PQgetisnull(r, row, column) != 0; }
  std::string Text(int row, int column) const { return PQgetvalue(r, row, column); }
  std::string State() const {
    const char* s = r != nullptr ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return s != nullptr ? s : "";
  }
};

// libpq's words in one line: a FAIL line or a log line is one line.
std::string OneLine(std::string text);
std::string ServerError(PGconn* db);

template <typename T>
std::optional<std::string> TextOf(const std::optional<T>& value) {
  return value ? std::optional<std::string>(std::to_string(*value)) : std::nullopt;
}
std::optional<std::string> TextOrNull(const std::string& value);

// A running query or connection that may be ended: the stop flag is asked
// every tenth of a second while libpq waits for the server, and no answer
// is waited for longer than the server's own limits and a little more (a
// server that took the statement and then fell silent).
class Waiter {
 public:
  explicit Waiter(const std::function<bool()>& stop, int answer_ms = 0) : stop_(stop), answer_ms_(answer_ms) {}
  bool Stopped() const { return stop_ && stop_(); }

  // How a statement ended, beside its result.
  enum class End { kAnswered, kStopped, kNoAnswer };

  // One statement (its values as parameters, text or NULL), waited for with
  // the stop flag asked; the last result it gave. A stop cancels it. After a
  // stop or without an answer the connection is of no more use.
  Result Exec(PGconn* db, const char* sql, const std::vector<std::optional<std::string>>& values, End* end) const;

 private:
  std::function<bool()> stop_;
  int answer_ms_;
};

// A query on a connection that is not waited on by anyone: setup steps.
Result Query(PGconn* db, const char* sql, const std::vector<std::optional<std::string>>& values = {});

// Connects with bounded waits that a stop ends: the URL's own settings
// first, this release's defaults where it gives none, UTF-8 and UTC always.
PGconn* Open(const std::string& url, const std::string& application, const Waiter& waiter, std::string* error);

// A connection for one command, closed when it ends.
struct Finisher {
  void operator()(PGconn* db) const { PQfinish(db); }
};
using Session = std::unique_ptr<PGconn, Finisher>;

}  // namespace fw::pq
