// flashwright-sim as a separate program on a pseudo-terminal, with real time:
// the programmer connects, reads the device ID and program words, comes back
// for a second connection, and the simulator dumps its chip on SIGTERM.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "hex_record.h"
#include "fakes.h"
#include "icsp/icsp.h"
#include "link/posix_serial_device.h"
#include "operations/connection.h"
#include "sim_process.h"

namespace fw {
namespace {

using test::SimProcess;

using test::HexRecord;

TEST(SimProgram, ServesAPseudoTerminalAcrossConnections) {
  const std::string load = testing::TempDir() + "/flashwright_sim_load.hex";
  const std::string dump = testing::TempDir() + "/flashwright_sim_dump2.hex";
  {
    std::ofstream file(load);
    std::vector<std::uint8_t> words;
    for (int i = 0; i < 10; ++i) {
      words.push_back(static_cast<std::uint8_t>(i * 3));
      words.push_back(static_cast<std::uint8_t>(0x20 + i));
    }
    file << HexRecord(0, std::vector<std::uint8_t>(words.begin(), words.begin() + 16))
         << HexRecord(16, std::vector<std::uint8_t>(words.begin() + 16, words.end()))
         << ":00000001FF\n";
  }
  SimProcess sim({"--chip", "PIC16F630", "--load", load, "--dump", dump});
  ASSERT_FALSE(sim.path.empty());

  test::FakeClock clock;
  RealPause pause;
  test::FakeDialogs dialogs;
  Log log(clock);
  Link link(log, pause, [](const std::string& p, std::string* why) { return OpenPosixSerialDevice(p, why); });
  ChipRecord chip;
  chip.Assign(*FindChipByName("PIC16F630"), 0x10C0);
  Images images;
  Icsp icsp(link, chip, images, dialogs);

  for (int connection = 0; connection < 2; ++connection) {
    ASSERT_TRUE(Connect(link, log, sim.path)) << log.Lines().back();
    ASSERT_TRUE(icsp.SetInitState() && icsp.EnterProgrammingMode());
    EXPECT_EQ(icsp.ReadDeviceId(), 0x10C3);
    ASSERT_TRUE(icsp.SetInitState() && icsp.EnterProgrammingMode());
    for (std::uint32_t i = 0; i < 10; ++i) ASSERT_TRUE(icsp.ReadProgramMemory(i, false));
    for (std::uint32_t i = 0; i < 10; ++i) {
      EXPECT_EQ(WordAt(images.ProgramImage, i), ((0x20 + i) << 8) | (i * 3)) << "word " << i;
    }
    if (connection == 0) {
      SetWordAt(images.ProgramImage, 10, 0x0777);
      ASSERT_TRUE(icsp.WriteProgramMemory(10, false));
    }
    ASSERT_TRUE(icsp.SetInitState());
    Disconnect(link, log);
  }
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_EQ(sim.Problems(), "") << "no notes, no protocol errors";
  std::ifstream in(dump);
  std::stringstream text;
  text << in.rdbuf();
  // Words 0-9 as loaded, word 10 as written over the first connection.
  EXPECT_EQ(text.str().find(":020000040000FA\n:1000000000200321062209230C240F2512261527"), 0u)
      << text.str().substr(0, 200);
  EXPECT_NE(text.str().find("\n:1000100018281B297707FF3F"), std::string::npos)
      << text.str().substr(0, 200);
  std::remove(load.c_str());
  std::remove(dump.c_str());
}

TEST(SimProgram, ASilentGatewayFailsTheGreeting) {
  SimProcess sim({"--chip", "PIC16F684", "--fault", "silent"});
  ASSERT_FALSE(sim.path.empty());
  test::FakeClock clock;
  RealPause pause;
  Log log(clock);
  Link link(log, pause, [](const std::string& p, std::string* why) { return OpenPosixSerialDevice(p, why); });
  EXPECT_FALSE(Connect(link, log, sim.path));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error reading the answer (PINB)"});
  EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimProgram, RefusesAnUnknownChipOrFault) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--chip", "PIC99X"}, {"--chip", "PIC16F684", "--fault", "loud"}}) {
    const pid_t pid = fork();
    if (pid == 0) {
      std::vector<char*> argv{const_cast<char*>(FLASHWRIGHT_SIM_PATH)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      freopen("/dev/null", "w", stderr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
  }
}

}  // namespace
}  // namespace fw
