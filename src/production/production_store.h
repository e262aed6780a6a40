#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "production/production_record.h"
#include "production/serial_numbers.h"

namespace fw {

// Where a production run's serial numbers come from and its records go: the
// files of one PC, or a database that several stations share.
class ProductionStore {
 public:
  virtual ~ProductionStore() = default;

  // Before the first chip: why the run cannot keep its numbers and records
  // (empty: it can).
  virtual std::string Unready() = 0;
  // Whether the chips are numbered.
  virtual bool Numbered() const = 0;
  // The next chip's number, recorded as taken before any chip has it;
  // nothing, with the reason, when none can be had.
  virtual std::optional<std::uint64_t> Take(std::string* error) = 0;
  // The number the next Take gives, as far as the store knows it now.
  virtual std::optional<std::uint64_t> Peek(std::string* error) = 0;

  // How a chip's end was kept.
  enum class Kept {
    kStored,   // the number settled and the record written
    kSpooled,  // the record waits in a local spool: the run stops before the next chip
    kFailed,   // neither: the chip fails and the run stops
  };
  // Settles the record's serial number by its serial_state ("used",
  // "spent", "burned" stay taken for good, "returned" is handed out again)
  // and keeps the record, in one step where the store can. `note`: what the
  // operator is told (the spool's name, the reason of a failure).
  virtual Kept Finish(const ChipRunRecord& record, std::string* note) = 0;
};

// The files of one PC: the serial file (or numbers in this process only)
// and the JSON Lines record (or none).
class FileStore final : public ProductionStore {
 public:
  // `serials` may be null (no numbers); `record_path` may be empty (no record).
  FileStore(SerialNumbers* serials, std::string record_path)
      : serials_(serials), record_path_(std::move(record_path)) {}

  std::string Unready() override;
  bool Numbered() const override { return serials_ != nullptr; }
  std::optional<std::uint64_t> Take(std::string* error) override;
  std::optional<std::uint64_t> Peek(std::string* error) override;
  Kept Finish(const ChipRunRecord& record, std::string* note) override;

 private:
  SerialNumbers* serials_;
  std::string record_path_;
};

}  // namespace fw
