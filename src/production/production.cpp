#include "production/production.h"

#include "chips/config_layout.h"
#include "images/checksum.h"
#include "platform/platform.h"


namespace fw {

Outcome ProductionWriter::Run(const char* name, const std::function<Outcome()>& operation) {
  if (step_) step_(name);
  running_ = name;
  const Outcome outcome = operation();
  // Where the serial number goes decides which step may have put it on the chip.
  if (job_->serial && state_.operations.WritingBegan()) {
    const bool data = job_->serial_place->kind == SerialPlace::Kind::kEeprom;
    const std::string_view step = name;
    if (data ? step == "Write Data" : step == "Write Program & Configuration") result_->serial_written = true;
  }
  // A stop asked during an operation that ended all the same ends the job.
  if (outcome == Outcome::kDone && state_.dialogs.StopRequested()) {
    state_.log.LogEvent(LogCode::kNone, "Operation cancelled");
    return Outcome::kCancelled;
  }
  return outcome;
}

std::string ProductionWriter::SerialProblem(const WriteJob& job) const {
  if (!job.serial_place || !job.serial) return {};
  const auto& words = state_.files.ConfigWordsLoaded();
  const bool ids_loaded = words[0] || words[1] || words[2] || words[3];
  const SerialPlace& place = *job.serial_place;
  using Kind = SerialPlace::Kind;
  const ChipRecord& chip = state_.chip;
  if (place.kind == Kind::kUserIds && job.keep.user_ids) return "the user IDs cannot both be kept and numbered";
  if (place.kind == Kind::kEeprom && job.keep.eeprom) return "the EEPROM cannot both be kept and numbered";
  if (place.kind == Kind::kRetlw && job.keep.program &&
      place.address <= job.keep.program->second && place.address + place.bytes > job.keep.program->first) {
    return SerialPlaceText(place, chip) + " lies in the program range kept";
  }
  if (place.kind == Kind::kRetlw && place.address + place.bytes == chip.ProgramSize / 2 &&
      LosesCalibrationInErase(chip)) {
    return SerialPlaceText(place, chip) + " takes the OSCCAL word";
  }
  return SerialPlaceProblem(place, *job.serial, chip, state_.images, ids_loaded);
}

void ProductionWriter::Apply(const WriteJob& job, const KeptContents& kept) {
  if (kept.eeprom.empty() && kept.user_ids.empty() && kept.program.empty() && !job.serial) return;
  Images& images = state_.images;
  Log& log = state_.log;
  Workspace& w = state_.workspace;
  // The views are what is written: the changes go into them as they stand.
  w.TakeImage(w.ProgramView(), kProgramImage);
  w.TakeImage(w.ConfigView(), kConfigImage);
  w.TakeImage(w.DataView(), kDataImage);
  if (!kept.eeprom.empty()) {
    std::copy(kept.eeprom.begin(), kept.eeprom.end(), images.DataImage.begin());
    log.LogEvent(LogCode::kNone, "    the chip's EEPROM is kept in place of the file's");
  }
  for (std::uint32_t id = 0; id < kept.user_ids.size(); ++id) SetWordAt(images.ConfigImage, id, kept.user_ids[id]);
  if (!kept.user_ids.empty()) log.LogEvent(LogCode::kNone, "    the chip's user IDs are kept in place of the file's");
  if (!kept.program.empty()) {
    const std::uint32_t first = job.keep.program->first;
    for (std::uint32_t k = 0; k < kept.program.size(); ++k) SetWordAt(images.ProgramImage, first + k, kept.program[k]);
    log.LogEvent(LogCode::kNone, "    the chip's program memory 0x" + Hex(first, 4) + "-0x" + Hex(job.keep.program->second, 4) +
                        " is kept in place of the file's");
  }
  if (job.serial) {
    ApplySerial(*job.serial_place, *job.serial, state_.chip, images);
    log.LogEvent(LogCode::kNone, "    serial number " + std::to_string(*job.serial) + " goes to " +
                        SerialPlaceText(*job.serial_place, state_.chip));
  }
  w.ShowImage(w.ProgramView(), kProgramImage);
  w.ShowImage(w.ConfigView(), kConfigImage);
  w.ShowImage(w.DataView(), kDataImage);
}

std::string ProductionWriter::Reason(Outcome outcome) const {
  const std::string step = running_;
  switch (outcome) {
    case Outcome::kDone: return {};
    case Outcome::kDifference:
      if (const auto& d = state_.operations.LastDifference()) {
        const char* memory = d->memory == Difference::Memory::kData ? "EEPROM 0x" : "0x";
        return step + ": the chip differs at " + memory + Hex(d->address, 4) + " (file " + Hex(d->file, 4) +
               ", chip " + Hex(d->chip, 4) + ")";
      }
      return step + ": the chip differs from the file";
    case Outcome::kFailed:
      return step + (state_.link.PortValid() ? ": failed (the log says where)"
                                             : ": the link failed (the gateway stopped answering or its port is gone)");
    case Outcome::kCancelled: return step + ": cancelled by the operator";
    case Outcome::kRefused: return step + ": refused (the log says why)";
    case Outcome::kStopped: return step + ": stopped before erasing what could not be kept (the log says why)";
  }
  return step;
}

std::string ProductionWriter::KeptProblem(const KeptFile& kept) const {
  const ChipRecord& chip = state_.chip;
  if (kept.chip != chip.ChipName) return "kept from a " + kept.chip + ", not a " + chip.ChipName;
  if (kept.request.eeprom && kept.contents.eeprom.size() != chip.DataSize) return "its EEPROM is not this chip's size";
  if (kept.request.program && kept.request.program->second >= chip.ProgramSize / 2) {
    return "its program words lie outside the chip";
  }
  return {};
}

Outcome ProductionWriter::KeepInViews(const KeepRequest& keep) {
  KeptContents kept;
  const Outcome read = state_.operations.ReadToKeep(keep, &kept);
  if (read != Outcome::kDone) return read;
  WriteJob job;
  job.keep = keep;
  Apply(job, kept);
  return Outcome::kDone;
}

JobResult ProductionWriter::Write(const WriteJob& job) {
  JobResult result;
  result_ = &result;
  job_ = &job;
  running_ = "";
  DeviceOperations& ops = state_.operations;
  Log& log = state_.log;
  auto end = [&](Outcome outcome) {
    result.outcome = outcome;
    if (outcome == Outcome::kDifference && ops.LastDifference()) result.failed_at = ops.LastDifference()->address;
    if (result.reason.empty()) result.reason = Reason(outcome);
    result.link_lost = outcome != Outcome::kDone && !state_.link.PortValid();
    return result;
  };
  if (job.check_device_id) {
    if (step_) step_("Read the device ID");
    running_ = "Read the device ID";
    const std::uint16_t id = ops.ReadChipId();
    // A baseline part has no device ID: what stands in for one is not recorded.
    if (id != 0 && !state_.chip.Baseline()) result.device_id = id;
    if (!state_.link.PortValid()) return end(Outcome::kFailed);
    // The entry itself, not its key: the newer parts' whole-word IDs share
    // the bits a key keeps (PIC16F1455 and PIC16F1459).
    const LookupResult found = state_.chips.Lookup(id);
    if (found.kind != LookupResult::Kind::kEntry || found.entry != LookupSelected(state_.chip).entry) {
      result.reason = state_.chip.Baseline()
                          ? "the chip on the lines answers " + Hex(id, 4) +
                                " at the configuration word, as no baseline part does, not as the " +
                                state_.chip.ChipName + ": nothing written"
                          : "the chip on the lines answers device ID 0x" + Hex(id, 4) +
                      (found.kind == LookupResult::Kind::kEntry ? std::string(" (") + found.entry->ChipName + ")"
                                                                : std::string(" (no chip of the catalogue)")) +
                      ", not the " + state_.chip.ChipName + "'s: nothing written";
      log.LogEvent(LogCode::kNone, "    " + result.reason);
      return end(Outcome::kRefused);
    }
  }
  if (const std::string problem = SerialProblem(job); !problem.empty()) {
    result.reason = "serial number refused: " + problem + "; nothing written";
    log.LogEvent(LogCode::kNone, "    " + result.reason);
    return end(Outcome::kRefused);
  }
  KeptContents kept;
  std::string kept_path;
  if (job.keep.any()) {
    if (job.restore_kept) {
      if (const std::string why = KeptProblem(*job.restore_kept); !why.empty()) {
        result.reason = job.restore_kept_path + ": " + why + "; nothing written";
        log.LogEvent(LogCode::kNone, "    " + result.reason);
        return end(Outcome::kRefused);
      }
      kept = job.restore_kept->contents;
      kept_path = job.restore_kept_path;
      log.LogEvent(LogCode::kNone, "    what is kept comes from " + kept_path + ", not from the chip");
    } else {
      if (!job.kept_folder_problem.empty()) {
        result.reason = "what is kept could not be saved (" + job.kept_folder_problem + "); nothing erased";
        log.LogEvent(LogCode::kNone, "    " + result.reason);
        return end(Outcome::kStopped);
      }
      const Outcome outcome = Run("Read what is kept", [&] { return ops.ReadToKeep(job.keep, &kept); });
      if (outcome == Outcome::kStopped) {
        result.reason = "what is kept cannot be read: the chip's EEPROM is protected (CPD) and reads as zeros; "
                        "nothing erased (write without --preserve-eeprom to give it the file's EEPROM)";
      }
      if (outcome != Outcome::kDone) return end(outcome);
      if (!job.kept_folder.empty()) {
        // On disk before anything is erased: a failure after the erase then
        // loses nothing.
        kept_path = KeptFilePath(job.kept_folder, state_.chip.ChipName, clock_ ? clock_->UtcTimestamp() : "");
        std::string error;
        if (!SaveKeptFile(kept_path, {.chip = state_.chip.ChipName, .request = job.keep, .contents = kept}, &error)) {
          result.reason = "what is kept could not be saved (" + error + "); nothing erased";
          log.LogEvent(LogCode::kNone, "    " + result.reason);
          return end(Outcome::kStopped);
        }
        log.LogEvent(LogCode::kNone, "    what is kept is saved in " + kept_path + " until it is verified back");
      }
    }
  }
  // A failure from here on may have erased what was kept: it is named.
  auto end_kept = [&](Outcome outcome) {
    if (outcome != Outcome::kDone && !kept_path.empty()) {
      result.kept_path = kept_path;
      log.LogEvent(LogCode::kNone, "    what was kept is in " + kept_path +
                                       ": write again with --restore-kept " + kept_path + " to put it back");
      result.reason = Reason(outcome) + "; what was kept is in " + kept_path;
    }
    return end(outcome);
  };
  const auto& loaded = state_.files.ConfigWordsLoaded();
  const bool ids = loaded[0] || loaded[1] || loaded[2] || loaded[3] || job.keep.user_ids ||
                   (job.serial && job.serial_place->kind == SerialPlace::Kind::kUserIds);
  Apply(job, kept);
  if (job.erase) {
    const Outcome outcome = Run("Chip Erase", [&] { return ops.ChipErase(job.keep_calibration, job.given); });
    if (outcome != Outcome::kDone) return end_kept(outcome);
  }
  // Protection goes on last: a protected chip reads zeros, and refuses
  // its EEPROM once data protection is on.
  Outcome outcome = Run("Write Program & Configuration", [&] {
    return ops.WriteProgramAndConfig(job.keep_calibration, job.entire_config, job.given, ids, true);
  });
  if (outcome != Outcome::kDone) return end_kept(outcome);
  const bool eeprom = state_.chip.DataSize > 0;
  if (eeprom && job.keep.eeprom && !job.erase) {
    // The write erases program memory only: the EEPROM is as it was read.
    log.LogEvent(LogCode::kNone, "    the EEPROM is left as it was: this write's erase does not touch it");
  } else if (eeprom) {
    outcome = Run("Write Data", [&] { return ops.WriteData(); });
    if (outcome != Outcome::kDone) return end_kept(outcome);
  }
  const ProtectionBits protection = ops.ProtectionInImages();
  if (job.verify) {
    std::bitset<kConfigImageBytes / 2> compared = loaded;
    if (ids) compared |= std::bitset<kConfigImageBytes / 2>(0xF);
    DeviceOperations::CompareScope scope = FileCompareScope(state_.chip, compared);
    // The protection bits are still unprogrammed: compared when set.
    if (scope.config_bits.size() > 7) scope.config_bits[7] &= static_cast<std::uint16_t>(~protection.all());
    outcome = Run("Verify Program & Configuration", [&] { return ops.VerifyProgramAndConfig(scope); });
    if (outcome != Outcome::kDone) return end_kept(outcome);
    if (eeprom) {
      outcome = Run("Verify Data", [&] { return ops.VerifyData(); });
      if (outcome != Outcome::kDone) return end_kept(outcome);
    }
  }
  if (protection.all() != 0) {
    log.LogEvent(LogCode::kNone, std::string("    ") + (job.verify ? "verified" : "written, not verified (as asked)") +
                                     " before protection goes on: program memory" + (ids ? ", user IDs" : "") +
                                     ", configuration" + (eeprom ? ", EEPROM" : ""));
    outcome = Run("Program the protection", [&] { return ops.ProgramProtection(); });
    if (outcome != Outcome::kDone) return end_kept(outcome);
  }
  if (!kept_path.empty()) {
    if (job.verify) {
      platform::RemoveFile(kept_path);
      log.LogEvent(LogCode::kNone, "    the kept copy " + kept_path + " is removed: verified back on the chip");
    } else {
      log.LogEvent(LogCode::kNone, "    the kept copy " + kept_path + " stays: nothing was verified");
    }
  }
  return end(Outcome::kDone);
}

void UseKeptFolder(WriteJob& job) {
  job.kept_folder = platform::DataPath("kept", &job.kept_folder_problem);
  if (!job.kept_folder.empty()) job.kept_folder_problem.clear();
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone: return "done";
    case Outcome::kFailed:
    case Outcome::kDifference: return "failed";
    case Outcome::kCancelled: return "cancelled";
    case Outcome::kRefused: return "refused";
    case Outcome::kStopped: return "stopped";
  }
  return "failed";
}

ChipRunRecord MakeRunRecord(const AppState& state, Outcome outcome, std::size_t first_log_line) {
  ChipRunRecord r;
  r.chip = state.chip.ChipName;
  if (outcome == Outcome::kDone) r.checksum = ImageChecksum(state.chip, state.images);
  const KeptCalibration& kept = state.operations.LastKept();
  if (kept.read) r.calibration = FactoryValuesText(kept.values, state.chip.ProgramSize / 2 - 1);
  r.outcome = OutcomeName(outcome);
  if (outcome == Outcome::kDifference) {
    if (const auto& at = state.operations.LastDifference()) r.failed_at = at->address;
  }
  const auto& lines = state.log.Lines();
  if (first_log_line < lines.size()) r.log.assign(lines.begin() + static_cast<std::ptrdiff_t>(first_log_line), lines.end());
  return r;
}

}  // namespace fw
