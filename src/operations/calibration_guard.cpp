#include "operations/calibration_guard.h"

namespace fw {

Step CalibrationGuard::ReadFactoryValues(const CalibrationRead& read, FactoryValues* values) {
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) return Step::kFailed;
  if (read.kind == CalibrationRead::Kind::kWords) {
    if (!icsp_.LoadConfiguration() || !icsp_.IncrementAddress(read.first_word - 1, true)) return Step::kFailed;
    for (std::uint32_t w = read.first_word; w < read.first_word + read.count; ++w) {
      const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(w);
      if (!word) return Step::kReadFailed;
      values->words.push_back({chip_.ConfigBase + w, *word});
    }
  } else if (read.kind == CalibrationRead::Kind::kBaselineOsccal) {
    // From the configuration word at entry: one step to word 0, then to the
    // OSCCAL word, the user IDs (read on the way, kept where an erase must
    // take them) and the backup. A stop is taken at each step.
    bool stopped = false;
    const std::uint32_t ids = chip_.ConfigBase;
    if (!icsp_.IncrementAddressUnlessStopped(LastWord() + 1, true, &stopped)) {
      return stopped ? Step::kStopped : Step::kFailed;
    }
    const std::optional<std::uint16_t> osccal = icsp_.PeekProgramMemory(0);
    if (!osccal) return Step::kReadFailed;
    if (!icsp_.IncrementAddressUnlessStopped(ids - LastWord(), true, &stopped)) {
      return stopped ? Step::kStopped : Step::kFailed;
    }
    user_ids_read_.clear();
    for (std::uint32_t j = 0; j < 5; ++j) {
      const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(j);
      if (!word) return Step::kReadFailed;
      if (j < 4) user_ids_read_.push_back(*word);
      if (j == 4) values->words = {{LastWord(), *osccal}, {BackupAddress(), *word}};
    }
  } else {
    // The OSCCAL word is the last program word; the band-gap bits are bits
    // 13:12 of the configuration word. The way there is a thousand frames or
    // more: a stop is taken at each.
    bool stopped = false;
    if (!icsp_.IncrementAddressUnlessStopped(LastWord() - 1, true, &stopped)) {
      return stopped ? Step::kStopped : Step::kFailed;
    }
    const std::optional<std::uint16_t> osccal = icsp_.PeekProgramMemory(LastWord());
    if (!osccal) return Step::kReadFailed;
    if (!icsp_.LoadConfiguration() || !icsp_.IncrementAddress(6, true)) return Step::kFailed;
    const std::optional<std::uint16_t> config = icsp_.PeekConfigMemory(7);
    if (!config) return Step::kReadFailed;
    values->osccal = OsccalValues{*osccal, static_cast<std::uint8_t>((*config >> 12) & 3)};
  }
  return icsp_.SetInitState() ? Step::kDone : Step::kFailed;
}

CalibrationGuard::Before CalibrationGuard::AskForValues(FactoryValues* values, bool* keep) {
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
  if (const std::optional<Before> taken = Answered(answer, IsOsccalValue, values, keep)) return *taken;
  log_.LogEvent(LogCode::kNone,
                "    nothing has been erased: give the chip's values (from its label, a backup or the "
                "calibration record), or erase without keeping them, knowing they are lost");
  if (newest) log_.LogEvent(LogCode::kNone, newest_text);
  stop_cause_ = StopCause::kValuesUnknown;
  return Before::kStopped;
}

std::optional<CalibrationGuard::Before> CalibrationGuard::Answered(const CalibrationAnswer& answer,
                                                                  bool (*accepted)(std::uint16_t),
                                                                  FactoryValues* values, bool* keep) {
  switch (answer.kind) {
    case CalibrationAnswer::Kind::kUse:
      if (!accepted(answer.values.osccal)) return std::nullopt;
      values->osccal = answer.values;
      return Before::kGoOn;
    case CalibrationAnswer::Kind::kLose:
      log_.LogEvent(LogCode::kNone, "    the calibration values are not kept: the operator chose to lose them");
      *keep = false;
      return Before::kGoOn;
    case CalibrationAnswer::Kind::kCancel:
      return Before::kCancelled;
    case CalibrationAnswer::Kind::kNotGiven:
      break;
  }
  return std::nullopt;
}

CalibrationGuard::Before CalibrationGuard::Keep(bool keep, const std::optional<OsccalValues>& given,
                                                const CalibrationRead& read, const char* message) {
  kept_ = {};
  stop_cause_ = StopCause::kNone;
  if (!keep || read.kind == CalibrationRead::Kind::kNone) return Before::kGoOn;
  if (dialogs_.StopRequested()) return Before::kCancelled;
  FactoryValues values;
  if (const Step step = ReadFactoryValues(read, &values); step != Step::kDone) {
    return step == Step::kStopped ? Before::kCancelled : Before::kFailed;
  }
  // The F629 family's values go with the erase; the other families' stay on
  // the chip, so reading them is a record, not a rescue.
  const bool baseline = read.kind == CalibrationRead::Kind::kBaselineOsccal;
  const bool erased_with_chip = values.osccal.has_value() || baseline;
  std::string source = "read";
  if (baseline) {
    if (const Before taken = KeepBaseline(given, &values, &source, &keep); taken != Before::kGoOn) return taken;
    if (!keep) return Before::kGoOn;
  } else if (erased_with_chip && given) {
    if (const Before taken = TakeGiven(*given, &values, &source); taken != Before::kGoOn) return taken;
  } else if (erased_with_chip && !IsOsccalValue(values.osccal->osccal)) {
    const std::uint16_t read_word = values.osccal->osccal;
    if (const Before asked = AskForValues(&values, &keep); asked != Before::kGoOn) return asked;
    if (!keep) return Before::kGoOn;
    if (values.osccal->osccal != read_word) source = "given";
  }
  const bool recorded = record_.enabled() && Record(values, source);
  if (record_.enabled() && !recorded && erased_with_chip) {
    // Once erased, the values would exist nowhere else.
    log_.LogEvent(LogCode::kNone, "    nothing has been erased: the values are " + FactoryValuesText(values, LastWord()));
    stop_cause_ = StopCause::kNotRecorded;
    return Before::kStopped;
  }
  // Values typed by hand are never called read.
  const std::string said = source != "given" ? std::string(message)
                           : baseline         ? "    OSCCAL value given (not read from the chip) and stored"
                                              : "    OSCCAL word & BG-bits given (not read from the chip) and stored";
  log_.LogEvent(LogCode::kNone, said + ": " + FactoryValuesText(values, LastWord()) +
                                    (recorded ? ", recorded in " + record_.path() : ""));
  PutIntoImages(values);
  kept_ = {true, erased_with_chip, recorded, source == "given", values};
  return Before::kGoOn;
}

bool CalibrationGuard::Record(const FactoryValues& values, const std::string& source) {
  std::string error;
  if (record_.Append({clock_.UtcTimestamp(), chip_.ChipName, icsp_.PortPath(), values, source}, &error)) return true;
  log_.LogEvent(LogCode::kNone, "    the calibration values could not be recorded: " + error);
  return false;
}

CalibrationGuard::Before CalibrationGuard::TakeGiven(const OsccalValues& given, FactoryValues* values,
                                                     std::string* source) {
  const OsccalValues own = *values->osccal;
  // What the chip still tells of its own: both values where the OSCCAL word
  // is a calibration value, the band-gap bits alone where protection hides
  // program memory (0000); nothing once erased (3FFF, 11).
  const bool osccal_readable = IsOsccalValue(own.osccal);
  const bool band_gap_readable = osccal_readable || own.osccal == 0x0000;
  if (osccal_readable && own == given) return Before::kGoOn;  // the chip's own: read, not given
  const bool differs = osccal_readable ? !(own == given) : band_gap_readable && own.band_gap != given.band_gap;
  if (band_gap_readable && record_.enabled()) Record(*values, "own");
  const std::string own_text = osccal_readable ? FactoryValuesText(*values, LastWord())
                                               : "BG bits = " + BandGapText(own.band_gap) + " (OSCCAL unreadable)";
  const std::string given_text = FactoryValuesText(FactoryValues{given, {}}, LastWord());
  if (differs && !replace_) {
    log_.LogEvent(LogCode::kNone, "    the chip holds " + own_text + ", the values given are " + given_text +
                                      ": nothing has been erased; give --replace-calibration to put the given "
                                      "values in their place");
    stop_cause_ = StopCause::kValuesDiffer;
    return Before::kStopped;
  }
  if (differs) {
    log_.LogEvent(LogCode::kNone, "    the chip holds " + own_text + ", recorded; the values given replace them");
  }
  values->osccal = given;
  *source = "given";
  return Before::kGoOn;
}

void CalibrationGuard::PutIntoImages(const FactoryValues& values) {
  if (values.osccal && chip_.Baseline()) {
    // Both copies: the OSCCAL word and the backup (configuration word 4).
    SetWordAt(images_.ProgramImage, LastWord(), values.osccal->osccal);
    SetWordAt(images_.ConfigImage, 4, values.osccal->osccal);
    return;
  }
  if (values.osccal) {
    SetWordAt(images_.ProgramImage, LastWord(), values.osccal->osccal);
    const std::uint16_t config = WordAt(images_.ConfigImage, 7);
    SetWordAt(images_.ConfigImage, 7,
              static_cast<std::uint16_t>((config & ~0x3000) | (values.osccal->band_gap << 12)));
  }
  for (const FactoryValues::Word& w : values.words) {
    SetWordAt(images_.ConfigImage, w.address - chip_.ConfigBase, w.value);
  }
}

void CalibrationGuard::LogWhereValuesAre() const {
  if (!kept_.read) return;
  // Once the chip is erased, the factory values may live only off the chip:
  // they are named, with where they are kept and how they go back.
  log_.LogEvent(LogCode::kNone, "    calibration values read before the erase: " +
                                    FactoryValuesText(kept_.values, LastWord()) +
                                    (kept_.recorded ? ", recorded in " + record_.path() : ""));
  if (kept_.restore && chip_.Baseline()) {
    const std::string command = "flashwright-cli calibration --restore " + OsccalOptions(*kept_.values.osccal);
    log_.LogEvent(LogCode::kNone, terminal_ ? "    put it back with " + command
                                            : "    put it back with \"Restore calibration values...\" (Edit menu) or "
                                              "with " + command);
  } else if (kept_.restore) {
    // The way back in the program the operator is using.
    const std::string command = "flashwright-cli calibration --restore " + OsccalOptions(*kept_.values.osccal);
    log_.LogEvent(LogCode::kNone, terminal_ ? "    put them back with " + command
                                            : "    put them back with \"Restore calibration values...\" (Edit menu) or "
                                              "with " + command);
  }
}

Step CalibrationGuard::PutBackKept(bool stop_asked) {
  if (chip_.Baseline()) {
    if (stop_asked) dialogs_.StopDeferred("putting the OSCCAL word and its backup back on the chip");
    return PutBackBaseline();
  }
  if (stop_asked) dialogs_.StopDeferred("putting the OSCCAL word and band-gap bits back on the chip");
  const Step step = PutBack(*kept_.values.osccal);
  if (step == Step::kDone) {
    log_.LogEvent(LogCode::kNone, "    OSCCAL word & BG-bits has been restored");
    Close();
  }
  return step;
}

void CalibrationGuard::Close() {
  // Quietly: a record that cannot take the line leaves the entry open, which
  // only offers values that are the chip's anyway.
  if (!kept_.recorded) return;
  std::string error;
  record_.Append({clock_.UtcTimestamp(), chip_.ChipName, icsp_.PortPath(), kept_.values, "closed"}, &error);
}

Step CalibrationGuard::CheckOsccalWord(const OsccalValues& values, std::uint32_t i) {
  const std::optional<std::uint16_t> word = icsp_.PeekProgramMemory(i);
  if (!word) return Step::kReadFailed;
  if (*word == values.osccal) return Step::kDone;
  log_.LogEvent(LogCode::kNone,
                "    the OSCCAL word reads " + Hex(*word, 4) + " after programming, not " + Hex(values.osccal, 4));
  return Step::kWrong;
}

Step CalibrationGuard::CheckBandGap(const OsccalValues& values, std::uint32_t i) {
  const std::optional<std::uint16_t> word = icsp_.PeekConfigMemory(i);
  if (!word) return Step::kReadFailed;
  const auto bits = static_cast<std::uint8_t>((*word >> 12) & 3);
  if (bits == values.band_gap) return Step::kDone;
  log_.LogEvent(LogCode::kNone, "    the band-gap bits read " + BandGapText(bits) + " after programming, not " +
                                    BandGapText(values.band_gap));
  return Step::kWrong;
}

Step CalibrationGuard::ProgramOsccal(const OsccalValues& values) {
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.IncrementAddress(LastWord() - 1, true) ||
      !icsp_.WriteWord(LastWord(), values.osccal, false)) {
    return Step::kFailed;
  }
  // Read back at once, at the counter: whether the chip took it is known
  // before anything says it was restored.
  if (const Step step = CheckOsccalWord(values, 0); step != Step::kDone) return step;
  return icsp_.SetInitState() ? Step::kDone : Step::kFailed;
}

Step CalibrationGuard::ProgramBandGap(const OsccalValues& values) {
  // Programming only clears bits: ones everywhere but the band-gap bits that
  // must go to 0 leave the rest of the configuration word as it is, and are
  // never combined with a file's or a view's bits.
  const auto config = static_cast<std::uint16_t>(0x0FFF | (values.band_gap << 12));
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.LoadConfiguration() ||
      !icsp_.IncrementAddress(6, true) || !icsp_.WriteWord(7, config, false)) {
    return Step::kFailed;
  }
  if (const Step step = CheckBandGap(values, 0); step != Step::kDone) return step;
  return icsp_.SetInitState() ? Step::kDone : Step::kFailed;
}

Step CalibrationGuard::PutBack(const OsccalValues& values) {
  // The band-gap bits first: an OSCCAL word that reads as a calibration
  // value then always sits beside the chip's own band-gap bits, however the
  // put-back was cut short, and a second run never takes erased bits (11)
  // for the chip's.
  if (const Step step = ProgramBandGap(values); step != Step::kDone) return step;
  return ProgramOsccal(values);
}

std::optional<std::string> CalibrationGuard::WhyNotRestore(const OsccalValues& values,
                                                           const OsccalValues& now) const {
  // Programming only clears bits: the values go only where the chip is
  // erased (or already holds them).
  if (now == values) {
    return "    the chip already holds " + FactoryValuesText(FactoryValues{now, {}}, LastWord()) +
           ": nothing to put back";
  }
  if (now.osccal != 0x3FFF && now.osccal != values.osccal) {
    return "    the OSCCAL word 0x" + Hex(LastWord(), 4) + " holds " + Hex(now.osccal, 4) +
           (now.osccal == 0 ? " (code protection is on: erase the chip with its values given)" : "") +
           ", not erased: nothing written";
  }
  if (now.band_gap != 3 && now.band_gap != values.band_gap) {
    return "    the band-gap bits read " + BandGapText(now.band_gap) +
           ", not erased (11): erase the chip with its values given; nothing written";
  }
  return std::nullopt;
}

Step CalibrationGuard::Restore(const OsccalValues& values, const OsccalValues& now) {
  // The band-gap bits before the OSCCAL word, as after an erase.
  const bool band_gap_written = now.band_gap != values.band_gap;
  if (band_gap_written) {
    if (const Step step = ProgramBandGap(values); step != Step::kDone) {
      log_.LogEvent(LogCode::kNone, "    the band-gap bits may now hold part of " + BandGapText(values.band_gap) +
                                        ", the OSCCAL word is as it was: read the calibration before going on");
      return step;
    }
  }
  if (now.osccal == 0x3FFF) {
    if (const Step step = ProgramOsccal(values); step != Step::kDone) {
      // Programming only clears bits: a cut-short write leaves a word that
      // is neither erased nor the value.
      log_.LogEvent(LogCode::kNone, "    the OSCCAL word 0x" + Hex(LastWord(), 4) + " may now hold part of " +
                                        Hex(values.osccal, 4) + (band_gap_written ? ", the band-gap bits are written" : "") +
                                        ": read the calibration, then give the same command again");
      return step;
    }
  }
  log_.LogEvent(LogCode::kNone, "    OSCCAL word & BG-bits have been restored: " +
                                    FactoryValuesText(FactoryValues{values, {}}, LastWord()));
  std::string error;
  record_.Append({clock_.UtcTimestamp(), chip_.ChipName, icsp_.PortPath(), FactoryValues{values, {}}, "closed"},
                 &error);
  return Step::kDone;
}

}  // namespace fw

namespace fw {

CalibrationGuard::Before CalibrationGuard::KeepBaseline(const std::optional<OsccalValues>& given,
                                                        FactoryValues* values, std::string* source, bool* keep) {
  const std::uint16_t word = values->words[0].value, backup = values->words[1].value;
  const std::string both = "the OSCCAL word 0x" + Hex(LastWord(), 4) + " reads " + Hex(word, 4) + ", its backup 0x" +
                           Hex(BackupAddress(), 4) + " reads " + Hex(backup, 4);
  if (given) {
    // Given by hand: each readable copy that says otherwise is the chip's
    // own word against it.
    const bool differs = (IsMovlwValue(word) && word != given->osccal) || (IsMovlwValue(backup) && backup != given->osccal);
    if (differs && !replace_) {
      log_.LogEvent(LogCode::kNone, "    " + both + ", the value given is " + Hex(given->osccal, 4) +
                                        ": nothing has been erased; give --replace-calibration to put the given "
                                        "value in their place");
      stop_cause_ = StopCause::kValuesDiffer;
      return Before::kStopped;
    }
    if (differs) log_.LogEvent(LogCode::kNone, "    " + both + ", recorded; the value given replaces them");
    values->osccal = OsccalValues{given->osccal, 0};
    *source = (word == given->osccal && backup == given->osccal) ? "read" : "given";
    return Before::kGoOn;
  }
  if (IsMovlwValue(word) && IsMovlwValue(backup)) {
    if (word != backup) {
      log_.LogEvent(LogCode::kNone, "    " + both + ": the OSCCAL word's value is kept, the backup stays as it is");
    }
    values->osccal = OsccalValues{word, 0};
    return Before::kGoOn;
  }
  // A copy that is no MOVLW: erased (0FFF), hidden by protection (0000) or
  // overwritten. Nothing is erased on a guess.
  auto why = [](std::uint16_t w) {
    return w == 0x0FFF ? " (erased)" : w == 0x0000 ? " (code-protected or lost)" : "";
  };
  const std::string text = "    the OSCCAL word 0x" + Hex(LastWord(), 4) + " reads " + Hex(word, 4) + why(word) +
                           ", its backup 0x" + Hex(BackupAddress(), 4) + " reads " + Hex(backup, 4) + why(backup) +
                           ": both must be a MOVLW instruction (0Cxx)";
  log_.LogEvent(LogCode::kNone, text);
  const std::optional<CalibrationRecordEntry> newest = record_.NewestFor(chip_.ChipName);
  // 0 stands for none: a MOVLW never reads 0.
  std::uint16_t suggested = IsMovlwValue(word) ? word : IsMovlwValue(backup) ? backup : 0;
  std::string from = IsMovlwValue(word) ? "the OSCCAL word" : "the backup";
  if (suggested == 0 && newest && newest->values.osccal && IsMovlwValue(newest->values.osccal->osccal)) {
    suggested = newest->values.osccal->osccal;
    from = "the calibration record (" + newest->time + ", " + newest->port + ")";
  }
  const std::string hint = suggested != 0 ? "    the chip's value is most likely " + Hex(suggested, 4) + ", from " + from : "";
  std::optional<OsccalValues> offered;
  if (suggested != 0) offered = OsccalValues{.osccal = suggested, .band_gap = 0};
  const CalibrationAnswer answer =
      dialogs_.AskCalibration(text.substr(4) + (hint.empty() ? "" : "\n" + hint.substr(4)), offered);
  if (const std::optional<Before> taken = Answered(answer, IsMovlwValue, values, keep)) {
    if (values->osccal) {
      values->osccal->band_gap = 0;
      *source = "given";
    }
    return *taken;
  }
  const std::string example = suggested != 0 ? Hex(suggested, 4) : "0C1A";
  log_.LogEvent(LogCode::kNone, terminal_ ? "    nothing has been erased: give the chip's value with --osccal 0x" + example +
                                                " (from its backup, its label or the calibration record), or "
                                                "--no-keep-calibration knowing it is lost"
                                          : "    nothing has been erased: give the chip's value (from its backup, its "
                                            "label or the calibration record), or erase without keeping it, knowing "
                                            "it is lost");
  if (!hint.empty()) log_.LogEvent(LogCode::kNone, hint);
  stop_cause_ = StopCause::kValuesUnknown;
  return Before::kStopped;
}

bool CalibrationGuard::BackupNeedsErase() const {
  return kept_.restore && chip_.Baseline() && kept_.values.words.size() == 2 && kept_.values.osccal &&
         kept_.values.words[1].value != kept_.values.osccal->osccal && kept_.values.words[1].value != 0x0FFF;
}

Step CalibrationGuard::PutBaselineCopy(std::uint32_t address, std::uint16_t value) {
  const std::optional<std::uint16_t> now = icsp_.PeekProgramMemory(0);
  if (!now) return Step::kReadFailed;
  if (*now == value) return Step::kDone;
  if (*now != 0x0FFF) {
    log_.LogEvent(LogCode::kNone, "    0x" + Hex(address, 4) + " reads " + Hex(*now, 4) + ", not erased: " + Hex(value, 4) +
                                      " cannot be programmed there");
    return Step::kWrong;
  }
  if (!icsp_.WriteWord(0, value, true)) return Step::kFailed;
  const std::optional<std::uint16_t> back = icsp_.PeekProgramMemory(0);
  if (!back) return Step::kReadFailed;
  if (*back == value) return Step::kDone;
  log_.LogEvent(LogCode::kNone, "    0x" + Hex(address, 4) + " reads " + Hex(*back, 4) + " after programming, not " +
                                    Hex(value, 4));
  return Step::kWrong;
}

Step CalibrationGuard::PutBackBaseline() {
  const std::uint16_t value = kept_.values.osccal->osccal;
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode() || !icsp_.IncrementAddress(LastWord() + 1, true)) {
    return Step::kFailed;
  }
  if (const Step step = PutBaselineCopy(LastWord(), value); step != Step::kDone) return step;
  if (!icsp_.IncrementAddress(BackupAddress() - LastWord(), true)) return Step::kFailed;
  if (const Step step = PutBaselineCopy(BackupAddress(), value); step != Step::kDone) return step;
  if (!icsp_.SetInitState()) return Step::kFailed;
  log_.LogEvent(LogCode::kNone, "    OSCCAL word & its backup have been restored: " + Hex(value, 4) + " at 0x" +
                                    Hex(LastWord(), 4) + " and 0x" + Hex(BackupAddress(), 4) + ", both read back");
  Close();
  return Step::kDone;
}

}  // namespace fw
