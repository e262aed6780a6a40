// The chips added after the first 81: where they stand in the lists, the
// words they are known by, and whole chips written, read back and protected
// on the virtual chip (their checksums are in test_checksum.cpp's table).

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "chips/catalogue.h"
#include "chips/config_layout.h"
#include "images/checksum.h"
#include "production/production.h"
#include "ops_rig.h"

namespace fw {
namespace {

TEST(MoreChips, TheEightyOneKeepTheirPlacesAndTheAddedFollowThem) {
  const auto known = KnownChips();
  const auto first = Catalogue();
  ASSERT_EQ(first.size(), 81u);
  ASSERT_GT(known.size(), first.size());
  // One table: an entry found by a lookup is the one either list holds.
  EXPECT_EQ(first.data(), known.data());
  std::set<std::uint16_t> keys;
  std::set<std::string> names;
  const auto key = [](const ChipEntry& e) { return IsWholeWordId(e.IdWord) ? e.IdWord : e.Key(); };
  for (const ChipEntry& e : known) {
    SCOPED_TRACE(e.ChipName);
    EXPECT_TRUE(keys.insert(key(e)).second);
    EXPECT_TRUE(names.insert(e.ChipName).second);
    EXPECT_EQ(LookupChip(e.IdWord).entry, &e);
    EXPECT_EQ(FindChipByName(e.ChipName), &e);
  }
  for (std::size_t i = first.size() + 1; i < known.size(); ++i) {
    if (known[i].Family == known[i - 1].Family) {
      EXPECT_GT(key(known[i]), key(known[i - 1])) << known[i].ChipName;
    }
  }
}

TEST(MoreChips, TheWordsAChipIsKnownBy) {
  const struct {
    std::uint16_t word;
    const char* chip;
  } cases[] = {
      {0x2300, "PIC16F1933"},  {0x2305, "PIC16F1933"},  {0x2320, "PIC16F1933"}, {0x233F, "PIC16F1933"},
      {0x2400, "PIC16LF1933"}, {0x2420, "PIC16LF1933"}, {0x23A3, "PIC16F1938"}, {0x24C1, "PIC16LF1939"},
      // Words of the newer format are the ID whole: no revision bits.
      {0x3020, "PIC16F1454"},  {0x3021, "PIC16F1455"},  {0x3023, "PIC16F1459"}, {0x3027, "PIC16LF1459"},
      {0x3030, "PIC16F753"},   {0xF023, "PIC16F1459"},  {0x13E3, "PIC16F913"},  {0x1381, "PIC16F917"},
      {0x1465, "PIC16F946"},   {0x2521, "PIC16F1947"},  {0x2583, "PIC16LF1946"}, {0x0563, "PIC16F84A"},
      {0x0E2F, "PIC16F877A"},  {0x0764, "PIC16F88"},    {0x04C2, "PIC16F818"},
  };
  for (const auto& c : cases) {
    const LookupResult r = LookupChip(c.word);
    ASSERT_EQ(r.kind, LookupResult::Kind::kEntry) << std::hex << c.word;
    EXPECT_STREQ(r.entry->ChipName, c.chip) << std::hex << c.word;
  }
  // Words beside the line are no chip of ours.
  for (const std::uint16_t word : {0x23E0, 0x24E0, 0x3022, 0x3026, 0x3028, 0x303F}) {
    EXPECT_EQ(LookupChip(word).kind, LookupResult::Kind::kUnknown) << std::hex << word;
  }
}

// A whole PIC16F1938 (16K words, the most any chip here has) with CP and
// CPD: written, verified, protected last; the configuration stays readable
// under CP on this line (the PIC16F1827's hides it), program memory reads 0.
TEST(MoreChips, AWholePic16F1938IsWrittenProtectedAndReadBack) {
  OpsRig rig("PIC16F1938");
  Images& images = rig.state.images;
  const std::uint32_t words = rig.state.chip.ProgramSize / 2;
  ASSERT_EQ(words, 16384u);
  for (std::uint32_t i = 0; i < words; ++i) SetWordAt(images.ProgramImage, i, static_cast<std::uint16_t>((i * 7 + 3) & 0x3FFF));
  SetWordAt(images.ConfigImage, 7, 0x3E64);  // CP, CPD on; INTOSC, no MCLR
  SetWordAt(images.ConfigImage, 8, 0x1EFF);  // LVP off
  for (std::uint32_t i = 0; i < 256; ++i) images.DataImage[i] = static_cast<std::uint8_t>(255 - i);
  rig.ShowImages();
  const std::uint16_t file = *ImageChecksum(rig.state.chip, images);
  WriteJob job;
  job.erase = true;
  const JobResult result = ProductionWriter(rig.state).Write(job);
  ASSERT_EQ(result.outcome, Outcome::kDone) << rig.state.log.Lines().back();
  sim::VirtualChip& chip = rig.chip();
  EXPECT_TRUE(chip.CodeProtected());
  EXPECT_TRUE(chip.DataProtected());
  for (const std::uint32_t i : {0u, 1u, 0x1FFFu, 0x2000u, words - 1}) {
    EXPECT_EQ(chip.ProgramWord(i), (i * 7 + 3) & 0x3FFF) << i;
  }
  EXPECT_EQ(chip.DataByte(255), 0);
  EXPECT_EQ(chip.ConfigWord(9), 0x3E5A) << "calibration words are never erased";
  for (const std::string& note : chip.notes()) ADD_FAILURE() << note;
  EXPECT_EQ(*ImageChecksum(rig.state.chip, images), file);

  rig.Run([](DeviceOperations& o) { return o.ReadProgramAndConfig(); });
  EXPECT_EQ(WordAt(images.ConfigImage, 7) & ComparedConfigBits(rig.entry(), 7), 0x3E64 & ComparedConfigBits(rig.entry(), 7));
  EXPECT_EQ(WordAt(images.ConfigImage, 8) & 0x3733, 0x1EFF & 0x3733);
  EXPECT_EQ(WordAt(images.ProgramImage, 100), 0) << "protected program memory reads 0";
  EXPECT_EQ(ImageChecksum(rig.state.chip, images), file) << "the protected sum leaves the program out";

  // A chip erase takes the protection off and keeps the calibration words.
  rig.Run([](DeviceOperations& o) { return o.ChipErase(true); });
  EXPECT_FALSE(chip.CodeProtected());
  EXPECT_EQ(chip.ProgramWord(words - 1), 0x3FFF);
  EXPECT_EQ(chip.ConfigWord(9), 0x3E5A);
}

// The PIC16F1459 through the simulated gateway: Autosearch reads its whole
// word, a write without EEPROM verifies, and the revision stays in its own
// word.
TEST(MoreChips, APic16F1459IsFoundWrittenAndVerified) {
  OpsRig rig("PIC16F1459");
  rig.state.selector.AutosearchChip();
  EXPECT_EQ(rig.state.chip.ChipName, "PIC16F1459");
  EXPECT_EQ(rig.state.chip.ChipIdWord, 0x3023);
  EXPECT_EQ(rig.chip().ConfigWord(5) & 0x3000, 0x2000) << "the revision word";
  Images& images = rig.state.images;
  for (std::uint32_t i = 0; i < 8192; i += 3) SetWordAt(images.ProgramImage, i, static_cast<std::uint16_t>(0x2800 | (i & 0x7FF)));
  SetWordAt(images.ConfigImage, 7, 0x3FE4);
  SetWordAt(images.ConfigImage, 8, 0x1FFF);
  rig.ShowImages();
  WriteJob job;
  job.erase = true;
  const JobResult result = ProductionWriter(rig.state).Write(job);
  ASSERT_EQ(result.outcome, Outcome::kDone) << rig.state.log.Lines().back();
  EXPECT_EQ(rig.chip().ProgramWord(8190), 0x2800 | (8190 & 0x7FF));
  EXPECT_EQ(rig.chip().ProgramWord(8191), 0x3FFF);
  EXPECT_EQ(rig.chip().ConfigWord(8) & 0x3FF3, 0x1FFF & 0x3FF3);
  for (const std::string& note : rig.chip().notes()) ADD_FAILURE() << note;
}

// One chip of each line added with the 64-pin parts: a whole image written
// by the Program walk, verified, with the simulator noting nothing.
TEST(MoreChips, TheSixtyFourPinPartsTakeAWholeImage) {
  for (const char* name : {"PIC16F946", "PIC16LF1947"}) {
    SCOPED_TRACE(name);
    OpsRig rig(name);
    Images& images = rig.state.images;
    const std::uint32_t words = rig.state.chip.ProgramSize / 2;
    for (std::uint32_t i = 0; i < words; ++i) SetWordAt(images.ProgramImage, i, static_cast<std::uint16_t>((i * 5 + 9) & 0x3FFF));
    for (std::uint32_t i = 0; i < rig.state.chip.DataSize; ++i) images.DataImage[i] = static_cast<std::uint8_t>(i * 3);
    rig.ShowImages();
    WriteJob job;
    job.erase = true;
    const JobResult result = ProductionWriter(rig.state).Write(job);
    ASSERT_EQ(result.outcome, Outcome::kDone) << rig.state.log.Lines().back();
    EXPECT_EQ(rig.chip().ProgramWord(words - 1), ((words - 1) * 5 + 9) & 0x3FFF);
    EXPECT_EQ(rig.chip().DataByte(255), (255 * 3) & 0xFF);
    for (const std::string& note : rig.chip().notes()) ADD_FAILURE() << note;
  }
}

// The classic mid-range parts through the operations: a write of program
// memory clears a protected chip with the family's own erase, walks the
// eight-word blocks of the PIC16F87xA, and leaves the EEPROM as it was where
// protection let it be read; Write Data and Chip Erase by the same
// sequences.
TEST(MoreChips, TheClassicPartsWriteKeepTheirEepromAndEraseWhateverTheProtection) {
  const struct {
    const char* chip;
    std::uint16_t protection;  // the configuration word the chip holds before
    bool eeprom_kept;
  } cases[] = {
      {"PIC16F84A", 0x3FFF, true},
      {"PIC16F84A", 0x000F, false},  // CP bits 13:4 guard the EEPROM too
      {"PIC16F877A", 0x1FFF, true},   // CP alone: the EEPROM still reads
      {"PIC16F877A", 0x1EFF, false},  // CP and CPD
      {"PIC16F873A", 0x3FFF, true},
      {"PIC16F88", 0x1FFF, true},  // externally timed, four latches
      {"PIC16F819", 0x1EFF, false},
      {"PIC16F818", 0x3FFF, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + " holding " + std::to_string(c.protection));
    OpsRig rig(c.chip);
    sim::VirtualChip& chip = rig.chip();
    const std::uint32_t words = rig.state.chip.ProgramSize / 2;
    for (std::uint32_t i = 0; i < words; i += 5) chip.SetProgramWord(i, 0x0000);
    for (std::uint32_t i = 0; i < chip.data_bytes(); ++i) chip.SetDataByte(i, static_cast<std::uint8_t>(i ^ 0x5A));
    chip.SetConfigWord(7, c.protection);
    Images& images = rig.state.images;
    // Blocks wholly blank, partly blank and full.
    for (std::uint32_t i = 0; i < words; ++i) {
      const bool blank = (i / 8) % 3 == 0 || i % 8 == 5;
      SetWordAt(images.ProgramImage, i, blank ? 0x3FFF : static_cast<std::uint16_t>((i * 13 + 1) & 0x3FFF));
    }
    SetWordAt(images.ConfigImage, 7, 0x3FF9);
    rig.ShowImages();
    const auto lines = rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(false, false); });
    for (const std::string& note : chip.notes()) ADD_FAILURE() << note;
    for (std::uint32_t i = 0; i < words; ++i) {
      ASSERT_EQ(chip.ProgramWord(i), WordAt(images.ProgramImage, i)) << "word " << i;
    }
    EXPECT_EQ(chip.ConfigWord(7), 0x3FF9);
    const bool said_lost = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
      return l.find("could not be kept") != std::string::npos;
    });
    EXPECT_EQ(said_lost, !c.eeprom_kept);
    for (std::uint32_t i = 0; i < chip.data_bytes(); ++i) {
      ASSERT_EQ(chip.DataByte(i), c.eeprom_kept ? (i ^ 0x5A) & 0xFF : 0xFF) << "EEPROM byte " << i;
    }
    rig.Run([](DeviceOperations& o) { return o.VerifyProgramAndConfig(); });

    for (std::uint32_t i = 0; i < chip.data_bytes(); ++i) images.DataImage[i] = i % 3 == 0 ? 0xFF : static_cast<std::uint8_t>(i);
    chip.SetDataByte(3, 0x00);  // blank in the view: must end up blank
    rig.ShowImages();
    rig.Run([](DeviceOperations& o) { return o.WriteData(); });
    rig.Run([](DeviceOperations& o) { return o.VerifyData(); });

    chip.SetConfigWord(7, c.protection);
    rig.Run([](DeviceOperations& o) { return o.ChipErase(false); });
    EXPECT_FALSE(chip.CodeProtected() || chip.DataProtected());
    EXPECT_EQ(chip.ProgramWord(1), 0x3FFF);
    EXPECT_EQ(chip.DataByte(1), 0xFF);
    for (const std::string& note : chip.notes()) ADD_FAILURE() << note;
  }
}

}  // namespace
}  // namespace fw
