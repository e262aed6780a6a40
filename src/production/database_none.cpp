// A build without libpq (the Windows cross-build): the database commands
// say so, and everything else works on the files.

#include "production/database_store.h"

namespace fw {

namespace {
constexpr const char* kNone = "this build of Flashwright has no database support (it was built without libpq)";
}  // namespace

struct DatabaseStore::Connection {};

DatabaseStore::DatabaseStore(DatabaseSetup setup) : setup_(std::move(setup)) {}
DatabaseStore::~DatabaseStore() = default;
std::string DatabaseStore::Unready() { return kNone; }
std::optional<std::uint64_t> DatabaseStore::Take(std::string* error) {
  *error = kNone;
  return std::nullopt;
}
std::optional<std::uint64_t> DatabaseStore::Peek(std::string* error) {
  *error = kNone;
  return std::nullopt;
}
ProductionStore::Kept DatabaseStore::Finish(const ChipRunRecord&, std::string* note) {
  *note = kNone;
  return Kept::kFailed;
}
std::string DatabaseStore::Where() const { return "no database"; }
bool DatabaseStore::Connect(std::string* error) {
  *error = kNone;
  return false;
}
bool DatabaseStore::Again(const std::function<bool(std::string*)>&, std::string* error) {
  *error = kNone;
  return false;
}
bool DatabaseStore::TakeOnce(std::string*, std::string* error) {
  *error = kNone;
  return false;
}
bool DatabaseStore::Store(const ChipRunRecord&, const std::string&, std::string* error) {
  *error = kNone;
  return false;
}
bool DatabaseStore::SendSpool(std::string* error) {
  *error = kNone;
  return false;
}

bool InitDatabase(const std::string&, std::string*, std::string* error) {
  *error = kNone;
  return false;
}
bool ReadDatabaseRecords(const std::string&, const std::string&, const std::string&, const std::string&,
                         std::vector<std::optional<ChipRunRecord>>*, std::vector<OpenSerial>*, std::string* error) {
  *error = kNone;
  return false;
}
bool DatabaseSupported() { return false; }

}  // namespace fw
