#include "operations/device_operations.h"

#include "chips/config_layout.h"

namespace fw {

namespace {

using Buttons = OperatorDialogs::Buttons;

constexpr const char* kWithFail = " with fail.";
constexpr const char* kUnavailable = "function is unavailable for this chip";
constexpr const char* kCancelled = "Operation cancelled";
constexpr const char* kWriteQuestion =
    "Previous data in the Program & Config memory (& maybe in Data memory too) will be lost!\n"
    "            Are you sure?";
constexpr const char* kWriteDataQuestion =
    "Previous data in the Data memory will be lost!\n            Are you sure?";
// The erase question's middle line speaks of the OSCCAL word only where an
// erase takes it, and asks the operator to keep it by hand only where
// nothing here keeps it.
std::string EraseQuestion(const ChipRecord& chip, bool keep_calibration) {
  std::string middle;
  if (LosesCalibrationInErase(chip) && chip.Baseline()) {
    middle = keep_calibration ? "The OSCCAL word and its backup are read before the erase and put back after it.\n"
                              : "You must read and remember the OSCCAL word before this operation.\n";
  } else if (LosesCalibrationInErase(chip)) {
    middle = keep_calibration ? "The OSCCAL word and BG-bits are read before the erase and put back after it.\n"
                              : "You must read and remember OSCCAL and BG-bits before this operation.\n";
  }
  return "      All previous chip data will be lost (Program, Data, Configuration).\n" + middle +
         "\t        Press OK to continue or Cancel to cancel";
}

}  // namespace

void DeviceOperations::Open(const char* trying, bool times) {
  times_ = times;
  writing_began_ = false;
  words_written_ = 0;
  config_written_ = false;
  const FamilyLookup found = LookupFamily(chip_);
  icsp_.SetEndProgramming(found.row != nullptr ? found.row->programming->end_programming : icsp::kEndProgramming);
  icsp_.SetBeginExternal(found.row != nullptr ? found.row->programming->begin_external : icsp::kBeginProgrammingExt);
  dialogs_.ProgressOpen();
  log_.LogEvent(LogCode::kStarted, trying);
  if (times) log_.LogStartTime();
}

bool DeviceOperations::Refuses(const FamilyLookup& found, bool accepted, bool unavailable) {
  if (found.kind == FamilyLookup::Kind::kNoChip) {
    log_.LogEvent(LogCode::kNoChip, "");
    return true;
  }
  if (accepted) return false;
  if (unavailable) {
    log_.LogEvent(LogCode::kNone, kUnavailable);
  } else {
    log_.LogEvent(LogCode::kChipSelected, " unknown");
  }
  return true;
}

Outcome DeviceOperations::Refused() {
  // An operation with time lines ends a refusal with its end time, one
  // without them with the finished line.
  if (times_) log_.LogEndTime();
  dialogs_.ProgressClose();
  if (!times_) log_.LogEvent(LogCode::kFinished, "");
  return Outcome::kRefused;
}

Outcome DeviceOperations::Finish(std::string_view result) {
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kFinished, result);
  if (times_) log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::Fail(bool end_time, Outcome outcome) {
  log_.LogEvent(LogCode::kFinished, kWithFail);
  // The step's own line named what failed; this one says what happened.
  if (const std::string lost = icsp_.LinkLossText(); !lost.empty()) log_.LogEvent(LogCode::kNone, lost);
  if (end_time) log_.LogEndTime();
  dialogs_.ProgressClose();
  return outcome;
}

Outcome DeviceOperations::Cancelled() {
  // Programming mode is left as after every operation, where the link lets it.
  if (icsp_.LinkUp()) icsp_.SetInitState();
  log_.LogEvent(LogCode::kNone, kCancelled);
  dialogs_.ProgressClose();
  return Outcome::kCancelled;
}

std::optional<Outcome> DeviceOperations::AfterKeep(CalibrationGuard::Before before, bool end_time) {
  switch (before) {
    case CalibrationGuard::Before::kGoOn:
      return std::nullopt;
    case CalibrationGuard::Before::kFailed:
      return Fail(false);
    case CalibrationGuard::Before::kStopped:
      return Fail(end_time, Outcome::kStopped);
    case CalibrationGuard::Before::kCancelled:
      return Cancelled();
  }
  return Fail(false);
}

void DeviceOperations::LogChipState() {
  std::string text = "    the chip now holds: program memory erased";
  if (words_written_ > 0) text += ", written from 0x0000 to 0x" + Hex(words_written_ - 1, 4);
  text += config_written_ ? ", the configuration written" : ", no configuration word (erased)";
  log_.LogEvent(LogCode::kNone, text + "; write it again, or erase it, before it is used");
}

Outcome DeviceOperations::FailAfterErase(bool end_time, bool erased) {
  const Outcome outcome = Fail(end_time);
  if (erased) {
    LogChipState();
    guard_.LogWhereValuesAre();
  }
  return outcome;
}

Outcome DeviceOperations::CancelAfterErase(bool end_time) {
  if (guard_.kept().restore && guard_.PutBackKept(true) != Step::kDone) return FailAfterErase(end_time, true);
  LogChipState();
  return Cancelled();
}

void DeviceOperations::Progress(std::uint32_t index, std::uint32_t span, int scale) {
  if ((index & 7) == 7) dialogs_.ProgressSet(static_cast<int>((std::uint64_t{index} + 1) * scale / span));
}

Outcome DeviceOperations::ReadProgramAndConfig() {
  Open(" read program & config  memory", true);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr, false)) return Refused();
  if (chip_.Baseline()) return BaselineRead();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  for (std::uint32_t k = 0; k < chip_.ProgramSize / 2; ++k) {
    if (dialogs_.StopRequested()) return Cancelled();
    if (!icsp_.ReadProgramMemory(k, false)) return Fail(true);
    Progress(k, chip_.ProgramSize, 200);
  }
  if (!icsp_.LoadConfiguration()) return Fail(false);
  for (std::uint32_t l = 0; l < chip_.ConfigSize / 2; ++l) {
    if (dialogs_.StopRequested()) return Cancelled();
    if (!icsp_.ReadConfigMemory(l, false)) return Fail(true);
    Progress(l, chip_.ConfigSize, 200);
  }
  if (!icsp_.SetInitState()) return Fail(false);
  dialogs_.ProgressClose();
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  // Revision bits 4-0 are not compared.
  if ((chip_.ChipIdWord & 0x3FE0) != (WordAt(images_.ConfigImage, 6) & 0x3FE0)) {
    dialogs_.Tell("Warning", "The read ChipID does not match the selected one!");
  }
  return Finish();
}

Outcome DeviceOperations::DataWalk(const char* trying, const std::function<bool(std::uint32_t)>& cell,
                                   const std::function<bool()>& before) {
  Open(trying, true);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr && found.row->has_eeprom, found.row != nullptr && !found.row->has_eeprom)) {
    return Refused();
  }
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  // A baseline part's flash data: from the configuration word at entry, one
  // step to word 0 and on to the data.
  if (chip_.Baseline() && !icsp_.IncrementAddress(chip_.DataBase + 1, false)) return Fail(false);
  if (before && !before()) return Fail(false);
  for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
    if (dialogs_.StopRequested()) return Cancelled();
    if (!cell(i)) return Fail(true);
    Progress(i, chip_.DataSize, 100);
  }
  if (!icsp_.SetInitState()) return Fail(false);
  return Outcome::kDone;
}

Outcome DeviceOperations::ReadData() {
  const Outcome outcome =
      DataWalk(" read the data memory", [this](std::uint32_t i) { return icsp_.ReadDataMemory(i, false); });
  if (outcome != Outcome::kDone) return outcome;
  workspace_.ShowImage(workspace_.DataView(), kDataImage);
  return Finish();
}

Outcome DeviceOperations::WriteProgramAndConfig(bool keep_calibration, bool entire_config,
                                                const std::optional<OsccalValues>& given, bool user_ids,
                                                bool protection_last) {
  guard_.Forget();
  if (!dialogs_.Ask("Warning", kWriteQuestion, Buttons::kYesNo)) {
    log_.LogEvent(LogCode::kNone, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  Open(entire_config ? " write the program memory & entire config memory" : " write the program memory & config word",
       true);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr, false)) return Refused();
  if (chip_.Baseline()) return BaselineWrite(keep_calibration, entire_config, given, user_ids, protection_last);
  const WriteGroup& group = *found.row->write;
  if (auto end = AfterKeep(guard_.Keep(keep_calibration, given, group.calibration, group.read_message), true)) {
    return *end;
  }
  if (dialogs_.StopRequested()) return Cancelled();
  // User IDs take programming only after an erase from configuration space.
  const bool ids = user_ids && !entire_config;
  auto fail = [this] { return FailAfterErase(false, false); };
  if (!found.row->programming->erase.empty()) {
    bool erased = false;
    if (!EraseBySequence(*found.row, &erased)) return FailAfterErase(false, erased);
  } else {
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail();
    if ((entire_config || ids) && !icsp_.LoadConfiguration()) return fail();
    if (group.load_blank_before_erase && !icsp_.LoadDataForProgramMemory(0x3FFF)) return fail();
    if (!icsp_.BulkEraseProgramMemory()) return fail();
  }
  if (!icsp_.SetInitState()) return FailAfterErase(false, true);
  if (protection_last) return WriteConfigurationFirst(group, entire_config, ids);
  return WriteAfterErase(group, entire_config, ids);
}

bool DeviceOperations::WriteConfiguration(const WriteGroup& group, bool entire_config, bool ids, std::uint16_t hold) {
  const bool ext = group.externally_timed;
  const auto word7 = static_cast<std::uint16_t>(WordAt(images_.ConfigImage, 7) | hold);
  if (entire_config) {
    const std::uint32_t words = group.entire_config_words != 0 ? group.entire_config_words : chip_.ConfigSize / 2;
    for (std::uint32_t j = 0; j < words; ++j) {
      if (!(j == 7 ? icsp_.WriteWord(j, word7, ext) : icsp_.WriteConfigMemory(j, ext))) return false;
      Progress(j, chip_.ConfigSize, 200);
    }
    if (group.entire_config_message != nullptr) log_.LogEvent(LogCode::kNone, group.entire_config_message);
    return true;
  }
  if (ids) {
    for (std::uint32_t j = 0; j < 4; ++j) {
      if (!icsp_.WriteConfigMemory(j, ext)) return false;
    }
  }
  if (!icsp_.IncrementAddress(ids ? 3 : 6, true) || !icsp_.WriteWord(7, word7, ext)) return false;
  if (group.config_word_writes == 2 && !icsp_.WriteConfigMemory(8, ext)) return false;
  if (ids) log_.LogEvent(LogCode::kNone, "    the user IDs have been written as the file sets them");
  return true;
}

std::optional<Outcome> DeviceOperations::WriteProgramWords(bool externally_timed) {
  // A family's own erase-and-program row (the PIC16F87xA's eight words)
  // is always written whole; elsewhere the operator may ask for one word per
  // cycle, as programmers that know no latches write.
  const FamilyLookup found = LookupFamily(chip_);
  const bool whole_rows_only = found.row != nullptr && found.row->programming->latch_words > 1 &&
                               !found.row->programming->erase.empty();
  const std::uint32_t latch = one_word_cycles_ && !whole_rows_only ? 1 : LatchWordsFor(chip_);
  for (std::uint32_t k = 0; k < chip_.ProgramSize / 2; k += latch) {
    if (dialogs_.StopRequested()) return CancelAfterErase(false);
    const bool written =
        latch == 1 ? icsp_.WriteProgramMemory(k, externally_timed) : icsp_.WriteProgramRow(k, latch, externally_timed);
    if (!written) return FailAfterErase(false, true);
    words_written_ = k + latch;
    Progress(k, chip_.ProgramSize, 200);
  }
  return std::nullopt;
}

bool DeviceOperations::BandGapBack() {
  return icsp_.LoadConfiguration() && icsp_.IncrementAddress(6, true) &&
         guard_.CheckBandGap(*guard_.kept().values.osccal, 7) == Step::kDone;
}

Outcome DeviceOperations::FinishWrite(bool restore) {
  if (restore) {
    log_.LogEvent(LogCode::kNone, "    OSCCAL & BG-bits has been restored");
    guard_.Close();
  }
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  return Finish();
}

Outcome DeviceOperations::WriteConfigurationFirst(const WriteGroup& group, bool entire_config, bool ids) {
  const bool restore = guard_.kept().restore;
  auto fail = [this] { return FailAfterErase(false, true); };
  const std::uint16_t hold = ProtectionInImages().all();
  // The configuration first: the F629's band-gap bits are back before its
  // OSCCAL word, so a chip whose OSCCAL word reads as a calibration value
  // always holds its own band-gap bits too, however a write was cut short.
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration()) return fail();
  writing_began_ = true;
  if (!WriteConfiguration(group, entire_config, ids, hold)) return fail();
  config_written_ = true;
  if (restore && !BandGapBack()) return fail();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail();
  if (auto end = WriteProgramWords(group.externally_timed)) return *end;
  if (restore && guard_.CheckOsccalWord(*guard_.kept().values.osccal, 0) != Step::kDone) return fail();
  if (!icsp_.SetInitState()) return fail();
  if (hold != 0) {
    log_.LogEvent(LogCode::kNone, "    the configuration word is written with its protection bits still off: "
                                  "they are programmed last");
  }
  return FinishWrite(restore);
}

ProtectionBits DeviceOperations::ProtectionInImages() const {
  const ProtectionBits bits = ProtectionBitsFor(chip_);
  const auto cleared = static_cast<std::uint16_t>(~WordAt(images_.ConfigImage, 7));
  return {.code = static_cast<std::uint16_t>(bits.code & cleared),
          .data = static_cast<std::uint16_t>(bits.data & cleared)};
}

Outcome DeviceOperations::ProgramProtection() {
  last_difference_.reset();
  const ProtectionBits on = ProtectionInImages();
  if (on.all() == 0) return Outcome::kDone;
  Open(" program the protection bits of the configuration word", true);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr, false)) return Refused();
  const std::uint16_t word = WordAt(images_.ConfigImage, 7);
  // A baseline part's configuration word is where the counter starts.
  const bool at_entry = chip_.Baseline();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || (!at_entry && !icsp_.LoadConfiguration()) ||
      (!at_entry && !icsp_.IncrementAddress(7, true)) ||
      !icsp_.WriteWord(0, word, found.row->write->externally_timed)) {
    return Fail(true);
  }
  const std::optional<std::uint16_t> read = icsp_.PeekConfigMemory(0);
  if (!read || !icsp_.SetInitState()) return Fail(true);
  const std::uint16_t bits = ComparedConfigBits(chip_, 7);
  const bool hidden = *read == 0 && on.code != 0 && found.row->cp_hides_configuration;
  if (!hidden && (*read & bits) != (word & bits)) {
    last_difference_ = Difference{.memory = Difference::Memory::kConfig,
                                  .address = at_entry ? 0x0FFF : chip_.ConfigBase + 7,
                                  .file = word, .chip = *read};
    log_.LogEvent(LogCode::kNone, "    the configuration word reads " + Hex(*read, 4) + " after programming, not " +
                                      Hex(word, 4) + " (in the bits " + Hex(bits, 4) + ")");
    return Fail(true, Outcome::kDifference);
  }
  std::string what = on.code != 0 && on.data != 0 ? "code and data protection are"
                     : on.code != 0               ? "code protection is"
                                                  : "data protection is";
  log_.LogEvent(LogCode::kNone, "    " + what + " on: everything was verified before" +
                                    (hidden ? "; the configuration word now reads 0, as the chip hides it" : ""));
  return Finish();
}

Outcome DeviceOperations::WriteAfterErase(const WriteGroup& group, bool entire_config, bool ids) {
  const bool restore = guard_.kept().restore;
  auto fail = [this](bool end_time) { return FailAfterErase(end_time, true); };
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail(false);
  writing_began_ = true;
  if (auto end = WriteProgramWords(group.externally_timed)) return *end;
  // The OSCCAL word is the last one written: read back while the counter is
  // on it, before a configuration word that may protect the chip.
  if (restore && guard_.CheckOsccalWord(*guard_.kept().values.osccal, 0) != Step::kDone) return fail(false);
  if (!icsp_.LoadConfiguration()) return fail(false);
  // Only the entire configuration's walk writes an end time when it fails.
  if (!WriteConfiguration(group, entire_config, ids, 0)) return fail(entire_config);
  config_written_ = true;
  if (restore && !BandGapBack()) return fail(false);
  if (!icsp_.SetInitState()) return fail(false);
  if (const ProtectionBits on = ProtectionInImages(); on.all() != 0) {
    const std::string code = on.code != 0 ? "a verify now reads program memory as zeros" : "";
    const std::string data = on.data != 0 ? "a later Write Data is refused by the chip" : "";
    log_.LogEvent(LogCode::kNone, "    the configuration word written turns protection on: " + code +
                                      (on.code != 0 && on.data != 0 ? " and " : "") + data +
                                      "; Program (F5) writes and verifies everything before turning it on");
  }
  return FinishWrite(restore);
}

Outcome DeviceOperations::WriteData() {
  if (!dialogs_.Ask("Warning", kWriteDataQuestion, Buttons::kYesNo)) {
    log_.LogEvent(LogCode::kNone, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.DataView(), kDataImage);
  // A byte the view leaves blank must end up blank, whatever the chip held
  // there: the data memory is erased first (every family with an EEPROM
  // has Bulk Erase Data Memory), then the walk passes over blank bytes.
  const Outcome outcome = DataWalk(
      " write the data memory",
      [this](std::uint32_t i) { return icsp_.WriteDataMemory(i, DataExternallyTimed()); },
      [this] {
        writing_began_ = true;
        if (!EraseDataMemory()) return false;
        log_.LogEvent(LogCode::kNone, "    the data memory is erased first: bytes blank in the view (FF) stay erased");
        return true;
      });
  if (outcome != Outcome::kDone) return outcome;
  return Finish();
}

Outcome DeviceOperations::VerifyLoop(std::uint32_t count,
                                     const std::function<bool(std::uint32_t)>& matches, Difference::Memory memory,
                                     std::uint32_t address_base, std::uint32_t progress_span,
                                     int progress_scale) {
  last_difference_.reset();
  for (std::uint32_t i = 0; i < count; ++i) {
    if (dialogs_.StopRequested()) return Cancelled();
    if (!matches(i)) {
      // A failed transfer is reported like a difference, after the ICSP
      // layer's own line.
      log_.LogEvent(LogCode::kFinished, std::string(kWithFail) + " Address: 0x" + Hex(address_base + i, 4));
      if (!icsp_.LinkUp()) {
        // The address is where the link went, not a word that differs.
        log_.LogEvent(LogCode::kNone, icsp_.LinkLossText());
        log_.LogEndTime();
        dialogs_.ProgressClose();
        return Outcome::kFailed;
      }
      log_.LogEndTime();
      dialogs_.ProgressClose();
      last_difference_ = Difference{memory, address_base + i, compare_file_, compare_chip_};
      // Beyond the catalogue's words: the two values, so that the operator
      // sees what differs.
      const bool data = memory == Difference::Memory::kData;
      const std::string file = data ? Hex(compare_file_, 4).substr(2) : Hex(compare_file_, 4);
      const std::string chip = data && compare_chip_ <= 0xFF ? Hex(compare_chip_, 4).substr(2) : Hex(compare_chip_, 4);
      log_.LogEvent(LogCode::kNone, "    file 0x" + file + ", chip 0x" + chip);
      return Outcome::kDifference;
    }
    Progress(i, progress_span, progress_scale);
  }
  return Outcome::kDone;
}

Outcome DeviceOperations::VerifyProgramAndConfig() { return VerifyProgramAndConfig(ChipCompareScope(chip_)); }

Outcome DeviceOperations::VerifyProgramAndConfig(const CompareScope& scope) {
  if (chip_.Baseline()) {
    workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
    workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
    Open(" verify the program memory", true);
    return BaselineVerify(scope);
  }
  return VerifyProgramAndConfigWith(
      [&](std::uint32_t k) {
        const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(k);
        compare_file_ = WordAt(images_.ProgramImage, k);
        compare_chip_ = word.value_or(0);
        return word && (k == scope.skip_program_word || *word == compare_file_);
      },
      [&](std::uint32_t l) {
        const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(l);
        const std::uint16_t bits = l < scope.config_bits.size() ? scope.config_bits[l] : 0;
        compare_file_ = WordAt(images_.ConfigImage, l);
        compare_chip_ = word.value_or(0);
        return word && ((*word ^ compare_file_) & bits) == 0;
      });
}

Outcome DeviceOperations::VerifyProgramAndConfigWith(const std::function<bool(std::uint32_t)>& program,
                                                     const std::function<bool(std::uint32_t)>& config) {
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  Open(" verify the program memory", true);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr, false)) return Refused();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  Outcome outcome = VerifyLoop(chip_.ProgramSize / 2, program, Difference::Memory::kProgram, 0, chip_.ProgramSize, 200);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.LoadConfiguration()) return Fail(false);
  outcome = VerifyLoop(chip_.ConfigSize / 2, config, Difference::Memory::kConfig, chip_.ConfigBase, chip_.ConfigSize,
                       200);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.SetInitState()) return Fail(false);
  return Finish(". No differences found.");
}

Outcome DeviceOperations::VerifyData() {
  workspace_.TakeImage(workspace_.DataView(), kDataImage);
  Open(" verify the data memory", true);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr && found.row->has_eeprom, found.row != nullptr && !found.row->has_eeprom)) {
    return Refused();
  }
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  if (chip_.Baseline() && !icsp_.IncrementAddress(chip_.DataBase + 1, false)) return Fail(false);
  // The whole 14-bit word is compared with the byte: a cell that answers
  // bits above the byte differs.
  const auto matches = [this](std::uint32_t i) {
    const std::optional<std::uint16_t> word = icsp_.PeekDataMemory(i);
    compare_file_ = images_.DataImage[i];
    compare_chip_ = word.value_or(0);
    return word && *word == compare_file_;
  };
  const Outcome outcome = VerifyLoop(chip_.DataSize, matches, Difference::Memory::kData, 0, chip_.DataSize, 100);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.SetInitState()) return Fail(false);
  return Finish(". No differences found.");
}

Outcome DeviceOperations::NotBlank(std::uint32_t address, const std::string& what, const std::string& holds) {
  log_.LogEvent(LogCode::kFinished, std::string(kWithFail) + " Address: 0x" + Hex(address, 4));
  log_.LogEvent(LogCode::kNone, "    " + what + " holds " + holds + ", not erased");
  log_.LogEndTime();
  dialogs_.ProgressClose();
  return Outcome::kDifference;
}

Outcome DeviceOperations::BlankCheck() {
  Open(" check that the chip is blank", true);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr, false)) return Refused();
  if (chip_.Baseline()) return BaselineBlankCheck();
  const CompareScope scope = FileCompareScope(chip_, {});
  auto not_blank = [&](std::uint32_t address, const std::string& what, std::uint16_t holds) {
    return NotBlank(address, what, what[0] == 'E' ? Hex(holds, 4).substr(2) : Hex(holds, 4));
  };
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  for (std::uint32_t k = 0; k < chip_.ProgramSize / 2; ++k) {
    if (dialogs_.StopRequested()) return Cancelled();
    const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(k);
    if (!word) return Fail(true);
    if (k != scope.skip_program_word && *word != 0x3FFF) {
      return not_blank(k, "program word 0x" + Hex(k, 4), *word);
    }
    Progress(k, chip_.ProgramSize, 200);
  }
  // The user IDs and the configuration word(s): an erased bit reads 1.
  if (!icsp_.LoadConfiguration()) return Fail(false);
  for (std::uint32_t l = 0; l <= 8 && l < chip_.ConfigSize / 2; ++l) {
    const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(l);
    if (!word) return Fail(true);
    const std::uint16_t bits = ComparedConfigBits(chip_, l);
    if ((*word & bits) != bits) {
      return not_blank(chip_.ConfigBase + l, "configuration word 0x" + Hex(chip_.ConfigBase + l, 4), *word);
    }
  }
  if (!icsp_.SetInitState()) return Fail(false);
  if (found.row->has_eeprom) {
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
    for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
      if (dialogs_.StopRequested()) return Cancelled();
      const std::optional<std::uint16_t> byte = icsp_.PeekDataMemory(i);
      if (!byte) return Fail(true);
      if (*byte != 0xFF) return not_blank(i, "EEPROM byte 0x" + Hex(i, 4).substr(2), *byte);
      Progress(i, chip_.DataSize, 100);
    }
    if (!icsp_.SetInitState()) return Fail(false);
  }
  return Finish(". The chip is blank.");
}

Outcome DeviceOperations::ChipErase(bool keep_calibration, const std::optional<OsccalValues>& given) {
  guard_.Forget();
  if (!dialogs_.Ask("Warning", EraseQuestion(chip_, keep_calibration), Buttons::kOkCancel)) {
    log_.LogEvent(LogCode::kNone, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  Open(" erase program, configuration and data memories", false);
  const FamilyLookup found = LookupFamily(chip_);
  if (Refuses(found, found.row != nullptr, false)) return Refused();
  if (chip_.Baseline()) return BaselineChipErase(keep_calibration, given);
  const EraseGroup& group = *found.row->erase;
  if (auto end = AfterKeep(guard_.Keep(keep_calibration, given, group.calibration, group.read_message), false)) {
    return *end;
  }
  if (dialogs_.StopRequested()) return Cancelled();
  bool erased = false;
  auto fail = [&]() { return FailAfterErase(false, erased); };
  const Programming& programming = *found.row->programming;
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail();
  if (!programming.erase.empty()) {
    // The family's own erase takes everything, protected or not.
    if (!icsp_.Run(programming.erase)) return fail();
    erased = true;
  } else {
    if (!icsp_.LoadConfiguration()) return fail();
    if (group.load_blank_before_erase && !icsp_.LoadDataForProgramMemory(0x3FFF)) return fail();
    if (!icsp_.BulkEraseProgramMemory()) return fail();
    erased = true;
    if (group.erases_data && !icsp_.BulkEraseDataMemory()) return fail();
  }
  if (!icsp_.SetInitState()) return fail();

  if (group.after_erase_message != nullptr) {
    log_.LogEvent(LogCode::kNone, group.after_erase_message);
  } else if (guard_.kept().restore) {
    // A stop asked now waits for the values to be back.
    if (guard_.PutBackKept(dialogs_.StopRequested()) != Step::kDone) return fail();
  }
  return Finish();
}

}  // namespace fw
