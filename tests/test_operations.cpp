// The device operations against the in-process simulated gateway and its
// virtual chip, on the fake pause and clock: the log of a good run for one
// chip of every write group, what the chip holds afterwards, the calibration
// kept, refusals, and a failure at every point of an operation.

#include <gtest/gtest.h>

#include <functional>

#include "chips/config_layout.h"
#include "ops_rig.h"
#include "sim/silicon.h"

namespace fw {
namespace {

const auto kWrite = [](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); };
const auto kVerify = [](DeviceOperations& o) { return o.VerifyProgramAndConfig(); };

std::uint16_t Pattern(std::uint32_t i) { return static_cast<std::uint16_t>((i * 0x0971 + 0x123) & 0x3FFF); }

TEST(DeviceOperations, WriteReadAndVerifyForOneChipOfEveryWriteGroup) {
  const struct {
    const char* chip;
    const char* read_message;  // nullptr: none
  } cases[] = {
      {"PIC16F887", "    calibration words (CONF + 0x0009) has been read and stored: 0x2009 = 2D4A"},
      {"PIC16F628A", nullptr},
      {"PIC16F1847",
       "    calibration words (CONF + 0x0009, CONF + 0x000A) has been read and stored: 0x8009 = 3E5A, 0x800A = 2C31"},
      {"PIC12F609", "    calibration word (0x2008) has been read and stored: 0x2008 = 2D4A"},
      {"PIC16F684", "    calibration word (0x2008) has been read and stored: 0x2008 = 2D4A"},
      {"PIC12F752", "    calibration words (0x2008, 0x2009) has been read and stored: 0x2008 = 2D4A, 0x2009 = 1E86"},
      {"PIC12F635", "    calibration words (0x2008, 0x2009) has been read and stored: 0x2008 = 2D4A, 0x2009 = 0015"},
      {"PIC16F630", "    OSCCAL word & BG-bits has been read and stored: 0x03FF = 34A8, BG bits = 10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chip);
    OpsRig rig(c.chip);
    for (std::uint32_t i = 0; i < 300; ++i) SetWordAt(rig.state.images.ProgramImage, i, Pattern(i));
    SetWordAt(rig.state.images.ConfigImage, 7, 0x21C4);  // no protection bit set
    rig.ShowImages();

    std::vector<std::string> expected = {"Trying to write the program memory & config word", "Start time: 9:5:7"};
    if (c.read_message) expected.push_back(c.read_message);
    if (rig.chip().entry().Family == ChipFamily::F629) expected.push_back("    OSCCAL & BG-bits has been restored");
    expected.insert(expected.end(), {"       Finished", "End time: 9:5:7"});
    EXPECT_EQ(rig.Run(kWrite), expected);
    EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
    for (std::uint32_t i = 0; i < 300; ++i) ASSERT_EQ(rig.chip().ProgramWord(i), Pattern(i)) << i;
    EXPECT_EQ(rig.chip().ConfigWord(7), 0x21C4);

    // The views now hold the chip's calibration values: they verify clean.
    EXPECT_EQ(rig.Run(kVerify).back(), "End time: 9:5:7");
    EXPECT_EQ(rig.state.log.Lines().end()[-2], "       Finished. No differences found.");
    const std::string written = rig.state.workspace.view(1).text();
    rig.state.selector.SelectChip(rig.state.chip.ChipIdWord);  // blank views
    rig.Run([](DeviceOperations& o) { return o.ReadProgramAndConfig(); });
    EXPECT_EQ(rig.state.workspace.view(1).text(), written) << "read after write";
    EXPECT_TRUE(rig.dialogs.told.empty()) << "the chip's ID matches";

    const auto change = [&](int view, std::uint32_t word, std::uint16_t value) {
      SetWordAt(view == 1 ? rig.state.images.ProgramImage : rig.state.images.ConfigImage, word, value);
      rig.state.workspace.ShowImage(view, view == 1 ? kProgramImage : kConfigImage);
    };
    change(1, 0x123, Pattern(0x123) ^ 1);
    const auto differs = rig.Run(kVerify, Outcome::kDifference);
    EXPECT_EQ(differs.end()[-3], "       Finished with fail. Address: 0x0123");
    EXPECT_EQ(differs.back(), "    file 0x" + Hex(Pattern(0x123) ^ 1, 4) + ", chip 0x" + Hex(Pattern(0x123), 4));
    change(1, 0x123, Pattern(0x123));
    // The device ID is the factory's: a view without it verifies clean; a
    // bit the family implements in the configuration word does not.
    change(6, 6, 0x3FFF);
    EXPECT_EQ(rig.Run(kVerify).end()[-2], "       Finished. No differences found.");
    const std::uint16_t bits = ComparedConfigBits(rig.entry(), 7);
    change(6, 7, static_cast<std::uint16_t>(0x21C4 ^ (bits & -bits)));
    const std::string word_address = rig.state.chip.ConfigBase == 0x2000 ? "2007" : "8007";
    EXPECT_EQ(rig.Run(kVerify, Outcome::kDifference).end()[-3], "       Finished with fail. Address: 0x" + word_address);
  }
}

TEST(DeviceOperations, FactoryCalibrationIsKept) {
  {  // PIC16F630 erase: OSCCAL and band-gap bits restored with CheckBox1, gone without.
    OpsRig keep("PIC16F630");
    keep.Run([](DeviceOperations& o) { return o.ChipErase(true); });
    EXPECT_EQ(keep.chip().ProgramWord(1023), 0x34A8);
    EXPECT_EQ(keep.chip().ConfigWord(7) & 0x3000, 0x2000);
    OpsRig lose("PIC16F630");
    EXPECT_EQ(lose.Run([](DeviceOperations& o) { return o.ChipErase(false); }),
              (std::vector<std::string>{"Trying to erase program, configuration and data memories",
                                        "       Finished"}));
    EXPECT_EQ(lose.chip().ProgramWord(1023), 0x3FFF);
    EXPECT_EQ(lose.chip().ConfigWord(7), 0x31FF);
  }
  {  // PIC16F887: the entire configuration is 0x2000-0x2008, never the calibration word.
    OpsRig rig("PIC16F887");
    for (std::uint32_t i = 0; i < 10; ++i) SetWordAt(rig.state.images.ConfigImage, i, 0x2100 + i);
    rig.ShowImages();
    EXPECT_EQ(rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(false, true); })[2],
              "    there is no need to restore the calibration values for this chip");
    EXPECT_EQ(rig.chip().ConfigWord(0), 0x2100);
    EXPECT_EQ(rig.chip().ConfigWord(8), 0x2108);
    EXPECT_EQ(rig.chip().ConfigWord(9), 0x2D4A);
  }
  {  // PIC16F684 write: the chip's 0x2008 shows in the view afterwards.
    OpsRig rig("PIC16F684");
    rig.Run(kWrite);
    EXPECT_EQ(rig.state.workspace.view(6).text().substr(74 + 10, 4), "2D4A");
  }
}

TEST(DeviceOperations, RefusalsSendNothing) {
  const struct {
    std::uint16_t id;  // selected ID word; 0: none
    std::function<Outcome(DeviceOperations&)> op;
    std::vector<std::string> lines;
    Outcome outcome;
  } cases[] = {
      {0, [](DeviceOperations& o) { return o.ReadProgramAndConfig(); },
       {"Trying to read program & config  memory", "Start time: 9:5:7", "No chip selected", "End time: 9:5:7"},
       Outcome::kRefused},
      {0x1880, [](DeviceOperations& o) { return o.ReadData(); },  // PIC16F722
       {"Trying to read the data memory", "Start time: 9:5:7", "function is unavailable for this chip",
        "End time: 9:5:7"},
       Outcome::kRefused},
      {0x3031, [](DeviceOperations& o) { return o.VerifyData(); },
       {"Trying to verify the data memory", "Start time: 9:5:7", "Selected chip is  unknown", "End time: 9:5:7"},
       Outcome::kRefused},
      {0, [](DeviceOperations& o) { return o.ChipErase(true); },
       {"Trying to erase program, configuration and data memories", "No chip selected", "       Finished"},
       Outcome::kRefused},
      {0x1060, [](DeviceOperations& o) { return o.ReadCalibration(); },  // PIC16F628A
       {"Trying to read factory calibrated values", "       there are no calibration values in this chip",
        "       Finished"},
       Outcome::kDone},
  };
  for (const auto& c : cases) {
    OpsRig rig("PIC16F684");
    rig.state.chip.ChipIdWord = c.id;  // as selection leaves it, without the views
    if (c.id == 0x1880) rig.state.chip.Assign(*FindChipByName("PIC16F722"), c.id);
    const int frames = rig.frames;
    EXPECT_EQ(rig.Run(c.op, c.outcome), c.lines);
    EXPECT_EQ(rig.frames, frames);
  }
  OpsRig rig("PIC16F684");
  rig.dialogs.answer = false;
  EXPECT_EQ(rig.Run([](DeviceOperations& o) { return o.ChipErase(true); }, Outcome::kCancelled),
            std::vector<std::string>{"Operation cancelled"});
  EXPECT_EQ(rig.dialogs.asked.back().rfind("Warning [OK/Cancel]:       All previous chip data", 0), 0u);
}

// A hang-up after every frame of an operation in turn (sampled where there
// are thousands), and a lost answer to every read.
TEST(DeviceOperations, AFailureAtAnyFrameEndsTheOperationCleanly) {
  const struct {
    const char* name;
    std::function<Outcome(DeviceOperations&)> op;
    bool reads_calibration;
  } ops[] = {
      {"write", kWrite, true},
      {"erase", [](DeviceOperations& o) { return o.ChipErase(true); }, true},
      {"read", [](DeviceOperations& o) { return o.ReadProgramAndConfig(); }, false},
      {"verify data", [](DeviceOperations& o) { return o.VerifyData(); }, false},
      {"write data", [](DeviceOperations& o) { return o.WriteData(); }, false},
      {"calibration", [](DeviceOperations& o) { return o.ReadCalibration(); }, false},
  };
  const std::string mend = "    calibration values read before the erase: 0x03FF = 34A8, BG bits = 10";
  for (const auto& op : ops) {
    OpsRig whole("PIC12F629");
    whole.Run(op.op);
    const int total = whole.frames, erase = whole.erase_frame;
    std::vector<sim::Fault> faults;
    const int stride = std::max(1, total / 400);
    for (int n = 5; n < total; n += (n < 200 || std::abs(n - erase) < 3) ? 1 : stride) {
      faults.push_back({sim::Fault::Kind::kHangup, n});
    }
    for (int n = 1; n < 40; ++n) faults.push_back({sim::Fault::Kind::kNoAnswer, n});
    for (const sim::Fault& fault : faults) {
      SCOPED_TRACE(std::string(op.name) + (fault.kind == sim::Fault::Kind::kHangup ? " hang-up after frame " : " no answer to read ") +
                   std::to_string(fault.n));
      OpsRig rig("PIC12F629", fault);
      rig.ShowImages();
      const std::string views[] = {rig.state.workspace.view(1).text(), rig.state.workspace.view(6).text(),
                                   rig.state.workspace.view(3).text()};
      const std::size_t before = rig.state.log.Lines().size();
      const Outcome outcome = op.op(rig.state.operations);
      const std::vector<std::string> lines(rig.state.log.Lines().begin() + static_cast<std::ptrdiff_t>(before),
                                           rig.state.log.Lines().end());
      if (outcome == Outcome::kDone) continue;  // the fault came after the last read
      EXPECT_EQ(outcome, Outcome::kFailed);
      EXPECT_FALSE(rig.state.link.PortValid());
      const auto fail = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& l) { return l.find(" with fail.") != std::string::npos; });
      ASSERT_NE(fail, lines.end());
      EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                              [](const std::string& l) { return l.find(" with fail.") != std::string::npos; }),
                1);
      ASSERT_NE(fail, lines.begin());
      const std::string cause = fail[-1];
      EXPECT_TRUE(cause.rfind("Error executing commands: ", 0) == 0 || cause == "Error reading the answer from GX-0450")
          << cause;
      // A lost answer leaves the link up to the frame that asked: the erase
      // happened if its frame was written.
      const bool after_erase =
          fault.kind == sim::Fault::Kind::kHangup ? erase > 0 && fault.n >= erase : rig.erase_frame > 0;
      EXPECT_EQ(std::count(lines.begin(), lines.end(), mend), op.reads_calibration && after_erase ? 1 : 0);
      EXPECT_EQ(rig.state.workspace.view(1).text(), views[0]);
      EXPECT_EQ(rig.state.workspace.view(6).text(), views[1]);
      EXPECT_EQ(rig.state.workspace.view(3).text(), views[2]);
    }
  }
}

TEST(DeviceOperations, EveryChipBelongsToOneGroupOfEachTable) {
  for (const ChipEntry& e : KnownChips()) {
    SCOPED_TRACE(e.ChipName);
    const FamilyLookup found = LookupFamily(e.IdWord);
    ASSERT_EQ(found.kind, FamilyLookup::Kind::kFamily);
    ASSERT_NE(found.row, nullptr);
    EXPECT_EQ(found.row->family, e.Family);
    EXPECT_NE(found.row->write, nullptr);
    EXPECT_NE(found.row->erase, nullptr);
    EXPECT_NE(found.row->calibration, nullptr);
    EXPECT_EQ(found.row->has_eeprom, e.DataSize > 0);
    EXPECT_EQ(found.row->erase->erases_data, e.DataSize > 0);
    // The calibration the family keeps is what its groups read.
    const bool osccal = found.row->factory_calibration == FactoryCalibration::kOsccalAndBandGap;
    EXPECT_EQ(found.row->write->calibration.kind == CalibrationRead::Kind::kOsccalAndBandGap, osccal);
    EXPECT_EQ(found.row->erase->calibration.kind == CalibrationRead::Kind::kOsccalAndBandGap, osccal);
    EXPECT_EQ(found.row->calibration->calibration.kind == CalibrationRead::Kind::kOsccal, osccal);
    // The baseline parts' OSCCAL and its backup, by every group alike.
    const bool backup = found.row->factory_calibration == FactoryCalibration::kOsccalAndBackup;
    for (const CalibrationRead* r :
         {&found.row->write->calibration, &found.row->erase->calibration, &found.row->calibration->calibration}) {
      EXPECT_EQ(r->kind == CalibrationRead::Kind::kBaselineOsccal, backup);
    }
    EXPECT_EQ(found.row->baseline != nullptr, WordBitsOf(e.Family) == 12);
    if (found.row->baseline != nullptr) {
      EXPECT_EQ(found.row->baseline->osccal, backup);
    }
    EXPECT_EQ(found.row->write->restores_osccal, osccal || backup);
  }
  EXPECT_EQ(LookupFamily(0x3031).kind, FamilyLookup::Kind::kUnknown);
  EXPECT_EQ(LookupFamily(0x001F).kind, FamilyLookup::Kind::kNoChip);
}

TEST(DeviceOperations, TheFamilyRowsAgreeWithTheSimulatorsSilicon) {
  // Two tables written apart from each other, from the chips' documents:
  // the programmer's walk per family and the simulator's model of the
  // silicon. Where they speak of the same fact they must agree.
  for (const ChipEntry& e : KnownChips()) {
    SCOPED_TRACE(e.ChipName);
    const FamilyRow& row = *LookupFamily(e.IdWord).row;
    const sim::Silicon silicon = sim::SiliconOf(e);
    // A family that has no internally timed program command is written
    // externally timed.
    EXPECT_EQ(row.write->externally_timed, silicon.program_int_us == 0);
    // The calibration words the groups read are the ones the chip has.
    std::vector<std::uint32_t> read;
    for (const CalibrationRead* r : {&row.write->calibration, &row.erase->calibration, &row.calibration->calibration}) {
      if (r->kind != CalibrationRead::Kind::kWords) continue;
      std::vector<std::uint32_t> words;
      for (std::uint32_t w = r->first_word; w < r->first_word + r->count; ++w) words.push_back(w);
      EXPECT_EQ(words, silicon.calibration_words);
      read = words;
    }
    EXPECT_EQ(read.empty(), silicon.calibration_words.empty() || row.factory_calibration != FactoryCalibration::kWords);
    // Two configuration words where the chip has two.
    EXPECT_EQ(row.write->config_word_writes, silicon.config_words.size());
    // The F629 family's OSCCAL word is a program word: no calibration word
    // in configuration memory.
    if (row.factory_calibration == FactoryCalibration::kOsccalAndBandGap) {
      EXPECT_TRUE(silicon.calibration_words.empty());
    }
    // The group that loads 0x3FFF before the erase is the family whose chip wants it.
    EXPECT_EQ(row.erase->load_blank_before_erase, silicon.erase_wants_load);
  }
}

}  // namespace
}  // namespace fw
