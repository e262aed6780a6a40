#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "sim/gateway_sim.h"
#include "sim/hex_image.h"
#include "sim/virtual_chip.h"
#include "chip_driver.h"
#include "sim_rig.h"

namespace fw {
namespace {

using test::ChipDriver;
using test::SimRig;

std::uint16_t Pattern(std::uint32_t i) { return static_cast<std::uint16_t>((i * 0x1357 + 0x0A5) & 0x3FFF); }

bool Timed(const ChipRecord& c) { return c.ProgramWaitInt == 0; }

// Erase, program some words of each memory and read them back, as the
// programmer's operations will, through the simulated gateway.
void RoundTrip(const char* name) {
  SCOPED_TRACE(name);
  SimRig rig(name);
  ASSERT_TRUE(rig.link.PortValid());
  Icsp& icsp = rig.icsp;
  const bool ext = Timed(rig.chip);
  const std::uint32_t words = rig.chip.ProgramSize / 2;

  // The F627A's documented erase loads 0x3FFF first.
  ASSERT_TRUE(icsp.SetInitState() && icsp.EnterProgrammingMode() && icsp.LoadConfiguration() &&
              icsp.LoadDataForProgramMemory(0x3FFF) && icsp.BulkEraseProgramMemory() &&
              icsp.SetInitState());
  if (rig.chip.DataSize > 0) {
    ASSERT_TRUE(icsp.EnterProgrammingMode() && icsp.BulkEraseDataMemory() && icsp.SetInitState());
  }

  // Program: the first 40 words and the last one.
  for (std::uint32_t i = 0; i < words; ++i) SetWordAt(rig.images.ProgramImage, i, 0x3FFF);
  for (std::uint32_t i = 0; i < 40; ++i) SetWordAt(rig.images.ProgramImage, i, Pattern(i));
  SetWordAt(rig.images.ProgramImage, words - 1, 0x0123);
  ASSERT_TRUE(icsp.EnterProgrammingMode());
  for (std::uint32_t i = 0; i < 40; ++i) ASSERT_TRUE(icsp.WriteProgramMemory(i, ext));
  ASSERT_TRUE(icsp.IncrementAddress(words - 1 - 40, false));
  ASSERT_TRUE(icsp.WriteProgramMemory(words - 1, ext));
  ASSERT_TRUE(icsp.SetInitState());

  // Configuration: user IDs and the configuration word.
  for (std::uint32_t i = 0; i < 8; ++i) SetWordAt(rig.images.ConfigImage, i, 0x3FFF);
  for (std::uint32_t i = 0; i < 4; ++i) SetWordAt(rig.images.ConfigImage, i, 0x0010 + i);
  SetWordAt(rig.images.ConfigImage, 7, 0x2FD4);  // no protection bit of any family at 0
  ASSERT_TRUE(icsp.EnterProgrammingMode() && icsp.LoadConfiguration());
  for (std::uint32_t i = 0; i < 8; ++i) ASSERT_TRUE(icsp.WriteConfigMemory(i, ext));
  ASSERT_TRUE(icsp.SetInitState());

  // EEPROM: sixteen bytes.
  if (rig.chip.DataSize > 0) {
    ASSERT_TRUE(icsp.EnterProgrammingMode());
    for (std::uint32_t i = 0; i < 16; ++i) {
      rig.images.DataImage[i] = static_cast<std::uint8_t>(0x30 + i * 7);
      ASSERT_TRUE(icsp.WriteDataMemory(i, false));
    }
    ASSERT_TRUE(icsp.SetInitState());
  }

  // Read everything back into clean images and compare.
  Images written = rig.images;
  std::fill(rig.images.ProgramImage.begin(), rig.images.ProgramImage.end(), 0);
  std::fill(rig.images.ConfigImage.begin(), rig.images.ConfigImage.end(), 0);
  std::fill(rig.images.DataImage.begin(), rig.images.DataImage.end(), 0);
  ASSERT_TRUE(icsp.EnterProgrammingMode());
  for (std::uint32_t i = 0; i < words; ++i) ASSERT_TRUE(icsp.ReadProgramMemory(i, false));
  ASSERT_TRUE(icsp.SetInitState() && icsp.EnterProgrammingMode() && icsp.LoadConfiguration());
  for (std::uint32_t i = 0; i < rig.chip.ConfigSize / 2; ++i) ASSERT_TRUE(icsp.ReadConfigMemory(i, false));
  ASSERT_TRUE(icsp.SetInitState());
  for (std::uint32_t i = 0; i < words; ++i) {
    ASSERT_EQ(WordAt(rig.images.ProgramImage, i), WordAt(written.ProgramImage, i)) << "word " << i;
  }
  for (std::uint32_t i = 0; i < 4; ++i) EXPECT_EQ(WordAt(rig.images.ConfigImage, i), 0x0010 + i);
  const std::uint16_t config = WordAt(rig.images.ConfigImage, 7);
  if (rig.entry().Family == ChipFamily::F629) {
    EXPECT_EQ(config, 0x21D4) << "bits 11:9 are not implemented and read 0";
  } else {
    EXPECT_EQ(config, 0x2FD4);
  }
  EXPECT_EQ(WordAt(rig.images.ConfigImage, 6), rig.gateway.chip().device_id());
  EXPECT_EQ(WordAt(rig.images.ConfigImage, 4), 0x3FFF) << "unimplemented";
  if (rig.chip.DataSize > 0) {
    ASSERT_TRUE(icsp.EnterProgrammingMode());
    for (std::uint32_t i = 0; i < 16; ++i) {
      ASSERT_TRUE(icsp.ReadDataMemory(i, false));
      EXPECT_EQ(rig.images.DataImage[i], 0x30 + i * 7);
    }
    ASSERT_TRUE(icsp.SetInitState());
  }
  EXPECT_TRUE(rig.gateway.gateway().protocol_errors().empty())
      << rig.gateway.gateway().protocol_errors().front();
  EXPECT_TRUE(rig.gateway.chip().notes().empty()) << rig.gateway.chip().notes().front();
  EXPECT_TRUE(rig.log.Lines().empty());
}

TEST(SimRoundTrip, OneChipOfEachFamily) {
  for (const char* name : {"PIC16F630", "PIC16F684", "PIC16F785", "PIC12F635", "PIC16F628A",
                           "PIC16F616", "PIC12F617", "PIC12F752", "PIC16F753", "PIC16F887",
                           "PIC16F727", "PIC16F720", "PIC16F1847", "PIC12F1501", "PIC16F1509"}) {
    RoundTrip(name);
  }
}

TEST(SimTiming, ASkippedWaitLeavesTheCellUnprogrammed) {
  SimRig rig("PIC16F684");
  rig.chip.ProgramWaitInt = 1;  // a programmer that does not wait the chip's 3 ms
  SetWordAt(rig.images.ProgramImage, 0, 0x1234);
  ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
  ASSERT_TRUE(rig.icsp.WriteProgramMemory(0, false));
  ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
  ASSERT_TRUE(rig.icsp.ReadProgramMemory(0, true) == false) << "verification catches it";
  EXPECT_EQ(rig.gateway.chip().ProgramWord(0), 0x3FFF);
  ASSERT_EQ(rig.gateway.chip().notes().size(), 1u);

  // The erase needs its 6 ms.
  rig.chip.ProgramWaitInt = 3;
  rig.chip.EraseProgramWait = 4;
  ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
  ASSERT_TRUE(rig.icsp.WriteProgramMemory(0, false));
  ASSERT_TRUE(rig.icsp.BulkEraseProgramMemory());
  ASSERT_TRUE(rig.icsp.SetInitState());
  EXPECT_EQ(rig.gateway.chip().ProgramWord(0), 0x1234) << "the short erase had no effect";
}

TEST(SimDeviceId, TheChipsWordWithItsRevision) {
  {
    SimRig rig("PIC16F887", 5);
    ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
    EXPECT_EQ(rig.icsp.ReadDeviceId(), 0x2085);
  }
  {
    SimRig rig("PIC16F630");
    ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
    EXPECT_EQ(rig.icsp.ReadDeviceId(), 0x10C3);
  }
  {
    SimRig rig("PIC16F753", 9);
    ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
    EXPECT_EQ(rig.icsp.ReadDeviceId(), 0x3030);
  }
  {
    SimRig rig("PIC16F1829", 2);
    ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
    EXPECT_EQ(rig.icsp.ReadDeviceId(), 0x27E2);
    EXPECT_EQ(rig.gateway.chip().pc(), 0x8006u);
  }
}

TEST(SimFaults, EachGivesItsLogLineAndAClosedLink) {
  {
    SimRig rig("PIC16F684", 3, {sim::Fault::Kind::kSilent, 0});
    EXPECT_FALSE(rig.link.PortValid());
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error reading the answer (PINB)"});
  }
  for (auto kind : {sim::Fault::Kind::kNoAnswer, sim::Fault::Kind::kShortAnswer}) {
    SimRig rig("PIC16F684", 3, {kind, 2});
    ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
    EXPECT_TRUE(rig.icsp.ReadProgramMemory(0, false));
    EXPECT_FALSE(rig.icsp.ReadProgramMemory(1, false));
    EXPECT_FALSE(rig.link.PortValid());
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error reading the answer from GX-0450"});
    EXPECT_FALSE(rig.icsp.SetInitState());
    EXPECT_EQ(rig.log.Lines().back(), "Error executing commands:  set InitState");
  }
  {
    SimRig rig("PIC16F684", 3, {sim::Fault::Kind::kHangup, 5});  // greeting is four frames
    ASSERT_TRUE(rig.link.PortValid());
    EXPECT_FALSE(rig.icsp.SetInitState());
    EXPECT_FALSE(rig.link.PortValid());
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error executing commands:  set InitState"});
  }
  EXPECT_FALSE(sim::ParseFault("hangup:0"));
  EXPECT_FALSE(sim::ParseFault("no-answer:x"));
  EXPECT_FALSE(sim::ParseFault("loud"));
  EXPECT_EQ(sim::ParseFault("short-answer:12")->n, 12);
}

TEST(SimGateway, RecordsWhatTheRealGatewayWouldNotTake) {
  sim::VirtualChip chip(*FindChipByName("PIC16F684"));
  sim::GatewaySim gw(chip);
  const std::uint8_t stream[] = {
      0x99,              // unknown command byte
      0x4C, 0x06,        // a packet before any packet size
      0x42, 0x08,        // packet size 8
      0x1D, 0x04,        // programming mode
      0x42, 0x10, 0x4C, 0x00, 0x00,  // a data packet with no command waiting
      0x42, 0x06, 0x4C, 0x04, 0x42, 0x10, 0x4C, 0xFE, 0x7F, 0x4A,  // a good read
  };
  gw.Receive(stream, sizeof stream, 0);
  ASSERT_EQ(gw.protocol_errors().size(), 4u);
  EXPECT_NE(gw.protocol_errors()[0].find("0x99"), std::string::npos);
  EXPECT_NE(gw.protocol_errors()[2].find("8"), std::string::npos);
  EXPECT_NE(gw.protocol_errors()[3].find("no command waiting"), std::string::npos);
  ASSERT_EQ(gw.output().size(), 2u);
  EXPECT_EQ(gw.output()[0], 0xFE);
  EXPECT_EQ(gw.output()[1], 0x7F);
  EXPECT_EQ(gw.packet_size(), 16);
}

TEST(SimGateway, FramesMaySplitAcrossWritesAndTheLineGoesIdleOnClose) {
  sim::VirtualChip chip(*FindChipByName("PIC16F684"));
  sim::GatewaySim gw(chip);
  const std::uint8_t part1[] = {0x1D}, part2[] = {0x04, 0x42}, part3[] = {0x06, 0x4C, 0x06};
  gw.Receive(part1, 1, 0);
  EXPECT_FALSE(chip.in_programming_mode());
  gw.Receive(part2, 2, 0);
  EXPECT_TRUE(chip.in_programming_mode());
  gw.Receive(part3, 3, 0);
  EXPECT_EQ(chip.pc(), 1u);
  gw.LineIdle(0);
  EXPECT_FALSE(chip.in_programming_mode());
  EXPECT_TRUE(gw.protocol_errors().empty());
}

TEST(SimGateway, OpeningIsExclusiveAndMemoriesOutliveAConnection) {
  SimRig rig("PIC16F684");
  EXPECT_EQ(rig.gateway.Open(), nullptr);
  SetWordAt(rig.images.ProgramImage, 0, 0x0ABC);
  ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
  ASSERT_TRUE(rig.icsp.WriteProgramMemory(0, false));
  rig.link.ClosePort();
  EXPECT_FALSE(rig.gateway.chip().in_programming_mode());
  rig.link.OpenPort("demo");
  ASSERT_TRUE(rig.link.PortValid());
  ASSERT_TRUE(rig.icsp.SetInitState() && rig.icsp.EnterProgrammingMode());
  EXPECT_TRUE(rig.icsp.ReadProgramMemory(0, true));
}

TEST(SimChip, CounterWrapsWithinEachSpace) {
  ChipDriver d("PIC16F684");
  d.Inc(0x1FFF);
  EXPECT_EQ(d.chip.pc(), 0x1FFFu);
  d.Inc(1);
  EXPECT_EQ(d.chip.pc(), 0u);
  d.LoadConfig();
  EXPECT_EQ(d.chip.pc(), 0x2000u);
  d.Inc(0x1FFF);
  EXPECT_EQ(d.chip.pc(), 0x3FFFu);
  d.Inc(1);
  EXPECT_EQ(d.chip.pc(), 0x2000u);
  ChipDriver e("PIC16F1847");
  e.LoadConfig();
  EXPECT_EQ(e.chip.pc(), 0x8000u);
  e.Inc(0x7FFF);
  e.Inc(1);
  EXPECT_EQ(e.chip.pc(), 0x8000u);
}

TEST(SimChip, ReadsOfUnimplementedCellsAndTheEeprom) {
  ChipDriver d("PIC16F684");
  d.chip.SetProgramWord(5, 0x1111);
  d.Inc(5 + 2048);  // program space above the memory aliases onto it
  EXPECT_EQ(d.Read(), 0x1111);
  d.chip.SetDataByte(3, 0xA7);
  d.chip.EnterProgrammingMode();
  d.Inc(3 + 256);  // only the low bits address the EEPROM
  EXPECT_EQ(d.ReadData(), 0x00A7) << "byte in bits 7..0, zeros above";
  d.LoadConfig();
  d.Inc(4);
  EXPECT_EQ(d.Read(), 0x3FFF);
  d.Inc(4);
  EXPECT_EQ(d.Read(), 0x2D4A) << "the calibration word at 0x2008";
  d.Inc(0x40);
  EXPECT_EQ(d.Read(), 0x3FFF) << "past the configuration area";
}

TEST(SimChip, TheDeviceIdCannotBeProgrammed) {
  ChipDriver d("PIC16F684");
  d.LoadConfig();
  d.Inc(6);
  d.Cmd(0x02);
  d.Data(0x0000);
  d.Cmd(0x08);
  d.Settle();
  EXPECT_EQ(d.Read(), 0x1083);
}

TEST(SimChip, ExternallyTimedOnlyPartsIgnoreTheInternalCycle) {
  ChipDriver d("PIC16F616");
  d.Cmd(0x02);
  d.Data(0x0123);
  d.Cmd(0x08);
  d.Settle();
  EXPECT_EQ(d.chip.ProgramWord(0), 0x3FFF);
  d.Cmd(0x02);
  d.Data(0x0123);
  d.Cmd(0x18);
  d.Cmd(0x0A);
  EXPECT_EQ(d.chip.ProgramWord(0), 0x0123);
}

TEST(SimChip, DataEraseAndAProgrammingCycleNeedALoad) {
  ChipDriver d("PIC16F684");
  d.chip.SetDataByte(0, 0x12);
  d.Cmd(0x0B);
  d.Settle();
  EXPECT_EQ(d.chip.DataByte(0), 0xFF);
  d.Cmd(0x08);  // no Load before it
  d.Settle();
  EXPECT_EQ(d.chip.notes().size(), 1u);
  EXPECT_EQ(d.chip.ProgramWord(0), 0x3FFF);
}

TEST(SimHex, LoadAndDumpInTheFullChipLayout) {
  sim::VirtualChip chip(*FindChipByName("PIC16F1847"));
  chip.SetProgramWord(0, 0x3123);
  chip.SetProgramWord(8191, 0x0042);
  chip.SetConfigWord(7, 0x0E04);
  chip.SetDataByte(255, 0x5C);
  const std::string path = testing::TempDir() + "/flashwright_sim_dump.hex";
  std::string error;
  ASSERT_TRUE(sim::DumpChipHex(path, chip, &error)) << error;
  sim::VirtualChip copy(*FindChipByName("PIC16F1847"));
  ASSERT_TRUE(sim::LoadChipHex(path, copy, &error)) << error;
  EXPECT_EQ(copy.ProgramWord(0), 0x3123);
  EXPECT_EQ(copy.ProgramWord(8191), 0x0042);
  EXPECT_EQ(copy.ConfigWord(7), 0x0E04);
  EXPECT_EQ(copy.DataByte(255), 0x5C);
  std::ifstream in(path);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, ":020000040000FA");
  {
    std::ofstream bad(path);
    bad << ":10000000FFFFFFFF\n";
  }
  EXPECT_FALSE(sim::LoadChipHex(path, copy, &error));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace fw
