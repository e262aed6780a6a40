// The device operations on the baseline (12-bit) parts. Their address
// counter starts at the configuration word, which only the first read or
// write after entry reaches; the first Increment takes it to word 0, and it
// never comes back short of leaving programming mode. So every walk here
// begins with the configuration word (or steps past it), and a Bulk Erase
// takes what the counter's place says: from there or program memory, program
// memory with the OSCCAL word and the configuration word; from the first
// user ID, the IDs and the backup OSCCAL as well.
#include "operations/device_operations.h"

namespace fw {

namespace {

const BaselineMap& MapOf(const ChipRecord& chip) { return *LookupFamily(chip).row->baseline; }

// Why the first two words a chip answered cannot be a baseline part's:
// such a part answers zeros above its twelve bits; empty when they can.
std::string BaselineMisfit(std::uint16_t config, std::uint16_t first, const std::string& chip_name) {
  if (config == 0x3FFF && first == 0x3FFF) return "every bit answers 1: no chip, or a chip with 14-bit words";
  if ((config & 0x3000) != 0 || (first & 0x3000) != 0) {
    return "the chip answers 14-bit words (" + Hex(config, 4) + ", " + Hex(first, 4) + "): it is no " + chip_name;
  }
  if (config == 0 && first == 0) return "every bit answers 0: no chip answered";
  return "";
}
}  // namespace

bool DeviceOperations::BaselineFirstWords(std::uint16_t* config, std::uint16_t* first) {
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return false;
  const std::optional<std::uint16_t> c = icsp_.PeekWholeWord(0);
  const std::optional<std::uint16_t> f = c ? icsp_.PeekWholeWord(1) : std::nullopt;
  if (!f) return false;
  *config = *c;
  *first = *f;
  return icsp_.SetInitState();
}

std::optional<Outcome> DeviceOperations::BaselineCheckChip() {
  std::uint16_t config = 0, first = 0;
  if (!BaselineFirstWords(&config, &first)) return Fail(true);
  const std::string why = BaselineMisfit(config, first, chip_.ChipName);
  if (why.empty()) return std::nullopt;
  log_.LogEvent(LogCode::kNone, "    " + why + "; nothing was written or erased (check the wiring and the chip chosen)");
  return Fail(true, Outcome::kRefused);
}

std::uint16_t DeviceOperations::BaselineChipId() {
  std::uint16_t config = 0, first = 0;
  if (!BaselineFirstWords(&config, &first)) return 0;
  if (!BaselineMisfit(config, first, chip_.ChipName).empty()) return config == 0 && first == 0 ? 0 : config;
  return chip_.ChipIdWord;
}

bool DeviceOperations::BaselineEraseAt(std::uint32_t address) {
  // From the configuration word at entry, address + 1 steps reach it.
  return icsp_.SetInitState() && icsp_.EnterProgrammingMode() &&
         (address == kBaselineConfigWord || icsp_.IncrementAddress(address + 1, false)) &&
         icsp_.BulkEraseProgramMemory();
}

Outcome DeviceOperations::BaselineRead() {
  if (auto refused = BaselineCheckChip()) return *refused;
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  const std::optional<std::uint16_t> config = icsp_.PeekConfigMemory(0);
  if (!config) return Fail(true);
  if (!icsp_.IncrementAddress(1, false)) return Fail(false);
  for (std::uint32_t k = 0; k <= LastWord(); ++k) {
    if (dialogs_.StopRequested()) return Cancelled();
    if (!icsp_.ReadProgramMemory(k, false)) return Fail(true);
    Progress(k, chip_.ProgramSize, 200);
  }
  // Past the flash data to the user IDs and the backup OSCCAL.
  if (!icsp_.IncrementAddress(chip_.ConfigBase - LastWord() - 1, false)) return Fail(false);
  ClearImage(images_, chip_, kConfigImage);
  for (std::uint32_t j = 0; j < 5; ++j) {
    const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(1);
    if (!word) return Fail(true);
    SetWordAt(images_.ConfigImage, j, *word);
  }
  SetWordAt(images_.ConfigImage, 7, *config);
  if (!icsp_.SetInitState()) return Fail(false);
  dialogs_.ProgressClose();
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  return Finish();
}

Outcome DeviceOperations::BaselineVerify(const CompareScope& scope) {
  if (auto refused = BaselineCheckChip()) return *refused;
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  const auto config_matches = [&](std::uint32_t l) {
    // l = 0: the configuration word at entry; 1 ... 5: the user IDs and the
    // backup, one step each (the first from the last program word).
    const std::uint32_t word = l == 0 ? 7 : l - 1;
    const std::optional<std::uint16_t> read = icsp_.PeekConfigMemory(l == 0 ? 0 : 1);
    const std::uint16_t bits = word < scope.config_bits.size() ? scope.config_bits[word] : 0;
    compare_file_ = WordAt(images_.ConfigImage, word);
    compare_chip_ = read.value_or(0);
    return read && ((*read ^ compare_file_) & bits) == 0;
  };
  Outcome outcome = VerifyLoop(1, config_matches, Difference::Memory::kConfig, 0x0FFF, 1, 1);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.IncrementAddress(1, false)) return Fail(false);
  outcome = VerifyLoop(
      LastWord() + 1,
      [&](std::uint32_t k) {
        const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(k);
        compare_file_ = WordAt(images_.ProgramImage, k);
        compare_chip_ = word.value_or(0);
        return word && (k == scope.skip_program_word || *word == compare_file_);
      },
      Difference::Memory::kProgram, 0, chip_.ProgramSize, 200);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.IncrementAddress(chip_.ConfigBase - LastWord() - 1, false)) return Fail(false);
  // The user IDs and the backup, reported at their own addresses.
  outcome = VerifyLoop(
      5, [&](std::uint32_t j) { return config_matches(j + 1); }, Difference::Memory::kConfig, chip_.ConfigBase, 5, 1);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.SetInitState()) return Fail(false);
  return Finish(". No differences found.");
}

Outcome DeviceOperations::BaselineBlankCheck() {
  if (auto refused = BaselineCheckChip()) return *refused;
  const CompareScope scope = FileCompareScope(chip_, {});
  auto not_blank = [&](std::uint32_t address, const std::string& what, std::uint16_t holds) {
    return NotBlank(address, what, Hex(holds, 4).substr(1));
  };
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  const std::uint16_t config_bits = ComparedConfigBits(chip_, 7);
  const std::optional<std::uint16_t> config = icsp_.PeekConfigMemory(0);
  if (!config) return Fail(true);
  if ((*config & config_bits) != config_bits) return not_blank(0x0FFF, "the configuration word", *config);
  if (!icsp_.IncrementAddress(1, false)) return Fail(false);
  for (std::uint32_t k = 0; k <= LastWord(); ++k) {
    if (dialogs_.StopRequested()) return Cancelled();
    const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(k);
    if (!word) return Fail(true);
    if (k != scope.skip_program_word && *word != 0x0FFF) return not_blank(k, "program word 0x" + Hex(k, 4), *word);
    Progress(k, chip_.ProgramSize, 200);
  }
  for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
    const std::optional<std::uint16_t> byte = icsp_.PeekDataMemory(1);
    if (!byte) return Fail(true);
    if ((*byte & 0xFF) != 0xFF) return not_blank(chip_.DataBase + i, "flash data 0x" + Hex(chip_.DataBase + i, 4), *byte);
  }
  for (std::uint32_t j = 0; j < 4; ++j) {
    const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(1);
    if (!word) return Fail(true);
    if (*word != 0x0FFF) return not_blank(chip_.ConfigBase + j, "user ID 0x" + Hex(chip_.ConfigBase + j, 4), *word);
  }
  if (!icsp_.SetInitState()) return Fail(false);
  return Finish(". The chip is blank.");
}

bool DeviceOperations::BaselineEraseAll(bool* erased) {
  const BaselineMap& map = MapOf(chip_);
  // Program memory, the OSCCAL word and the configuration word; then the
  // flash data on its own (the configuration's CPDF is erased by now); then
  // the user IDs with the backup OSCCAL, which is put back after.
  if (!BaselineEraseAt(kBaselineConfigWord)) return false;
  *erased = true;
  if (map.flash_data && !BaselineEraseAt(chip_.DataBase)) return false;
  return BaselineEraseAt(chip_.ConfigBase) && icsp_.SetInitState();
}

Outcome DeviceOperations::BaselineChipErase(bool keep_calibration, const std::optional<OsccalValues>& given) {
  if (auto refused = BaselineCheckChip()) return *refused;
  const EraseGroup& group = *LookupFamily(chip_).row->erase;
  if (auto end = AfterKeep(guard_.Keep(keep_calibration, given, group.calibration, group.read_message), false)) {
    return *end;
  }
  if (dialogs_.StopRequested()) return Cancelled();
  bool erased = false;
  if (!BaselineEraseAll(&erased)) return FailAfterErase(false, erased);
  if (group.after_erase_message != nullptr) {
    log_.LogEvent(LogCode::kNone, group.after_erase_message);
  } else if (guard_.kept().restore) {
    if (guard_.PutBackKept(dialogs_.StopRequested()) != Step::kDone) return FailAfterErase(false, true);
  } else if (MapOf(chip_).osccal) {
    log_.LogEvent(LogCode::kNone, "    the OSCCAL word and its backup are erased: the chip's calibration is lost");
  }
  return Finish();
}

Outcome DeviceOperations::BaselineWrite(bool keep_calibration, bool entire_config,
                                        const std::optional<OsccalValues>& given, bool user_ids,
                                        bool protection_last) {
  if (auto refused = BaselineCheckChip()) return *refused;
  const WriteGroup& group = *LookupFamily(chip_).row->write;
  if (auto end = AfterKeep(guard_.Keep(keep_calibration, given, group.calibration, group.read_message), true)) {
    return *end;
  }
  if (dialogs_.StopRequested()) return Cancelled();
  const bool restore = guard_.kept().restore;
  // The user IDs take programming only once erased, and that erase takes
  // the backup OSCCAL with them; so does a backup that must change.
  const bool ids = user_ids || entire_config;
  const bool id_erase = ids || guard_.BackupNeedsErase();
  auto fail = [this](bool erased) { return FailAfterErase(false, erased); };
  if (!BaselineEraseAt(kBaselineConfigWord)) return fail(false);
  if (id_erase && !BaselineEraseAt(chip_.ConfigBase)) return fail(true);
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.IncrementAddress(1, false)) return fail(true);
  writing_began_ = true;
  if (auto end = WriteProgramWords(group.externally_timed)) return *end;
  // To the user IDs: the file's where asked, else the chip's own back after
  // an erase that took them.
  if (id_erase) {
    if (!icsp_.IncrementAddress(chip_.ConfigBase - LastWord(), false)) return fail(true);
    const std::vector<std::uint16_t>& own = guard_.user_ids_read();
    for (std::uint32_t j = 0; j < 4; ++j) {
      const std::uint16_t id = ids || own.size() < 4 ? WordAt(images_.ConfigImage, j) : own[j];
      if (!icsp_.WriteWord(j, id, true)) return fail(true);
    }
    if (ids) log_.LogEvent(LogCode::kNone, "    the user IDs have been written as the file sets them");
  }
  if (!icsp_.SetInitState()) return fail(true);
  if (restore && guard_.PutBackBaseline() != Step::kDone) return fail(true);
  if (!restore && id_erase && MapOf(chip_).osccal) {
    log_.LogEvent(LogCode::kNone, "    the backup OSCCAL was erased with the user IDs and is not kept");
  }
  // The configuration word last, at entry: with protection held off where
  // it is to be programmed after the verify.
  const std::uint16_t hold = protection_last ? ProtectionInImages().all() : 0;
  const auto word = static_cast<std::uint16_t>(WordAt(images_.ConfigImage, 7) | hold);
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.WriteWord(0, word, true)) return fail(true);
  config_written_ = true;
  if (!icsp_.SetInitState()) return fail(true);
  if (hold != 0) {
    log_.LogEvent(LogCode::kNone, "    the configuration word is written with its protection bits still off: "
                                  "they are programmed last");
  }
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  return Finish();
}

Outcome DeviceOperations::BaselineReadCalibration() {
  if (auto refused = BaselineCheckChip()) return *refused;
  FactoryValues values;
  const CalibrationRead both{.kind = CalibrationRead::Kind::kBaselineOsccal};
  if (const Step step = guard_.ReadFactoryValues(both, &values); step != Step::kDone) {
    return step == Step::kStopped ? Cancelled() : Fail(step == Step::kReadFailed);
  }
  SetWordAt(images_.ProgramImage, LastWord(), values.words[0].value);
  SetWordAt(images_.ConfigImage, 4, values.words[1].value);
  std::string said;
  for (const FactoryValues::Word& w : values.words) {
    said += (said.empty() ? "0x" : ", 0x") + Hex(w.address, 4) + " = " + Hex(w.value, 4) +
            (IsMovlwValue(w.value) ? "" : w.value == 0x0FFF ? " (erased)" : " (not a MOVLW)");
  }
  log_.LogEvent(LogCode::kNone, "    read from the chip: " + said + " (the OSCCAL word and its backup)");
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  return Finish();
}

Outcome DeviceOperations::BaselineRestore(const OsccalValues& values) {
  auto refuse = [&](const std::string& why) {
    log_.LogEvent(LogCode::kNone, why);
    return Refused();
  };
  if (!MapOf(chip_).osccal) return refuse("    there are no calibration values in this chip");
  if (!IsMovlwValue(values.osccal)) {
    return refuse("    " + Hex(values.osccal, 4) + " is not a calibration value (a MOVLW instruction, 0Cxx)");
  }
  if (auto refused = BaselineCheckChip()) return *refused;
  FactoryValues on_chip;
  const CalibrationRead both{.kind = CalibrationRead::Kind::kBaselineOsccal};
  if (const Step step = guard_.ReadFactoryValues(both, &on_chip); step != Step::kDone) {
    return step == Step::kStopped ? Cancelled() : Fail(step == Step::kReadFailed);
  }
  // Programming only clears bits: each copy takes the value only erased.
  for (const FactoryValues::Word& w : on_chip.words) {
    if (w.value != values.osccal && w.value != 0x0FFF) {
      return refuse("    0x" + Hex(w.address, 4) + " holds " + Hex(w.value, 4) +
                    ", not erased: nothing written (erase the chip with its value given)");
    }
  }
  if (on_chip.words[0].value == values.osccal && on_chip.words[1].value == values.osccal) {
    return refuse("    the chip already holds " + Hex(values.osccal, 4) + " in both copies: nothing to put back");
  }
  dialogs_.ProgressClose();
  if (!dialogs_.Ask("Warning",
                    "Program the OSCCAL value " + Hex(values.osccal, 4) + " into the " + chip_.ChipName +
                        " (the OSCCAL word and its backup)?\nIt is this chip's only if it came from it: a wrong "
                        "value cannot be erased without erasing the chip.",
                    OperatorDialogs::Buttons::kYesNo)) {
    log_.LogEvent(LogCode::kNone, "Operation cancelled");
    return Outcome::kCancelled;
  }
  if (dialogs_.StopRequested()) return Cancelled();
  dialogs_.ProgressOpen();
  guard_.TakeForRestore(values, on_chip);
  if (guard_.PutBackBaseline() != Step::kDone) return Fail(false);
  return Finish();
}

Outcome DeviceOperations::BaselineReadToKeep(const KeepRequest& request, KeptContents* kept) {
  if (auto refused = BaselineCheckChip()) return *refused;
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  // The configuration word at entry says whether the flash data reads as
  // zeros; then one climb from word 0 through what is kept.
  const std::optional<std::uint16_t> config = icsp_.PeekConfigMemory(0);
  if (!config) return Fail(true);
  if (request.eeprom && (ProtectionBitsFor(chip_).data & ~*config) != 0) {
    icsp_.SetInitState();
    log_.LogEvent(LogCode::kNone, "    the chip's flash data is code-protected (CPDF): it reads as zeros and cannot be kept");
    return Fail(true, Outcome::kStopped);
  }
  std::uint32_t at = kBaselineConfigWord;
  auto peek = [&](std::uint32_t address) -> std::optional<std::uint16_t> {
    const std::uint32_t steps = at == kBaselineConfigWord ? address + 1 : address - at;
    if (steps > 1 && !icsp_.IncrementAddress(steps - 1, false)) return std::nullopt;
    at = address;
    return icsp_.PeekProgramMemory(steps > 0 ? 1 : 0);
  };
  if (request.program) {
    for (std::uint32_t k = request.program->first; k <= request.program->second; ++k) {
      const std::optional<std::uint16_t> word = peek(k);
      if (!word) return Fail(true);
      kept->program.push_back(*word);
    }
  }
  for (std::uint32_t i = 0; request.eeprom && i < chip_.DataSize; ++i) {
    const std::optional<std::uint16_t> byte = peek(chip_.DataBase + i);
    if (!byte) return Fail(true);
    kept->eeprom.push_back(static_cast<std::uint8_t>(*byte & 0xFF));
  }
  for (std::uint32_t j = 0; request.user_ids && j < 4; ++j) {
    const std::optional<std::uint16_t> word = peek(chip_.ConfigBase + j);
    if (!word) return Fail(true);
    kept->user_ids.push_back(*word);
  }
  if (!icsp_.SetInitState()) return Fail(false);
  return Finish();
}

}  // namespace fw
