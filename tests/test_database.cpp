// The shared production database against a real PostgreSQL server, started
// here on a Unix socket in a temporary folder (as the postgres user when the
// tests run as root, since the server refuses root) and stopped at the end.

#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "operations/database_store.h"
#include "platform/platform.h"

namespace fw {
namespace {

std::string Run(const std::string& command) {
  const std::string as = geteuid() == 0 ? "runuser -u postgres -- " : "";
  return as + command;
}

class Server {
 public:
  void SetUp() {
    const auto initdb = platform::ExpandPattern("/usr/lib/postgresql/*/bin/initdb");
    ASSERT_FALSE(initdb.empty()) << "PostgreSQL's server is not installed (./scripts/install-deps.sh installs it)";
    bin_ = initdb.back().substr(0, initdb.back().size() - 6);
    char folder[] = "/tmp/flashwright_pg_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    dir_ = folder;
    if (geteuid() == 0) ASSERT_EQ(std::system(("chown postgres " + dir_).c_str()), 0);
    port_ = std::to_string(20000 + getpid() % 20000);
    ASSERT_EQ(std::system(Run(bin_ + "initdb -D " + dir_ + "/data -A trust -U postgres >/dev/null 2>&1").c_str()), 0);
    Start();
  }
  void TearDown() {
    Stop();
    std::system(("rm -rf " + dir_).c_str());
  }
  void Start() {
    ASSERT_EQ(std::system(Run(bin_ + "pg_ctl -D " + dir_ + "/data -o \"-k " + dir_ + " -c listen_addresses='' -p " +
                              port_ + "\" -l " + dir_ + "/log -w start >/dev/null")
                              .c_str()),
              0);
  }
  void Stop() { std::system(Run(bin_ + "pg_ctl -D " + dir_ + "/data -m fast -w stop >/dev/null").c_str()); }
  std::string Url(const std::string& database = "postgres") const {
    return "host=" + dir_ + " port=" + port_ + " user=postgres dbname=" + database;
  }
  const std::string& dir() const { return dir_; }

 private:
  std::string bin_, dir_, port_;
};

Server* server = nullptr;

// Each test process (CTest runs every test in its own) starts its server once.
class Database : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new Server;
    server->SetUp();
  }
  static void TearDownTestSuite() {
    server->TearDown();
    delete server;
    server = nullptr;
  }
};

void Sql(const std::string& url, const std::string& sql) {
  PGconn* db = PQconnectdb(url.c_str());
  ASSERT_EQ(PQstatus(db), CONNECTION_OK) << PQerrorMessage(db);
  PQclear(PQexec(db, "SET client_min_messages TO warning"));
  PGresult* r = PQexec(db, sql.c_str());
  EXPECT_TRUE(PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK) << PQerrorMessage(db);
  PQclear(r);
  PQfinish(db);
}

// A fresh database with the schema, for one test.
std::string Fresh(const std::string& name) {
  Sql(server->Url(), "DROP DATABASE IF EXISTS " + name);
  Sql(server->Url(), "CREATE DATABASE " + name);
  std::string said, error;
  EXPECT_TRUE(InitDatabase(server->Url(name), &said, &error)) << error;
  return server->Url(name);
}

ChipRunRecord Chip(std::uint64_t serial, const char* state, const std::string& outcome = "done") {
  ChipRunRecord r;
  r.time = "2026-12-09T10:00:00Z";
  r.command = "write";
  r.chip = "PIC16F684";
  r.outcome = outcome;
  r.serial = serial;
  r.serial_state = state;
  r.log = {"one line", "    another"};
  return r;
}

TEST_F(Database, StationsNeverShareANumber) {
  const std::string url = Fresh("concurrent");
  {
    DatabaseStore maker({.url = url, .series = "tray", .start = SerialStart{1000, 1}, .spool_path = ""});
    ASSERT_EQ(maker.Unready(), "");
  }
  constexpr int kStations = 4, kChips = 25;
  std::vector<pid_t> children;
  for (int s = 0; s < kStations; ++s) {
    const pid_t pid = fork();
    if (pid == 0) {
      DatabaseStore store({.url = url, .series = "tray", .start = std::nullopt, .spool_path = ""});
      int bad = store.Unready().empty() ? 0 : 1;
      for (int k = 0; k < kChips && bad == 0; ++k) {
        std::string error, note;
        const auto n = store.Take(&error);
        if (!n || store.Finish(Chip(*n, "used"), &note) != ProductionStore::Kept::kStored) bad = 1;
      }
      _exit(bad);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<std::optional<ChipRunRecord>> records;
  std::string error;
  ASSERT_TRUE(ReadDatabaseRecords(url, "", "tray", &records, &error)) << error;
  ASSERT_EQ(records.size(), std::size_t{kStations * kChips});
  std::set<std::uint64_t> serials;
  for (const auto& r : records) serials.insert(*r->serial);
  EXPECT_EQ(serials.size(), records.size()) << "unique";
  EXPECT_EQ(*serials.begin(), 1000u);
  EXPECT_EQ(*serials.rbegin(), 1000u + kStations * kChips - 1) << "contiguous";
  EXPECT_EQ(records.front()->log, (std::vector<std::string>{"one line", "    another"}));
}

TEST_F(Database, AFailedChipsNumberComesBackUnlessSpentOrBurned) {
  const std::string url = Fresh("giveback");
  DatabaseStore store({.url = url, .series = "s", .start = SerialStart{1, 10}, .spool_path = ""});
  ASSERT_EQ(store.Unready(), "");
  std::string error, note;
  const struct {
    const char* state;
    bool again;  // the next Take hands it out again
  } cases[] = {{"returned", true}, {"spent", false}, {"burned", false}, {"used", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    const auto n = store.Take(&error);
    ASSERT_TRUE(n) << error;
    ASSERT_EQ(store.Finish(Chip(*n, c.state, c.again ? "failed" : "done"), &note), ProductionStore::Kept::kStored);
    const auto next = store.Take(&error);
    EXPECT_EQ(*next == *n, c.again);
    ASSERT_EQ(store.Finish(Chip(*next, "used"), &note), ProductionStore::Kept::kStored);
  }
  // A number whose outcome never came stays taken: never handed out again.
  const auto lost = store.Take(&error);
  const auto after = store.Take(&error);
  EXPECT_NE(*lost, *after);
  EXPECT_EQ(store.Peek(&error), *after + 10);
  // Another start for the same series is refused, with the reason.
  DatabaseStore other({.url = url, .series = "s", .start = SerialStart{5, 1}, .spool_path = ""});
  EXPECT_NE(other.Unready().find("was made with 1:10, not 5:1"), std::string::npos);
  DatabaseStore unknown({.url = url, .series = "none", .start = std::nullopt, .spool_path = ""});
  EXPECT_NE(unknown.Unready().find("there is no serial series \"none\""), std::string::npos);
}

TEST_F(Database, NamesAreStoredAsNamesNeverAsSql) {
  const std::string url = Fresh("injection");
  const std::string series = "x'); DROP TABLE flashwright_chips; --";
  DatabaseStore store({.url = url, .series = series, .start = SerialStart{1, 1}, .spool_path = ""});
  ASSERT_EQ(store.Unready(), "");
  std::string error, note;
  ChipRunRecord r = Chip(*store.Take(&error), "used");
  r.file = "'; DROP TABLE chips; --\xE9.hex";  // and not UTF-8
  r.host = "bench \"1\"";
  ASSERT_EQ(store.Finish(r, &note), ProductionStore::Kept::kStored) << note;
  std::vector<std::optional<ChipRunRecord>> records;
  ASSERT_TRUE(ReadDatabaseRecords(url, "", series, &records, &error)) << error;
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->file, "'; DROP TABLE chips; --\\xE9.hex");
  EXPECT_EQ(records[0]->host, "bench \"1\"");
  // Since a time: none of these records are that new.
  records.clear();
  ASSERT_TRUE(ReadDatabaseRecords(url, "2030-01-01", "", &records, &error)) << error;
  EXPECT_TRUE(records.empty());
}

TEST_F(Database, AnUnknownSchemaIsRefusedAndAPasswordNeverShown) {
  Sql(server->Url(), "DROP DATABASE IF EXISTS empty");
  Sql(server->Url(), "CREATE DATABASE empty");
  DatabaseStore bare({.url = server->Url("empty"), .series = "", .start = std::nullopt, .spool_path = ""});
  EXPECT_NE(bare.Unready().find("no Flashwright schema: make it with flashwright-cli database init"), std::string::npos);
  const std::string url = Fresh("later");
  Sql(url, "UPDATE flashwright_schema SET version = 2");
  DatabaseStore later({.url = url, .series = "", .start = std::nullopt, .spool_path = ""});
  EXPECT_NE(later.Unready().find("schema is version 2; this release knows version 1"), std::string::npos);
  std::vector<std::optional<ChipRunRecord>> records;
  std::string error;
  EXPECT_FALSE(ReadDatabaseRecords(url, "", "", &records, &error));
  std::string said;
  EXPECT_FALSE(InitDatabase(url, &said, &error)) << "init never overwrites another schema";
  // No server there: refused before the first chip, without the password.
  DatabaseStore away({.url = "postgresql://station:s3cret-pw@" + std::string("127.0.0.1:1/none"), .series = "",
                      .start = std::nullopt, .spool_path = ""});
  const std::string why = away.Unready();
  EXPECT_NE(why.find("the database cannot be reached"), std::string::npos) << why;
  EXPECT_EQ(why.find("s3cret-pw"), std::string::npos) << why;
}

TEST_F(Database, ARecordThatCannotReachTheServerWaitsInTheSpool) {
  const std::string url = Fresh("spool");
  const std::string spool = server->dir() + "/spool/database.jsonl";
  DatabaseStore store({.url = url, .series = "t", .start = SerialStart{1, 1}, .spool_path = spool});
  ASSERT_EQ(store.Unready(), "");
  std::string error, note;
  const auto n = store.Take(&error);
  ASSERT_TRUE(n) << error;
  server->Stop();  // lost while the chip is written
  EXPECT_EQ(store.Finish(Chip(*n, "used"), &note), ProductionStore::Kept::kSpooled);
  EXPECT_NE(note.find("the record waits in " + spool), std::string::npos) << note;
  EXPECT_EQ(platform::KindOf(spool), platform::PathKind::kFile);
  server->Start();
  // The next run sends it first.
  DatabaseStore next({.url = url, .series = "t", .start = std::nullopt, .spool_path = spool});
  ASSERT_EQ(next.Unready(), "");
  EXPECT_EQ(platform::KindOf(spool), platform::PathKind::kMissing);
  std::vector<std::optional<ChipRunRecord>> records;
  ASSERT_TRUE(ReadDatabaseRecords(url, "", "t", &records, &error)) << error;
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->serial, n);
  EXPECT_EQ(next.Take(&error), *n + 1) << "the spooled number stays used";
}

}  // namespace
}  // namespace fw
