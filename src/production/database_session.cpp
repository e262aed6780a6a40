#include "production/database_session.h"

#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "production/database_store.h"
#include "production/production_record.h"

namespace fw::pq {

namespace {

using Clock = std::chrono::steady_clock;

// The waits a production line can live with, where the URL sets none:
// seconds, never the hours of TCP's own keepalive.
constexpr const char* kConnectTimeoutSeconds = "10";
constexpr const char* kSessionTimeouts[][2] = {
    {"lock_timeout", "20s"},                         // a station stuck holding a series
    {"statement_timeout", "60s"},                    // a server that stopped answering a query
    {"idle_in_transaction_session_timeout", "60s"},  // a station gone while it held a lock
};

}  // namespace

// libpq's words in one line: a FAIL line or a log line is one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::string out;
  for (const char c : text) {
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string ServerError(PGconn* db) { return OneLine(PQerrorMessage(db)); }

std::optional<std::string> TextOrNull(const std::string& value) {
  return value.empty() ? std::nullopt : std::optional<std::string>(ValidUtf8Text(value));
}

Result Waiter::Exec(PGconn* db, const char* sql, const std::vector<std::optional<std::string>>& values,
                    End* end) const {
  std::vector<const char*> params;
  for (const auto& v : values) params.push_back(v ? v->c_str() : nullptr);
  *end = End::kAnswered;
  if (!PQsendQueryParams(db, sql, static_cast<int>(params.size()), nullptr, params.data(), nullptr, nullptr, 0)) {
    return Result();
  }
  while (PQflush(db) == 1) platform::WaitSocket(PQsocket(db), true, 100);
  const Clock::time_point started = Clock::now();
  Clock::time_point stopped_at{};
  Result last;
  for (;;) {
    while (PQisBusy(db)) {
      if (*end == End::kAnswered && Stopped()) {
        *end = End::kStopped;
        stopped_at = Clock::now();
        // The server stops the statement; its answer comes soon after.
        // PQcancel waits until the server closes the cancel connection,
        // which a server fallen silent never does: it is sent from a
        // thread no one waits for, and the answer only for 2 s.
        if (PGcancel* cancel = PQgetCancel(db)) {
          std::thread([cancel] {
            char why[256];
            PQcancel(cancel, why, sizeof why);
            PQfreeCancel(cancel);
          }).detach();
        }
      }
      if (*end == End::kStopped && Clock::now() - stopped_at > std::chrono::seconds(2)) return Result();
      if (*end == End::kAnswered && answer_ms_ > 0 && Clock::now() - started > std::chrono::milliseconds(answer_ms_)) {
        *end = End::kNoAnswer;
        return Result();
      }
      platform::WaitSocket(PQsocket(db), false, 100);
      if (!PQconsumeInput(db)) return last;
    }
    PGresult* r = PQgetResult(db);
    if (r == nullptr) return last;
    last = Result(r);
  }
}
Result Query(PGconn* db, const char* sql, const std::vector<std::optional<std::string>>& values) {
  std::vector<const char*> params;
  for (const auto& v : values) params.push_back(v ? v->c_str() : nullptr);
  return Result(PQexecParams(db, sql, static_cast<int>(params.size()), nullptr, params.data(), nullptr, nullptr, 0));
}

PGconn* Open(const std::string& url, const std::string& application, const Waiter& waiter, std::string* error) {
  char* parse_error = nullptr;
  PQconninfoOption* given = PQconninfoParse(url.c_str(), &parse_error);
  if (given == nullptr) {
    *error = "the database URL cannot be read: " +
             WithoutSecrets(parse_error != nullptr ? parse_error : "out of memory", url);
    PQfreemem(parse_error);
    return nullptr;
  }
  int connect_seconds = std::atoi(kConnectTimeoutSeconds);
  for (PQconninfoOption* o = given; o->keyword != nullptr; ++o) {
    if (std::string(o->keyword) == "connect_timeout" && o->val != nullptr && std::atoi(o->val) > 0) {
      connect_seconds = std::atoi(o->val);
    }
  }
  PQconninfoFree(given);
  const std::string name = application.substr(0, 63);
  // Earlier entries are defaults the URL (expanded from dbname) overrides;
  // the last ones hold whatever the URL or the environment says.
  const char* keywords[] = {"connect_timeout",
                            "keepalives",
                            "keepalives_idle",
                            "keepalives_interval",
                            "keepalives_count",
                            "application_name",
                            "dbname",
                            "client_encoding",
                            nullptr};
  const char* values[] = {kConnectTimeoutSeconds, "1", "10", "5", "3", name.c_str(), url.c_str(), "UTF8", nullptr};
  PGconn* db = PQconnectStartParams(keywords, values, 1);
  if (db == nullptr) {
    *error = "the database cannot be reached: out of memory";
    return nullptr;
  }
  const Clock::time_point give_up = Clock::now() + std::chrono::seconds(connect_seconds);
  PostgresPollingStatusType state = PGRES_POLLING_WRITING;
  while (PQstatus(db) != CONNECTION_BAD && state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
    if (waiter.Stopped()) {
      PQfinish(db);
      *error = "stopped while the database was being reached";
      return nullptr;
    }
    if (Clock::now() >= give_up) {
      PQfinish(db);
      *error = "the database cannot be reached: no answer within " + std::to_string(connect_seconds) +
               " s (connect_timeout)";
      return nullptr;
    }
    if (state == PGRES_POLLING_READING || state == PGRES_POLLING_WRITING) {
      if (!platform::WaitSocket(PQsocket(db), state == PGRES_POLLING_WRITING, 100)) continue;
    }
    state = PQconnectPoll(db);
  }
  if (PQstatus(db) != CONNECTION_OK) {
    *error = "the database cannot be reached: " + WithoutSecrets(ServerError(db), url);
    PQfinish(db);
    return nullptr;
  }
  // Times are UTC whatever the server or PGTZ say; the session's own
  // limits where the URL, the role or the database set none.
  std::string set = "SET TIME ZONE 'UTC'";
  for (const auto& [setting, value] : kSessionTimeouts) {
    const Result now = Query(db, "SELECT current_setting($1)", {std::string(setting)});
    if (now.Ok() && now.Text(0, 0) == "0") set += std::string("; SET ") + setting + " = '" + value + "'";
  }
  if (!Result(PQexec(db, set.c_str())).Ok()) {
    *error = "the database cannot be set up: " + ServerError(db);
    PQfinish(db);
    return nullptr;
  }
  return db;
}

}  // namespace fw::pq
