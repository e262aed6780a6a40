#include "cli/session.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <thread>

#include "images/checksum.h"
#include "link/system_serial.h"
#include "production/production_record.h"
#include "operations/connection.h"
#include "platform/platform.h"

namespace fw::cli {

namespace {

}  // namespace

int ExitOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone: return kDone;
    case Outcome::kFailed:
    case Outcome::kDifference:
    case Outcome::kStopped: return kFailed;
    case Outcome::kCancelled:
    case Outcome::kRefused: return kRefused;
  }
  return kFailed;
}

Session::Session(const Options& o, std::string port, RunShared& shared)
    : o_(o),
      port_(std::move(port)),
      shared_(shared),
      dialogs_(o.yes, shared.signals),
      demo_(sim::DemoGateways::IsDemo(port_)),
      demos_([this] { return demo_clock_.now_us(); }),
      state_(clock_, demo_ ? static_cast<Pause&>(demo_clock_) : real_pause_, dialogs_,
             [this](const std::string& path, std::string* why) {
               return demo_ ? demos_.Open(path, why) : OpenSystemSerialDevice(path, why);
             }) {
  // Station mode prints a line per chip; the log goes to the record.
  if (!o.quiet && !o.repeat) state_.log.SetListener([this](const std::string& line) { Print(line); });
  if (shared.prefix) dialogs_.SetBar(false);
  state_.link.DelayValue = o.delay;
  // The lines it refused were said once at start.
  ReadChipsFile(shared.chips_file, state_.chips);
  demos_.UseChips(&state_.chips);
  state_.calibration_record.UseDataFolder();
  state_.operations.ForTerminal();
  state_.operations.ReplaceCalibration(o.replace_calibration);
  state_.operations.SetOneWordCycles(o.one_word_cycles);
  summary_.port = port_;
}

void Session::Print(const std::string& line) {
  std::lock_guard<std::mutex> guard(shared_.out);
  std::cout << (shared_.prefix ? "[" + port_ + "] " : std::string()) << line << std::endl;
}

void Session::PrintError(const std::string& line) {
  std::lock_guard<std::mutex> guard(shared_.out);
  std::cerr << "flashwright-cli: " << (shared_.prefix ? "[" + port_ + "] " : std::string()) << line << std::endl;
}

FileSection Session::Section() const {
  if (o_.command == "write-data" || o_.section == "data") return sectData;
  if (o_.section == "program") return sectProgram;
  if (o_.section == "config") return sectConfig;
  return sectAll;
}

int Session::FileChecksum() {
  state_.selector.SelectChip(state_.chips.FindByName(o_.chip)->IdWord);
  if (const int status = LoadFile(); status != kDone) return status;
  const bool known = PrintChecksum();
  // Quiet, the number alone, for scripts.
  if (o_.quiet) std::cout << (known ? ChecksumText(state_.chip, state_.images).substr(10) : "none") << "\n";
  return known ? kDone : kFailed;
}

int Session::Run() {
  const auto started = std::chrono::steady_clock::now();
  int status = kDone;
  auto done = [&](int s) {
    summary_.status = s;
    summary_.chip = state_.chip.ChipName;
    summary_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (summary_.outcome.empty()) summary_.outcome = s == kDone ? "done" : s == kRefused ? "refused" : "failed";
    return s;
  };
  if (o_.chip != "auto") {
    state_.selector.SelectChip(state_.chips.FindByName(o_.chip)->IdWord);
    if ((status = CheckGivenValues()) != kDone) return done(status);
    if ((status = LoadFile()) != kDone) return done(status);
  }
  if (o_.command == "write") {
    // A run that cannot keep its records programs no chip.
    if (const std::string why = Production().Unready(); !why.empty()) {
      PrintError(why + "; nothing programmed");
      return done(kFailed);
    }
    if ((status = JobProblem()) != kDone) return done(status);
  }
  if (!Connect(state_.link, state_.log, port_)) return done(kFailed);
  if (o_.chip == "auto") {
    dialogs_.SetOperation("Autosearch chip");
    const Selection found = state_.selector.AutosearchChip();
    if (found == Selection::kFailed) return done(kFailed);
    if (found != Selection::kSelected) return done(kRefused);
    if (o_.command == "detect") return done(kDone);
    if ((status = CheckGivenValues()) != kDone) return done(status);
    if ((status = LoadFile()) != kDone) return done(status);
    if (o_.command == "write" && (status = JobProblem()) != kDone) return done(status);
  }
  status = Command();
  // A value the chip loses is never replaced without a word, --quiet or not.
  if (o_.quiet && ops().LastKept().given) {
    PrintError("the calibration values given were kept in place of the chip's: " +
               FactoryValuesText(ops().LastKept().values, state_.chip.ProgramSize / 2 - 1));
  }
  state_.link.ClosePort();
  return done(status);
}

int Session::LoadFile() {
  if (o_.file.empty()) return kDone;
  const FileReport report = state_.files.LoadFile(o_.file, Section());
  if (report.wrong_file) {
    PrintError(o_.file + " could not be read to its end (see the log line above)");
    return kUsage;
  }
  if (!report.done) return kUsage;  // the reason is on standard error already
  const std::string misfit = FileMisfit(report, state_.chip);
  if (!misfit.empty() && o_.command == "checksum") {
    // A sum of what was kept of another chip's file is no checksum of it.
    PrintError(o_.file + " " + misfit + ": it has no checksum for this chip");
    return kFailed;
  }
  if (!misfit.empty() && o_.command == "write" && !o_.force) {
    PrintError(o_.file + " " + misfit + "; give --force to write it all the same");
    return kUsage;
  }
  return kDone;
}

bool Session::HasOsccalWord() const { return LosesCalibrationInErase(state_.chip); }

// --osccal and --bg name what only the F629 family's erase takes away.
int Session::CheckGivenValues() {
  // The OSCCAL's form is the chip's: a MOVLW (0Cxx) on the baseline parts, a
  // RETLW (34xx) with its band-gap bits on the PIC12F629 family.
  if (o_.given && HasOsccalWord() && IsMovlwValue(o_.given->osccal) != state_.chip.Baseline()) {
    PrintError(state_.chip.Baseline()
                   ? "the " + state_.chip.ChipName + "'s OSCCAL is a MOVLW instruction: give --osccal 0x0Cxx alone"
                   : "the " + state_.chip.ChipName + "'s OSCCAL is a RETLW instruction: give --osccal 0x34xx --bg NN");
    return kUsage;
  }
  if ((!o_.given && !o_.restore) || HasOsccalWord()) return kDone;
  const FamilyLookup found = LookupFamily(state_.chip);
  const bool none = found.row != nullptr && found.row->factory_calibration == FactoryCalibration::kNone;
  PrintError("the " + state_.chip.ChipName +
             (none ? " has no calibration values; "
                   : " keeps its calibration words in configuration memory, which an erase leaves alone; ") +
             "--osccal, --bg and --restore are for the PIC12F629, PIC12F675, PIC16F630 and PIC16F676, and "
             "--osccal and --restore for the baseline parts with an OSCCAL");
  return kUsage;
}

// Runs one operation under its name; stops the command unless it is done.
// A stop asked during an operation that finished all the same ends the
// command there.
bool Session::Step(const char* name, const std::function<Outcome()>& operation, int* status,
                   bool late_stop_cancels) {
  dialogs_.SetOperation(name);
  const Outcome outcome = operation();
  *status = ExitOf(outcome);
  if (outcome == Outcome::kStopped) ExplainStop();
  if (*status == kDone && late_stop_cancels && dialogs_.StopRequested()) {
    state_.log.LogEvent(LogCode::kNone, "Operation cancelled");
    *status = kRefused;
  }
  return *status == kDone;
}

// Why nothing was erased, in the options that go on from here.
void Session::ExplainStop() {
  using Cause = CalibrationGuard::StopCause;
  if (ops().LastStopCause() == Cause::kNotRecorded) {
    PrintError("nothing was erased: the calibration values could not be recorded (the log says why); the record "
               "must be writable before an erase that takes them");
    return;
  }
  if (o_.given && ops().LastStopCause() == Cause::kValuesDiffer) {
    PrintError("nothing was erased: the values given differ from the chip's own (the log names both); give "
               "--replace-calibration to put them in their place, or leave --osccal and --bg out to keep the "
               "chip's");
    return;
  }
  const auto newest = state_.calibration_record.NewestFor(state_.chip.ChipName);
  std::string text =
      std::string("nothing was erased, so as not to lose the chip's calibration values (the log says why). Give them "
                  "with ") +
      (state_.chip.Baseline() ? "--osccal 0x0CXX" : "--osccal 0x34XX --bg NN");
  if (newest && newest->values.osccal) {
    text += " (the newest record for the " + state_.chip.ChipName + ", " + newest->time + " on " + newest->port +
            ": " + OsccalOptions(*newest->values.osccal) + ")";
  }
  PrintError(text + ", or give --no-keep-calibration to erase without them; they are then lost");
}

int Session::Verify(bool program, bool data) {
  int status = kDone;
  const DeviceOperations::CompareScope scope = FileCompareScope(state_.chip, state_.files.ConfigWordsLoaded());
  if (program && !Step("Verify Program & Configuration", [&] { return ops().VerifyProgramAndConfig(scope); }, &status)) {
    return status;
  }
  if (data && !Step("Verify Data", [&] { return ops().VerifyData(); }, &status)) return status;
  return status;
}

bool Session::PrintChecksum() {
  LogChecksum(state_.chip, state_.images, state_.log);
  const std::optional<std::uint16_t> sum = ImageChecksum(state_.chip, state_.images);
  if (sum) summary_.checksum = "0x" + Hex(*sum, 4);
  return sum.has_value();
}

int Session::Save() {
  const FileSection section = Section();
  const FileReport report = FileExtension(o_.output) == "BIN" ? state_.files.WriteBinFile(o_.output, section)
                                                              : state_.files.WriteHexFile(o_.output, section);
  return report.done ? kDone : kFailed;
}

int Session::PrintCalibration() {
  const FamilyLookup found = LookupFamily(state_.chip);
  if (found.row == nullptr) return kDone;
  const CalibrationRead& read = found.row->calibration->calibration;
  if (read.kind == CalibrationRead::Kind::kBaselineOsccal) {
    // Both copies, each said to be what it is.
    const std::uint32_t last = state_.chip.ProgramSize / 2 - 1;
    const std::uint16_t word = WordAt(state_.images.ProgramImage, last);
    const std::uint16_t backup = WordAt(state_.images.ConfigImage, 4);
    Print("0x" + Hex(last, 4) + " = " + Hex(word, 4) + " (OSCCAL)");
    Print("0x" + Hex(state_.chip.ConfigBase + 4, 4) + " = " + Hex(backup, 4) + " (backup OSCCAL)");
    return IsMovlwValue(word) && IsMovlwValue(backup) ? kDone : kFailed;
  }
  if (read.kind == CalibrationRead::Kind::kOsccal) {
    const std::uint32_t last = state_.chip.ProgramSize / 2 - 1;
    const std::uint16_t osccal = WordAt(state_.images.ProgramImage, last);
    // A protected chip's program memory reads zeros: that is no OSCCAL word.
    if (osccal == 0x0000) {
      PrintError("program memory is code-protected: the OSCCAL word 0x" + Hex(last, 4) +
                 " reads 0000 and cannot be read until the chip is erased (with its values given)");
    } else {
      Print("0x" + Hex(last, 4) + " = " + Hex(osccal, 4) + " (OSCCAL)");
    }
    // The band-gap bits stay readable under protection.
    const std::optional<OsccalValues> own = ops().PeekOsccalValues();
    if (own) Print("0x" + Hex(state_.chip.ConfigBase + 7, 4) + " bits 13:12 = " + BandGapText(own->band_gap) + " (BG bits)");
    if (!own) return kFailed;
    return osccal == 0x0000 ? kFailed : kDone;
  }
  for (std::uint32_t w = read.first_word; read.kind == CalibrationRead::Kind::kWords && w < read.first_word + read.count;
       ++w) {
    Print("0x" + Hex(state_.chip.ConfigBase + w, 4) + " = " + Hex(WordAt(state_.images.ConfigImage, w), 4));
  }
  return kDone;
}

int Session::Restore() {
  OsccalValues values;
  if (o_.restore_last) {
    // Only values an erase left behind: never those already back on a chip.
    const std::vector<CalibrationRecordEntry> open = state_.calibration_record.OpenFor(state_.chip.ChipName);
    if (open.empty()) {
      PrintError("no open calibration record for the " + state_.chip.ChipName + " (values read before an erase " +
                 "that were not put back) in " + state_.calibration_record.path());
      return kFailed;
    }
    const std::uint32_t last = state_.chip.ProgramSize / 2 - 1;
    if (open.size() > 1) {
      Print("open calibration records for the " + state_.chip.ChipName + ", newest first:");
      for (const CalibrationRecordEntry& e : open) {
        Print("  " + e.time + " on " + e.port + ": " + FactoryValuesText(e.values, last) + " (" + e.source + ")");
      }
    }
    values = *open.front().values.osccal;
    Print("taking the newest open record for the " + state_.chip.ChipName + ": " +
          FactoryValuesText(open.front().values, last) + " (" + open.front().time + " on " + open.front().port + ")");
  } else {
    values = *o_.given;
  }
  int status = kDone;
  Step("Restore calibration values", [&] { return ops().RestoreCalibration(values); }, &status, false);
  return status;
}

int Session::Command() {
  int status = kDone;
  const bool keep = o_.keep_calibration;
  const std::string& c = o_.command;
  const std::size_t first_line = state_.log.Lines().size();
  auto recorded = [&](int s) {
    if (!o_.record.empty()) {
      const Outcome outcome = s == kDone ? Outcome::kDone : s == kRefused ? Outcome::kRefused : Outcome::kFailed;
      Record(outcome, first_line);
    }
    return s;
  };
  if (c == "write" && o_.repeat) return Station();
  if (c == "write") return WriteChip();
  if (c == "read") {
    const FileSection section = Section();
    if (section != sectData &&
        !Step("Read Program & Configuration", [&] { return ops().ReadProgramAndConfig(); }, &status)) {
      return recorded(status);
    }
    if (section != sectData) PrintChecksum();
    if ((section == sectData || (section == sectAll && HasEeprom())) &&
        !Step("Read Data", [&] { return ops().ReadData(); }, &status)) {
      return recorded(status);
    }
    return recorded(Save());
  }
  if (c == "write-data") {
    if (!Step("Write Data", [&] { return ops().WriteData(); }, &status)) return recorded(status);
    return recorded(o_.no_verify ? kDone : Verify(false, true));
  }
  if (c == "verify") {
    const FileSection section = Section();
    status = Verify(section != sectData, section == sectData || (section == sectAll && HasEeprom()));
    if (status == kDone && section != sectData) PrintChecksum();
    return recorded(status);
  }
  if (c == "erase") {
    Step("Chip Erase", [&] { return ops().ChipErase(keep, o_.given); }, &status);
    return recorded(status);
  }
  if (c == "blank-check") {
    Step("Blank check", [&] { return ops().BlankCheck(); }, &status);
    return recorded(status);
  }
  if (c == "calibration" && o_.restore) return recorded(Restore());
  if (c == "calibration") {
    if (Step("Read OSCCAL(S)", [&] { return ops().ReadCalibration(); }, &status)) status = PrintCalibration();
    return recorded(status);
  }
  return kUsage;
}

ProductionRun& Session::Production() {
  if (production_) return *production_;
  ProductionSetup setup;
  WriteJob& job = setup.job;
  job.keep_calibration = o_.keep_calibration;
  job.entire_config = o_.entire_config;
  job.erase = o_.erase;
  job.verify = !o_.no_verify;
  job.given = o_.given;
  job.keep = o_.keep;
  job.restore_kept = o_.kept_file;
  job.restore_kept_path = o_.restore_kept;
  UseKeptFolder(job);
  job.serial_place = o_.serial_place;
  // The chip on the lines must be the one chosen before anything is erased:
  // a chip of another family would be erased by the wrong sequence.
  job.check_device_id = true;
  setup.serials = o_.serial && o_.database.empty() ? shared_.serials : nullptr;
  if (!o_.database.empty()) {
    // One connection a port; the spool is the database's, whatever port
    // sends to it.
    database_ = std::make_unique<DatabaseStore>(DatabaseSetup{
        .url = o_.database,
        .series = o_.serial_series,
        .start = o_.serial,
        .spool_folder = platform::DataPath("spool"),
        .station = shared_.host + " " + port_,
        .stop = [this] { return dialogs_.StopRequested(); },
        .say = [this](const std::string& text) { state_.log.LogEvent(LogCode::kNone, "    " + text); }});
    setup.store = database_.get();
  }
  setup.burn_failed = o_.serial_burn_failed;
  setup.record_path = o_.record;
  setup.host = shared_.host;
  setup.port = port_;
  setup.file = o_.file;
  production_ = std::make_unique<ProductionRun>(state_, std::move(setup), clock_,
                                                [this](const char* name) { dialogs_.SetOperation(name); });
  return *production_;
}

// A job this file cannot be written with is refused before any chip, and
// counts none; it needs the chip and its file, so it waits for both.
int Session::JobProblem() {
  if (state_.chip.ChipIdWord == 0) return kDone;
  if (const std::string why = Production().JobProblem(); !why.empty()) {
    PrintError(why + "; nothing programmed");
    return kUsage;
  }
  return kDone;
}

int Session::WriteChip() { return AfterChip(Production().ProgramChip()); }

int Session::AfterChip(const ChipResult& r) {
  summary_.serial = r.serial ? std::to_string(*r.serial) : "";
  summary_.checksum = r.checksum ? "0x" + Hex(*r.checksum, 4) : "";
  summary_.outcome = OutcomeName(r.outcome);
  if (r.outcome == Outcome::kStopped) {
    // Either what is kept could not be read, or the calibration values.
    if (r.reason.rfind("what is kept", 0) == 0) {
      PrintError(r.reason);
    } else {
      ExplainStop();
    }
  }
  if (r.serial_state == "spent") {
    PrintError("serial number " + std::to_string(*r.serial) + " may be on the chip (its place was being written): "
               "erase or scrap the chip; the number is not handed out again");
  }
  if (r.record_failed) PrintError(r.reason);
  if (r.stop_after) PrintError(r.note);
  return ExitOf(r.outcome);
}

void Session::Record(Outcome outcome, std::size_t first_line) {
  ChipRunRecord r = MakeRunRecord(state_, outcome, first_line);
  r.id = NewRecordId();
  r.time = clock_.UtcTimestamp();
  r.host = shared_.host;
  r.port = port_;
  r.command = o_.command;
  r.file = o_.file.empty() ? o_.output : o_.file;
  if (!o_.file.empty()) r.file_sha256 = state_.files.LoadedDigest();
  // Only an erasing command keeps calibration values.
  if (o_.command != "erase") r.calibration.clear();
  std::string error;
  if (!AppendRecord(o_.record, r, &error)) PrintError("the record could not be written: " + error);
}

int Session::Station() {
  const bool terminal = platform::IsTerminal(platform::Stream::kOut);
  ProductionRun& run = Production();
  fw::Station station(run);
  Print("station: put in a " + state_.chip.ChipName + " (Ctrl+C ends)");
  std::string ended;
  bool reconnected = false;
  while (!dialogs_.StopRequested()) {
    ChipResult result;
    std::string said;
    const fw::Station::Event event = station.Poll(&result, &said);
    if (event == fw::Station::Event::kLinkDown) {
      // Opened again once; a port that stays away, or a gateway that does
      // not answer once opened, ends the station.
      if (!reconnected) {
        reconnected = true;
        Print("station: the link to " + port_ + " closed; opening it again");
        if (Connect(state_.link, state_.log, port_)) continue;
      }
      ended = "the link to " + port_ + " is lost (unplugged, or the gateway stopped answering): the station stops";
      break;
    }
    reconnected = false;
    if (event == fw::Station::Event::kWrongChip) Print(said);
    if (event == fw::Station::Event::kProgrammed) {
      AfterChip(result);
      Print(StationLine(result, state_.chip.ChipName, run.passed(), run.failed()) +
            (!result.passed() && terminal ? "\a" : ""));
      summary_.serial.clear();
      summary_.checksum.clear();
      if (result.record_failed) {
        ended = "a chip's record could not be written: the station stops";
        break;
      }
      if (result.stop_after) {
        ended = "the database is out of reach: the station stops before the next chip";
        break;
      }
      if (result.link_lost) continue;  // the next look says whether it is back
      if (!result.passed() && dialogs_.StopRequested()) break;
      continue;
    }
    // A poll a third of a second: quick for the operator, idle for the CPU.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  if (!ended.empty()) PrintError(ended);
  summary_.passed = run.passed();
  summary_.failed = run.failed();
  const std::string serials = run.first_serial() ? std::to_string(*run.first_serial()) + " to " +
                                                       std::to_string(*run.last_serial())
                                                 : std::string();
  Print("station: " + std::to_string(run.passed()) + " passed, " + std::to_string(run.failed()) + " failed" +
        (serials.empty() ? std::string() : ", serial numbers " + serials));
  summary_.serial = run.first_serial() ? std::to_string(*run.first_serial()) + "-" + std::to_string(*run.last_serial()) : "";
  summary_.outcome = std::to_string(run.passed()) + " passed, " + std::to_string(run.failed()) + " failed";
  return run.failed() == 0 && ended.empty() ? kDone : kFailed;
}

}  // namespace fw::cli
