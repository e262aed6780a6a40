#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "production/production_record.h"
#include "log/clock.h"
#include "operations/app_state.h"
#include "production/kept_file.h"
#include "production/serial_numbers.h"

namespace fw {

// One chip written from the loaded file as a production run writes it: what
// must survive kept, the serial number put in, erased, written, verified.
struct WriteJob {
  bool keep_calibration = true;
  bool entire_config = false;
  bool erase = false;
  bool verify = true;
  std::optional<OsccalValues> given;
  KeepRequest keep;
  std::optional<SerialPlace> serial_place;
  std::optional<std::uint64_t> serial;  // this chip's number
  // Read the chip's device ID first and refuse another chip than selected.
  bool check_device_id = false;
  // Where what is kept is saved before the erase (empty: not saved).
  std::string kept_folder;
  // Why there is no such folder on this system (no data folder): a job that
  // keeps anything then stops before the erase.
  std::string kept_folder_problem;
  // What is kept, from a copy saved by an earlier write, in place of a read
  // of the chip (the chip lost it when that write failed after its erase).
  std::optional<KeptFile> restore_kept;
  std::string restore_kept_path;
};

struct JobResult {
  Outcome outcome = Outcome::kDone;
  std::string reason;  // why the job did not end done, in words; empty when it did
  std::optional<std::uint16_t> device_id;
  std::optional<std::uint32_t> failed_at;
  // The write of the serial number's place began: the number may be on the
  // chip, whatever the outcome.
  bool serial_written = false;
  bool link_lost = false;  // the link closed after a failure
  std::string kept_path;   // the kept copy, left where the write failed
};

// Runs write jobs on one application state. `step` names each operation as
// it starts (the terminal's progress bar).
class ProductionWriter {
 public:
  explicit ProductionWriter(AppState& state, std::function<void(const char*)> step = {}, Clock* clock = nullptr)
      : state_(state), step_(std::move(step)), clock_(clock) {}

  // The loaded file is in the images and views. Checks what the job asks of
  // the chip and the file before anything is written (the reason logged).
  JobResult Write(const WriteJob& job);

  // Reads what `keep` names from the chip and puts it into the images and
  // views, as a write job does before its erase (the window's Write
  // button keeps the EEPROM this way).
  Outcome KeepInViews(const KeepRequest& keep);

  // Why the job's serial number cannot go where it is asked (empty: it can).
  std::string SerialProblem(const WriteJob& job) const;

 private:
  Outcome Run(const char* name, const std::function<Outcome()>& operation);
  // Why a kept copy cannot go to the selected chip (empty: it can).
  std::string KeptProblem(const KeptFile& kept) const;
  // Why the step running ended with `outcome`, in words.
  std::string Reason(Outcome outcome) const;
  const char* running_ = "";
  JobResult* result_ = nullptr;
  const WriteJob* job_ = nullptr;
  // Puts what was kept and the serial number into the images and views.
  void Apply(const WriteJob& job, const KeptContents& kept);

  AppState& state_;
  std::function<void(const char*)> step_;
  Clock* clock_;
};

// The kept-copies folder for `job` on this system: its place, or why there
// is none.
void UseKeptFolder(WriteJob& job);

// "done", "failed", "refused", "cancelled", "stopped": as a record names it.
const char* OutcomeName(Outcome outcome);

// The record of the operation that just ended on `state`: the chip, its
// checksum (when done), the calibration values kept, the outcome and the
// log from line `first_log_line` on. The caller adds time, host, port,
// command, file and what a write job knew.
ChipRunRecord MakeRunRecord(const AppState& state, Outcome outcome, std::size_t first_log_line);

}  // namespace fw
