// "Read OSCCAL(S)", the restore of the PIC12F629 family's values and what
// the chip now holds of them: the operations on factory calibration beside
// the walks of device_operations.cpp.
#include "operations/device_operations.h"

namespace fw {

namespace {
using Buttons = OperatorDialogs::Buttons;
constexpr const char* kCancelled = "Operation cancelled";
}  // namespace

Step DeviceOperations::ReadCalibrationValues(const CalibrationRead& read) {
  using Kind = CalibrationRead::Kind;
  switch (read.kind) {
    case Kind::kNone:
    case Kind::kBaselineOsccal:  // read by the baseline walk of its own
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

Outcome DeviceOperations::ReadCalibration() {
  workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  Open(" read factory calibrated values", false);
  const FamilyLookup found = LookupFamily(chip_);
  Outcome outcome = Outcome::kDone;
  if (Refuses(found, found.row != nullptr, false)) {
    outcome = Outcome::kRefused;
  } else if (found.row->calibration->calibration.kind == CalibrationRead::Kind::kBaselineOsccal) {
    return BaselineReadCalibration();
  } else if (found.row->calibration->calibration.kind == CalibrationRead::Kind::kNone) {
    log_.LogEvent(LogCode::kNone, "       there are no calibration values in this chip");
  } else {
    Step step = Step::kFailed;
    if (icsp_.SetInitState() && icsp_.EnterProgrammingMode()) {
      step = ReadCalibrationValues(found.row->calibration->calibration);
      if (step == Step::kDone && !icsp_.SetInitState()) step = Step::kFailed;
    }
    // Only a failed read writes the end time.
    if (step != Step::kDone) return Fail(step == Step::kReadFailed);
    // Beyond the views: what was read, in the log that is kept.
    const CalibrationRead& read = found.row->calibration->calibration;
    std::string values;
    if (read.kind == CalibrationRead::Kind::kWords) {
      FactoryValues words;
      for (std::uint32_t w = read.first_word; w < read.first_word + read.count; ++w) {
        words.words.push_back({chip_.ConfigBase + w, WordAt(images_.ConfigImage, w)});
      }
      values = FactoryValuesText(words, LastWord());
    } else {
      values = "0x" + Hex(LastWord(), 4) + " = " + Hex(WordAt(images_.ProgramImage, LastWord()), 4);
    }
    log_.LogEvent(LogCode::kNone, "    read from the chip: " + values);
  }
  workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  Finish();
  return outcome;
}

Outcome DeviceOperations::RestoreCalibration(const OsccalValues& values) {
  Open(" restore factory calibrated values", false);
  const FamilyLookup found = LookupFamily(chip_);
  auto refuse = [&](const std::string& why) {
    log_.LogEvent(LogCode::kNone, why);
    return Refused();
  };
  if (Refuses(found, found.row != nullptr, false)) return Refused();
  if (chip_.Baseline()) return BaselineRestore(values);
  if (found.row->factory_calibration != FactoryCalibration::kOsccalAndBandGap) {
    return refuse("    the calibration words of this chip are never erased: there is nothing to put back");
  }
  if (!IsOsccalValue(values.osccal)) {
    return refuse("    " + Hex(values.osccal, 4) + " is not a calibration value (a RETLW instruction, 34xx)");
  }
  FactoryValues on_chip;
  const CalibrationRead both{.kind = CalibrationRead::Kind::kOsccalAndBandGap};
  if (const Step step = guard_.ReadFactoryValues(both, &on_chip); step != Step::kDone) {
    return step == Step::kStopped ? Cancelled() : Fail(step == Step::kReadFailed);
  }
  const OsccalValues now = *on_chip.osccal;
  if (const std::optional<std::string> why = guard_.WhyNotRestore(values, now)) return refuse(*why);
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
  // Stopped before a word is written, the chip is as it was; once the
  // writing begins it finishes, and a request to stop that came during it
  // is answered after the values are on the chip.
  if (dialogs_.StopRequested()) return Cancelled();
  dialogs_.ProgressOpen();
  if (guard_.Restore(values, now) != Step::kDone) return Fail(false);
  if (dialogs_.StopRequested()) {
    log_.LogEvent(LogCode::kNone, "    the request to stop came once the values were being written: they are on the chip");
  }
  return Finish();
}

std::optional<OsccalValues> DeviceOperations::PeekOsccalValues() {
  if (!LosesCalibrationInErase(chip_) || chip_.Baseline()) return std::nullopt;
  FactoryValues values;
  const CalibrationRead both{.kind = CalibrationRead::Kind::kOsccalAndBandGap};
  if (guard_.ReadFactoryValues(both, &values) != Step::kDone) return std::nullopt;
  return values.osccal;
}

}  // namespace fw
