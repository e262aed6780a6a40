// The erases of the families whose erase is a sequence of its own (the
// classic mid-range parts): there the only erase that works on a protected
// chip takes the EEPROM as well, which a write of program memory must not.

#include <algorithm>

#include "operations/device_operations.h"

namespace fw {

bool DeviceOperations::EraseDataMemory() {
  // A baseline part's flash data: Bulk Erase with the counter in it.
  if (chip_.Baseline()) return icsp_.BulkEraseProgramMemory();
  const FamilyLookup found = LookupFamily(chip_);
  if (found.row != nullptr && !found.row->programming->erase_data.empty()) {
    return icsp_.Run(found.row->programming->erase_data);
  }
  return icsp_.BulkEraseDataMemory();
}

bool DeviceOperations::DataExternallyTimed() const {
  const FamilyLookup found = LookupFamily(chip_);
  return found.row != nullptr && found.row->write->externally_timed;
}

bool DeviceOperations::EraseBySequence(const FamilyRow& row, bool* erased) {
  const Programming& programming = *row.programming;
  const bool takes_data = programming.erase_takes_data && row.has_eeprom;
  std::vector<std::uint8_t> kept;
  bool unreadable = false;
  if (takes_data) {
    // A protected EEPROM reads as zeros: it cannot be kept, and zeros must
    // not be written back as if they were its bytes. Where the family has
    // no bit of its own for the EEPROM, code protection covers it.
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration() ||
        !icsp_.IncrementAddress(7, false)) {
      return false;
    }
    const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(0);
    if (!word) return false;
    const ProtectionBits bits = ProtectionBitsFor(chip_);
    const std::uint16_t guarding = bits.data != 0 ? bits.data : bits.code;
    unreadable = (*word & guarding) != guarding;
    if (!unreadable) {
      if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return false;
      for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
        const std::optional<std::uint16_t> byte = icsp_.PeekDataMemory(i);
        if (!byte) return false;
        kept.push_back(static_cast<std::uint8_t>(*byte & 0xFF));
      }
    }
  }
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.Run(programming.erase)) return false;
  *erased = true;
  if (!takes_data) return true;
  if (unreadable) {
    log_.LogEvent(LogCode::kNone, "    the EEPROM was protected, so it could not be kept: the erase took it too");
    return true;
  }
  if (std::all_of(kept.begin(), kept.end(), [](std::uint8_t b) { return b == 0xFF; })) return true;
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return false;
  for (std::uint32_t i = 0; i < kept.size(); ++i) {
    if (!icsp_.WriteDataByte(i, kept[i], row.write->externally_timed)) return false;
  }
  log_.LogEvent(LogCode::kNone, "    the EEPROM, which this chip's erase takes too, has been written back as it was");
  return true;
}

}  // namespace fw
