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

std::string Hex4(std::uint32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
  return text;
}

}  // namespace

Outcome DeviceOperations::Fail(bool end_time) {
  log_.LogEvent(19, kWithFail);
  if (end_time) log_.LogEndTime();
  dialogs_.ProgressClose();
  return Outcome::kFailed;
}

bool DeviceOperations::LogRefusal(std::uint16_t family, bool accepted, bool unavailable) {
  if (family == 0) {
    log_.LogEvent(14, "");
    return true;
  }
  if (accepted) return false;
  if (unavailable) {
    log_.LogEvent(0, kUnavailable);
  } else {
    log_.LogEvent(15, " unknown");
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
  const std::uint32_t n = chip_.ProgramSize / 2;
  switch (read.kind) {
    case Kind::kNone:
      return Step::kDone;
    case Kind::kOsccal:
    case Kind::kOsccalAndBandGap:
      // The OSCCAL word is the last program word; the band-gap bits are bits
      // 13:12 of the configuration word, merged into the image's word.
      if (!icsp_.IncrementAddress(n - 2, true)) return Step::kFailed;
      if (!icsp_.ReadProgramMemory(n - 1, false)) return Step::kReadFailed;
      if (read.kind == Kind::kOsccal) return Step::kDone;
      if (!icsp_.LoadConfiguration() || !icsp_.IncrementAddress(6, true)) return Step::kFailed;
      return icsp_.ReadConfigMemoryMasked(7, 0x3000) ? Step::kDone : Step::kReadFailed;
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

bool DeviceOperations::ReadBeforeErase(bool keep, const CalibrationRead& read, const char* message,
                                       bool* read_done) {
  *read_done = keep && read.kind != CalibrationRead::Kind::kNone;
  if (!*read_done) return true;
  if (CalibrationSession(read) != Step::kDone) return false;
  log_.LogEvent(0, message);
  return true;
}

Outcome DeviceOperations::FailAfterErase(bool end_time, const CalibrationRead* values_lost) {
  const Outcome outcome = Fail(end_time);
  // Once the chip is erased, the factory values live only in the images:
  // they are named, so that they can be written back.
  if (values_lost != nullptr) {
    log_.LogEvent(0, "    calibration values read before the erase: " + CalibrationValuesText(*values_lost));
  }
  return outcome;
}

DeviceOperations::Step DeviceOperations::CalibrationSession(const CalibrationRead& read) {
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Step::kFailed;
  const Step step = ReadCalibrationValues(read);
  if (step != Step::kDone) return step;
  return icsp_.SetInitState() ? Step::kDone : Step::kFailed;
}

std::string DeviceOperations::CalibrationValuesText(const CalibrationRead& read) const {
  using Kind = CalibrationRead::Kind;
  std::string text;
  if (read.kind == Kind::kWords) {
    for (std::uint32_t w = read.first_word; w < read.first_word + read.count; ++w) {
      if (!text.empty()) text += ", ";
      text += "0x" + Hex4(chip_.ConfigBase + w) + " = " + Hex4(WordAt(images_.ConfigImage, w));
    }
    return text;
  }
  const std::uint32_t last = chip_.ProgramSize / 2 - 1;
  text = "0x" + Hex4(last) + " = " + Hex4(WordAt(images_.ProgramImage, last));
  if (read.kind == Kind::kOsccalAndBandGap) {
    const std::uint16_t config = WordAt(images_.ConfigImage, 7);
    text += ", BG bits = ";
    text += (config & 0x2000) ? '1' : '0';
    text += (config & 0x1000) ? '1' : '0';
  }
  return text;
}

Outcome DeviceOperations::ReadProgramAndConfig() {
  dialogs_.ProgressOpen();
  log_.LogEvent(18, " read program & config  memory");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, ProgramFamilies().Contains(family), false)) return Refused();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  for (std::uint32_t k = 0; k < chip_.ProgramSize / 2; ++k) {
    if (!icsp_.ReadProgramMemory(k, false)) return Fail(true);
    Progress(k, chip_.ProgramSize, 200);
  }
  if (!icsp_.LoadConfiguration()) return Fail(false);
  for (std::uint32_t l = 0; l < chip_.ConfigSize / 2; ++l) {
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
  log_.LogEvent(19, "");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::DataWalk(const char* trying, const std::function<bool(std::uint32_t)>& cell) {
  dialogs_.ProgressOpen();
  log_.LogEvent(18, trying);
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, DataFamilies().Contains(family), NoDataFamilies().Contains(family))) {
    return Refused();
  }
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
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
  log_.LogEvent(19, "");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::WriteProgramAndConfig(bool keep_calibration, bool entire_config) {
  if (!dialogs_.Ask("Warning", kWriteQuestion, Buttons::kYesNo)) {
    log_.LogEvent(0, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(18, entire_config ? " write the program memory & entire config memory"
                                  : " write the program memory & config word");
  log_.LogStartTime();
  dialogs_.ProgressOpen();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const WriteGroup* group = FindWriteGroup(family);
  if (LogRefusal(family, group != nullptr, false)) return Refused();

  bool read_calibration = false;
  if (!ReadBeforeErase(keep_calibration, group->calibration, group->read_message, &read_calibration)) {
    return Fail(false);
  }
  bool erased = false;
  auto fail = [&](bool end_time) {
    return FailAfterErase(end_time, erased && read_calibration ? &group->calibration : nullptr);
  };
  const bool ext = group->externally_timed;

  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail(false);
  if (entire_config && !icsp_.LoadConfiguration()) return fail(false);
  if (group->load_blank_before_erase && !icsp_.LoadDataForProgramMemory(0x3FFF)) return fail(false);
  if (!icsp_.BulkEraseProgramMemory()) return fail(false);
  erased = true;
  if (!icsp_.SetInitState()) return fail(false);

  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return fail(false);
  for (std::uint32_t k = 0; k < chip_.ProgramSize / 2; ++k) {
    if (!icsp_.WriteProgramMemory(k, ext)) return fail(false);
    Progress(k, chip_.ProgramSize, 200);
  }
  if (!icsp_.LoadConfiguration()) return fail(false);
  if (entire_config) {
    const std::uint32_t words =
        group->entire_config_words != 0 ? group->entire_config_words : chip_.ConfigSize / 2;
    for (std::uint32_t j = 0; j < words; ++j) {
      if (!icsp_.WriteConfigMemory(j, ext)) return fail(true);
      Progress(j, chip_.ConfigSize, 200);
    }
    if (group->entire_config_message != nullptr) log_.LogEvent(0, group->entire_config_message);
  } else {
    if (!icsp_.IncrementAddress(6, true) || !icsp_.WriteConfigMemory(7, ext)) return fail(false);
    if (group->config_word_writes == 2 && !icsp_.WriteConfigMemory(8, ext)) return fail(false);
  }
  if (!icsp_.SetInitState()) return fail(false);
  if (group->restores_osccal && keep_calibration) {
    log_.LogEvent(0, "    OSCCAL & BG-bits has been restored");
  }
  dialogs_.ProgressClose();
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(19, "");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::WriteData() {
  if (!dialogs_.Ask("Warning", kWriteDataQuestion, Buttons::kYesNo)) {
    log_.LogEvent(0, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.DataView(), kDataImage);
  const Outcome outcome =
      DataWalk(" write the data memory", [this](std::uint32_t i) { return icsp_.WriteDataMemory(i, false); });
  if (outcome != Outcome::kDone) return outcome;
  log_.LogEvent(19, "");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::VerifyLoop(std::uint32_t count,
                                     const std::function<bool(std::uint32_t)>& matches,
                                     std::uint32_t address_base, std::uint32_t progress_span,
                                     int progress_scale) {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!matches(i)) {
      // A failed transfer is reported like a difference, after the ICSP
      // layer's own line.
      log_.LogEvent(19, std::string(kWithFail) + " Address: 0x" + Hex4(address_base + i));
      log_.LogEndTime();
      dialogs_.ProgressClose();
      return icsp_.LinkUp() ? Outcome::kDifference : Outcome::kFailed;
    }
    Progress(i, progress_span, progress_scale);
  }
  return Outcome::kDone;
}

Outcome DeviceOperations::VerifyProgramAndConfig() {
  return VerifyProgramAndConfigWith([this](std::uint32_t k) { return icsp_.ReadProgramMemory(k, true); },
                                    [this](std::uint32_t l) { return icsp_.ReadConfigMemory(l, true); });
}

Outcome DeviceOperations::VerifyProgramAndConfig(const CompareScope& scope) {
  return VerifyProgramAndConfigWith(
      [&](std::uint32_t k) {
        const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(k);
        return word && (k == scope.skip_program_word || *word == WordAt(images_.ProgramImage, k));
      },
      [&](std::uint32_t l) {
        const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(l);
        const std::uint16_t bits = l < scope.config_bits.size() ? scope.config_bits[l] : 0;
        return word && ((*word ^ WordAt(images_.ConfigImage, l)) & bits) == 0;
      });
}

Outcome DeviceOperations::VerifyProgramAndConfigWith(const std::function<bool(std::uint32_t)>& program,
                                                     const std::function<bool(std::uint32_t)>& config) {
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  dialogs_.ProgressOpen();
  log_.LogEvent(18, " verify the program memory");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, ProgramFamilies().Contains(family), false)) return Refused();
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  Outcome outcome = VerifyLoop(chip_.ProgramSize / 2, program, 0, chip_.ProgramSize, 200);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.LoadConfiguration()) return Fail(false);
  outcome = VerifyLoop(chip_.ConfigSize / 2, config, chip_.ConfigBase, chip_.ConfigSize, 200);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.SetInitState()) return Fail(false);
  dialogs_.ProgressClose();
  log_.LogEvent(19, ". No differences found.");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::VerifyData() {
  workspace_.TakeImage(workspace_.DataView(), kDataImage);
  dialogs_.ProgressOpen();
  log_.LogEvent(18, " verify the data memory");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, DataFamilies().Contains(family), NoDataFamilies().Contains(family))) {
    return Refused();
  }
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  const Outcome outcome = VerifyLoop(
      chip_.DataSize, [this](std::uint32_t i) { return icsp_.ReadDataMemory(i, true); }, 0,
      chip_.DataSize, 100);
  if (outcome != Outcome::kDone) return outcome;
  if (!icsp_.SetInitState()) return Fail(false);
  dialogs_.ProgressClose();
  log_.LogEvent(19, ". No differences found.");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::BlankCheck() {
  dialogs_.ProgressOpen();
  log_.LogEvent(18, " check that the chip is blank");
  log_.LogStartTime();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  if (LogRefusal(family, ProgramFamilies().Contains(family), false)) return Refused();
  const ChipEntry& entry = *LookupChip(chip_.ChipIdWord).entry;
  const CompareScope scope = FileCompareScope(chip_, {});
  auto not_blank = [&](std::uint32_t address, const std::string& what, std::uint16_t holds) {
    log_.LogEvent(19, std::string(kWithFail) + " Address: 0x" + Hex4(address));
    log_.LogEvent(0, "    " + what + " holds " + (what[0] == 'E' ? Hex4(holds).substr(2) : Hex4(holds)) +
                         ", not erased");
    log_.LogEndTime();
    dialogs_.ProgressClose();
    return Outcome::kDifference;
  };
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
  for (std::uint32_t k = 0; k < chip_.ProgramSize / 2; ++k) {
    const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(k);
    if (!word) return Fail(true);
    if (k != scope.skip_program_word && *word != 0x3FFF) {
      return not_blank(k, "program word 0x" + Hex4(k), *word);
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
      return not_blank(chip_.ConfigBase + l, "configuration word 0x" + Hex4(chip_.ConfigBase + l), *word);
    }
  }
  if (!icsp_.SetInitState()) return Fail(false);
  if (DataFamilies().Contains(family)) {
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Fail(false);
    for (std::uint32_t i = 0; i < chip_.DataSize; ++i) {
      const std::optional<std::uint16_t> byte = icsp_.PeekDataMemory(i);
      if (!byte) return Fail(true);
      if (*byte != 0xFF) return not_blank(i, "EEPROM byte 0x" + Hex4(i).substr(2), *byte);
      Progress(i, chip_.DataSize, 100);
    }
    if (!icsp_.SetInitState()) return Fail(false);
  }
  dialogs_.ProgressClose();
  log_.LogEvent(19, ". The chip is blank.");
  log_.LogEndTime();
  return Outcome::kDone;
}

Outcome DeviceOperations::ChipErase(bool keep_calibration) {
  if (!dialogs_.Ask("Warning", kEraseQuestion, Buttons::kOkCancel)) {
    log_.LogEvent(0, kCancelled);
    return Outcome::kCancelled;
  }
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(18, " erase program, configuration and data memories");
  dialogs_.ProgressOpen();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const EraseGroup* group = FindEraseGroup(family);
  // This operation writes no time lines; a refusal ends with the finished line.
  if (LogRefusal(family, group != nullptr, false)) {
    dialogs_.ProgressClose();
    log_.LogEvent(19, "");
    return Outcome::kRefused;
  }
  bool read_calibration = false;
  if (!ReadBeforeErase(keep_calibration, group->calibration, group->read_message, &read_calibration)) {
    return Fail(false);
  }
  bool erased = false;
  auto fail = [&]() { return FailAfterErase(false, erased && read_calibration ? &group->calibration : nullptr); };
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration()) {
    return fail();
  }
  if (group->load_blank_before_erase && !icsp_.LoadDataForProgramMemory(0x3FFF)) return fail();
  if (!icsp_.BulkEraseProgramMemory()) return fail();
  erased = true;
  if (group->erases_data && !icsp_.BulkEraseDataMemory()) return fail();
  if (!icsp_.SetInitState()) return fail();

  if (group->after_erase_message != nullptr) {
    log_.LogEvent(0, group->after_erase_message);
  } else if (keep_calibration) {
    // The OSCCAL word back into the last program word, then the
    // configuration word with the chip's band-gap bits.
    const std::uint32_t n = chip_.ProgramSize / 2;
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() ||
        !icsp_.IncrementAddress(n - 2, true) || !icsp_.WriteProgramMemory(n - 1, false) ||
        !icsp_.SetInitState()) {
      return fail();
    }
    if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration() ||
        !icsp_.IncrementAddress(6, true) || !icsp_.WriteConfigMemory(7, false) ||
        !icsp_.SetInitState()) {
      return fail();
    }
    log_.LogEvent(0, "    OSCCAL word & BG-bits has been restored");
  }
  dialogs_.ProgressClose();
  log_.LogEvent(19, "");
  return Outcome::kDone;
}

Outcome DeviceOperations::ReadCalibration() {
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(18, " read factory calibrated values");
  dialogs_.ProgressOpen();
  const std::uint16_t family = DispatchFamily(chip_.ChipIdWord);
  const CalibrationGroup* group = FindCalibrationGroup(family);
  Outcome outcome = Outcome::kDone;
  if (LogRefusal(family, group != nullptr, false)) {
    outcome = Outcome::kRefused;
  } else if (group->calibration.kind == CalibrationRead::Kind::kNone) {
    log_.LogEvent(0, "       there are no calibration values in this chip");
  } else {
    const Step step = CalibrationSession(group->calibration);
    // Only a failed read writes the end time.
    if (step != Step::kDone) return Fail(step == Step::kReadFailed);
  }
  dialogs_.ProgressClose();
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  log_.LogEvent(19, "");
  return outcome;
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
