#include "production/production_store.h"

#include "log/safe_file.h"
#include "platform/platform.h"

namespace fw {

std::string FileStore::Unready() {
  std::string error;
  if (serials_ != nullptr && !serials_->Peek(&error)) return error;
  if (record_path_.empty()) return {};
  if (platform::KindOf(record_path_) == platform::PathKind::kOther) {
    return "the record " + record_path_ + " is not a regular file";
  }
  // Appending nothing opens (or makes) the file as every record line will,
  // and ends a line an earlier crash tore.
  if (!AppendDurably(record_path_, "", &error)) return "the record cannot be written: " + error;
  return {};
}

std::optional<std::uint64_t> FileStore::Take(std::string* error) {
  return serials_ != nullptr ? serials_->Take(error) : std::nullopt;
}

std::optional<std::uint64_t> FileStore::Peek(std::string* error) {
  return serials_ != nullptr ? serials_->Peek(error) : std::nullopt;
}

ProductionStore::Kept FileStore::Finish(const ChipRunRecord& record, std::string* note) {
  bool settled = true;
  if (serials_ != nullptr && record.serial) {
    std::string error;
    const bool returned = record.serial_state == "returned";
    settled = returned ? serials_->GiveBack(*record.serial, &error)
                       : serials_->Settle(*record.serial, record.serial_state == "used", &error);
    if (!settled && note != nullptr) {
      *note = "serial number " + std::to_string(*record.serial) + " stays taken in the serial file: " + error;
    }
  }
  if (record_path_.empty()) return Kept::kStored;
  std::string error;
  if (!AppendRecord(record_path_, record, &error)) {
    if (note != nullptr) *note = (note->empty() ? "" : *note + "; ") + "the record could not be written: " + error;
    return Kept::kFailed;
  }
  return Kept::kStored;
}

}  // namespace fw
