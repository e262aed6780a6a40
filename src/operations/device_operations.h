#pragma once

#include <cstdint>
#include <string>

#include "chips/catalogue.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "images/views.h"
#include "log/log.h"
#include "log/operator_dialogs.h"
#include "operations/family_groups.h"

namespace fw {

// How a device operation ended, beside what it logged; the command-line
// tool turns it into an exit status.
enum class Outcome {
  kDone,
  kFailed,      // a step failed (the ICSP layer logged why and closed the link)
  kDifference,  // a verify found a location that differs
  kCancelled,   // the operator answered the question with No or Cancel
  kRefused,     // no chip, an unknown chip, or a function the chip has not
};

// The operations behind the main window's device buttons. Each works on the
// views of the active page, walks the chip through the ICSP layer, and
// reports its course in the log.
class DeviceOperations {
 public:
  DeviceOperations(const ChipRecord& chip, Images& images, Workspace& workspace, Log& log,
                   OperatorDialogs& dialogs, Icsp& icsp)
      : chip_(chip), images_(images), workspace_(workspace), log_(log), dialogs_(dialogs), icsp_(icsp) {}

  // "Read Program && Configuration", "Read Data".
  Outcome ReadProgramAndConfig();
  Outcome ReadData();
  // "Write Program && Configuration": keep_calibration is CheckBox1,
  // entire_config CheckBox2.
  Outcome WriteProgramAndConfig(bool keep_calibration, bool entire_config);
  // "Write Data".
  Outcome WriteData();
  // "Verify Program && Configuration", "Verify Data".
  Outcome VerifyProgramAndConfig();
  Outcome VerifyData();
  // "Chip Erase": keep_calibration is CheckBox1.
  Outcome ChipErase(bool keep_calibration);
  // "Read OSCCAL(S)".
  Outcome ReadCalibration();

 private:
  enum class Step { kDone, kFailed, kReadFailed };

  // The closing of a failed operation: " with fail.", the end time where
  // the operation writes one, the progress window freed.
  Outcome Fail(bool end_time);
  // Logs why the operation does not go on for `family` (no chip, a function
  // the chip has not, an unknown chip); false when the family is accepted.
  bool LogRefusal(std::uint16_t family, bool accepted, bool unavailable);
  // The end time and the progress window freed, after a refusal.
  Outcome Refused();
  // The calibration read of a group, between the caller's programming-mode
  // entry and its closing SetInitState.
  Step ReadCalibrationValues(const CalibrationRead& read);
  // The values that read left in the images, as the log names them.
  std::string CalibrationValuesText(const CalibrationRead& read) const;
  // SetInitState, EnterProgrammingMode, the read, SetInitState.
  Step CalibrationSession(const CalibrationRead& read);
  Outcome VerifyLoop(std::uint32_t count, bool (Icsp::*read)(std::uint32_t, bool),
                     std::uint32_t address_base, std::uint32_t progress_span, int progress_scale);
  void Progress(std::uint32_t index, std::uint32_t span, int scale);

  const ChipRecord& chip_;
  Images& images_;
  Workspace& workspace_;
  Log& log_;
  OperatorDialogs& dialogs_;
  Icsp& icsp_;
};

}  // namespace fw
