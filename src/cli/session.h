#pragma once

#include <csignal>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/options.h"
#include "cli/terminal_dialogs.h"
#include "link/pause.h"
#include "log/clock.h"
#include "operations/app_state.h"
#include "production/production.h"
#include "production/serial_numbers.h"
#include "production/database_store.h"
#include "production/station.h"
#include "sim/demo_gateways.h"

namespace fw::cli {

// What the sessions of one run share: the terminal, the serial numbers, the
// stop signals, and what the record says of the run.
struct RunShared {
  std::mutex out;  // one line at a time on the terminal
  bool prefix = false;  // several ports: every line names its port
  SerialNumbers* serials = nullptr;
  const volatile std::sig_atomic_t* signals = nullptr;
  std::string host;
  ChipsFile chips_file;  // read once; every session's state takes its chips
};

// How a session ended, for the summary of a run over several ports.
struct PortSummary {
  std::string port, chip, serial, checksum, outcome;
  double seconds = 0;
  int status = kDone;
  int passed = 0, failed = 0;  // station mode
};

// One command against one port: the application's state built for the
// terminal, as the window builds it for itself.
class Session {
 public:
  Session(const Options& o, std::string port, RunShared& shared);

  int Run();
  // checksum: the file alone, no gateway.
  int FileChecksum();
  const PortSummary& summary() const { return summary_; }

 private:
  DeviceOperations& ops() { return state_.operations; }
  bool HasEeprom() const { return state_.chip.DataSize > 0; }
  FileSection Section() const;
  void Print(const std::string& line);
  void PrintError(const std::string& line);
  int LoadFile();
  bool HasOsccalWord() const;
  int CheckGivenValues();
  // `late_stop_cancels`: a stop asked during an operation that finished all
  // the same ends the command as cancelled (a restore that has written is
  // done, whatever was asked).
  bool Step(const char* name, const std::function<Outcome()>& operation, int* status, bool late_stop_cancels = true);
  void ExplainStop();
  int Verify(bool program, bool data);
  bool PrintChecksum();
  int Save();
  int PrintCalibration();
  int Restore();
  int Command();
  // The production core of a write, made on first use.
  ProductionRun& Production();
  // write: one chip, with its serial number and its record line.
  int WriteChip();
  int JobProblem();
  // What the terminal says after a chip; the exit status.
  int AfterChip(const ChipResult& result);
  // write --repeat: chip after chip until a stop.
  int Station();
  // Appends the record of a command other than a write from log line
  // `first_line` on.
  void Record(Outcome outcome, std::size_t first_line);

  const Options& o_;
  std::string port_;
  RunShared& shared_;
  SystemClock clock_;
  RealPause real_pause_;
  sim::DemoClock demo_clock_;
  TerminalDialogs dialogs_;
  bool demo_;
  sim::DemoGateways demos_;
  AppState state_;
  PortSummary summary_;
  std::unique_ptr<DatabaseStore> database_;
  std::unique_ptr<ProductionRun> production_;
};

int ExitOf(Outcome outcome);

}  // namespace fw::cli
