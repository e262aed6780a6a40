// What a write keeps of the chip, what a comparison takes, and the chip's
// device ID: the reads beside the walks of device_operations.cpp.
#include <bitset>

#include "chips/config_layout.h"
#include "operations/device_operations.h"

namespace fw {

std::uint16_t DeviceOperations::ReadChipId() {
  if (chip_.Baseline()) return BaselineChipId();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return 0;
  const std::int32_t word = icsp_.ReadDeviceId();
  if (word == 0 || !icsp_.SetInitState()) return 0;
  return static_cast<std::uint16_t>(word & 0x3FFF);
}

Outcome DeviceOperations::ReadToKeep(const KeepRequest& request, KeptContents* kept) {
  std::string what;
  auto add = [&what](const std::string& part) { what += (what.empty() ? "" : ", ") + part; };
  if (request.eeprom) add("the EEPROM");
  if (request.user_ids) add("the user IDs");
  if (request.program) add("program memory 0x" + Hex(request.program->first, 4) + "-0x" + Hex(request.program->second, 4));
  Open((" read what the write keeps: " + what).c_str(), true);
  const FamilyLookup found = LookupFamily(chip_);
  const bool no_eeprom = request.eeprom && !(found.row != nullptr && found.row->has_eeprom);
  if (Refuses(found, found.row != nullptr && !no_eeprom, no_eeprom)) return Refused();
  if (chip_.Baseline()) return BaselineReadToKeep(request, kept);
  const ConfigLayout* layout = ConfigLayoutFor(chip_);
  int cpd = -1;
  for (const ConfigBit& b : layout ? layout->w1 : std::vector<ConfigBit>{}) {
    if (std::string(b.caption) == "!CPD") cpd = b.bit;
  }
  // Program memory first (the counter starts there), then configuration
  // space; the EEPROM in a session of its own, from address 0.
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  if (request.program) {
    const auto [first, last] = *request.program;
    if (first > 0 && !icsp_.IncrementAddress(first - 1, true)) return Fail(false);
    for (std::uint32_t k = first; k <= last; ++k) {
      const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(k == first && first == 0 ? 0 : 1);
      if (!word) return Fail(true);
      kept->program.push_back(*word);
    }
  }
  if (request.user_ids || (request.eeprom && cpd >= 0)) {
    if (!icsp_.LoadConfiguration()) return Fail(false);
    std::optional<std::uint16_t> word;
    for (std::uint32_t id = 0; id < 4 && request.user_ids; ++id) {
      if (!(word = icsp_.PeekConfigMemory(id))) return Fail(true);
      kept->user_ids.push_back(*word);
    }
    if (request.eeprom && cpd >= 0) {
      if (!icsp_.IncrementAddress(request.user_ids ? 3 : 6, true) || !(word = icsp_.PeekConfigMemory(1))) {
        return Fail(true);
      }
      if (((*word >> cpd) & 1) == 0) {
        icsp_.SetInitState();
        log_.LogEvent(LogCode::kNone, "    the chip's EEPROM is code-protected (CPD): it reads as zeros and cannot be kept");
        return Fail(true, Outcome::kStopped);
      }
    }
  }
  if (!icsp_.SetInitState()) return Fail(false);
  if (request.eeprom) {
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
    for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
      const std::optional<std::uint16_t> byte = icsp_.PeekDataMemory(i);
      if (!byte) return Fail(true);
      kept->eeprom.push_back(static_cast<std::uint8_t>(*byte & 0xFF));
      Progress(i, chip_.DataSize, 100);
    }
    if (!icsp_.SetInitState()) return Fail(false);
  }
  return Finish();
}

DeviceOperations::CompareScope ChipCompareScope(const ChipRecord& chip, bool user_ids) {
  std::bitset<kConfigImageBytes / 2> words;
  words.set();
  if (!user_ids) words &= ~std::bitset<kConfigImageBytes / 2>(0xF);
  return FileCompareScope(chip, words);
}

DeviceOperations::CompareScope FileCompareScope(const ChipRecord& chip,
                                                const std::bitset<kConfigImageBytes / 2>& loaded) {
  DeviceOperations::CompareScope scope;
  if (LookupSelected(chip).kind != LookupResult::Kind::kEntry) return scope;
  for (std::uint32_t l = 0; l < chip.ConfigSize / 2; ++l) {
    scope.config_bits.push_back(loaded.test(l) ? ComparedConfigBits(chip, l) : 0);
  }
  if (LosesCalibrationInErase(chip)) {
    scope.skip_program_word = chip.ProgramSize / 2 - 1;
  }
  return scope;
}

}  // namespace fw
