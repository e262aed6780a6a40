#include "cli/cli.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/chips_command.h"
#include "cli/options.h"
#include "cli/session.h"
#include "production/production_record.h"
#include "log/safe_file.h"
#include "log/sha256.h"
#include "production/database_store.h"
#include "platform/platform.h"
#include "version.h"

namespace fw::cli {

namespace {

// The stop requests (Ctrl+C and the like), counted; the console's handler
// can reach nothing but such a flag.
volatile std::sig_atomic_t g_stop_signals = 0;

// Every --port, globs such as /dev/serial/by-id/* expanded (in order, each
// port once).
std::vector<std::string> ExpandPorts(const std::vector<std::string>& given) {
  std::vector<std::string> ports;
  auto add = [&ports](const std::string& p) {
    if (std::find(ports.begin(), ports.end(), p) == ports.end()) ports.push_back(p);
  };
  for (const std::string& p : given) {
    if (p.find_first_of("*?[") == std::string::npos) {
      add(p);
      continue;
    }
    const std::vector<std::string> found = platform::ExpandPattern(p);
    if (found.empty()) throw UsageError{"no port matches " + p};
    for (const std::string& name : found) add(name);
  }
  return ports;
}

// The run over several ports: one session each, at the same time, and a
// table of how each ended.
int RunPorts(const Options& options, const std::vector<std::string>& ports, RunShared& shared) {
  shared.prefix = true;
  std::vector<std::unique_ptr<Session>> sessions;
  for (const std::string& port : ports) sessions.push_back(std::make_unique<Session>(options, port, shared));
  std::vector<int> statuses(sessions.size(), kFailed);
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < sessions.size(); ++i) {
    workers.emplace_back([&, i] { statuses[i] = sessions[i]->Run(); });
  }
  for (std::thread& w : workers) w.join();
  std::printf("\n%-28s %-12s %-12s %-9s %-24s %8s\n", "port", "chip", "serial", "checksum", "outcome", "seconds");
  for (const auto& s : sessions) {
    const PortSummary& p = s->summary();
    std::printf("%-28s %-12s %-12s %-9s %-24s %8.1f\n", p.port.c_str(), p.chip.empty() ? "-" : p.chip.c_str(),
                p.serial.empty() ? "-" : p.serial.c_str(), p.checksum.empty() ? "-" : p.checksum.c_str(),
                p.outcome.c_str(), p.seconds);
  }
  std::fflush(stdout);
  // 0 only when every port succeeded; a failure outweighs a refusal.
  int status = kDone;
  for (int s : statuses) {
    if (s == kFailed || (s != kDone && status == kDone)) status = s;
  }
  return status;
}

// A file to read must be there and readable before anything else happens.
void CheckReadable(const std::string& path) {
  platform::File file;
  std::string why;
  if (!file.Open(path, platform::File::Mode::kRead, &why)) throw UsageError{"cannot read " + path + ": " + why};
}

}  // namespace

int Run(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
                    std::strcmp(argv[1], "help") == 0)) {
    std::cout << HelpText();
    return kDone;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "flashwright-cli " << FLASHWRIGHT_VERSION << "\n";
    return kDone;
  }
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      // "write --help": that command's options; an unknown command, all.
      std::cout << HelpText(argv[1]);
      return kDone;
    }
  }
  // The user's chips are checked at every start, whatever the command.
  const ChipsFile chips_file = LoadChipsFile();
  ChipList chips;
  for (const std::string& line : ReadChipsFile(chips_file, chips)) std::cerr << "flashwright-cli: " << line << "\n";
  Options options;
  try {
    options = Parse(argc, argv, &chips);
    if (!options.file.empty() && options.command != "database") CheckReadable(options.file);
  } catch (const UsageError& error) {
    std::cerr << "flashwright-cli: " << error.text << "\n";
    return kUsage;
  }
  if (options.command == "chips") {
    if (options.csv) {
      PrintChipsCsv(std::cout, chips);
    } else {
      PrintChipsTable(std::cout, chips);
    }
    return kDone;
  }
  if (options.command == "database") {
    std::string said, error;
    if (!InitDatabase(options.database, &said, &error)) {
      std::cerr << "flashwright-cli: " << error << "\n";
      return kFailed;
    }
    std::cout << said << "\n";
    return kDone;
  }
  if (options.command == "report" && !options.database.empty()) {
    std::vector<std::optional<ChipRunRecord>> records;
    std::vector<OpenSerial> open;
    std::string error;
    if (!ReadDatabaseRecords(options.database, options.since, options.until, options.series, &records, &open,
                             &error)) {
      std::cerr << "flashwright-cli: " << error << "\n";
      return kFailed;
    }
    std::vector<std::string> open_lines;
    for (const OpenSerial& o : open) {
      open_lines.push_back(o.series + " " + std::to_string(o.serial) + ": taken by " +
                           (o.taken_by.empty() ? std::string("a station") : o.taken_by) + " at " + o.time);
    }
    std::cout << ReportText(options.series.empty() ? "the database" : "the database, series " + options.series,
                            records, {}, open_lines);
    return kDone;
  }
  if (options.command == "report") {
    std::string report, error;
    if (!ReportRecords(options.file, &report, &error)) {
      std::cerr << "flashwright-cli: " << error << "\n";
      return kFailed;
    }
    std::cout << report;
    return kDone;
  }
  RunShared shared;
  shared.chips_file = chips_file;
  shared.signals = &g_stop_signals;
  shared.host = platform::HostName();
  std::unique_ptr<SerialNumbers> serials;
  if (options.serial) {
    serials = std::make_unique<SerialNumbers>(*options.serial, options.serial_file);
    shared.serials = serials.get();
  }
  if (options.command == "checksum") return Session(options, "", shared).FileChecksum();
  std::vector<std::string> ports;
  try {
    ports = ExpandPorts(options.ports);
  } catch (const UsageError& error) {
    std::cerr << "flashwright-cli: " << error.text << "\n";
    return kUsage;
  }
  platform::CatchStopRequests(&g_stop_signals);
  if (ports.size() > 1) return RunPorts(options, ports, shared);
  Session session(options, ports.front(), shared);
  return session.Run();
}

}  // namespace fw::cli
