#include "production/station.h"

#include <chrono>
#include <cstdio>

#include "images/checksum.h"
#include "log/hex.h"

namespace fw {

ProductionRun::ProductionRun(AppState& state, ProductionSetup setup, Clock& clock,
                             std::function<void(const char*)> step)
    : state_(state), setup_(std::move(setup)), clock_(clock), step_(std::move(step)) {
  if (setup_.store == nullptr) own_store_ = std::make_unique<FileStore>(setup_.serials, setup_.record_path);
  store_ = setup_.store != nullptr ? setup_.store : own_store_.get();
}

std::string ProductionRun::Unready() const { return store_->Unready(); }

void ProductionRun::TakeFile() {
  if (file_images_) return;
  Workspace& w = state_.workspace;
  page_ = w.active_page;
  w.TakeImage(w.ProgramView(), kProgramImage);
  w.TakeImage(w.ConfigView(), kConfigImage);
  w.TakeImage(w.DataView(), kDataImage);
  file_images_ = state_.images;
}

void ProductionRun::ShowFile() {
  state_.images = *file_images_;
  Workspace& w = state_.workspace;
  w.ShowImage(w.ProgramView(), kProgramImage);
  w.ShowImage(w.ConfigView(), kConfigImage);
  w.ShowImage(w.DataView(), kDataImage);
}

std::string ProductionRun::JobProblem() {
  TakeFile();
  WriteJob job = setup_.job;
  if (store_->Numbered() && job.serial_place) {
    std::string error;
    job.serial = store_->Peek(&error);
    if (!job.serial) return "no serial number: " + error;
  }
  const std::string problem = ProductionWriter(state_).SerialProblem(job);
  return problem.empty() ? problem : "serial number refused: " + problem;
}

ProductionRun::Socket ProductionRun::Look(std::uint16_t* id) {
  *id = 0;
  if (!state_.link.PortValid()) return Socket::kNoLink;
  *id = state_.operations.ReadChipId();
  if (!state_.link.PortValid()) return Socket::kNoLink;
  // No chip answers all ones (or nothing); a chip's ID has a device code.
  if (*id == 0 || *id == 0x3FFF || (*id & 0x3FE0) == 0) return Socket::kEmpty;
  return (*id & 0x3FE0) == (state_.chip.ChipIdWord & 0x3FE0) ? Socket::kOurs : Socket::kOther;
}

ChipResult ProductionRun::ProgramChip() {
  const auto started = std::chrono::steady_clock::now();
  ChipResult result;
  result.number = passed_ + failed_ + 1;
  Workspace& w = state_.workspace;
  const int shown = w.active_page;
  TakeFile();
  w.active_page = page_;
  {
    // Only the file is produced: a view changed since the run began is
    // shown as the file again, and said.
    const Images file = *file_images_;
    w.TakeImage(w.ProgramView(), kProgramImage);
    w.TakeImage(w.ConfigView(), kConfigImage);
    w.TakeImage(w.DataView(), kDataImage);
    if (state_.images.ProgramImage != file.ProgramImage || state_.images.ConfigImage != file.ConfigImage ||
        state_.images.DataImage != file.DataImage) {
      state_.log.LogEvent(LogCode::kNone, "    the views were changed since the run began: the chip gets the file "
                                          "as the run began");
    }
    ShowFile();
  }
  WriteJob job = setup_.job;
  if (store_->Numbered()) {
    std::string error;
    const std::optional<std::uint64_t> serial = store_->Take(&error);
    if (!serial) {
      result.outcome = Outcome::kFailed;
      result.reason = "no serial number: " + error + "; nothing programmed";
      result.record_failed = true;  // nothing can be numbered: the run stops
      w.active_page = shown;
      ++failed_;
      history_.push_front(result);
      if (history_.size() > kHistory) history_.pop_back();
      return result;
    }
    job.serial = serial;
    result.serial = serial;
  }
  writing_serial_ = result.serial;
  const std::size_t first_line = state_.log.Lines().size();
  const JobResult written = ProductionWriter(state_, step_, &clock_).Write(job);
  writing_serial_.reset();
  result.outcome = written.outcome;
  result.reason = written.reason;
  result.device_id = written.device_id;
  result.link_lost = written.link_lost;
  if (result.passed()) {
    result.checksum = ImageChecksum(state_.chip, state_.images);
    LogChecksum(state_.chip, state_.images, state_.log);
  }
  Settle(written, &result);
  Keep(written, first_line, &result);
  ShowFile();
  w.active_page = shown;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  (result.passed() ? passed_ : failed_)++;
  if (result.passed() && result.serial) {
    if (!first_serial_ || *result.serial < *first_serial_) first_serial_ = result.serial;
    if (!last_serial_ || *result.serial > *last_serial_) last_serial_ = result.serial;
  }
  history_.push_front(result);
  if (history_.size() > kHistory) history_.pop_back();
  return result;
}

void ProductionRun::Settle(const JobResult& job, ChipResult* result) const {
  if (!result->serial) return;
  if (result->passed()) {
    result->serial_state = "used";
  } else if (job.serial_written) {
    // Its place was being written: it may be on the chip, which is never to
    // carry the same number as another.
    result->serial_state = "spent";
    result->reason += "; serial number " + std::to_string(*result->serial) + " may be on the chip: erase or scrap it";
  } else {
    result->serial_state = setup_.burn_failed ? "burned" : "returned";
  }
}

void ProductionRun::Keep(const JobResult& job, std::size_t first_line, ChipResult* result) {
  result->time = clock_.UtcTimestamp();
  ChipRunRecord r = MakeRunRecord(state_, result->outcome, first_line);
  r.id = NewRecordId();  // before it is first sent: a resend is the same record
  r.time = result->time;
  r.host = setup_.host;
  r.port = setup_.port;
  r.command = setup_.command;
  r.device_id = job.device_id;
  r.file = setup_.file;
  if (!setup_.file.empty()) r.file_sha256 = state_.files.LoadedDigest();
  r.checksum = result->checksum;
  r.serial = result->serial;
  r.serial_state = result->serial_state;
  r.reason = result->reason;
  switch (store_->Finish(r, &result->note)) {
    case ProductionStore::Kept::kStored:
      if (!result->note.empty()) result->reason += (result->reason.empty() ? "" : "; ") + result->note;
      break;
    case ProductionStore::Kept::kSpooled:
      result->stop_after = true;
      state_.log.LogEvent(LogCode::kNone, "    " + result->note);
      break;
    case ProductionStore::Kept::kFailed:
      // A chip without its record is not a chip produced.
      result->record_failed = true;
      result->outcome = result->passed() ? Outcome::kFailed : result->outcome;
      result->reason = (result->reason.empty() ? "" : result->reason + "; ") + result->note;
      break;
  }
}

ChipResult Station::ProgramNow() {
  needs_removal_ = true;
  said_for_ = 0;
  return run_.ProgramChip();
}

Station::Event Station::Poll(ChipResult* result, std::string* said) {
  std::uint16_t id = 0;
  switch (run_.Look(&id)) {
    case ProductionRun::Socket::kNoLink:
      return Event::kLinkDown;
    case ProductionRun::Socket::kEmpty:
      needs_removal_ = false;
      said_for_ = 0;
      return Event::kNothing;
    case ProductionRun::Socket::kOther: {
      // Another chip answering means the last one was taken out.
      needs_removal_ = false;
      if (said_for_ == id) return Event::kNothing;
      said_for_ = id;
      const LookupResult found = LookupChip(id);
      *said = "waiting: the chip on the lines is " +
              (found.kind == LookupResult::Kind::kEntry ? std::string("a ") + found.entry->ChipName
                                                        : "device ID 0x" + Hex(id, 4)) +
              ", not a " + run_.chip_name();
      return Event::kWrongChip;
    }
    case ProductionRun::Socket::kOurs:
      if (needs_removal_) return Event::kNothing;
      *result = ProgramNow();
      return Event::kProgrammed;
  }
  return Event::kNothing;
}

std::string StationLine(const ChipResult& r, const std::string& chip, int passed, int failed) {
  const std::string serial = r.serial ? std::to_string(*r.serial) : "-";
  const std::string checksum = r.checksum ? "0x" + Hex(*r.checksum, 4) : "-";
  char line[256];
  std::snprintf(line, sizeof line, "%s  chip %d  %s  serial %s  checksum %s  %.1f s  (%d passed, %d failed)",
                r.passed() ? "PASS" : "FAIL", r.number, chip.c_str(), serial.c_str(), checksum.c_str(), r.seconds,
                passed, failed);
  return r.passed() ? line : std::string(line) + ": " + r.reason;
}

}  // namespace fw
