// flashwright-cli as a whole process: exit statuses and their causes, the
// built-in simulated gateway, and flashwright-sim on a pseudo-terminal with
// real time.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hex_record.h"
#include "sim_process.h"

namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

std::string Slurp(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

// Where the tool keeps its calibration record in these tests, never the
// user's own.
std::string DataHome() {
  static const std::string path = testing::TempDir() + "/flashwright_cli_data_" + std::to_string(getpid());
  return path;
}

// Starts a program with standard input from /dev/null (no terminal) and
// standard error into `err_path`; its standard output is the returned pipe.
// `env`: variables set (a null value: taken away) in place of the test's
// data home.
using Env = std::vector<std::pair<std::string, const char*>>;
pid_t Start(const char* program, const std::vector<std::string>& args, const std::string& err_path, int* out_fd,
            const Env& env = {}) {
  int out[2];
  if (pipe(out) != 0) return -1;
  const std::string data_home = DataHome();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    for (const auto& [name, value] : env) {
      if (value == nullptr) {
        unsetenv(name.c_str());
      } else {
        setenv(name.c_str(), value, 1);
      }
    }
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(err, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
  }
  close(out[1]);
  *out_fd = out[0];
  return pid;
}

Result Finish(pid_t pid, int out_fd, const std::string& err_path, std::string out_so_far = {}) {
  Result r;
  r.out = out_so_far + Slurp(out_fd);
  close(out_fd);
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(err_path);
  std::stringstream text;
  text << err.rdbuf();
  r.err = text.str();
  std::remove(err_path.c_str());
  return r;
}

std::string ErrPath() { return testing::TempDir() + "/flashwright_cli_err_" + std::to_string(getpid()); }

// Runs a program to its end.
Result Run(const char* program, const std::vector<std::string>& args, const Env& env = {}) {
  int out = -1;
  const pid_t pid = Start(program, args, ErrPath(), &out, env);
  if (pid < 0) return {};
  return Finish(pid, out, ErrPath());
}

Result Cli(const std::vector<std::string>& args, const Env& env = {}) { return Run(FLASHWRIGHT_CLI_PATH, args, env); }

std::string Temp(const std::string& name) {
  return testing::TempDir() + "/flashwright_cli_" + std::to_string(getpid()) + "_" + name;
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A few program words, user IDs, a configuration word and EEPROM bytes, as
// an assembler would place them for a mid-range chip.
const std::string kMidRangeHex =
    ":020000040000FA\n:0A000000042805280628FF3F5530AC\n:084000000100020003000400AE\n:02400E00C43FAD\n"
    ":084200004100420043004400AC\n:00000001FF\n";
// The same for an enhanced chip: configuration words at 0x1000E, EEPROM at
// 0x1E000.
const std::string kEnhancedHex =
    ":020000040000FA\n:0600000004280528062873\n:020000040001F9\n:04000E00E4FFFFDF2D\n"
    ":04E000005A00A5001D\n:00000001FF\n";

TEST(Cli, ExitStatusesNameTheirCause) {
  const std::string hex = Temp("mid.hex");
  Write(hex, kMidRangeHex);
  const std::string enhanced = Temp("enhanced.hex");
  Write(enhanced, kEnhancedHex);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string said;  // in standard error (or output for 0)
  } cases[] = {
      {{"--help"}, 0, "never the device ID"},
      // Each command's help is that command's, and is no usage error.
      {{"write", "-h"}, 0, "Usage: flashwright-cli write"},
      {{"write", "--port", "x", "--help"}, 0, "--preserve-eeprom"},
      {{"erase", "-h"}, 0, "--no-keep-calibration"},
      {{"checksum", "--help"}, 0, "--chip NAME"},
      {{"--version"}, 0, "flashwright-cli 3.1"},
      {{"chips", "--csv"}, 0, "PIC16F1847,0x1480,164,F1822"},
      {{"bogus"}, 2, "unknown command \"bogus\""},
      {{"write", "--port", "demo:PIC16F630", "--chip", "PIC16F63", hex}, 2, "the nearest are"},
      {{"write", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "/nonexistent.hex"}, 2, "cannot read /nonexistent.hex"},
      {{"erase", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--delay", "9"}, 2, "--delay takes 0 to 5"},
      {{"erase", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--output", "x"}, 2, "unknown option --output"},
      {{"read", "--port", "demo:PIC16F630", "--chip", "PIC16F630"}, 2, "needs --output"},
      {{"write", "--port", "demo:PIC16F630", "--chip", "PIC16F630", hex}, 3, "there is no terminal"},
      {{"write-data", "--port", "demo:PIC16F722", "--chip", "PIC16F722", "--yes", hex}, 3, ""},
      // Another chip on the lines is refused before anything is erased.
      {{"write", "--port", "demo:PIC16F877A", "--chip", "PIC16F88", "--yes", hex}, 3,
       "answers device ID 0x0E23 (PIC16F877A), not the PIC16F88's: nothing written"},
      {{"write", "--port", "demo:PIC16F1455", "--chip", "PIC16F1459", "--yes", "--force", enhanced}, 3,
       "(PIC16F1455)"},
      {{"detect", "--port", "/dev/flashwright-none"}, 1, ""},
      {{"detect", "--port", "demo:PIC16F887"}, 0, "Selected chip is  PIC16F887"},
      {{"calibration", "--port", "demo:PIC16F1823", "--chip", "pic16lf1823"}, 0, "0x800A = 2C31"},
      {{"blank-check", "--port", "demo:PIC16F636", "--chip", "PIC16F639"}, 0, "The chip is blank."},
      {{"read", "--port", "demo:PIC16F720", "--chip", "auto", "--section", "data", "--output", "x.hex"}, 3,
       "function is unavailable for this chip"},
      {{"erase", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--osccal", "3FFF", "--bg", "10"}, 2,
       "not a RETLW instruction"},
      {{"erase", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--osccal", "34A8"}, 2, "go together"},
      {{"write", "--port", "demo:PIC16F684", "--chip", "PIC16F684", "--osccal", "34A8", "--bg", "10", hex}, 2,
       "keeps its calibration words in configuration memory"},
      {{"calibration", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--restore"}, 2, "--restore needs the values"},
      // The baseline parts: a MOVLW alone, both copies, none on the PIC16F54.
      {{"erase", "--port", "demo:PIC16F54", "--chip", "PIC16F54", "--osccal", "0C26"}, 2, "has no calibration values"},
      {{"erase", "--port", "demo:PIC12F508", "--chip", "PIC12F508", "--osccal", "3426", "--bg", "10"}, 2,
       "is a MOVLW instruction"},
      {{"calibration", "--port", "demo:PIC12F508", "--chip", "PIC12F508"}, 0, "0x0204 = 0C26 (backup OSCCAL)"},
      {{"erase", "--port", "demo:PIC10F202", "--chip", "PIC10F202", "--yes"}, 0, "both read back"},
      {{"checksum", "--chip", "PIC16F630", hex}, 0, "Checksum: 0x"},
      // A mid-range file holds bytes no PIC16F1823 has: no checksum of it.
      {{"checksum", "--chip", "PIC16F1823", "--quiet", hex}, 1, ""},
      {{"checksum", "--chip", "PIC16F1823", "--quiet", enhanced}, 0, "0x"},
      {{"checksum", hex}, 2, "\"checksum\" needs --chip NAME"},
      {{"calibration", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--restore", "--osccal", "34A8", "--bg",
        "10", "--yes"},
       3, "the chip already holds 0x03FF = 34A8, BG bits = 10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    const Result r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((c.status == 0 || c.status == 1 ? r.out : r.err + r.out).find(c.said), std::string::npos)
        << r.out << r.err;
  }
  std::remove(enhanced.c_str());
  // A file built for another chip, and one that stops at a record the reader
  // cannot take, are not written.
  const std::string bad = Temp("bad.hex");
  Write(bad, ":020000000A0BE9\n:0400000500000000F7\n");
  EXPECT_EQ(Cli({"write", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--yes", bad}).status, 2);
  Write(Temp("enh.hex"), kEnhancedHex);
  const Result foreign = Cli({"write", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--yes", Temp("enh.hex")});
  EXPECT_EQ(foreign.status, 2);
  EXPECT_NE(foreign.err.find("--force"), std::string::npos);
  for (const std::string& f : {hex, bad, Temp("enh.hex")}) std::remove(f.c_str());
}

// Where the calibration record cannot be written, an erase that takes the
// OSCCAL word stops before it, and says so: with no data folder at all
// (never one in the current folder), and with one that cannot be made.
TEST(Cli, WhereNothingCanBeRecordedNothingIsErased) {
  const std::string file = Temp("not-a-folder");
  Write(file, "x");
  const std::string under_file = file + "/data";
  const struct {
    const char* name;
    Env env;
    std::vector<std::string> args;
    std::string said;  // in standard error
  } cases[] = {
      {"no data folder", {{"XDG_DATA_HOME", nullptr}, {"HOME", nullptr}},
       {"erase", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--yes"}, "could not be recorded"},
      {"a relative HOME", {{"XDG_DATA_HOME", nullptr}, {"HOME", "relative"}},
       {"erase", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--yes"}, "could not be recorded"},
      {"an unwritable folder, the chip's own values given", {{"XDG_DATA_HOME", under_file.c_str()}},
       {"erase", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--yes", "--osccal", "34A8", "--bg", "10"},
       "could not be recorded"},
      {"nowhere to keep the EEPROM", {{"XDG_DATA_HOME", nullptr}, {"HOME", nullptr}},
       {"write", "--port", "demo:PIC16F684", "--chip", "PIC16F684", "--yes", "--preserve-eeprom", Temp("any.hex")},
       "what is kept could not be saved"},
  };
  Write(Temp("any.hex"), kMidRangeHex);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Cli(c.args, c.env);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("differ"), std::string::npos) << r.err;
    EXPECT_NE((r.out + r.err).find("nothing"), std::string::npos) << "it says nothing was erased";
  }
  EXPECT_EQ(access("flashwright", F_OK), -1) << "no data folder in the current folder";
  std::remove(file.c_str());
  std::remove(Temp("any.hex").c_str());
}

// A chip of a known family added in the data folder's chips file: listed
// with where it came from, found by name and by its device ID, written; a
// line the file gets wrong is named with its number at every start.
TEST(Cli, AChipsFileAddsChipsAndNamesItsBadLines) {
  const std::string home = Temp("chips_home");
  ASSERT_EQ(system(("mkdir -p '" + home + "/flashwright'").c_str()), 0);
  const std::string file = home + "/flashwright/chips.txt";
  Write(file, "# chips of my own\nMYPIC684, F683, 0x1560, 2048, 256, 0x0FFF\nBAD, F999, 0x1580, 2048, 256, 0x0FFF\n");
  const Env env = {{"XDG_DATA_HOME", home.c_str()}};
  const Result listed = Cli({"chips"}, env);
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.err.find(file + " line 3: no family \"F999\""), std::string::npos) << listed.err;
  EXPECT_NE(listed.err.find("1 chip added from " + file), std::string::npos) << listed.err;
  EXPECT_NE(listed.out.find("MYPIC684"), std::string::npos);
  EXPECT_NE(listed.out.find("added from " + file + " line 2"), std::string::npos) << listed.out;
  const Result csv = Cli({"chips", "--csv"}, env);
  EXPECT_NE(csv.out.find("\nMYPIC684,0x1560,171,F683,4096,256,"), std::string::npos) << csv.out;

  const Result detected = Cli({"detect", "--port", "demo:MYPIC684"}, env);
  EXPECT_NE(detected.out.find("Selected chip is  MYPIC684"), std::string::npos) << detected.out << detected.err;
  const std::string hex = Temp("mine.hex");
  Write(hex, kMidRangeHex);
  const Result written = Cli({"write", "--port", "demo:MYPIC684", "--chip", "mypic684", "--yes", hex}, env);
  EXPECT_EQ(written.status, 0) << written.out << written.err;
  EXPECT_NE(written.out.find("No differences found."), std::string::npos);
  const Result unknown = Cli({"detect", "--port", "demo:MYPIC684"});
  EXPECT_NE(unknown.status, 0) << "without the file the chip is unknown";
  std::remove(hex.c_str());
  std::remove(file.c_str());
}

TEST(Cli, WriteVerifiesOnTheDemoGateway) {
  for (const auto& [chip, text] : {std::pair{"PIC16F630", kMidRangeHex}, std::pair{"PIC16F1847", kEnhancedHex}}) {
    SCOPED_TRACE(chip);
    const std::string hex = Temp(std::string(chip) + ".hex");
    Write(hex, text);
    const Result r = Cli({"write", "--port", std::string("demo:") + chip, "--chip", chip, "--yes", "--erase", hex});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::size_t clean = 0;
    for (std::size_t at = r.out.find("No differences found."); at != std::string::npos;
         at = r.out.find("No differences found.", at + 1)) {
      ++clean;
    }
    EXPECT_EQ(clean, 2u) << "program and configuration, then the EEPROM";
    EXPECT_EQ(r.out.find("the user IDs have been written") != std::string::npos, text == kMidRangeHex);
    EXPECT_NE(r.out.find("\nChecksum: "), std::string::npos);
    std::remove(hex.c_str());
  }
}

TEST(Cli, WriteVerifyAndReadBackThroughThePseudoTerminal) {
  // The chip outlives each run of the tool.
  fw::test::SimProcess sim({"--chip", "PIC12F629"});
  ASSERT_FALSE(sim.path.empty());
  const std::string hex = Temp("pty.hex"), back = Temp("back.hex");
  Write(hex, kMidRangeHex);
  const Result write = Cli({"write", "--port", sim.path, "--chip", "PIC12F629", "--yes", hex});
  ASSERT_EQ(write.status, 0) << write.out << write.err;
  const Result detect = Cli({"detect", "--port", sim.path});
  EXPECT_EQ(detect.status, 0) << detect.out << detect.err;
  EXPECT_NE(detect.out.find("Selected chip is  PIC12F629"), std::string::npos);
  const Result read = Cli({"read", "--port", sim.path, "--chip", "PIC12F629", "--output", back, "--quiet"});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, "");
  std::ifstream in(back);
  std::stringstream saved;
  saved << in.rdbuf();
  // The words the file set, the chip's OSCCAL word kept at 0x3FF, the EEPROM.
  EXPECT_NE(saved.str().find(":08000000042805280628FF3F"), std::string::npos);
  EXPECT_NE(saved.str().find(":0807F800FF3FFF3FFF3FA834"), std::string::npos);
  EXPECT_NE(saved.str().find(":084200004100420043004400"), std::string::npos);
  std::remove(hex.c_str());
  std::remove(back.c_str());
}

using fw::test::HexRecord;

// The OSCCAL word and configuration word in a dump of the simulated chip.
std::string DumpedWords(const std::string& dump) {
  std::ifstream in(dump);
  std::string line, found;
  while (std::getline(in, line)) {
    if (line.rfind(":1007F000", 0) == 0) found += line.substr(37, 4) + " ";
    if (line.rfind(":10400000", 0) == 0) found += line.substr(37, 4);
  }
  return found;
}

// The factory calibration of a PIC12F629-family chip through whole runs of
// the tool: a protected chip is left alone until its values are given, a
// Ctrl+C after the erase leaves them on the chip, and the record puts back
// what an erase without them lost.
TEST(Cli, TheCalibrationOutlivesProtectionInterruptionAndLoss) {
  const std::string image = Temp("protected.hex"), dump = Temp("dump.hex"), hex = Temp("firmware.hex");
  // Program words and a configuration word with code protection on.
  Write(image, HexRecord(0, {0x05, 0x28}) + HexRecord(0x400E, {0x7F, 0x2F}) + ":00000001FF\n");
  Write(hex, kMidRangeHex);
  std::remove((DataHome() + "/flashwright/calibration.log").c_str());
  {
    fw::test::SimProcess sim({"--chip", "PIC12F675", "--load", image, "--dump", dump});
    const Result refused = Cli({"erase", "--port", sim.path, "--chip", "PIC12F675", "--yes"});
    EXPECT_EQ(refused.status, 1) << refused.out << refused.err;
    EXPECT_NE(refused.out.find("reads 0000, which is not a calibration value"), std::string::npos) << refused.out;
    EXPECT_NE(refused.err.find("--osccal 0x34XX --bg NN"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--no-keep-calibration"), std::string::npos);
    const Result given = Cli({"erase", "--port", sim.path, "--chip", "PIC12F675", "--yes", "--osccal", "0x34A8", "--bg", "10"});
    EXPECT_EQ(given.status, 0) << given.out << given.err;
    sim.Stop();
    EXPECT_EQ(sim.Problems(), "");
    EXPECT_EQ(DumpedWords(dump).substr(0, 5), "A834 ") << "OSCCAL 34A8 at 0x3FF";
  }
  {
    fw::test::SimProcess sim({"--chip", "PIC16F630", "--dump", dump});
    int out = -1;
    const std::string err = Temp("interrupted.err");
    const pid_t pid = Start(FLASHWRIGHT_CLI_PATH, {"write", "--port", sim.path, "--chip", "PIC16F630", "--yes", hex},
                            err, &out);
    // Wait for the values to be read, let the erase and some programming
    // happen, then Ctrl+C twice.
    std::string seen;
    char buffer[512];
    while (seen.find("has been read and stored") == std::string::npos) {
      const ssize_t n = read(out, buffer, sizeof buffer);
      if (n <= 0) break;
      seen.append(buffer, static_cast<std::size_t>(n));
    }
    usleep(400000);
    kill(pid, SIGINT);
    usleep(20000);
    kill(pid, SIGINT);
    const Result r = Finish(pid, out, err, seen);
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("    OSCCAL word & BG-bits has been restored\n    the chip now holds: program memory erased"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("before it is used\nOperation cancelled\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("cannot be cut short"), std::string::npos) << r.err;
    // Lost knowingly: the record's entry was closed when the values went
    // back, so "last" offers nothing (it could be another chip's); the
    // values given from the record put them back.
    const Result lost = Cli({"erase", "--port", sim.path, "--chip", "PIC16F630", "--yes", "--no-keep-calibration"});
    EXPECT_EQ(lost.status, 0) << lost.out << lost.err;
    const Result last = Cli({"calibration", "--port", sim.path, "--chip", "auto", "--restore", "last", "--yes"});
    EXPECT_EQ(last.status, 1) << last.out << last.err;
    EXPECT_NE(last.err.find("no open calibration record for the PIC16F630"), std::string::npos) << last.err;
    const Result back = Cli({"calibration", "--port", sim.path, "--chip", "auto", "--restore", "--osccal", "0x34A8",
                             "--bg", "10", "--yes"});
    EXPECT_EQ(back.status, 0) << back.out << back.err;
    EXPECT_NE(back.out.find("    OSCCAL word & BG-bits have been restored: 0x03FF = 34A8, BG bits = 10"),
              std::string::npos);
    sim.Stop();
    EXPECT_EQ(sim.Problems(), "");
    EXPECT_EQ(DumpedWords(dump), "A834 FF21") << "OSCCAL back, the configuration word erased but for its BG bits";
  }
  for (const std::string& f : {image, dump, hex}) std::remove(f.c_str());
}

// Reads standard output until `pattern` shows, at most `seconds`.
bool ReadUntil(int fd, std::string* seen, const std::string& pattern, int seconds = 60) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (seen->find(pattern) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    char buffer[512];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen->append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

// A tray of chips at one station: each put in is numbered, written and
// recorded; each taken out keeps its number.
TEST(Cli, AStationProgramsEveryChipPutIn) {
  const std::string dump = Temp("station.hex"), serials = Temp("serial.txt"), record = Temp("record.jsonl");
  const std::string hex = Temp("station_firmware.hex");
  Write(hex, ":020000040000FA\n:06000000042805280628A1\n:02400E00C43FAD\n:00000001FF\n");
  for (const std::string& f : {serials, record}) std::remove(f.c_str());
  fw::test::SimProcess sim({"--chip", "PIC12F609", "--dump", dump});
  ASSERT_FALSE(sim.path.empty());
  int out = -1;
  const std::string err = Temp("station.err");
  const pid_t pid = Start(FLASHWRIGHT_CLI_PATH,
                          {"write", "--port", sim.path, "--chip", "PIC12F609", "--yes", "--repeat", "--no-verify",
                           "--serial", "500", "--serial-at", "ids", "--serial-file", serials, "--record", record, hex},
                          err, &out);
  std::string seen;
  for (int chip = 1; chip <= 3; ++chip) {
    ASSERT_TRUE(ReadUntil(out, &seen, "chip " + std::to_string(chip) + "  PIC12F609")) << seen;
    if (chip == 3) break;
    kill(sim.pid, SIGUSR1);  // taken out
    usleep(900000);
    kill(sim.pid, SIGUSR1);  // the next one put in
  }
  kill(pid, SIGINT);
  const Result r = Finish(pid, out, err, seen);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  for (const char* chip : {"PASS  chip 1  PIC12F609  serial 500", "PASS  chip 2  PIC12F609  serial 501",
                           "PASS  chip 3  PIC12F609  serial 502"}) {
    EXPECT_NE(r.out.find(chip), std::string::npos) << r.out;
  }
  EXPECT_NE(r.out.find("station: 3 passed, 0 failed, serial numbers 500 to 502"), std::string::npos) << r.out;
  sim.Stop();
  EXPECT_EQ(sim.Problems(), "");
  // Each chip holds its number in its user IDs (500 = 0x01F4), ID0 first.
  const std::pair<std::string, std::string> chips[] = {
      {dump + ".1", "000001000F000400"}, {dump + ".2", "000001000F000500"}, {dump, "000001000F000600"}};
  for (const auto& [file, ids] : chips) {
    std::ifstream in(file);
    std::string line, found;
    while (std::getline(in, line)) {
      if (line.rfind(":10400000", 0) == 0) found = line.substr(9, 16);
    }
    EXPECT_EQ(found, ids) << file;
  }
  std::ifstream in_serials(serials);
  const std::string text((std::istreambuf_iterator<char>(in_serials)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "start 500 step 1\nnext 503\n") << "every number settled";
  const Result report = Cli({"report", record});
  EXPECT_NE(report.out.find("chips: 3 programmed, 0 failed"), std::string::npos) << report.out;
  for (const std::string& f : {dump, dump + ".1", dump + ".2", serials, serials + ".lock", record, hex}) {
    std::remove(f.c_str());
  }
}

// The same job on several gateways at once: every line names its port, the
// serial numbers stay unique, and the status is 0 only when all succeed.
// A database server that takes the connection and never answers: the
// password is off the command line other users see while the station
// waits, and Ctrl+C ends the wait at once with nothing programmed.
TEST(Cli, ADatabaseWaitHidesThePasswordAndEndsOnCtrlC) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(listener, 4), 0);  // connections wait in the backlog, never answered
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
  const std::string url = "host=127.0.0.1 port=" + std::to_string(ntohs(address.sin_port)) +
                          " dbname=tray user=bench password=Sekrit-42";
  const std::string hex = Temp("silent.hex");
  Write(hex, kMidRangeHex);
  for (const std::vector<std::string>& given : {std::vector<std::string>{"--database", url},
                                               std::vector<std::string>{"--database=" + url}}) {
    std::vector<std::string> args{"write", "--port", "demo:PIC16F630", "--chip", "PIC16F630", "--yes"};
    args.insert(args.end(), given.begin(), given.end());
    args.push_back(hex);
    int out = -1;
    const pid_t pid = Start(FLASHWRIGHT_CLI_PATH, args, ErrPath(), &out);
    usleep(500000);
    std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string shown((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    EXPECT_EQ(shown.find("Sekrit"), std::string::npos) << shown;
    EXPECT_NE(shown.find("demo:PIC16F630"), std::string::npos) << "the rest stays readable: " << shown;
    const auto asked = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    const Result r = Finish(pid, out, ErrPath());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count(), 3.0);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("stopped while the database was being reached; nothing programmed"), std::string::npos)
        << r.out << r.err;
    EXPECT_EQ(r.out.find("Write"), std::string::npos) << r.out;
    EXPECT_EQ((r.out + r.err).find("Sekrit"), std::string::npos);
  }
  close(listener);
  std::remove(hex.c_str());
}

TEST(Cli, SeveralGatewaysAtOnce) {
  const std::string hex = Temp("ports.hex");
  Write(hex, kMidRangeHex);
  const Result mixed = Cli({"write", "--port", "demo:PIC16F630", "--port", "demo:PIC16F676", "--chip", "auto",
                            "--yes", "--serial", "1", "--serial-at", "eeprom:0x20:2", hex});
  EXPECT_EQ(mixed.status, 0) << mixed.out << mixed.err;
  EXPECT_NE(mixed.out.find("[demo:PIC16F676] Selected chip is  PIC16F676"), std::string::npos) << mixed.out;
  EXPECT_NE(mixed.out.find("serial number 1 goes to"), std::string::npos);
  EXPECT_NE(mixed.out.find("serial number 2 goes to"), std::string::npos);
  EXPECT_NE(mixed.out.find("\nport "), std::string::npos) << "the summary table";
  const Result refused = Cli({"write", "--port", "demo:PIC16F630", "--port", "demo:PIC16F684", "--chip", "PIC16F630",
                              "--yes", hex});
  EXPECT_EQ(refused.status, 3) << refused.out;
  EXPECT_NE(refused.out.find("not the PIC16F630's: nothing written"), std::string::npos) << refused.out;
  EXPECT_EQ(Cli({"write", "--port", "demo:PIC16F630", "--port", "demo:PIC16F676", "--chip", "auto", hex}).status, 2)
      << "several ports ask no questions";
  std::remove(hex.c_str());
}

}  // namespace
