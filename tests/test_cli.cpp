// flashwright-cli as a whole process: exit statuses and their causes, the
// built-in simulated gateway, and flashwright-sim on a pseudo-terminal with
// real time.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// Runs a program with standard input from /dev/null (no terminal).
Result Run(const char* program, const std::vector<std::string>& args) {
  const std::string err_path = testing::TempDir() + "/flashwright_cli_err_" + std::to_string(getpid());
  int out[2];
  if (pipe(out) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
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
  Result r;
  r.out = Slurp(out[0]);
  close(out[0]);
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

Result Cli(const std::vector<std::string>& args) { return Run(FLASHWRIGHT_CLI_PATH, args); }

std::string Temp(const std::string& name) {
  return testing::TempDir() + "/flashwright_cli_" + std::to_string(getpid()) + "_" + name;
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A few program words, a configuration word and EEPROM bytes, as an
// assembler would place them for a mid-range chip.
const std::string kMidRangeHex =
    ":020000040000FA\n:0A000000042805280628FF3F5530AC\n:02400E00C43FAD\n"
    ":084200004100420043004400AC\n:00000001FF\n";
// The same for an enhanced chip: configuration words at 0x1000E, EEPROM at
// 0x1E000.
const std::string kEnhancedHex =
    ":020000040000FA\n:0600000004280528062873\n:020000040001F9\n:04000E00E4FFFFDF2D\n"
    ":04E000005A00A5001D\n:00000001FF\n";

TEST(Cli, ExitStatusesNameTheirCause) {
  const std::string hex = Temp("mid.hex");
  Write(hex, kMidRangeHex);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string said;  // in standard error (or output for 0)
  } cases[] = {
      {{"--help"}, 0, "never the device ID"},
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
      {{"detect", "--port", "/dev/flashwright-none"}, 1, ""},
      {{"detect", "--port", "demo:PIC16F887"}, 0, "Selected chip is  PIC16F887"},
      {{"calibration", "--port", "demo:PIC16F1823", "--chip", "pic16lf1823"}, 0, "0x800A = 2C31"},
      {{"blank-check", "--port", "demo:PIC16F636", "--chip", "PIC16F639"}, 0, "The chip is blank."},
      {{"read", "--port", "demo:PIC16F720", "--chip", "auto", "--section", "data", "--output", "x.hex"}, 3,
       "function is unavailable for this chip"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    const Result r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((c.status == 0 || c.status == 1 ? r.out : r.err + r.out).find(c.said), std::string::npos)
        << r.out << r.err;
  }
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

}  // namespace
