// The baseline (12-bit) parts: the virtual chip's counter and erase scopes
// driven frame by frame; the operations against it with the OSCCAL word and
// its backup kept through erase, write, faults and stops; lost copies; the
// PIC12F519's three erases; a 14-bit chip or file where a 12-bit one is
// chosen; files, views and checksums.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "file_rig.h"
#include "files/hex_file.h"
#include "images/checksum.h"
#include "images/hex_editing.h"
#include "production/serial_numbers.h"
#include "ops_rig.h"

namespace fw {
namespace {

constexpr std::uint16_t kOsccal = 0x0C26;  // the virtual baseline chips' own

// The chip's lines driven by hand, one frame at a time, 1 ms apart.
struct Lines {
  sim::VirtualChip chip;
  std::uint64_t t = 0;
  explicit Lines(const char* name) : chip(*FindChipByName(name)) { chip.EnterProgrammingMode(); }
  void Cmd(std::uint8_t code) {
    t += 1000;
    chip.FrameArrives(t);
    chip.Command(code, t);
  }
  void Packet(std::uint16_t packet, sim::VirtualChip::Frame frame = sim::VirtualChip::Frame::kClocked) {
    t += 1000;
    chip.FrameArrives(t, frame);
    last = chip.DataPacket(packet);
  }
  void Increment(std::uint32_t n) {
    for (std::uint32_t k = 0; k < n; ++k) Cmd(0x06);
  }
  std::uint16_t Read() {
    Cmd(0x04);
    Packet(0x7FFE, sim::VirtualChip::Frame::kRead);
    return static_cast<std::uint16_t>((last >> 1) & 0x3FFF);
  }
  void Program(std::uint16_t word, std::uint32_t wait_us = 2000) {
    Cmd(0x02);
    Packet(static_cast<std::uint16_t>(word << 1));
    Cmd(0x08);
    t += wait_us;
    Cmd(0x0E);
  }
  void Erase() {
    Cmd(0x09);
    t += 10000;
    Cmd(0x06);  // the next frame finds the erase done (and moves the counter)
  }
  std::uint16_t last = 0;
};

TEST(BaselineSilicon, TheCounterStartsAtTheConfigurationWordAndWrapsToZero) {
  for (const char* name : {"PIC10F200", "PIC12F509", "PIC16F57"}) {
    SCOPED_TRACE(name);
    Lines l(name);
    const std::uint32_t n = l.chip.program_words();
    EXPECT_EQ(l.chip.pc(), 2 * n - 1);
    l.chip.SetConfigWord(7, 0x0FEA);
    l.chip.SetProgramWord(0, 0x0A05);
    EXPECT_EQ(l.Read(), 0x0FEA) << "the configuration word, read before any Increment";
    l.Increment(1);
    EXPECT_EQ(l.chip.pc(), 0u);
    EXPECT_EQ(l.Read(), 0x0A05);
    // Up through everything and back to the configuration word, then 0.
    l.Increment(2 * n - 1);
    EXPECT_EQ(l.Read(), 0x0FEA);
    l.Increment(1);
    EXPECT_EQ(l.chip.pc(), 0u);
    // Only twelve bits go in; the two above them read 0.
    l.Program(0x3ABC);
    EXPECT_EQ(l.chip.ProgramWord(0), 0x0A05 & 0x0ABC);
    EXPECT_EQ(l.Read() & 0x3000, 0);
  }
}

TEST(BaselineSilicon, WhatABulkEraseTakesIsWhereTheCounterStands) {
  // At the configuration word (entry) or in program memory: program memory
  // with the OSCCAL word and the configuration word. At the first user ID:
  // the IDs and the backup too (everything on the PIC10F/12F508 line and the
  // PIC16F54, only IDs and backup on the PIC12F519). In flash data: the data.
  const struct {
    const char* chip;
    int at;  // -1: entry; -2: the first user ID; -3: the flash data
    bool program, config, ids, backup, data;
  } cases[] = {
      {"PIC12F508", -1, true, true, false, false, false}, {"PIC12F508", 0x100, true, true, false, false, false},
      {"PIC12F508", -2, true, true, true, true, false},   {"PIC16F54", -2, true, true, true, false, false},
      {"PIC12F519", -1, true, true, false, false, false}, {"PIC12F519", -3, false, false, false, false, true},
      {"PIC12F519", -2, false, false, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + " at " + std::to_string(c.at));
    Lines l(c.chip);
    sim::VirtualChip& chip = l.chip;
    const std::uint32_t n = chip.program_words();
    chip.SetProgramWord(5, 0x0123);
    chip.SetConfigWord(7, 0x0FEA);
    for (std::uint32_t i = 0; i < 4; ++i) chip.SetConfigWord(i, 0x0001 + i);
    if (chip.data_bytes() > 0) chip.SetDataByte(3, 0x42);
    const std::uint16_t backup = chip.ConfigWord(4);
    const std::uint32_t ids = n + chip.data_bytes();
    if (c.at != -1) l.Increment(1 + (c.at == -2 ? ids : c.at == -3 ? n : static_cast<std::uint32_t>(c.at)));
    l.Erase();
    chip.Settle();
    EXPECT_EQ(chip.ProgramWord(5) == 0x0FFF, c.program);
    EXPECT_EQ(chip.ConfigWord(7) == 0x0FFF, c.config);
    EXPECT_EQ(chip.ConfigWord(0) == 0x0FFF, c.ids);
    if (backup != 0x0FFF) {
      EXPECT_EQ(chip.ConfigWord(4) == 0x0FFF, c.backup);
    }
    if (chip.data_bytes() > 0) {
      EXPECT_EQ(chip.DataByte(3) == 0xFF, c.data);
    }
    EXPECT_TRUE(chip.notes().empty()) << chip.notes().front();
  }
}

TEST(BaselineSilicon, CodeProtectionHidesAllButTheFirstWordsAndTheCopies) {
  Lines l("PIC12F508");
  sim::VirtualChip& chip = l.chip;
  for (std::uint32_t i = 0; i < 0x1FF; ++i) chip.SetProgramWord(i, 0x0A00 | (i & 0xFF));
  chip.SetConfigWord(7, 0x0FF7);  // CP (bit 3) = 0
  l.Increment(1);
  std::vector<std::uint16_t> read;
  for (std::uint32_t i = 0; i <= 0x204; ++i) {
    read.push_back(l.Read());
    l.Increment(1);
  }
  EXPECT_EQ(read[0x3F], 0x0A3F);
  EXPECT_EQ(read[0x40], 0);
  EXPECT_EQ(read[0x1FE], 0);
  EXPECT_EQ(read[0x1FF], kOsccal) << "the OSCCAL word stays readable";
  EXPECT_EQ(read[0x204], kOsccal) << "and its backup";
  // A short programming cycle takes nothing.
  Lines s("PIC12F508");
  s.Increment(1);
  s.Program(0x0000, 500);
  s.chip.Settle();
  EXPECT_EQ(s.chip.ProgramWord(0), 0x0FFF);
  EXPECT_FALSE(s.chip.notes().empty());
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct BaseRig : OpsRig {
  std::string record = testing::TempDir() + "/flashwright_baseline_" + std::to_string(getpid()) + "_" +
                       std::to_string(++count) + ".log";
  static inline int count = 0;
  explicit BaseRig(const char* name, sim::Fault fault = {}) : OpsRig(name, fault) {
    std::remove(record.c_str());
    state.calibration_record.SetPath(record);
  }
  ~BaseRig() { std::remove(record.c_str()); }
  std::uint32_t last() { return chip().program_words() - 1; }
  std::uint16_t Word() { return chip().ProgramWord(last()); }
  std::uint16_t Backup() { return chip().ConfigWord(4); }
  // A file's program words, configuration word and user IDs in the views.
  void Load(std::uint16_t config = 0x0FFA) {
    for (std::uint32_t i = 0; i < last(); ++i) SetWordAt(state.images.ProgramImage, i, (0x0A00 + 7 * i) & 0x0FFF);
    for (std::uint32_t i = 0; i < 4; ++i) SetWordAt(state.images.ConfigImage, i, 0x0001 + i);
    SetWordAt(state.images.ConfigImage, 7, config);
    ShowImages();
  }
};

TEST(BaselineOperations, EveryChipIsWrittenVerifiedAndKeepsItsOsccal) {
  for (const ChipEntry& e : KnownChips()) {
    if (WordBitsOf(e.Family) != 12) continue;
    SCOPED_TRACE(e.ChipName);
    BaseRig rig(e.ChipName);
    const bool osccal = LosesCalibrationInErase(rig.state.chip);
    rig.Load();
    const std::uint16_t sum = *ImageChecksum(rig.state.chip, rig.state.images);
    rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false, std::nullopt, true); });
    rig.Run([](DeviceOperations& o) { return o.VerifyProgramAndConfig(); });
    EXPECT_EQ(rig.chip().ProgramWord(10), 0x0A00 + 70);
    EXPECT_EQ(rig.chip().ConfigWord(7), 0x0FFA);
    EXPECT_EQ(rig.chip().ConfigWord(2), 0x0003);
    if (osccal) {
      EXPECT_EQ(rig.Word(), kOsccal);
      EXPECT_EQ(rig.Backup(), kOsccal);
    }
    EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
    // Read back: the same words and the same checksum.
    ClearImage(rig.state.images, rig.state.chip, kProgramImage);
    rig.Run([](DeviceOperations& o) { return o.ReadProgramAndConfig(); });
    EXPECT_EQ(WordAt(rig.state.images.ProgramImage, 10), 0x0A00 + 70);
    if (!osccal) {
      EXPECT_EQ(*ImageChecksum(rig.state.chip, rig.state.images), sum);
    }
    // Erased whole, the chip is blank but for its calibration.
    rig.Run([](DeviceOperations& o) { return o.ChipErase(true); });
    rig.Run([](DeviceOperations& o) { return o.BlankCheck(); });
    if (osccal) {
      EXPECT_EQ(rig.Word(), kOsccal);
      EXPECT_EQ(rig.Backup(), kOsccal);
    }
  }
}

TEST(BaselineOperations, NoFaultAtAnyFrameLosesTheOsccalOrReportsAFalseSuccess) {
  using Op = std::function<Outcome(DeviceOperations&)>;
  const struct {
    const char* what;
    Op op;
  } ops[] = {
      {"write", [](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); }},
      {"write with IDs", [](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false, std::nullopt, true); }},
      {"erase", [](DeviceOperations& o) { return o.ChipErase(true); }},
  };
  for (const auto& op : ops) {
    BaseRig whole("PIC12F508");
    whole.Load();
    whole.Run(op.op);
    int runs = 0, losses = 0, lies = 0;
    for (int n = 1; n <= whole.frames + 1; n += n < 400 ? 1 : 17) {
      SCOPED_TRACE(std::string(op.what) + ", the line drops at frame " + std::to_string(n));
      BaseRig rig("PIC12F508", {sim::Fault::Kind::kHangup, n});
      rig.Load();
      const Outcome outcome = op.op(rig.state.operations);
      rig.chip().Settle();
      ++runs;
      const bool both = rig.Word() == kOsccal && rig.Backup() == kOsccal;
      const bool recorded = Slurp(rig.record).find("osccal=0C26") != std::string::npos;
      if (outcome == Outcome::kDone && !both) ++lies;
      if (rig.Word() != kOsccal && rig.Backup() != kOsccal && !recorded) ++losses;
      // Once the record holds the value, the log names how it goes back.
      if (outcome != Outcome::kDone && !both && recorded) {
        EXPECT_NE(rig.state.log.Lines().back().find("--restore --osccal 0x0C26"), std::string::npos);
      }
    }
    EXPECT_GT(runs, 100);
    EXPECT_EQ(losses, 0);
    EXPECT_EQ(lies, 0);
  }
}

TEST(BaselineOperations, AStopAtAnyMomentLeavesBothCopiesOnTheChip) {
  for (const bool write : {true, false}) {
    BaseRig whole("PIC10F200");
    auto op = [write](DeviceOperations& o) {
      return write ? o.WriteProgramAndConfig(true, false, std::nullopt, true) : o.ChipErase(true);
    };
    whole.Load();
    whole.dialogs.stop_after = 1 << 30;  // counts the looks, never stops
    whole.Run(op);
    EXPECT_GT(whole.dialogs.stop_looks, 20);
    for (int after = 0; after <= whole.dialogs.stop_looks; after += after < 12 ? 1 : 29) {
      SCOPED_TRACE(std::string(write ? "write" : "erase") + ", stop after " + std::to_string(after) + " looks");
      BaseRig rig("PIC10F200");
      rig.Load();
      rig.dialogs.stop_after = after;
      const Outcome outcome = op(rig.state.operations);
      rig.chip().Settle();
      EXPECT_EQ(rig.Word(), kOsccal);
      EXPECT_EQ(rig.Backup(), kOsccal);
      EXPECT_TRUE(outcome == Outcome::kCancelled || outcome == Outcome::kDone);
      EXPECT_FALSE(rig.gateway.gateway().vpp_on());
    }
  }
}

TEST(BaselineOperations, ACopyThatIsNoMovlwStopsTheEraseUntilAValueIsGiven) {
  const struct {
    const char* what;
    std::uint16_t word, backup;
    bool recorded;            // the record holds the chip's value
    std::uint16_t suggested;  // what the question offers (0: nothing)
  } cases[] = {
      {"the OSCCAL word erased", 0x0FFF, kOsccal, false, kOsccal},
      {"the backup erased", kOsccal, 0x0FFF, false, kOsccal},
      {"the OSCCAL word protected", 0x0000, kOsccal, false, kOsccal},
      {"both lost, the record remembers", 0x0FFF, 0x0FFF, true, kOsccal},
      {"both lost, nothing remembers", 0x0FFF, 0x0FFF, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BaseRig rig("PIC12F509");
    if (c.recorded) {
      std::ofstream(rig.record) << "2026-12-01T10:00:00Z\tPIC12F509\tdemo\tosccal=0C26 bg=00\tread\n";
    }
    rig.chip().SetProgramWord(rig.last(), c.word);
    rig.chip().SetConfigWord(4, c.backup);
    const auto lines = rig.Run([](DeviceOperations& o) { return o.ChipErase(true); }, Outcome::kStopped);
    EXPECT_EQ(rig.erase_frame, 0) << "nothing erased";
    EXPECT_EQ(rig.dialogs.calibration_suggested.has_value(), c.suggested != 0);
    if (c.suggested != 0) {
      EXPECT_EQ(rig.dialogs.calibration_suggested->osccal, c.suggested);
    }
    EXPECT_NE(rig.dialogs.calibration_asked.back().find("reads " + Hex(c.word, 4)), std::string::npos);
    // Given (the question answered with the offered value), both copies end
    // up holding it.
    if (c.suggested == 0) continue;
    rig.dialogs.calibration_answer = {CalibrationAnswer::Kind::kUse, {c.suggested, 0}};
    rig.Run([](DeviceOperations& o) { return o.ChipErase(true); });
    EXPECT_EQ(rig.Word(), kOsccal);
    EXPECT_EQ(rig.Backup(), kOsccal);
  }
}

TEST(BaselineOperations, RestoreFillsOnlyTheCopiesThatAreErased) {
  {
    // The reset-vector copy lost: back from the value given, the backup kept.
    BaseRig rig("PIC16F505");
    rig.chip().SetProgramWord(rig.last(), 0x0FFF);
    rig.Run([](DeviceOperations& o) { return o.RestoreCalibration({kOsccal, 0}); });
    EXPECT_EQ(rig.Word(), kOsccal);
    EXPECT_EQ(rig.Backup(), kOsccal);
    EXPECT_NE(Slurp(rig.record).find("closed"), std::string::npos);
  }
  {
    // A lost backup from the record's newest value, the way the CLI's
    // --restore last takes it.
    BaseRig rig("PIC16F505");
    std::ofstream(rig.record) << "2026-12-01T10:00:00Z\tPIC16F505\tdemo\tosccal=0C26 bg=00\tread\n";
    rig.chip().SetConfigWord(4, 0x0FFF);
    const auto open = rig.state.calibration_record.OpenFor("PIC16F505");
    ASSERT_EQ(open.size(), 1u);
    const OsccalValues values = *open.front().values.osccal;
    rig.Run([values](DeviceOperations& o) { return o.RestoreCalibration(values); });
    EXPECT_EQ(rig.Backup(), kOsccal);
  }
  {
    // A copy that holds another value cannot take it; nor is a RETLW one.
    BaseRig rig("PIC16F505");
    rig.chip().SetConfigWord(4, 0x0C11);
    rig.Run([](DeviceOperations& o) { return o.RestoreCalibration({kOsccal, 0}); }, Outcome::kRefused);
    rig.Run([](DeviceOperations& o) { return o.RestoreCalibration({0x3426, 2}); }, Outcome::kRefused);
    EXPECT_EQ(rig.Backup(), 0x0C11);
  }
  {
    // A value given against a readable own one stops, unless it replaces it:
    // then both copies take it (the backup through an erase of the IDs).
    BaseRig rig("PIC16F505");
    rig.Load();
    rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false, OsccalValues{0x0C11, 0}); },
            Outcome::kStopped);
    EXPECT_EQ(rig.state.operations.LastStopCause(), CalibrationGuard::StopCause::kValuesDiffer);
    rig.state.operations.ReplaceCalibration(true);
    rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false, OsccalValues{0x0C11, 0}); });
    EXPECT_EQ(rig.Word(), 0x0C11);
    EXPECT_EQ(rig.Backup(), 0x0C11);
    EXPECT_EQ(rig.chip().ConfigWord(0), 0x0FFF) << "the chip's IDs, blank, written back as they were";
  }
}

TEST(BaselineOperations, ThePIC12F519sThreeErasesAndItsFlashData) {
  for (const bool protected_data : {false, true}) {
    SCOPED_TRACE(protected_data ? "CPDF on" : "CPDF off");
    BaseRig rig("PIC12F519");
    for (std::uint32_t i = 0; i < 64; ++i) rig.chip().SetDataByte(i, static_cast<std::uint8_t>(i));
    for (std::uint32_t i = 0; i < 4; ++i) rig.chip().SetConfigWord(i, 0x0005);
    rig.chip().SetConfigWord(7, protected_data ? 0x0FBF : 0x0FFF);
    rig.Run([](DeviceOperations& o) { return o.ChipErase(true); });
    EXPECT_EQ(rig.erases.size(), 3u);
    EXPECT_EQ(rig.chip().DataByte(9), 0xFF);
    EXPECT_EQ(rig.chip().ConfigWord(0), 0x0FFF);
    EXPECT_EQ(rig.Word(), kOsccal);
    EXPECT_EQ(rig.Backup(), kOsccal);
    rig.Run([](DeviceOperations& o) { return o.BlankCheck(); });
  }
  // The flash data is written, read and verified like an EEPROM; a write of
  // program memory leaves it.
  BaseRig rig("PIC16F526");
  for (std::uint32_t i = 0; i < 64; ++i) rig.state.images.DataImage[i] = static_cast<std::uint8_t>(0xA0 ^ i);
  rig.ShowImages();
  rig.Run([](DeviceOperations& o) { return o.WriteData(); });
  rig.Run([](DeviceOperations& o) { return o.VerifyData(); });
  EXPECT_EQ(rig.chip().DataByte(5), 0xA5);
  rig.Load();
  rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); });
  EXPECT_EQ(rig.chip().DataByte(5), 0xA5);
  rig.state.images.DataImage[5] = 0;
  rig.Run([](DeviceOperations& o) { return o.ReadData(); });
  EXPECT_EQ(rig.state.images.DataImage[5], 0xA5);
}

TEST(BaselineOperations, AChipOfTheOtherWidthIsRefusedBeforeAnythingIsErased) {
  // A 14-bit chip on the lines where a baseline part is chosen.
  for (const char* socket : {"PIC12F629", "PIC16F628A"}) {
    SCOPED_TRACE(socket);
    OpsRig rig(*FindChipByName(socket));
    rig.state.selector.SelectChip(FindChipByName("PIC12F508")->IdWord);
    const std::uint16_t before = rig.chip().ProgramWord(rig.chip().program_words() - 1);
    const auto lines = rig.Run([](DeviceOperations& o) { return o.ChipErase(true); }, Outcome::kRefused);
    EXPECT_EQ(rig.erase_frame, 0);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines.end()[-3].find("14-bit words"), std::string::npos) << lines.end()[-3];
    rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); }, Outcome::kRefused);
    EXPECT_EQ(rig.erase_frame, 0);
    EXPECT_EQ(rig.chip().ProgramWord(rig.chip().program_words() - 1), before);
  }
  // A baseline part where a 14-bit chip is chosen answers no device ID of it.
  OpsRig rig(*FindChipByName("PIC12F508"));
  rig.state.selector.SelectChip(FindChipByName("PIC12F629")->IdWord);
  EXPECT_NE(LookupChip(rig.state.operations.ReadChipId()).entry, FindChipByName("PIC12F629"));
}

TEST(BaselineOperations, WhatAWriteKeepsIsReadInOneClimb) {
  BaseRig rig("PIC12F519");
  for (std::uint32_t i = 0; i < 64; ++i) rig.chip().SetDataByte(i, static_cast<std::uint8_t>(3 * i));
  for (std::uint32_t i = 0; i < 4; ++i) rig.chip().SetConfigWord(i, 0x0007 + i);
  for (std::uint32_t i = 0x100; i <= 0x103; ++i) rig.chip().SetProgramWord(i, static_cast<std::uint16_t>(0x0800 + i));
  KeptContents kept;
  const KeepRequest request{.eeprom = true, .user_ids = true, .program = std::pair{0x100u, 0x103u}};
  rig.Run([&](DeviceOperations& o) { return o.ReadToKeep(request, &kept); });
  EXPECT_EQ(kept.program, (std::vector<std::uint16_t>{0x0900, 0x0901, 0x0902, 0x0903}));
  ASSERT_EQ(kept.eeprom.size(), 64u);
  EXPECT_EQ(kept.eeprom[63], 189);
  EXPECT_EQ(kept.user_ids, (std::vector<std::uint16_t>{7, 8, 9, 10}));
  // Protected flash data reads as zeros: it cannot be kept.
  rig.chip().SetConfigWord(7, 0x0FBF);
  KeptContents none;
  const KeepRequest data_only{.eeprom = true, .user_ids = false, .program = std::nullopt};
  rig.Run([&](DeviceOperations& o) { return o.ReadToKeep(data_only, &none); }, Outcome::kStopped);
  // A serial number as RETLW words takes the baseline RETLW (0x8kk).
  Images images;
  ClearImage(images, rig.state.chip, kProgramImage);
  const SerialPlace place{.kind = SerialPlace::Kind::kRetlw, .address = 0x20, .bytes = 2};
  EXPECT_EQ(SerialPlaceProblem(place, 0x1234, rig.state.chip, images, false), "");
  ApplySerial(place, 0x1234, rig.state.chip, images);
  EXPECT_EQ(WordAt(images.ProgramImage, 0x20) & 0x0F00, 0x0800);
}

TEST(BaselineFiles, TheConfigurationWordLivesAt0xFFFAndWideFilesAreRefused) {
  test::FileRig rig("PIC12F508");
  // gpasm's output for a PIC12F508: code, __idlocs 0x1234, __config 0xFEA.
  const auto lines = rig.LoadHex(
      ":020000040000FA\n:0C00000025003E0C060006050604030A5D\n:080400000100020003000400EA\n"
      ":021FFE00EA0FE8\n:00000001FF\n",
      sectAll);
  EXPECT_EQ(WordAt(rig.images().ProgramImage, 1), 0x0C3E);
  EXPECT_EQ(WordAt(rig.images().ProgramImage, 6), 0x0FFF) << "blank past the code";
  EXPECT_EQ(WordAt(rig.images().ConfigImage, 0), 0x0001);
  EXPECT_EQ(WordAt(rig.images().ConfigImage, 7), 0x0FEA);
  // Written out again: the same places, no backup OSCCAL (the chip's own).
  const std::string text = FormatHex(sectAll, rig.chip(), rig.images(), nullptr);
  EXPECT_NE(text.find(":021FFE00EA0FE8"), std::string::npos) << text;
  EXPECT_NE(text.find(":0804000001000200030004"), std::string::npos);
  EXPECT_EQ(text.find(":02040800"), std::string::npos);
  // A PIC12F629's file: 14-bit words, and its configuration word at 0x2007.
  rig.WriteText(":040000002528FF3F79\n:02400E00C431BB\n:00000001FF\n");
  const FileReport report = rig.state.files.LoadFile(rig.path, sectAll);
  EXPECT_GT(report.wide_words, 0u);
  EXPECT_NE(FileMisfit(report, rig.chip()).find("12 bits of the PIC12F508"), std::string::npos);
}

TEST(BaselineFiles, ViewsShowThreeDigitsAndTakeNoFourth) {
  test::FileRig rig("PIC10F200");
  View& v = rig.state.workspace.view(1);
  EXPECT_EQ(v.text().substr(0, 50), "00000000:  FFF  FFF  FFF  FFF  FFF  FFF  FFF  FFF ");
  SetWordAt(rig.images().ProgramImage, 0, 0x0A25);
  rig.state.workspace.ShowImage(1, kProgramImage);
  EXPECT_EQ(v.text().substr(10, 4), " A25");
  // Typed from the word's start, the digits go to the three of the word.
  v.caret = 10;
  for (std::uint16_t key : {'9', '8', '7'}) {
    std::uint16_t k = key;
    ViewKeyDown(v, k, 0, nullptr);
  }
  EXPECT_EQ(v.text().substr(10, 4), " 987");
  rig.state.workspace.TakeImage(1, kProgramImage);
  EXPECT_EQ(WordAt(rig.images().ProgramImage, 0), 0x0987);
}

TEST(BaselineChecksum, TheDocumentsRules) {
  // CP off: the program words but the OSCCAL word, plus the configuration
  // word masked; CP on: words 0x000-0x03F, the configuration word and the
  // IDs' nibbles; the PIC16F54/57/59 sum every word and add 0xFF0.
  const struct {
    const char* chip;
    std::uint16_t config;
    std::uint16_t sum;
  } cases[] = {
      {"PIC10F200", 0x0FFF, 0xEF1D},  // 255 x FFF + 01C
      {"PIC12F508", 0x0FFF, 0xEE20},  // 511 x FFF + 01F
      {"PIC10F222", 0x0FFF, 0xEE20},  // 511 x FFF + 01F
      {"PIC16F505", 0x0FFF, 0xEC40},  // 1023 x FFF + 03F
      {"PIC16F54", 0x0FFF, 0x0DFF},   // 512 x FFF + 00F + FF0
      {"PIC16F57", 0x0FFF, 0x07FF},   // 2048 x FFF + 00F + FF0
      {"PIC12F508", 0x0FF7, 0xFFD6},  // CP: 64 x FFF + 017 + FFFF (IDs blank)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chip);
    test::FileRig rig(c.chip);
    SetWordAt(rig.images().ConfigImage, 7, c.config);
    EXPECT_EQ(ImageChecksum(rig.chip(), rig.images()), c.sum);
  }
}

}  // namespace
}  // namespace fw
