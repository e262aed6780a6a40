#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "log/clock.h"
#include "production/production_record.h"
#include "operations/app_state.h"
#include "production/production.h"
#include "production/production_store.h"
#include "production/serial_numbers.h"

namespace fw {

// One chip through a production run, as the operator and the record see it.
struct ChipResult {
  Outcome outcome = Outcome::kDone;
  std::string reason;  // why it did not pass, in words; empty when it passed
  std::optional<std::uint64_t> serial;
  std::string serial_state;  // as the record names it: "used", "spent", "returned", "burned"
  std::optional<std::uint16_t> checksum;  // of the image written, serial number included
  std::optional<std::uint16_t> device_id;
  bool link_lost = false;       // the link closed: no further chip before it is back
  bool record_failed = false;   // the record line could not be written: the run stops
  bool stop_after = false;      // kept, but the run stops before the next chip (`note` says why)
  std::string note;             // what the store said of this chip's record
  double seconds = 0;
  std::string time;  // UTC, when it ended
  int number = 0;    // the chip's place in the run, from 1
  bool passed() const { return outcome == Outcome::kDone; }
};

// What every chip of a run gets, and where its record goes.
struct ProductionSetup {
  WriteJob job;  // without a serial number: each chip takes its own
  // Where numbers come from and records go; none: the files below.
  ProductionStore* store = nullptr;
  SerialNumbers* serials = nullptr;
  bool burn_failed = false;  // a failed chip's number is not given back
  std::string record_path;   // empty: no record
  std::string host, port, file;
  std::string command = "write";
};

// The production core the window's station and the terminal's runs share:
// a chip programmed from the loaded file with its serial number and
// record, the serial number settled by one rule, and the socket watched.
class ProductionRun {
 public:
  ProductionRun(AppState& state, ProductionSetup setup, Clock& clock,
                std::function<void(const char*)> step = {});

  // Before the first chip: why the run cannot keep its numbers and records
  // (empty: it can).
  std::string Unready() const;
  // Before the first chip, once the file is loaded: why the job cannot be
  // done with this file at all (a serial number's place the file already
  // sets, or outside the chip), so that a run that cannot start programs
  // and counts no chip. Takes the file from the views of the active page,
  // as the first chip would.
  std::string JobProblem();
  ProductionStore& store() const { return *store_; }

  // Programs the chip on the lines now, always from the file as the views
  // of the run's page held it when the run began (edits made in the views
  // since are not the file's), and shows the file there again afterwards,
  // so the next chip starts from it.
  ChipResult ProgramChip();
  // The serial number of the chip being written (nothing between chips).
  const std::optional<std::uint64_t>& writing_serial() const { return writing_serial_; }

  // One look at the socket, with the device ID it answered.
  enum class Socket { kOurs, kEmpty, kOther, kNoLink };
  Socket Look(std::uint16_t* id);

  int passed() const { return passed_; }
  int failed() const { return failed_; }
  // The last chips, newest first (at most kHistory).
  static constexpr std::size_t kHistory = 20;
  const std::deque<ChipResult>& history() const { return history_; }
  // The lowest and highest serial number on chips that passed.
  const std::optional<std::uint64_t>& first_serial() const { return first_serial_; }
  const std::optional<std::uint64_t>& last_serial() const { return last_serial_; }
  const ProductionSetup& setup() const { return setup_; }
  const std::string& chip_name() const { return state_.chip.ChipName; }

 private:
  // What becomes of the chip's number by what the write did.
  void Settle(const JobResult& job, ChipResult* result) const;
  // The chip's record kept, its number settled with it.
  void Keep(const JobResult& job, std::size_t first_line, ChipResult* result);
  // The file as the run's page holds it, taken once; every chip starts from it.
  void TakeFile();
  // The images and the run's page's views hold the file again.
  void ShowFile();

  AppState& state_;
  ProductionSetup setup_;
  Clock& clock_;
  std::function<void(const char*)> step_;
  std::unique_ptr<ProductionStore> own_store_;
  ProductionStore* store_;
  int passed_ = 0, failed_ = 0;
  std::deque<ChipResult> history_;
  std::optional<std::uint64_t> first_serial_, last_serial_;
  std::optional<std::uint64_t> writing_serial_;
  std::optional<Images> file_images_;
  int page_ = 0;
};

// A station: programs each chip once it is put in, never twice without its
// being taken out. Poll looks once; the caller paces the looks (a timer in
// the window, a sleep in the terminal), so a waiting station costs nothing.
class Station {
 public:
  explicit Station(ProductionRun& run) : run_(run) {}

  enum class Event {
    kNothing,     // still waiting (for a chip, or for the last one to be taken out)
    kProgrammed,  // a chip was put in and programmed: `result`
    kWrongChip,   // another chip answers (said once per chip): `said`
    kLinkDown,    // the link is closed: the station cannot go on
  };
  Event Poll(ChipResult* result, std::string* said);
  // Programs the chip in the socket now, whether or not it was taken out.
  ChipResult ProgramNow();
  bool waiting_for_removal() const { return needs_removal_; }

 private:
  ProductionRun& run_;
  bool needs_removal_ = false;
  std::uint16_t said_for_ = 0;
};

// The station's line for a chip: "PASS  chip 3  PIC12F675  serial 1002 ...".
std::string StationLine(const ChipResult& result, const std::string& chip, int passed, int failed);

}  // namespace fw
