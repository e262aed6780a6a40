// Program memory written a row of write latches per programming cycle:
// full, sparse and odd images on the families with latches, a dropped line
// and a Cancel inside the walk, and the one-word walk where a family has one
// latch or the operator asks for it.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "chip_driver.h"
#include "ops_rig.h"

namespace fw {
namespace {

// The image's program words `from` ... `to` (inclusive) in a pattern, the
// rest blank.
void Fill(OpsRig& rig, std::uint32_t from, std::uint32_t to, std::uint32_t every = 1) {
  ClearImage(rig.state.images, rig.state.chip, kProgramImage);
  for (std::uint32_t i = from; i <= to; i += every) {
    SetWordAt(rig.state.images.ProgramImage, i, static_cast<std::uint16_t>((0x2000 + 13 * i) & 0x3FFF));
  }
  SetWordAt(rig.state.images.ConfigImage, 7, 0x3FFF);
  rig.ShowImages();
}

// Programming cycles the chip ran for one write of program memory alone.
std::uint64_t ProgramCycles(OpsRig& rig) {
  const std::uint64_t before = rig.chip().cycles_judged();
  rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); });
  return rig.chip().cycles_judged() - before;
}

TEST(RowWrites, FullSparseAndOddImagesTakeOneCycleARow) {
  const struct {
    const char* chip;
    std::uint32_t latch;
  } chips[] = {{"PIC16F684", 4}, {"PIC16F882", 4}, {"PIC16F886", 8}, {"PIC16F722", 8},
               {"PIC16F1829", 8}, {"PIC12F1822", 16}, {"PIC16F616", 4}, {"PIC16F785", 4}};
  for (const auto& c : chips) {
    const std::uint32_t n = FindChipByName(c.chip)->ProgramSize / 2, l = c.latch;
    const struct {
      const char* what;
      std::uint32_t from, to, every, rows;  // rows: the rows with a word to write
    } images[] = {
        {"full", 0, n - 1, 1, n / l},
        {"one word a row", l - 1, n - 1, l, n / l},
        {"rows at both ends only", 0, n - 1, n - 2 * l, 2},
        {"starting and ending mid-row", l / 2, n - 1 - l / 2, 1, n / l},
        {"one word", 5 * l + 1, 5 * l + 1, 1, 1},
    };
    for (const auto& image : images) {
      SCOPED_TRACE(std::string(c.chip) + ", " + image.what);
      OpsRig rig(c.chip);
      EXPECT_EQ(LatchWordsFor(rig.state.chip), l);
      Fill(rig, 0, 0, 1);
      SetWordAt(rig.state.images.ProgramImage, 0, rig.state.chip.BlankWord());
      rig.ShowImages();
      const std::uint64_t base = ProgramCycles(rig);  // the erase and the configuration word
      Fill(rig, image.from, image.to, image.every);
      EXPECT_EQ(ProgramCycles(rig) - base, image.rows);
      rig.Run([](DeviceOperations& o) { return o.VerifyProgramAndConfig(); });
      for (std::uint32_t i = 0; i < n; ++i) {
        ASSERT_EQ(rig.chip().ProgramWord(i), WordAt(rig.state.images.ProgramImage, i)) << i;
      }
      EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
    }
  }
}

TEST(RowWrites, OneLatchFamiliesAndTheOneWordOptionWriteAWordACycle) {
  for (const char* name : {"PIC16F630", "PIC16F628A", "PIC16F684", "PIC16F886"}) {
    SCOPED_TRACE(name);
    OpsRig rig(name);
    rig.state.operations.SetOneWordCycles(true);
    Fill(rig, 0, 0);
    SetWordAt(rig.state.images.ProgramImage, 0, 0x3FFF);
    rig.ShowImages();
    const std::uint64_t base = ProgramCycles(rig);
    Fill(rig, 10, 73);
    EXPECT_EQ(ProgramCycles(rig) - base, 64u);
    rig.Run([](DeviceOperations& o) { return o.VerifyProgramAndConfig(); });
    EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
  }
  // The PIC16F87xA's rows are its erase's too: always whole.
  OpsRig rig("PIC16F877A");
  rig.state.operations.SetOneWordCycles(true);
  Fill(rig, 0, 63);
  const std::uint64_t cycles = ProgramCycles(rig);
  EXPECT_LT(cycles, 16u);
  rig.Run([](DeviceOperations& o) { return o.VerifyProgramAndConfig(); });
}

TEST(RowWrites, TheSimulatorsLatchesAsTheDocumentsDescribeThem) {
  // Sizes per chip (its own table), a Begin that writes the whole row from
  // the latches, unloaded latches that change nothing, and loads that cross
  // into the next row without a cycle lost and noted.
  const struct {
    const char* chip;
    std::uint32_t latch;
  } chips[] = {{"PIC16F684", 4}, {"PIC16F616", 4}, {"PIC12F609", 1}, {"PIC16F882", 4}, {"PIC16F886", 8},
               {"PIC16F727", 8}, {"PIC16F1827", 8}, {"PIC12F1822", 16}, {"PIC16F1829", 32}, {"PIC16F630", 1}};
  for (const auto& c : chips) {
    SCOPED_TRACE(c.chip);
    test::ChipDriver d(c.chip);
    ASSERT_EQ(d.chip.silicon().latch_words, c.latch);
    if (c.latch == 1) continue;
    d.chip.SetProgramWord(c.latch + 1, 0x0F0F);  // kept: its latch is not loaded
    d.Inc(static_cast<int>(c.latch));
    d.Cmd(0x02);
    d.Data(0x1111);
    d.Inc(2);
    d.Cmd(0x02);
    d.Data(0x2222);
    d.Program(0x3333);  // a load into the same latch again replaces it, then Begin
    EXPECT_EQ(d.chip.ProgramWord(c.latch), 0x1111);
    EXPECT_EQ(d.chip.ProgramWord(c.latch + 1), 0x0F0F);
    EXPECT_EQ(d.chip.ProgramWord(c.latch + 2), 0x3333);
    EXPECT_TRUE(d.chip.notes().empty());
    // Loads in one row, then in the next: the first row's are lost.
    d.Inc(static_cast<int>(c.latch - 2));
    d.Cmd(0x02);
    d.Data(0x0001);
    d.Inc(static_cast<int>(c.latch));
    d.Cmd(0x02);
    d.Data(0x0002);
    ASSERT_FALSE(d.chip.notes().empty());
    EXPECT_NE(d.chip.notes().front().find("never programmed"), std::string::npos);
  }
}

// "written from 0x0000 to 0xNNNN" of the log's state line, or -1.
long WrittenUpTo(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) {
    const std::size_t at = l.find("written from 0x0000 to 0x");
    if (at != std::string::npos) return std::stol(l.substr(at + 25, 4), nullptr, 16);
  }
  return -1;
}

TEST(RowWrites, ADroppedLineOrACancelInsideTheWalkIsToldAsItIs) {
  const char* name = "PIC16F886";
  const std::uint32_t latch = 8;
  OpsRig whole(name);
  Fill(whole, 0, 255);
  whole.dialogs.stop_after = 1 << 30;  // counts the looks
  whole.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); });
  const int frames = whole.frames, looks = whole.dialogs.stop_looks;
  // A dropped line at every frame of the first rows, and at some further on:
  // never a success that is not one, and what the log says was written is.
  int failed = 0;
  for (int n = whole.erase_frame; n <= frames; n += n < whole.erase_frame + 400 ? 1 : 37) {
    SCOPED_TRACE("the line drops at frame " + std::to_string(n));
    OpsRig rig(name, {sim::Fault::Kind::kHangup, n});
    Fill(rig, 0, 255);
    const std::size_t before = rig.state.log.Lines().size();
    const Outcome outcome = rig.state.operations.WriteProgramAndConfig(true, false);
    rig.chip().Settle();
    const std::vector<std::string> lines(rig.state.log.Lines().begin() + static_cast<std::ptrdiff_t>(before),
                                         rig.state.log.Lines().end());
    const long upto = WrittenUpTo(lines);
    const std::uint32_t checked = outcome == Outcome::kDone ? 256 : static_cast<std::uint32_t>(upto + 1);
    if (outcome != Outcome::kDone) ++failed;
    for (std::uint32_t i = 0; i < checked; ++i) {
      ASSERT_EQ(rig.chip().ProgramWord(i), WordAt(rig.state.images.ProgramImage, i)) << i;
    }
    if (upto >= 0) {
      EXPECT_EQ((upto + 1) % latch, 0u) << "a whole row";
    }
  }
  EXPECT_GT(failed, 300);
  // A Cancel at every look: the walk stops between rows, and the log names
  // the last whole row written.
  int stopped_in_the_walk = 0;
  for (int after = 3; after < looks; after += 5) {
    SCOPED_TRACE("stop after " + std::to_string(after) + " looks");
    OpsRig rig(name);
    Fill(rig, 0, 255);
    rig.dialogs.stop_after = after;
    const auto lines = rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); },
                               Outcome::kCancelled);
    const long upto = WrittenUpTo(lines);
    if (upto < 0) continue;  // stopped before the first row
    ++stopped_in_the_walk;
    EXPECT_EQ((upto + 1) % latch, 0u);
    for (std::uint32_t i = 0; i < 512; ++i) {
      const std::uint16_t want = i <= static_cast<std::uint32_t>(upto) ? WordAt(rig.state.images.ProgramImage, i) : 0x3FFF;
      ASSERT_EQ(rig.chip().ProgramWord(i), want) << i;
    }
  }
  EXPECT_GT(stopped_in_the_walk, 3);
}

}  // namespace
}  // namespace fw
