#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
  // What a comparison with a file takes (the command-line tool's verify):
  // per configuration word the bits compared (0: not compared), and a
  // program word left out (a factory calibration word there).
  struct CompareScope {
    std::vector<std::uint16_t> config_bits;
    std::optional<std::uint32_t> skip_program_word;
  };
  // Walks and logs as "Verify Program && Configuration" does, comparing
  // only what `scope` names.
  Outcome VerifyProgramAndConfig(const CompareScope& scope);
  // Beyond the buttons: whether program memory, the user IDs, the
  // configuration word(s) and the EEPROM are erased (the device ID and the
  // calibration words left out); the first location that is not is named.
  Outcome BlankCheck();
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
  // Read Data and Write Data: the refusals, the session and the walk over
  // the EEPROM, `cell` reading or writing byte i; done with the progress
  // window freed and the finishing lines still to write.
  Outcome DataWalk(const char* trying, const std::function<bool(std::uint32_t)>& cell);
  // The calibration read of a group, between the caller's programming-mode
  // entry and its closing SetInitState.
  Step ReadCalibrationValues(const CalibrationRead& read);
  // The values that read left in the images, as the log names them.
  std::string CalibrationValuesText(const CalibrationRead& read) const;
  // SetInitState, EnterProgrammingMode, the read, SetInitState.
  Step CalibrationSession(const CalibrationRead& read);
  // The factory values read before an erase, when `keep` asks and the chip
  // has any, then `message`; false after a failed step. `read_done` says
  // whether values were read.
  bool ReadBeforeErase(bool keep, const CalibrationRead& read, const char* message, bool* read_done);
  // A failure of an erasing operation; with `values_lost`, after the erase,
  // also the line that names the values read before it.
  Outcome FailAfterErase(bool end_time, const CalibrationRead* values_lost);
  // Compares `count` cells in order (`matches` reads cell i and says whether
  // it is as expected); the first that is not is reported at its address.
  Outcome VerifyLoop(std::uint32_t count, const std::function<bool(std::uint32_t)>& matches,
                     std::uint32_t address_base, std::uint32_t progress_span, int progress_scale);
  // The refusals, the progress window, the lines and times every verify
  // shares, around the comparisons of program and configuration memory.
  Outcome VerifyProgramAndConfigWith(const std::function<bool(std::uint32_t)>& program,
                                     const std::function<bool(std::uint32_t)>& config);
  void Progress(std::uint32_t index, std::uint32_t span, int scale);

  const ChipRecord& chip_;
  Images& images_;
  Workspace& workspace_;
  Log& log_;
  OperatorDialogs& dialogs_;
  Icsp& icsp_;
};

// The scope of a comparison with a file for the selected chip: configuration
// words only where the file set them and only in the bits the family
// implements, never the device ID or a calibration word (nor the F629's
// band-gap bits and OSCCAL word).
DeviceOperations::CompareScope FileCompareScope(const ChipRecord& chip,
                                                const std::bitset<kConfigImageBytes / 2>& loaded);

}  // namespace fw
