#include <gtest/gtest.h>

#include "icsp_rig.h"

namespace fw {
namespace {

using test::IcspRig;
using test::Trace;

TEST(InitAndEntry, FramesAndFailTexts) {
  IcspRig rig;
  EXPECT_TRUE(rig.icsp.SetInitState());
  EXPECT_TRUE(rig.icsp.EnterProgrammingMode());
  EXPECT_EQ(rig.trace, (Trace{"W 11 00 0F 30", "S 1", "S 0", "W 0D 00 0B 01", "S 1", "S 0",
                              "W 1D 04", "S 1", "S 0"}));
  rig.link.ClosePort();
  EXPECT_FALSE(rig.icsp.SetInitState());
  EXPECT_FALSE(rig.icsp.EnterProgrammingMode());
  EXPECT_EQ(rig.log.Lines(), (std::vector<std::string>{
                                 "Error executing commands:  set InitState",
                                 "Error executing commands:  enter programming mode, Vpp-first"}))
      << "a closed link fails at the first frame, one line each";
}

TEST(ReadDeviceId, FifteenFramesAndTheUnmaskedWord) {
  IcspRig rig("PIC16F630", 0x1AE2);
  rig.link.DelayValue = 1;
  EXPECT_EQ(rig.icsp.ReadDeviceId(), 0x0D71);
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 00", "42 10", "4C 00 00", "42 06", "4C 06", "4C 06",
                                 "4C 06", "4C 06", "4C 06", "4C 06", "4C 04", "42 10", "4C FE 7F",
                                 "4A"}));
  EXPECT_EQ(std::count(rig.trace.begin(), rig.trace.end(), "S 1"), 15 + 15 + 1)
      << "a 1 ms pause and the 1 ms delay after each frame, and one poll";

  IcspRig stop_bit("PIC16F630", 0xA180);  // bit 15 set: kept, not masked
  EXPECT_EQ(stop_bit.icsp.ReadDeviceId(), 0x50C0);
}

TEST(ReadDeviceId, EachStepsFailTextAndNoAnswer) {
  const std::vector<std::string> texts = {
      " LoadPaketSize_SPI = 0x6", " Load Configuration", " LoadPaketSize_SPI = 0x10",
      " FastSendPaket_SPI 0x00 0x00", " LoadaketSize_SPI = 0x06", " Increment Address",
      " Increment Address", " Increment Address", " Increment Address", " Increment Address",
      " Increment Address", " Read Data From Program Memory", " LoadPaketSize_SPI = 0x10",
      " FastSendPaket_SPI 0xFE 0x7F", " ReadSignPaket_SPI"};
  for (int k = 1; k <= 15; ++k) {
    IcspRig rig;
    rig.FailWriteNumber(k);
    EXPECT_EQ(rig.icsp.ReadDeviceId(), 0);
    EXPECT_FALSE(rig.link.PortValid());
    EXPECT_EQ(rig.log.Lines(),
              std::vector<std::string>{"Error executing commands: " + texts[k - 1]})
        << "step " << k;
  }
  IcspRig rig;
  rig.port.on_write = nullptr;
  EXPECT_EQ(rig.icsp.ReadDeviceId(), 0);
  EXPECT_FALSE(rig.link.PortValid());
  EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error reading the answer from GX-0450"});
}

TEST(LoadConfiguration, FramesAndFailTexts) {
  IcspRig rig;
  EXPECT_TRUE(rig.icsp.LoadConfiguration());
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 00", "42 10", "4C 00 00"}));
  const std::vector<std::string> texts = {" LoadPaketSize_SPI = 0x6", " Load Configuration",
                                          " LoadPaketSize_SPI = 0x10",
                                          " FastSendPaket_SPI 0x00 0x00"};
  for (int k = 1; k <= 4; ++k) {
    IcspRig failing;
    failing.FailWriteNumber(k);
    EXPECT_FALSE(failing.icsp.LoadConfiguration());
    EXPECT_EQ(failing.log.Lines().back(), "Error executing commands: " + texts[k - 1]);
  }
}

TEST(IncrementAddress, CountsAndMovesTheBarEveryEighth) {
  IcspRig rig;
  EXPECT_TRUE(rig.icsp.IncrementAddress(0, true));
  EXPECT_EQ(rig.Frames(), Trace{"42 06"});
  EXPECT_TRUE(rig.icsp.IncrementAddress(7, true));
  EXPECT_TRUE(rig.dialogs.positions.empty());
  EXPECT_TRUE(rig.icsp.IncrementAddress(1022, true));
  ASSERT_EQ(rig.dialogs.positions.size(), 127u);
  EXPECT_EQ(rig.dialogs.positions[0], 0);   // k = 8: 800 / 1022
  EXPECT_EQ(rig.dialogs.positions[1], 1);   // k = 16
  EXPECT_EQ(rig.dialogs.positions.back(), 99);  // k = 1016
  rig.dialogs.positions.clear();
  EXPECT_TRUE(rig.icsp.IncrementAddress(64, false));
  EXPECT_TRUE(rig.dialogs.positions.empty());
  EXPECT_EQ(std::count(rig.port.frames.begin(), rig.port.frames.end(),
                       std::vector<std::uint8_t>{0x4C, 0x06}),
            7 + 1022 + 64);

  IcspRig failing;
  failing.FailWriteNumber(3);
  EXPECT_FALSE(failing.icsp.IncrementAddress(5, false));
  EXPECT_EQ(failing.log.Lines().back(), "Error executing commands:  Increment Address");
  EXPECT_EQ(failing.port.frames.size(), 2u);
}

TEST(Reads, IndexConventionAndStoredWords) {
  IcspRig rig("PIC16F630", 0x7FFE);
  EXPECT_TRUE(rig.icsp.ReadProgramMemory(0, false));
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 04", "42 10", "4C FE 7F", "4A"}));
  rig.trace.clear();
  EXPECT_TRUE(rig.icsp.ReadProgramMemory(1, false));
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 06", "4C 04", "42 10", "4C FE 7F", "4A"}));
  EXPECT_EQ(WordAt(rig.images.ProgramImage, 0), 0x3FFF);
  EXPECT_EQ(WordAt(rig.images.ProgramImage, 1), 0x3FFF);

  IcspRig high("PIC16F630", 0xFFFE);  // bit 15 dropped by the mask
  EXPECT_TRUE(high.icsp.ReadProgramMemory(4, false));
  EXPECT_EQ(WordAt(high.images.ProgramImage, 4), 0x3FFF);
  EXPECT_EQ(high.images.ProgramImage[8], 0xFF);
  EXPECT_EQ(high.images.ProgramImage[9], 0x3F);

  IcspRig config("PIC16F630", 0x5578);  // word 0x2ABC
  EXPECT_TRUE(config.icsp.ReadConfigMemory(7, false));
  EXPECT_EQ(WordAt(config.images.ConfigImage, 7), 0x2ABC);
  EXPECT_TRUE(config.icsp.ReadConfigMemory(7, true));
  SetWordAt(config.images.ConfigImage, 7, 0x2ABD);
  EXPECT_FALSE(config.icsp.ReadConfigMemory(7, true)) << "a mismatch";
  EXPECT_EQ(WordAt(config.images.ConfigImage, 7), 0x2ABD) << "verify leaves the image";
  EXPECT_TRUE(config.link.PortValid()) << "a mismatch is no link failure";
  EXPECT_TRUE(config.log.Lines().empty());
}

TEST(Reads, EachStepsFailTextAndAnUnchangedImage) {
  const std::vector<std::string> program = {
      " LoadPaketSize_SPI = 0x06", " Increment Address", " Read Data From Program Memory",
      " LoadPaketSize_SPI = 0x10", " FastSendPaket_SPI 0xFE 0x7F", " ReadSignPaket_SPI"};
  for (int k = 1; k <= 6; ++k) {
    IcspRig rig("PIC16F630", 0x0000);
    SetWordAt(rig.images.ProgramImage, 3, 0x1234);
    rig.FailWriteNumber(k);
    EXPECT_FALSE(rig.icsp.ReadProgramMemory(3, false));
    EXPECT_EQ(rig.log.Lines().back(), "Error executing commands: " + program[k - 1]);
    EXPECT_EQ(WordAt(rig.images.ProgramImage, 3), 0x1234);
  }
  IcspRig data;
  data.FailWriteNumber(3);
  EXPECT_FALSE(data.icsp.ReadDataMemory(2, false));
  EXPECT_EQ(data.log.Lines().back(), "Error executing commands:  Read Data From Data Memory");

  IcspRig silent;
  silent.port.on_write = nullptr;
  silent.images.DataImage[0] = 0x42;
  EXPECT_FALSE(silent.icsp.ReadDataMemory(0, false));
  EXPECT_EQ(silent.images.DataImage[0], 0x42);
  EXPECT_EQ(silent.log.Lines().back(), "Error reading the answer from GX-0450");
  EXPECT_FALSE(silent.link.PortValid());
}

TEST(Reads, DataReadKeepsTheByteAndVerifyComparesTheWord) {
  IcspRig rig("PIC16F630", 0x0041 << 1);
  EXPECT_TRUE(rig.icsp.ReadDataMemory(0, false));
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 05", "42 10", "4C FE 7F", "4A"}));
  EXPECT_EQ(rig.images.DataImage[0], 0x41);
  rig.images.DataImage[3] = 0x41;
  EXPECT_TRUE(rig.icsp.ReadDataMemory(3, true));

  IcspRig upper("PIC16F630", 0x0141 << 1);
  upper.images.DataImage[3] = 0x41;
  EXPECT_FALSE(upper.icsp.ReadDataMemory(3, true)) << "bits above the byte are a difference";
  EXPECT_TRUE(upper.icsp.ReadDataMemory(5, false));
  EXPECT_EQ(upper.images.DataImage[5], 0x41) << "but a read keeps the low byte";
}

TEST(Writes, ProgramWordInternallyAndExternallyTimed) {
  IcspRig rig("PIC16F630");
  rig.link.DelayValue = 2;
  SetWordAt(rig.images.ProgramImage, 0, 0x2ABC);
  EXPECT_TRUE(rig.icsp.WriteProgramMemory(0, false));
  EXPECT_EQ(rig.trace, (Trace{"W 42 06", "S 1", "S 2", "W 4C 02", "S 1", "S 2", "W 42 10", "S 1",
                              "S 2", "W 4C 78 55", "S 1", "S 2", "W 42 06", "S 1", "S 2",
                              "W 4C 08", "S 3", "S 2"}));
  rig.trace.clear();
  SetWordAt(rig.images.ProgramImage, 1, 0x0000);
  EXPECT_TRUE(rig.icsp.WriteProgramMemory(1, true));
  EXPECT_EQ(rig.trace, (Trace{"W 42 06", "S 1", "S 2", "W 4C 06", "S 1", "S 2", "W 4C 02", "S 1",
                              "S 2", "W 42 10", "S 1", "S 2", "W 4C 00 00", "S 1", "S 2",
                              "W 42 06", "S 1", "S 2", "W 4C 18", "S 2", "S 2", "W 4C 0A", "S 1",
                              "S 2"}));
}

TEST(Writes, BlankWordsAndBytesOnlyStepTheCounter) {
  IcspRig rig;
  SetWordAt(rig.images.ProgramImage, 5, 0x3FFF);
  EXPECT_TRUE(rig.icsp.WriteProgramMemory(5, false));
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 06"}));
  rig.trace.clear();
  SetWordAt(rig.images.ConfigImage, 0, 0x3FFF);
  EXPECT_TRUE(rig.icsp.WriteConfigMemory(0, true));
  EXPECT_EQ(rig.Frames(), Trace{"42 06"});
  rig.trace.clear();
  rig.images.DataImage[4] = 0xFF;
  EXPECT_TRUE(rig.icsp.WriteDataMemory(4, false));
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 06"}));
  rig.trace.clear();
  rig.images.DataImage[0] = 0xFF;
  EXPECT_TRUE(rig.icsp.WriteDataMemory(0, false));
  EXPECT_EQ(rig.Frames(), Trace{"42 06"});
  rig.trace.clear();
  SetWordAt(rig.images.ProgramImage, 6, 0x3FFE);
  EXPECT_TRUE(rig.icsp.WriteProgramMemory(6, false));
  EXPECT_EQ(rig.Frames().size(), 7u) << "a word one bit off blank is written";
}

TEST(Writes, DataBytesAndConfigurationWordsUseTheirOwnCommandsAndWaits) {
  IcspRig rig("PIC16F785");  // data waits 6 int, 6 ext
  rig.images.DataImage[0] = 0x5A;
  EXPECT_TRUE(rig.icsp.WriteDataMemory(0, false));
  EXPECT_EQ(rig.trace, (Trace{"W 42 06", "S 1", "S 0", "W 4C 03", "S 1", "S 0", "W 42 10", "S 1",
                              "S 0", "W 4C B4 00", "S 1", "S 0", "W 42 06", "S 1", "S 0",
                              "W 4C 08", "S 6", "S 0"}));
  rig.trace.clear();
  rig.images.DataImage[1] = 0xA5;
  EXPECT_TRUE(rig.icsp.WriteDataMemory(1, true));
  const Trace frames = rig.Frames();
  EXPECT_EQ(frames[4], "4C 4A 01");
  EXPECT_EQ(frames[6], "4C 18");
  EXPECT_NE(std::find(rig.trace.begin(), rig.trace.end(), "S 6"), rig.trace.end());

  rig.trace.clear();
  SetWordAt(rig.images.ConfigImage, 7, 0x31C4);
  EXPECT_TRUE(rig.icsp.WriteConfigMemory(7, false));
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 06", "4C 02", "42 10", "4C 88 63", "42 06", "4C 08"}));
}

TEST(Writes, EachStepsFailText) {
  const std::vector<std::string> texts = {
      " LoadPaketSize_SPI = 0x06", " Increment Address", " Load Data For Program Memory",
      " LoadPaketSize_SPI = 0x10", " FastSendPaket_SPI Low High", " LoadPaketSize_SPI = 0x06",
      " Begin Programming (ext)", " End Programming"};
  for (int k = 1; k <= 8; ++k) {
    IcspRig rig;
    SetWordAt(rig.images.ProgramImage, 2, 0x0123);
    rig.FailWriteNumber(k);
    EXPECT_FALSE(rig.icsp.WriteProgramMemory(2, true));
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error executing commands: " + texts[k - 1]});
    EXPECT_EQ(WordAt(rig.images.ProgramImage, 2), 0x0123) << "a write never changes the image";
  }
  IcspRig internal;
  SetWordAt(internal.images.ProgramImage, 0, 0x0123);
  internal.FailWriteNumber(6);
  EXPECT_FALSE(internal.icsp.WriteProgramMemory(0, false));
  EXPECT_EQ(internal.log.Lines().back(), "Error executing commands:  Begin Programming (int)");
  IcspRig data;
  data.images.DataImage[0] = 0x12;
  data.FailWriteNumber(2);
  EXPECT_FALSE(data.icsp.WriteDataMemory(0, false));
  EXPECT_EQ(data.log.Lines().back(), "Error executing commands:  Load Data For Data Memory");
}

TEST(LoadDataAndErase, FramesWaitsAndFailTexts) {
  IcspRig rig("PIC16F630");
  EXPECT_TRUE(rig.icsp.LoadDataForProgramMemory(0x3FFF));
  EXPECT_EQ(rig.Frames(), (Trace{"42 06", "4C 02", "42 10", "4C FE 7F"}));
  rig.trace.clear();
  EXPECT_TRUE(rig.icsp.BulkEraseProgramMemory());
  EXPECT_EQ(rig.trace, (Trace{"W 42 06", "S 1", "S 0", "W 4C 09", "S 8", "S 0"}));
  rig.trace.clear();
  rig.link.DelayValue = 5;
  EXPECT_TRUE(rig.icsp.BulkEraseDataMemory());
  EXPECT_EQ(rig.trace, (Trace{"W 42 06", "S 1", "S 5", "W 4C 0B", "S 8", "S 5"}));

  IcspRig f1;
  f1.FailWriteNumber(4);
  EXPECT_FALSE(f1.icsp.LoadDataForProgramMemory(0x1234));
  EXPECT_EQ(f1.log.Lines().back(), "Error executing commands:  FastSendPaket_SPI Low High");
  IcspRig f2;
  f2.FailWriteNumber(2);
  EXPECT_FALSE(f2.icsp.BulkEraseProgramMemory());
  EXPECT_EQ(f2.log.Lines().back(), "Error executing commands:  Bulk Erase Program Memory");
  IcspRig f3;
  f3.FailWriteNumber(2);
  EXPECT_FALSE(f3.icsp.BulkEraseDataMemory());
  EXPECT_EQ(f3.log.Lines().back(), "Error executing commands:  Bulk Erase Data Memory");
  IcspRig f4;
  f4.FailWriteNumber(1);
  EXPECT_FALSE(f4.icsp.BulkEraseDataMemory());
  EXPECT_EQ(f4.log.Lines().back(), "Error executing commands:  LoadPaketSize_SPI = 0x06");
}

}  // namespace
}  // namespace fw
