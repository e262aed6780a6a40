// The user's chips file: which rows are taken and why the others are not,
// and a chip added there found, written, verified and summed as its own
// masks say, on the virtual chip.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "chips/user_chips.h"
#include "images/checksum.h"
#include "production/production.h"
#include "ops_rig.h"

namespace fw {
namespace {

TEST(ChipsFile, EachLineIsTakenOrRefusedWithItsNumberAndReason) {
  const struct {
    const char* line;
    const char* refused;  // what the error says after "chips.txt line 1: "; "" when taken
  } cases[] = {
      {"PIC16F687X, F683, 0x1560, 2048, 256, 0x0FFF", ""},
      {"  PIC16F1934X ,f1933,0x2B00,4096,256,0x3FFF,0x3733   # a comment", ""},
      {"USB1, F1454, 0x3029, 8192, 0, 0x3EFF, 0x3FF3", ""},
      {"PIC16F687X, F683, 0x1560", "6 or 7 fields expected"},
      {"PIC16F684, F683, 0x1520, 2048, 256, 0x0FFF", "PIC16F684 is known already"},
      {"MY PIC, F683, 0x1520, 2048, 256, 0x0FFF", "\"MY PIC\" is no chip name"},
      {"P1, F999, 0x1520, 2048, 256, 0x0FFF", "no family \"F999\" (known: F629, F683"},
      {"PIC12F508X, B10F, 0x1520, 512, 0, 0x001F", "the baseline family B10F has no device ID to name a chip by"},
      {"P1, F683, 0x1521, 2048, 256, 0x0FFF", "has revision bits set"},
      {"P1, F683, 0x3020, 2048, 256, 0x0FFF", "is not of the form the family's IDs have"},
      {"P1, F683, 0x1080, 2048, 256, 0x0FFF", "the device ID 0x1080 is the PIC16F684's"},
      {"P1, F683, 0x1520, 3000, 256, 0x0FFF", "a power of two up to 8192"},
      {"P1, F1501, 0x2B40, 1024, 128, 0x3FFF, 0x3FFF", "the family has no EEPROM"},
      {"P1, F683, 0x1520, 2048, 256, 0x0FFF, 0x0003", "the family has one configuration word"},
      {"P1, F1933, 0x2B20, 4096, 256, 0x3FFF", "the family has two configuration words"},
      {"P1, F683, 0x1520, 2048, 256, 0x4000", "no 14-bit word"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ChipList list;
    const std::vector<std::string> errors = list.Read(std::string("\n# header\n") + c.line + "\n", "chips.txt");
    if (std::string(c.refused).empty()) {
      EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
      ASSERT_EQ(list.added().size(), 1u);
      EXPECT_EQ(list.added().front().origin, "chips.txt line 3");
      const ChipEntry* e = list.FindByName(list.added().front().name);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(list.Lookup(e->IdWord).entry, e) << "found by its ID too";
      EXPECT_EQ(list.AddedFor(e), &list.added().front());
    } else {
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors.front().rfind("chips.txt line 3: ", 0), 0u) << errors.front();
      EXPECT_NE(errors.front().find(c.refused), std::string::npos) << errors.front();
      EXPECT_TRUE(list.added().empty());
    }
  }
  // A second row with the first one's name or ID is refused; the file goes on.
  ChipList list;
  const auto errors = list.Read("A1, F683, 0x1560, 2048, 256, 0x0FFF\nA1, F683, 0x1520, 2048, 256, 0x0FFF\n"
                                "A2, F683, 0x1560, 2048, 256, 0x0FFF\nA3, F683, 0x1540, 1024, 128, 0x0FFF\n",
                                "f");
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_NE(errors[0].find("f line 2: A1 is known already"), std::string::npos);
  EXPECT_NE(errors[1].find("f line 3: the device ID 0x1560 is the A1's"), std::string::npos);
  EXPECT_EQ(list.added().size(), 2u);
  EXPECT_EQ(list.All().size(), KnownChips().size() + 2);
}

// The example file installed with the program is all comments, and its
// example line, uncommented, is a chip taken.
TEST(ChipsFile, TheInstalledExampleReadsAsItSays) {
  std::ifstream in(std::string(FLASHWRIGHT_SOURCE_DIR) + "/data/chips.txt");
  std::stringstream text;
  text << in.rdbuf();
  ASSERT_FALSE(text.str().empty());
  ChipList list;
  EXPECT_TRUE(list.Read(text.str(), "chips.txt").empty());
  EXPECT_TRUE(list.added().empty());
  const std::string example = text.str().substr(text.str().rfind("\n# ") + 3);
  EXPECT_TRUE(list.Read(example, "chips.txt").empty()) << example;
  EXPECT_EQ(list.added().size(), 1u);
  // Every family the file names is one the program knows, and all are named.
  for (int k = 0; k < kChipFamilyCount; ++k) {
    const std::string name = std::string(" ") + FamilyName(static_cast<ChipFamily>(k));
    EXPECT_TRUE(text.str().find(name + " ") != std::string::npos || text.str().find(name + "\n") != std::string::npos)
        << name;
  }
}

// Autosearch finds the added chip by the ID the chip answers; its image is
// written and verified in its size, and its checksum and comparisons take
// its masks, not its family's.
TEST(ChipsFile, AnAddedChipIsFoundWrittenAndSummedByItsOwnMasks) {
  const std::string text = "PIC16F686X, F683, 0x1560, 1024, 128, 0x00FF\n";
  ChipList on_the_lines;
  ASSERT_TRUE(on_the_lines.Read(text, "chips.txt").empty());
  OpsRig rig(on_the_lines.added().front().entry);
  ASSERT_TRUE(rig.state.chips.Read(text, "chips.txt").empty());
  ASSERT_EQ(rig.state.selector.AutosearchChip(), Selection::kSelected);
  EXPECT_EQ(rig.state.chip.ChipName, "PIC16F686X");
  EXPECT_EQ(rig.state.chip.ProgramSize, 2048u);
  EXPECT_EQ(rig.state.chip.ConfigMasks[0], 0x00FF);

  Images& images = rig.state.images;
  for (std::uint32_t i = 0; i < 1024; ++i) SetWordAt(images.ProgramImage, i, static_cast<std::uint16_t>(0x3000 | i));
  SetWordAt(images.ConfigImage, 7, 0x3FF4);
  images.DataImage[127] = 0x5A;
  rig.ShowImages();
  WriteJob job;
  job.erase = true;
  const JobResult result = ProductionWriter(rig.state).Write(job);
  ASSERT_EQ(result.outcome, Outcome::kDone) << rig.state.log.Lines().back();
  EXPECT_EQ(rig.chip().ProgramWord(1023), 0x3000 | 1023);
  EXPECT_EQ(rig.chip().DataByte(127), 0x5A);
  for (const std::string& note : rig.chip().notes()) ADD_FAILURE() << note;
  std::uint32_t sum = 0x3FF4 & 0x00FF;
  for (std::uint32_t i = 0; i < 1024; ++i) sum += 0x3000 | i;
  EXPECT_EQ(ImageChecksum(rig.state.chip, images), static_cast<std::uint16_t>(sum));
  EXPECT_EQ(ComparedConfigBits(rig.state.chip, 7), 0x00FF & ComparedConfigBits(rig.entry(), 7));
}

}  // namespace
}  // namespace fw
