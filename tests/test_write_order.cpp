// The order of a whole-chip write against the virtual chip: a code- or
// data-protected image is written, verified and then protected; and a
// write cut short at any frame, run again, never ends done with the F629's
// calibration changed.

#include <gtest/gtest.h>

#include "production/production.h"
#include "ops_rig.h"

namespace fw {
namespace {

struct Image {
  std::uint16_t config;
  bool eeprom;
};

void Load(OpsRig& rig, const Image& image) {
  for (const ImageKind kind : {kProgramImage, kConfigImage, kDataImage}) ClearImage(rig.state.images, rig.state.chip, kind);
  for (std::uint32_t i = 0; i < 16; ++i) SetWordAt(rig.state.images.ProgramImage, i, static_cast<std::uint16_t>(0x3000 + i));
  SetWordAt(rig.state.images.ConfigImage, 7, image.config);
  if (image.eeprom) {
    for (std::uint32_t i = 0; i < 16; ++i) rig.state.images.DataImage[i] = static_cast<std::uint8_t>(0xA0 + i);
  }
  rig.ShowImages();
}

bool Logged(const OpsRig& rig, const std::string& start) {
  for (const std::string& line : rig.state.log.Lines()) {
    if (line.rfind(start, 0) == 0) return true;
  }
  return false;
}

TEST(WriteOrder, ProtectedImagesWriteVerifyAndProtectLast) {
  const struct {
    const char* chip;
    std::uint16_t config;
    bool eeprom;
    bool code, data;  // what the chip protects afterwards
  } cases[] = {
      {"PIC12F629", 0x3FC4, true, false, false},
      {"PIC12F629", 0x3F44, true, true, false},   // CP (bit 7)
      {"PIC12F629", 0x3EC4, true, false, true},   // CPD (bit 8)
      {"PIC12F629", 0x3E44, true, true, true},
      {"PIC16F684", 0x30B4, true, true, false},   // CP (bit 6)
      {"PIC16F684", 0x3074, true, false, true},   // CPD (bit 7)
      {"PIC16F628A", 0x1F50, true, true, false},  // CP (bit 13)
      {"PIC16F1827", 0x3E04, true, true, true},   // configuration space hidden as well
      {"PIC16F1937", 0x3E04, true, true, true},   // configuration space readable
      {"PIC16F917", 0x3034, true, true, true},    // CP (bit 6), CPD (bit 7)
      {"PIC16F887", 0x2FB4, true, true, false},
      {"PIC12F615", 0x3FB4, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + " " + Hex(c.config, 4));
    OpsRig rig(c.chip);
    Load(rig, {c.config, c.eeprom});
    WriteJob job;
    job.erase = true;
    const JobResult result = ProductionWriter(rig.state).Write(job);
    ASSERT_EQ(result.outcome, Outcome::kDone) << rig.state.log.Lines().back();
    sim::VirtualChip& chip = rig.chip();
    EXPECT_EQ(chip.CodeProtected(), c.code);
    EXPECT_EQ(chip.DataProtected(), c.data);
    const std::uint16_t compared = ComparedConfigBits(rig.entry(), 7);
    EXPECT_EQ(chip.ConfigWord(7) & compared, c.config & compared);
    for (std::uint32_t i = 0; i < 16; ++i) ASSERT_EQ(chip.ProgramWord(i), 0x3000 + i);
    if (c.eeprom) {
      for (std::uint32_t i = 0; i < 16; ++i) ASSERT_EQ(chip.DataByte(i), 0xA0 + i);
    }
    const bool protects = c.code || c.data;
    EXPECT_EQ(Logged(rig, "    verified before protection goes on: program memory"), protects);
    EXPECT_EQ(Logged(rig, "Trying to program the protection bits"), protects);
    for (const std::string& note : chip.notes()) ADD_FAILURE() << note;
  }
}

TEST(WriteOrder, TheWindowsWriteButtonSaysWhatProtectionWillDo) {
  OpsRig rig("PIC16F684");
  Load(rig, {0x3034, true});  // CP and CPD
  rig.Run([](DeviceOperations& ops) { return ops.WriteProgramAndConfig(true, false); });
  EXPECT_TRUE(Logged(rig, "    the configuration word written turns protection on: a verify now reads program memory "
                          "as zeros and a later Write Data is refused by the chip; Program (F5)"));
  EXPECT_TRUE(rig.chip().CodeProtected()) << "the window's own walk writes as it always did";
}

// Every frame from the erase to the end of a protected write: the gateway
// hangs up there, then the same write runs again on the same chip. Whatever
// the second run ends with, it never ends done with other values than the
// chip's own.
TEST(WriteOrder, AWriteCutShortAnywhereNeverChangesTheCalibration) {
  const Image image{0x3F44, true};  // CP on
  std::vector<int> erases;
  int total = 0;
  {
    OpsRig clean("PIC12F629");
    Load(clean, image);
    WriteJob job;
    job.erase = true;
    ASSERT_EQ(ProductionWriter(clean.state).Write(job).outcome, Outcome::kDone);
    erases = clean.erases;
    total = clean.frames;
  }
  ASSERT_EQ(erases.size(), 2u) << "the erase, then the write's own";
  // Frame by frame where the values go back: after each erase up to past
  // the counter's walk to the OSCCAL word, and the end; sampled between.
  auto near = [&](int n) {
    for (const int e : erases) {
      if (n >= e && n <= e + 1200) return true;
    }
    return n > total - 300;
  };
  int cut = 0, done_again = 0;
  for (int n = erases.front(); n <= total + 1; n += near(n) ? 1 : 37) {
    OpsRig rig("PIC12F629", {sim::Fault::Kind::kHangup, n});
    const std::uint16_t osccal = rig.chip().ProgramWord(0x3FF);
    const std::uint16_t band_gap = rig.chip().ConfigWord(7) & 0x3000;
    Load(rig, image);
    WriteJob job;
    job.erase = true;
    const Outcome first = ProductionWriter(rig.state).Write(job).outcome;
    rig.gateway.gateway().SetFault({});
    rig.state.link.ClosePort();
    rig.state.link.OpenPort("demo");
    Load(rig, image);
    const Outcome second = ProductionWriter(rig.state).Write(job).outcome;
    for (const Outcome outcome : {first, second}) {
      if (outcome != Outcome::kDone) continue;
      ASSERT_EQ(rig.chip().ProgramWord(0x3FF), osccal) << "hang-up after frame " << n;
      ASSERT_EQ(rig.chip().ConfigWord(7) & 0x3000, band_gap) << "hang-up after frame " << n;
    }
    cut += first != Outcome::kDone;
    done_again += second == Outcome::kDone;
  }
  EXPECT_GT(cut, 100) << "the sweep cuts writes short";
  EXPECT_GT(done_again, 0) << "some second runs finish the chip";
}

}  // namespace
}  // namespace fw
