#include "operations/device_operations.h"

#include <cstdio>

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
constexpr const char* kEraseQuestion =
    "      All previous chip data will be lost (Program, Data, Configuration).\n"
    "You must read and remember OSCCAL and BG-bits before this operation.\n"
    "\t        Press OK to continue or Cancel to cancel";

}  // namespace

Outcome DeviceOperations::Fail(bool end_time, Outcome outcome) {
  log_.LogEvent(LogCode::kFinished, kWithFail);
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

bool DeviceOperations::LogRefusal(std::uint16_t family, bool accepted, bool unavailable) {
  if (family == 0) {
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
  log_.LogEndTime();
  dialogs_.ProgressClose();
  return Outcome::kRefused;
}

void DeviceOperations::Progress(std::uint32_t index, std::uint32_t span, int scale) {
  if ((index & 7) == 7) dialogs_.ProgressSet(static_cast<int>((std::uint64_t{index} + 1) * scale / span));
}

DeviceOperations::Step DeviceOperations::ReadCalibrationValues(const CalibrationRead& read) {
  using Kind = CalibrationRead::Kind;
  switch (read.kind) {
    case Kind::kNone:
      return Step::kDone;
    case Kind::kOsccal:
    case Kind::kOsccalAndBandGap:
      if (!icsp_.IncrementAddress(LastWord() - 1, true)) return Step::kFailed;
      return icsp_.ReadProgramMemory(LastWord(), false) ? Step::kDone : Step::kReadFailed;
    case Kind::kWords:
      if (!icsp_.LoadConfiguration() || !icsp_.IncrementAddress(read.first_word - 1, true)) {
        return Step::kFailed;
      }
      for (std::uint32_t w = read.first_word; w < read.first_word + read.count; ++w) {
        if (!icsp_.ReadConfigMemory(w, false)) return Step::kReadFailed;
      }
      return Step::kDone;
  }
  return Step::kDone;
}

DeviceOperations::Step DeviceOperations::ReadFactoryValues(const CalibrationRead& read, FactoryValues* values) {
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Step::kFailed;
  if (read.kind == CalibrationRead::Kind::kWords) {
    if (!icsp_.LoadConfiguration() || !icsp_.IncrementAddress(read.first_word - 1, true)) return Step::kFailed;
    for (std::uint32_t w = read.first_word; w < read.first_word + read.count; ++w) {
      const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(w);
      if (!word) return Step::kReadFailed;
      values->words.push_back({chip_.ConfigBase + w, *word});
    }
  } else {
    // The OSCCAL word is the last program word; the band-gap bits are bits
    // 13:12 of the configuration word.
    if (!icsp_.IncrementAddress(LastWord() - 1, true)) return Step::kFailed;
    const std::optional<std::uint16_t> osccal = icsp_.PeekProgramMemory(LastWord());
    if (!osccal) return Step::kReadFailed;
    if (!icsp_.LoadConfiguration() || !icsp_.IncrementAddress(6, true)) return Step::kFailed;
    const std::optional<std::uint16_t> config = icsp_.PeekConfigMemory(7);
    if (!config) return Step::kReadFailed;
    values->osccal = OsccalValues{*osccal, static_cast<std::uint8_t>((*config >> 12) & 3)};
  }
  return icsp_.SetInitState() ? Step::kDone : Step::kFailed;
}

std::optional<Outcome> DeviceOperations::AskForValues(FactoryValues* values, bool* keep, bool end_time) {
  const std::uint16_t read = values->osccal->osccal;
  const char* why = read == 0x0000   ? ": the chip is code-protected, its program memory reads zeros"
                    : read == 0x3FFF ? ": the word is erased, the values were lost before"
                                     : "";
  const std::string text = "    the OSCCAL word 0x" + Hex(LastWord(), 4) + " reads " + Hex(read, 4) +
                           ", which is not a calibration value (a RETLW instruction, 34xx)" + why;
  log_.LogEvent(LogCode::kNone, text);
  const std::optional<CalibrationRecordEntry> newest = record_.NewestFor(chip_.ChipName);
  std::string newest_text;
  if (newest) {
    newest_text = "    the newest record for the " + chip_.ChipName + " holds " +
                  FactoryValuesText(newest->values, LastWord()) + " (" + newest->time + ", " + newest->port +
                  ") in " + record_.path();
  }
  const CalibrationAnswer answer =
      dialogs_.AskCalibration(text.substr(4) + (newest ? "\n" + newest_text.substr(4) : ""),
                              newest ? newest->values.osccal : std::nullopt);
  switch (answer.kind) {
    case CalibrationAnswer::Kind::kUse:
      if (IsOsccalValue(answer.values.osccal)) {
        values->osccal = answer.values;
        return std::nullopt;
      }
      break;
    case CalibrationAnswer::Kind::kLose:
      log_.LogEvent(LogCode::kNone, "    the calibration values are not kept: the operator chose to lose them");
      *keep = false;
      return std::nullopt;
    case CalibrationAnswer::Kind::kCancel:
      return Cancelled();
    case CalibrationAnswer::Kind::kNotGiven:
      break;
  }
  log_.LogEvent(LogCode::kNone, "    nothing has been erased: give the chip's values (from its label, a backup or the "
                   "calibration record), or erase without keeping them, knowing they are lost");
  if (newest) log_.LogEvent(LogCode::kNone, newest_text);
  return Fail(end_time, Outcome::kStopped);
}

std::optional<Outcome> DeviceOperations::KeepCalibration(bool keep, const std::optional<OsccalValues>& given,
                                                         const CalibrationRead& read, const char* message,
                                                         bool end_time) {
  kept_ = {};
  if (!keep || read.kind == CalibrationRead::Kind::kNone) return std::nullopt;
  if (dialogs_.StopRequested()) return Cancelled();
  FactoryValues values;
  if (ReadFactoryValues(read, &values) != Step::kDone) return Fail(false);
  // The F629 family's values go with the erase; the other families' stay on
  // the chip, so reading them is a record, not a rescue.
  const bool erased_with_chip = values.osccal.has_value();
  std::string source = "read";
  if (erased_with_chip && given) {
    if (IsOsccalValue(values.osccal->osccal) && !(*values.osccal == *given)) {
      log_.LogEvent(LogCode::kNone, "    the chip holds " + FactoryValuesText(values, LastWord()) + "; the values given are kept instead");
    }
    values.osccal = *given;
    source = "given";
  } else if (erased_with_chip && !IsOsccalValue(values.osccal->osccal)) {
    const std::uint16_t read_word = values.osccal->osccal;
    if (auto end = AskForValues(&values, &keep, end_time)) return end;
    if (!keep) return std::nullopt;
    if (values.osccal->osccal != read_word) source = "given";
  }
  bool recorded = false;
  if (record_.enabled()) {
    std::string error;
    recorded = record_.Append({clock_.UtcTimestamp(), chip_.ChipName, icsp_.PortPath(), values, source}, &error);
    if (!recorded) {
      log_.LogEvent(LogCode::kNone, "    the calibration values could not be recorded: " + error);
      if (erased_with_chip) {
        // Once erased, the values would exist nowhere else.
        log_.LogEvent(LogCode::kNone, "    nothing has been erased: the values are " + FactoryValuesText(values, LastWord()));
        return Fail(end_time, Outcome::kStopped);
      }
    }
  }
  log_.LogEvent(LogCode::kNone, std::string(message) + ": " + FactoryValuesText(values, LastWord()) +
                       (recorded ? ", recorded in " + record_.path() : ""));
  // The values land in the images, over what the views held there.
  if (values.osccal) {
    SetWordAt(images_.ProgramImage, LastWord(), values.osccal->osccal);
    const std::uint16_t config = WordAt(images_.ConfigImage, 7);
    SetWordAt(images_.ConfigImage, 7,
              static_cast<std::uint16_t>((config & ~0x3000) | (values.osccal->band_gap << 12)));
  }
  for (const FactoryValues::Word& w : values.words) SetWordAt(images_.ConfigImage, w.address - chip_.ConfigBase, w.value);
  kept_ = {true, erased_with_chip, recorded, values};
  return std::nullopt;
}

DeviceOperations::Step DeviceOperations::CheckOsccalWord(const OsccalValues& values, std::uint32_t i) {
  const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(i);
  if (!word) return Step::kReadFailed;
  if (*word == values.osccal) return Step::kDone;
  log_.LogEvent(LogCode::kNone, "    the OSCCAL word reads " + Hex(*word, 4) + " after programming, not " + Hex(values.osccal, 4));
  return Step::kWrong;
}

DeviceOperations::Step DeviceOperations::CheckBandGap(const OsccalValues& values, std::uint32_t i) {
  const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(i);
  if (!word) return Step::kReadFailed;
  const auto bits = static_cast<std::uint8_t>((*word >> 12) & 3);
  if (bits == values.band_gap) return Step::kDone;
  log_.LogEvent(LogCode::kNone, "    the band-gap bits read " + BandGapText(bits) + " after programming, not " +
                       BandGapText(values.band_gap));
  return Step::kWrong;
}

DeviceOperations::Step DeviceOperations::PutBackCalibration(const OsccalValues& values) {
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.IncrementAddress(LastWord() - 1, true) ||
      !icsp_.WriteWord(LastWord(), values.osccal, false)) {
    return Step::kFailed;
  }
  // Read back at once, at the counter: whether the chip took it is known
  // before anything says it was restored.
  if (const Step step = CheckOsccalWord(values, 0); step != Step::kDone) return step;
  if (!icsp_.SetInitState()) return Step::kFailed;
  // The band-gap bits go into a configuration word that is otherwise left
  // erased: never combined with a file's or a view's bits.
  const auto config = static_cast<std::uint16_t>(0x0FFF | (values.band_gap << 12));
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration() ||
      !icsp_.IncrementAddress(6, true) || !icsp_.WriteWord(7, config, false)) {
    return Step::kFailed;
  }
  if (const Step step = CheckBandGap(values, 0); step != Step::kDone) return step;
  return icsp_.SetInitState() ? Step::kDone : Step::kFailed;
}

Outcome DeviceOperations::FailAfterErase(bool end_time, bool erased) {
  const Outcome outcome = Fail(end_time);
  if (!erased || !kept_.read) return outcome;
  // Once the chip is erased, the factory values may live only off the chip:
  // they are named, with where they are kept and how they go back.
  log_.LogEvent(LogCode::kNone, "    calibration values read before the erase: " + FactoryValuesText(kept_.values, LastWord()) +
                       (kept_.recorded ? ", recorded in " + record_.path() : ""));
  if (kept_.restore) {
    log_.LogEvent(LogCode::kNone, "    put them back with \"Restore calibration values...\" (Edit menu) or with "
                     "flashwright-cli calibration --restore " +
                         OsccalOptions(*kept_.values.osccal));
  }
  return outcome;
}

Outcome DeviceOperations::CancelAfterErase(bool end_time) {
  if (kept_.restore) {
    dialogs_.StopDeferred("putting the OSCCAL word and band-gap bits back on the chip");
    if (PutBackCalibration(*kept_.values.osccal) != Step::kDone) return FailAfterErase(end_time, true);
    log_.LogEvent(LogCode::kNone, "    OSCCAL word & BG-bits has been restored");
  }
  return Cancelled();
}

Outcome DeviceOperations::ReadProgramAndConfig() {
  dialogs_.ProgressOpen();
  log_.LogEvent(LogCode::kStarted, " read program & config  memory");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, ProgramFamilies().Contains(family), false)) return Refused();
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
  log_.LogEvent(LogCode::kFinished, "");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::DataWalk(const char* trying, const std::function<bool(std::uint32_t)>& cell) {
  dialogs_.ProgressOpen();
  log_.LogEvent(LogCode::kStarted, trying);
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, DataFamilies().Contains(family), NoDataFamilies().Contains(family))) {
    return Refused();
  }
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
    if (dialogs_.StopRequested()) return Cancelled();
    if (!cell(i)) return Fail(true);
    Progress(i, chip_.DataSize, 100);
  }
  if (!icsp_.SetInitState()) return Fail(false);
  dialogs_.ProgressClose();
  return Outcome::kDone;
}

Outcome DeviceOperations::ReadData() {
  const Outcome outcome =
      DataWalk(" read the data memory", [this](std::uint32_t i) { return icsp_.ReadDataMemory(i, false); });
  if (outcome != Outcome::kDone) return outcome;
  workspace_.ShowImage(workspace_.DataView(), kDataImage);
  log_.LogEvent(LogCode::kFinished, "");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::WriteProgramAndConfig(bool keep_calibration, bool entire_config,
                                                const std::optional<OsccalValues>& given, bool user_ids) {
  kept_ = {};
  if (!dialogs_.Ask("Warning", kWriteQuestion, Buttons::kYesNo)) {
    log_.LogEvent(LogCode::kNone, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(LogCode::kStarted, entire_config ? " write the program memory & entire config memory"
                                  : " write the program memory & config word");
  log_.LogStartTime();
  dialogs_.ProgressOpen();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const WriteGroup* group = FindWriteGroup(family);
  if (LogRefusal(family, group != nullptr, false)) return Refused();

  if (auto end = KeepCalibration(keep_calibration, given, group->calibration, group->read_message, true)) {
    return *end;
  }
  if (dialogs_.StopRequested()) return Cancelled();
  const bool restore = kept_.restore;
  bool erased = false;
  auto fail = [&](bool end_time) { return FailAfterErase(end_time, erased); };
  const bool ext = group->externally_timed;

  // User IDs take programming only after an erase from configuration space.
  const bool ids = user_ids && !entire_config;
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail(false);
  if ((entire_config || ids) && !icsp_.LoadConfiguration()) return fail(false);
  if (group->load_blank_before_erase && !icsp_.LoadDataForProgramMemory(0x3FFF)) return fail(false);
  if (!icsp_.BulkEraseProgramMemory()) return fail(false);
  erased = true;
  if (!icsp_.SetInitState()) return fail(false);

  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail(false);
  for (std::uint32_t k = 0; k < chip_.ProgramSize / 2; ++k) {
    if (dialogs_.StopRequested()) return CancelAfterErase(false);
    if (!icsp_.WriteProgramMemory(k, ext)) return fail(false);
    Progress(k, chip_.ProgramSize, 200);
  }
  // The OSCCAL word is the last one written: read back while the counter is
  // on it, before a configuration word that may protect the chip.
  if (restore && CheckOsccalWord(*kept_.values.osccal, 0) != Step::kDone) return fail(false);
  if (!icsp_.LoadConfiguration()) return fail(false);
  if (entire_config) {
    const std::uint32_t words =
        group->entire_config_words != 0 ? group->entire_config_words : chip_.ConfigSize / 2;
    for (std::uint32_t j = 0; j < words; ++j) {
      if (!icsp_.WriteConfigMemory(j, ext)) return fail(true);
      Progress(j, chip_.ConfigSize, 200);
    }
    if (group->entire_config_message != nullptr) log_.LogEvent(LogCode::kNone, group->entire_config_message);
  } else {
    if (ids) {
      for (std::uint32_t j = 0; j < 4; ++j) {
        if (!icsp_.WriteConfigMemory(j, ext)) return fail(false);
      }
    }
    if (!icsp_.IncrementAddress(ids ? 3 : 6, true) || !icsp_.WriteConfigMemory(7, ext)) return fail(false);
    if (group->config_word_writes == 2 && !icsp_.WriteConfigMemory(8, ext)) return fail(false);
    if (ids) log_.LogEvent(LogCode::kNone, "    the user IDs have been written as the file sets them");
  }
  if (restore && (!icsp_.LoadConfiguration() || !icsp_.IncrementAddress(6, true) ||
                  CheckBandGap(*kept_.values.osccal, 7) != Step::kDone)) {
    return fail(false);
  }
  if (!icsp_.SetInitState()) return fail(false);
  if (restore) log_.LogEvent(LogCode::kNone, "    OSCCAL & BG-bits has been restored");
  dialogs_.ProgressClose();
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(LogCode::kFinished, "");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::WriteData() {
  if (!dialogs_.Ask("Warning", kWriteDataQuestion, Buttons::kYesNo)) {
    log_.LogEvent(LogCode::kNone, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.DataView(), kDataImage);
  const Outcome outcome =
      DataWalk(" write the data memory", [this](std::uint32_t i) { return icsp_.WriteDataMemory(i, false); });
  if (outcome != Outcome::kDone) return outcome;
  log_.LogEvent(LogCode::kFinished, "");
  log_.LogEndTime();
  return Outcome::kDone;
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
      log_.LogEndTime();
      dialogs_.ProgressClose();
      if (!icsp_.LinkUp()) return Outcome::kFailed;
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
  dialogs_.ProgressOpen();
  log_.LogEvent(LogCode::kStarted, " verify the program memory");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, ProgramFamilies().Contains(family), false)) return Refused();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  Outcome outcome = VerifyLoop(chip_.ProgramSize / 2, program, Difference::Memory::kProgram, 0, chip_.ProgramSize, 200);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.LoadConfiguration()) return Fail(false);
  outcome = VerifyLoop(chip_.ConfigSize / 2, config, Difference::Memory::kConfig, chip_.ConfigBase, chip_.ConfigSize,
                       200);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.SetInitState()) return Fail(false);
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kFinished, ". No differences found.");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::VerifyData() {
  workspace_.TakeImage(workspace_.DataView(), kDataImage);
  dialogs_.ProgressOpen();
  log_.LogEvent(LogCode::kStarted, " verify the data memory");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, DataFamilies().Contains(family), NoDataFamilies().Contains(family))) {
    return Refused();
  }
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
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
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kFinished, ". No differences found.");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::BlankCheck() {
  dialogs_.ProgressOpen();
  log_.LogEvent(LogCode::kStarted, " check that the chip is blank");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, ProgramFamilies().Contains(family), false)) return Refused();
  const ChipEntry& entry = *LookupChip(chip_.ChipIdWord).entry;
  const CompareScope scope = FileCompareScope(chip_, {});
  auto not_blank = [&](std::uint32_t address, const std::string& what, std::uint16_t holds) {
    log_.LogEvent(LogCode::kFinished, std::string(kWithFail) + " Address: 0x" + Hex(address, 4));
    log_.LogEvent(LogCode::kNone, "    " + what + " holds " + (what[0] == 'E' ? Hex(holds, 4).substr(2) : Hex(holds, 4)) +
                         ", not erased");
    log_.LogEndTime();
    dialogs_.ProgressClose();
    return Outcome::kDifference;
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
    const std::uint16_t bits = ComparedConfigBits(entry, l);
    if ((*word & bits) != bits) {
      return not_blank(chip_.ConfigBase + l, "configuration word 0x" + Hex(chip_.ConfigBase + l, 4), *word);
    }
  }
  if (!icsp_.SetInitState()) return Fail(false);
  if (DataFamilies().Contains(family)) {
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
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kFinished, ". The chip is blank.");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::ChipErase(bool keep_calibration, const std::optional<OsccalValues>& given) {
  kept_ = {};
  if (!dialogs_.Ask("Warning", kEraseQuestion, Buttons::kOkCancel)) {
    log_.LogEvent(LogCode::kNone, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(LogCode::kStarted, " erase program, configuration and data memories");
  dialogs_.ProgressOpen();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const EraseGroup* group = FindEraseGroup(family);
  // This operation writes no time lines; a refusal ends with the finished line.
  if (LogRefusal(family, group != nullptr, false)) {
    dialogs_.ProgressClose();
    log_.LogEvent(LogCode::kFinished, "");
    return Outcome::kRefused;
  }
  if (auto end = KeepCalibration(keep_calibration, given, group->calibration, group->read_message, false)) {
    return *end;
  }
  if (dialogs_.StopRequested()) return Cancelled();
  bool erased = false;
  auto fail = [&]() { return FailAfterErase(false, erased); };
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration()) {
    return fail();
  }
  if (group->load_blank_before_erase && !icsp_.LoadDataForProgramMemory(0x3FFF)) return fail();
  if (!icsp_.BulkEraseProgramMemory()) return fail();
  erased = true;
  if (group->erases_data && !icsp_.BulkEraseDataMemory()) return fail();
  if (!icsp_.SetInitState()) return fail();

  if (group->after_erase_message != nullptr) {
    log_.LogEvent(LogCode::kNone, group->after_erase_message);
  } else if (kept_.restore) {
    // A stop asked now waits for the values to be back.
    if (dialogs_.StopRequested()) dialogs_.StopDeferred("putting the OSCCAL word and band-gap bits back on the chip");
    if (PutBackCalibration(*kept_.values.osccal) != Step::kDone) return fail();
    log_.LogEvent(LogCode::kNone, "    OSCCAL word & BG-bits has been restored");
  }
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kFinished, "");
  return Outcome::kDone;
}

Outcome DeviceOperations::ReadCalibration() {
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(LogCode::kStarted, " read factory calibrated values");
  dialogs_.ProgressOpen();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const CalibrationGroup* group = FindCalibrationGroup(family);
  Outcome outcome = Outcome::kDone;
  if (LogRefusal(family, group != nullptr, false)) {
    outcome = Outcome::kRefused;
  } else if (group->calibration.kind == CalibrationRead::Kind::kNone) {
    log_.LogEvent(LogCode::kNone, "       there are no calibration values in this chip");
  } else {
    Step step = Step::kFailed;
    if (icsp_.SetInitState() && icsp_.EnterProgrammingMode()) {
      step = ReadCalibrationValues(group->calibration);
      if (step == Step::kDone && !icsp_.SetInitState()) step = Step::kFailed;
    }
    // Only a failed read writes the end time.
    if (step != Step::kDone) return Fail(step == Step::kReadFailed);
  }
  dialogs_.ProgressClose();
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(LogCode::kFinished, "");
  return outcome;
}

Outcome DeviceOperations::RestoreCalibration(const OsccalValues& values) {
  log_.LogEvent(LogCode::kStarted, " restore factory calibrated values");
  dialogs_.ProgressOpen();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const CalibrationGroup* group = FindCalibrationGroup(family);
  auto refuse = [&](const std::string& why) {
    log_.LogEvent(LogCode::kNone, why);
    dialogs_.ProgressClose();
    log_.LogEvent(LogCode::kFinished, "");
    return Outcome::kRefused;
  };
  if (LogRefusal(family, group != nullptr, false)) {
    dialogs_.ProgressClose();
    log_.LogEvent(LogCode::kFinished, "");
    return Outcome::kRefused;
  }
  if (group->calibration.kind != CalibrationRead::Kind::kOsccal) {
    return refuse("    the calibration words of this chip are never erased: there is nothing to put back");
  }
  if (!IsOsccalValue(values.osccal)) {
    return refuse("    " + Hex(values.osccal, 4) + " is not a calibration value (a RETLW instruction, 34xx)");
  }
  FactoryValues on_chip;
  const CalibrationRead both{CalibrationRead::Kind::kOsccalAndBandGap, 0, 0};
  if (const Step step = ReadFactoryValues(both, &on_chip); step != Step::kDone) return Fail(step == Step::kReadFailed);
  // Programming only clears bits: the values go only where the chip is
  // erased (or already holds them).
  const OsccalValues now = *on_chip.osccal;
  if (now == values) {
    return refuse("    the chip already holds " + FactoryValuesText(on_chip, LastWord()) + ": nothing to put back");
  }
  if (now.osccal != 0x3FFF && now.osccal != values.osccal) {
    return refuse("    the OSCCAL word 0x" + Hex(LastWord(), 4) + " holds " + Hex(now.osccal, 4) +
                  (now.osccal == 0 ? " (code protection is on: erase the chip with its values given)" : "") +
                  ", not erased: nothing written");
  }
  if (now.band_gap != 3 && now.band_gap != values.band_gap) {
    return refuse("    the band-gap bits read " + BandGapText(now.band_gap) +
                  ", not erased (11): erase the chip with its values given; nothing written");
  }
  dialogs_.ProgressClose();
  if (!dialogs_.Ask("Warning",
                    "Program the OSCCAL word " + Hex(values.osccal, 4) + " and the band-gap bits " +
                        BandGapText(values.band_gap) + " into the " + chip_.ChipName +
                        "?\nThey are this chip's only if they came from it: wrong values cannot be erased "
                        "without erasing the chip.",
                    Buttons::kYesNo)) {
    log_.LogEvent(LogCode::kNone, kCancelled);
    return Outcome::kCancelled;
  }
  dialogs_.ProgressOpen();
  const std::uint32_t n = LastWord();
  if (now.osccal == 0x3FFF) {
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.IncrementAddress(n - 1, true) ||
        !icsp_.WriteWord(n, values.osccal, false)) {
      return Fail(false);
    }
    if (const Step step = CheckOsccalWord(values, 0); step != Step::kDone) return Fail(false);
    if (!icsp_.SetInitState()) return Fail(false);
  }
  if (now.band_gap != values.band_gap) {
    // Programming only clears bits: ones everywhere but the band-gap bits
    // that must go to 0 leave the rest of the configuration word as it is.
    const auto word = static_cast<std::uint16_t>(0x0FFF | (values.band_gap << 12));
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration() ||
        !icsp_.IncrementAddress(6, true) || !icsp_.WriteWord(7, word, false)) {
      return Fail(false);
    }
    if (const Step step = CheckBandGap(values, 0); step != Step::kDone) return Fail(false);
    if (!icsp_.SetInitState()) return Fail(false);
  }
  log_.LogEvent(LogCode::kNone, "    OSCCAL word & BG-bits has been restored: " +
                       FactoryValuesText(FactoryValues{values, {}}, LastWord()));
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kFinished, "");
  return Outcome::kDone;
}

std::uint16_t DeviceOperations::ReadChipId() {
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
  dialogs_.ProgressOpen();
  log_.LogEvent(LogCode::kStarted, " read what the write keeps: " + what);
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const bool no_eeprom = request.eeprom && !DataFamilies().Contains(family);
  if (LogRefusal(family, ProgramFamilies().Contains(family) && !no_eeprom, no_eeprom)) return Refused();
  const ConfigLayout* layout = ConfigLayoutFor(chip_.ChipIdWord);
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
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kFinished, "");
  log_.LogEndTime();
  return Outcome::kDone;
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
  const LookupResult found = LookupChip(chip.ChipIdWord);
  if (found.kind != LookupResult::Kind::kEntry) return scope;
  for (std::uint32_t l = 0; l < chip.ConfigSize / 2; ++l) {
    scope.config_bits.push_back(loaded.test(l) ? ComparedConfigBits(*found.entry, l) : 0);
  }
  const CalibrationGroup* group = FindCalibrationGroup(DispatchFamily(chip.ChipIdWord));
  if (group != nullptr && group->calibration.kind == CalibrationRead::Kind::kOsccal) {
    scope.skip_program_word = chip.ProgramSize / 2 - 1;
  }
  return scope;
}

}  // namespace fw
