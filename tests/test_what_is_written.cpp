// What reaches the chip is what the operation names: a Write Data over an
// EEPROM that was used, a write stopped at any frame of its program loop, a
// file that fails to load halfway, a production job the file cannot take.

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>

#include "production/production.h"
#include "production/station.h"
#include "ops_rig.h"

namespace fw {
namespace {

std::uint32_t WrittenUpTo(const std::vector<std::string>& lines, bool* any) {
  static const std::regex kWritten("written from 0x0000 to 0x([0-9A-F]{4})");
  *any = false;
  for (const std::string& line : lines) {
    std::smatch m;
    if (std::regex_search(line, m, kWritten)) {
      *any = true;
      return static_cast<std::uint32_t>(std::stoul(m[1], nullptr, 16));
    }
  }
  return 0;
}

TEST(WriteData, BytesBlankInTheViewEndUpBlankWhateverTheChipHeld) {
  for (const char* name : {"PIC16F684", "PIC16F628A", "PIC12F629", "PIC16F887", "PIC16F1827"}) {
    SCOPED_TRACE(name);
    OpsRig rig(name);
    const std::uint32_t size = rig.state.chip.DataSize;
    std::mt19937 random(size);
    // A chip used before: every byte holds something; the view holds some
    // bytes and leaves the others blank.
    for (std::uint32_t i = 0; i < size; ++i) rig.chip().SetDataByte(i, static_cast<std::uint8_t>(random() & 0x7F));
    for (std::uint32_t i = 0; i < size; ++i) rig.state.images.DataImage[i] = (i % 3 == 0) ? std::uint8_t(i) : 0xFF;
    rig.ShowImages();
    const auto lines = rig.Run([](DeviceOperations& ops) { return ops.WriteData(); });
    for (std::uint32_t i = 0; i < size; ++i) {
      ASSERT_EQ(rig.chip().DataByte(i), rig.state.images.DataImage[i]) << "EEPROM byte " << i;
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "    the data memory is erased first: bytes blank in the view (FF) stay erased"),
              lines.end());
    rig.Run([](DeviceOperations& ops) { return ops.VerifyData(); });
    EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
  }
}

// Every family with an EEPROM has an erase of its own for it: Write Data
// depends on it to leave blank bytes blank.
TEST(WriteData, EveryFamilyWithAnEepromCanEraseIt) {
  for (const FamilyRow& row : FamilyRows()) {
    if (row.has_eeprom) {
      EXPECT_TRUE(row.erase->erases_data) << FamilyName(row.family);
    }
  }
}

// A stop asked at any frame of a write is answered between cells: never
// between a Begin Programming and the end of its time, and the log's
// "written up to" is what the chip holds.
TEST(Stop, AtEveryFrameOfTheProgramLoopTheLogSaysWhatTheChipHolds) {
  for (const char* name : {"PIC16F684", "PIC12F609", "PIC12F629"}) {
    for (const bool protection_last : {false, true}) {
      SCOPED_TRACE(std::string(name) + (protection_last ? " protection last" : ""));
      constexpr std::uint32_t kWords = 24;
      // How many frames the whole write takes, and the first of its erase.
      int whole = 0, erase = 0;
      {
        OpsRig rig(name);
        for (std::uint32_t k = 0; k < kWords; ++k) SetWordAt(rig.state.images.ProgramImage, k, 0x2000 | k);
        rig.ShowImages();
        rig.Run([&](DeviceOperations& ops) { return ops.WriteProgramAndConfig(true, false, {}, false, protection_last); });
        whole = rig.frames;
        erase = rig.erase_frame;
      }
      ASSERT_GT(whole, erase);
      for (int at = erase; at <= whole; at += 3) {
        SCOPED_TRACE(at);
        OpsRig rig(name);
        for (std::uint32_t k = 0; k < kWords; ++k) SetWordAt(rig.state.images.ProgramImage, k, 0x2000 | k);
        rig.ShowImages();
        rig.dialogs.stop_when = [&rig, at] { return rig.frames >= at; };
        const std::size_t first = rig.state.log.Lines().size();
        const Outcome outcome =
            rig.state.operations.WriteProgramAndConfig(true, false, {}, false, protection_last);
        const std::vector<std::string> lines(rig.state.log.Lines().begin() + static_cast<std::ptrdiff_t>(first),
                                             rig.state.log.Lines().end());
        EXPECT_TRUE(outcome == Outcome::kCancelled || outcome == Outcome::kDone);
        for (const std::string& note : rig.chip().notes()) EXPECT_EQ(note.find("cut short"), std::string::npos) << note;
        if (outcome == Outcome::kDone) continue;
        bool any = false;
        const std::uint32_t last = WrittenUpTo(lines, &any);
        const std::uint32_t written = any ? last + 1 : 0;
        for (std::uint32_t k = 0; k < kWords; ++k) {
          const std::uint16_t expected = k < written ? (0x2000 | k) : 0x3FFF;
          ASSERT_EQ(rig.chip().ProgramWord(k), expected) << "word " << k << ", written up to " << written;
        }
        // The F629's calibration is on the chip however the write ended.
        if (LosesCalibrationInErase(rig.state.chip.ChipIdWord)) {
          EXPECT_TRUE(IsOsccalValue(rig.chip().ProgramWord(rig.chip().program_words() - 1)));
        }
      }
    }
  }
}

struct TwoFiles {
  std::string dir = testing::TempDir();
  std::string good = dir + "/fw_written_good.hex", other = dir + "/fw_written_other.hex",
              bad = dir + "/fw_written_bad.hex";
  TwoFiles() {
    std::ofstream(good) << ":020000000128D5\n:02400E00F43F7D\n:00000001FF\n";
    std::ofstream(other) << ":020000000228D4\n:02400E00843FED\n:00000001FF\n";
    // Two good records, then one the reader cannot take.
    std::ofstream(bad) << ":02000200FF23DA\n:02000400831661\n:02000600G09001\n:00000001FF\n";
  }
  ~TwoFiles() {
    for (const std::string& f : {good, other, bad}) std::remove(f.c_str());
  }
};

TEST(Load, AFileThatFailsHalfwayChangesNothingAndEachPageKeepsItsFile) {
  TwoFiles files;
  OpsRig rig("PIC16F684");
  Workspace& w = rig.state.workspace;
  ASSERT_TRUE(rig.state.files.LoadFile(files.good, sectAll).done);
  const std::string digest = rig.state.files.LoadedDigest();
  const std::string program = w.view(1).text(), config = w.view(6).text(), data = w.view(3).text();
  const Images images = rig.state.images;
  const FileReport bad = rig.state.files.LoadFile(files.bad, sectAll);
  EXPECT_FALSE(bad.done);
  EXPECT_EQ(w.view(1).text(), program);
  EXPECT_EQ(w.view(6).text(), config);
  EXPECT_EQ(w.view(3).text(), data);
  EXPECT_TRUE(rig.state.images.ProgramImage == images.ProgramImage && rig.state.images.ConfigImage == images.ConfigImage);
  EXPECT_EQ(rig.state.files.Loaded().path, files.good);
  EXPECT_EQ(rig.state.files.LoadedDigest(), digest);
  EXPECT_EQ(rig.state.log.Lines().back(), "    nothing was loaded: the views keep what they held (" + files.good + ")");
  // A file that cannot be opened likewise.
  EXPECT_FALSE(rig.state.files.LoadFile(files.dir + "/fw_written_none.hex", sectProgram).done);
  EXPECT_EQ(w.view(1).text(), program);

  // The other page holds its own file; each page's file is the one its
  // operations take, the loaded configuration words included.
  w.active_page = 1;
  ASSERT_TRUE(rig.state.files.LoadFile(files.other, sectProgram).done);
  EXPECT_EQ(rig.state.files.Loaded().path, files.other);
  EXPECT_TRUE(rig.state.files.ConfigWordsLoaded().none());
  w.active_page = 0;
  EXPECT_EQ(rig.state.files.Loaded().path, files.good);
  EXPECT_TRUE(rig.state.files.ConfigWordsLoaded().test(7));
  rig.state.files.ForgetLoaded();
  EXPECT_TRUE(rig.state.files.Loaded().path.empty());
}

TEST(Production, AJobTheFileCannotTakeIsRefusedBeforeAnyChipAndCountsNone) {
  OpsRig rig("PIC16F684");
  // The file sets the user IDs, where the serial numbers were to go.
  SetWordAt(rig.state.images.ConfigImage, 0, 0x0001);
  SetWordAt(rig.state.images.ConfigImage, 7, 0x3FF4);
  rig.ShowImages();
  std::string why;
  SerialNumbers serials(*ParseSerialStart("100", &why), testing::TempDir() + "/fw_written_serials");
  ProductionSetup setup;
  setup.serials = &serials;
  setup.job.serial_place = ParseSerialPlace("ids", false, &why);
  ProductionRun run(rig.state, setup, rig.clock);
  const int frames = rig.frames;
  // The loader's note of what the file set is what is checked.
  std::ofstream(testing::TempDir() + "/fw_written_ids.hex") << ":024000000100BD\n:02400E00F43F7D\n:00000001FF\n";
  ASSERT_TRUE(rig.state.files.LoadFile(testing::TempDir() + "/fw_written_ids.hex", sectAll).done);
  EXPECT_EQ(run.JobProblem().rfind("serial number refused: the file already sets", 0), 0u) << run.JobProblem();
  EXPECT_EQ(run.passed() + run.failed(), 0);
  EXPECT_EQ(rig.frames, frames) << "nothing reached the chip";
  std::string error;
  EXPECT_EQ(serials.Peek(&error), std::optional<std::uint64_t>(100)) << "no number spent";
  std::remove((testing::TempDir() + "/fw_written_ids.hex").c_str());
  std::remove((testing::TempDir() + "/fw_written_serials").c_str());
}

// The chip gets the file as the run began, whatever the views came to hold
// between chips; the page that was shown is shown again.
TEST(Production, EveryChipGetsTheFileAsTheRunBegan) {
  OpsRig rig("PIC16F684");
  for (std::uint32_t k = 0; k < 8; ++k) SetWordAt(rig.state.images.ProgramImage, k, 0x2800 | k);
  SetWordAt(rig.state.images.ConfigImage, 7, 0x3FF4);
  rig.ShowImages();
  ProductionRun run(rig.state, ProductionSetup{}, rig.clock);
  ASSERT_EQ(run.JobProblem(), "");
  // Typed into the view after the run began, then another page shown.
  rig.state.workspace.view(1).Replace(10, "0000", 4);
  rig.state.workspace.active_page = 1;
  const ChipResult chip = run.ProgramChip();
  EXPECT_TRUE(chip.passed()) << chip.reason;
  EXPECT_EQ(rig.chip().ProgramWord(0), 0x2800);
  EXPECT_EQ(rig.state.workspace.active_page, 1);
  EXPECT_EQ(rig.state.workspace.view(1).text().substr(10, 4), "2800");
  bool said = false;
  for (const std::string& line : rig.state.log.Lines()) said |= line.find("the views were changed since the run began") != std::string::npos;
  EXPECT_TRUE(said);
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// The erase asks the operator to keep the OSCCAL word by hand only where an
// erase takes it and nothing here keeps it.
TEST(Erase, TheQuestionSpeaksOfOsccalOnlyWhereItIsLost) {
  const struct {
    const char* chip;
    bool keep;
    const char* middle;  // nullptr: two lines only
  } cases[] = {
      {"PIC12F629", true, "The OSCCAL word and BG-bits are read before the erase and put back after it."},
      {"PIC12F629", false, "You must read and remember OSCCAL and BG-bits before this operation."},
      {"PIC16F684", true, nullptr},
      {"PIC16F628A", false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + (c.keep ? " keeping" : ""));
    OpsRig rig(c.chip);
    rig.dialogs.answer = false;
    rig.Run([&](DeviceOperations& ops) { return ops.ChipErase(c.keep); }, Outcome::kCancelled);
    std::string expected = "Warning [OK/Cancel]:       All previous chip data will be lost (Program, Data, Configuration).\n";
    if (c.middle != nullptr) expected += std::string(c.middle) + "\n";
    EXPECT_EQ(rig.dialogs.asked.back(), expected + "\t        Press OK to continue or Cancel to cancel");
  }
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// A link lost during a compare is said as such, never as a word that
// differs.
TEST(Verify, ALinkLostDuringTheCompareIsSaidAsSuch) {
  OpsRig rig("PIC16F684", sim::Fault{sim::Fault::Kind::kHangup, 300});
  const auto lines = rig.Run([](DeviceOperations& ops) { return ops.VerifyProgramAndConfig(); }, Outcome::kFailed);
  bool address = false, lost = false;
  for (const std::string& line : lines) {
    address |= line.find("Finished with fail. Address: 0x") != std::string::npos;
    lost |= line.find("is gone") != std::string::npos || line.find("stopped answering") != std::string::npos;
    EXPECT_EQ(line.find("    file 0x"), std::string::npos) << "no file and chip values: " << line;
  }
  EXPECT_TRUE(address);
  EXPECT_TRUE(lost);
  EXPECT_FALSE(rig.state.operations.LastDifference().has_value());
}

}  // namespace
}  // namespace fw
