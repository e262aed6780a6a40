// The factory calibration of the PIC12F629 family across erase and write:
// values checked before they are trusted, recorded before the erase, put
// back as the chip's own, named after a failure, kept through a stop, and
// restored into a chip that lost them.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>

#include "log/safe_file.h"
#include "ops_rig.h"
#include "platform/platform.h"

namespace fw {
namespace {

constexpr OsccalValues kFactory{0x34A8, 0b10};  // the virtual F629 chips' own

std::string TempPath(const std::string& name) {
  return testing::TempDir() + "/flashwright_calibration_" + std::to_string(getpid()) + "_" + name;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Logged(const std::vector<std::string>& lines, const std::string& start) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

struct CalRig : OpsRig {
  std::string record = TempPath(std::to_string(++count) + ".log");
  static inline int count = 0;
  explicit CalRig(const char* name, sim::Fault fault = {}) : OpsRig(name, fault) {
    std::remove(record.c_str());
    state.calibration_record.SetPath(record);
  }
  ~CalRig() { std::remove(record.c_str()); }
  std::uint32_t last() { return chip().program_words() - 1; }
  OsccalValues OnChip() {
    return {chip().ProgramWord(last()), static_cast<std::uint8_t>((chip().ConfigWord(7) >> 12) & 3)};
  }
  void Protect() { chip().SetConfigWord(7, 0x2F7F); }  // CP (bit 7) = 0
  void EraseCalibration() {
    chip().SetProgramWord(last(), 0x3FFF);
    chip().SetConfigWord(7, 0x3FFF);
  }
  // A file's program and configuration word in the views.
  void Load(std::uint16_t config) {
    for (std::uint32_t i = 0; i < 16; ++i) SetWordAt(state.images.ProgramImage, i, static_cast<std::uint16_t>(0x2800 + i));
    SetWordAt(state.images.ConfigImage, 7, config);
    ShowImages();
  }
};

TEST(Calibration, ValuesThatAreNoCalibrationStopTheEraseBeforeIt) {
  using Kind = CalibrationAnswer::Kind;
  enum class Chip { kFactory, kProtected, kErased, kBandGap01 };
  const struct {
    const char* what;
    Chip chip;
    bool write;  // else erase
    std::uint16_t file_config;
    Kind answer;
    std::optional<OsccalValues> given;
    bool keep;
    Outcome outcome;
    bool erased;
    OsccalValues after;  // on the chip afterwards
  } cases[] = {
      {"protected, erase, no values", Chip::kProtected, false, 0x3FFF, Kind::kNotGiven, {}, true, Outcome::kStopped,
       false, {0x0000, 0b10}},
      {"protected, erase, values given", Chip::kProtected, false, 0x3FFF, Kind::kNotGiven, kFactory, true,
       Outcome::kDone, true, kFactory},
      {"protected, write, values typed in", Chip::kProtected, true, 0x3184, Kind::kUse, {}, true, Outcome::kDone, true,
       {0x34B0, 0b01}},
      {"erased, write, no values", Chip::kErased, true, 0x3184, Kind::kNotGiven, {}, true, Outcome::kStopped, false,
       {0x3FFF, 0b11}},
      {"erased, erase, lose them", Chip::kErased, false, 0x3FFF, Kind::kLose, {}, true, Outcome::kDone, true,
       {0x3FFF, 0b11}},
      {"erased, write, cancel", Chip::kErased, true, 0x3184, Kind::kCancel, {}, true, Outcome::kCancelled, false,
       {0x3FFF, 0b11}},
      {"other chip's band gap in the file", Chip::kBandGap01, true, 0x21C4, Kind::kNotGiven, {}, true, Outcome::kDone,
       true, {0x34A8, 0b01}},
      {"file's band-gap bits 00", Chip::kFactory, true, 0x01C4, Kind::kNotGiven, {}, true, Outcome::kDone, true,
       kFactory},
      {"firmware that protects the chip", Chip::kFactory, true, 0x3104, Kind::kNotGiven, {}, true, Outcome::kDone,
       true, kFactory},
      {"not kept, as asked", Chip::kProtected, false, 0x3FFF, Kind::kNotGiven, {}, false, Outcome::kDone, true,
       {0x3FFF, 0b11}},
  };
  for (const char* name : {"PIC16F630", "PIC12F675"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(name) + ": " + c.what);
      CalRig rig(name);
      rig.chip().SetProgramWord(0, 0x2805);
      if (c.chip == Chip::kProtected) rig.Protect();
      if (c.chip == Chip::kErased) rig.EraseCalibration();
      if (c.chip == Chip::kBandGap01) rig.chip().SetConfigWord(7, 0x1FFF);
      rig.Load(c.file_config);
      rig.dialogs.calibration_answer = {c.answer, {0x34B0, 0b01}};
      const auto lines = rig.Run(
          [&](DeviceOperations& o) {
            return c.write ? o.WriteProgramAndConfig(c.keep, false, c.given) : o.ChipErase(c.keep, c.given);
          },
          c.outcome);
      EXPECT_EQ(rig.erase_frame > 0, c.erased);
      EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
      const bool stopped = c.outcome == Outcome::kStopped;
      EXPECT_EQ(Logged(lines, "    nothing has been erased"), stopped);
      if (c.erased) {
        EXPECT_EQ(rig.OnChip(), c.after);
        EXPECT_EQ(rig.chip().CodeProtected(), c.write && (c.file_config & 0x80) == 0);
      } else {
        EXPECT_EQ(rig.chip().ProgramWord(0), 0x2805) << "untouched";
        EXPECT_EQ((rig.chip().ConfigWord(7) >> 12) & 3, c.after.band_gap);
      }
      // Only what is on the chip is said to be restored.
      const bool restored = Logged(lines, "    OSCCAL word & BG-bits has been restored") ||
                            Logged(lines, "    OSCCAL & BG-bits has been restored");
      EXPECT_EQ(restored, c.erased && c.keep && c.answer != Kind::kLose);
      if (c.outcome == Outcome::kDone && c.write && !rig.chip().CodeProtected()) {
        // The window's verify takes no factory bits: the file's band-gap
        // bits (or its unimplemented ones) are no difference.
        EXPECT_EQ(rig.Run([](DeviceOperations& o) { return o.VerifyProgramAndConfig(); }).end()[-2],
                  "       Finished. No differences found.");
      }
    }
  }
}

TEST(Calibration, RecordedBeforeTheEraseAndNamedWhenTheWriteFails) {
  CalRig whole("PIC16F630");
  const auto written = whole.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); });
  const std::string line = "2026-12-09T09:05:07Z\tPIC16F630\tdemo\tosccal=34A8 bg=10\tread\n";
  const std::string closed = "2026-12-09T09:05:07Z\tPIC16F630\tdemo\tosccal=34A8 bg=10\tclosed\n";
  // Read before the erase, then closed once they are back on the chip.
  EXPECT_EQ(Slurp(whole.record), line + closed);
  EXPECT_EQ(written[2],
            "    OSCCAL word & BG-bits has been read and stored: 0x03FF = 34A8, BG bits = 10, recorded in " + whole.record);

  // The line drops just after the erase: the values are named, with where
  // they are kept and how they go back.
  CalRig rig("PIC16F630", {sim::Fault::Kind::kHangup, whole.erase_frame + 2});
  const auto lines = rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); }, Outcome::kFailed);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines.end()[-5], "       Finished with fail.");
  EXPECT_EQ(lines.end()[-4], "    the port demo is gone (unplugged?): plug the gateway in again, then Disconnect and Connect");
  EXPECT_EQ(lines.end()[-3], "    the chip now holds: program memory erased, no configuration word (erased); write it "
                             "again, or erase it, before it is used");
  EXPECT_EQ(lines.end()[-2],
            "    calibration values read before the erase: 0x03FF = 34A8, BG bits = 10, recorded in " + rig.record);
  EXPECT_EQ(lines.back(),
            "    put them back with \"Restore calibration values...\" (Edit menu) or with flashwright-cli calibration "
            "--restore --osccal 0x34A8 --bg 10");
  EXPECT_EQ(rig.chip().ProgramWord(rig.last()), 0x3FFF) << "erased";

  // The same write again reads the erased word: it stops, and offers the
  // record's values.
  CalRig again("PIC16F630");
  again.state.calibration_record.SetPath(rig.record);
  again.EraseCalibration();
  again.dialogs.calibration_answer = {CalibrationAnswer::Kind::kUse, kFactory};
  again.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); });
  EXPECT_EQ(again.dialogs.calibration_suggested, kFactory);
  EXPECT_NE(again.dialogs.calibration_asked.back().find("reads 3FFF"), std::string::npos);
  EXPECT_EQ(again.OnChip(), kFactory);
  EXPECT_EQ(Slurp(rig.record), line + "2026-12-09T09:05:07Z\tPIC16F630\tdemo\tosccal=34A8 bg=10\tgiven\n" + closed);
}

TEST(Calibration, ARecordThatCannotBeWrittenStopsOnlyWhatWouldLoseTheValues) {
  for (const char* name : {"PIC16F630", "PIC16F684"}) {
    SCOPED_TRACE(name);
    CalRig rig(name);
    rig.state.calibration_record.SetPath("/proc/self/flashwright/calibration.log");
    const bool f629 = rig.entry().Family == ChipFamily::F629;
    const auto lines = rig.Run([](DeviceOperations& o) { return o.ChipErase(true); },
                               f629 ? Outcome::kStopped : Outcome::kDone);
    EXPECT_TRUE(Logged(lines, "    the calibration values could not be recorded: "));
    EXPECT_EQ(rig.erase_frame > 0, !f629);
  }
}

TEST(Calibration, TheRecordIsReadForItsGoodLines) {
  const std::string path = TempPath("damaged.log");
  std::ofstream(path) << "2026-12-01T08:00:00Z\tPIC16F630\t/dev/ttyUSB0\tosccal=3480 bg=01\tread\n"
                         "half a line\n"
                         "2026-12-02T08:00:00Z\tPIC16F630\t/dev/ttyUSB0\tosccal=3490 bg=11\tread\r\n"
                         "2026-12-03T08:00:00Z\tPIC16F630\t/dev/ttyUSB1\tosccal=3FFF bg=11\tgiven\n"
                         "2026-12-04T08:00:00Z\tPIC16F684\t/dev/ttyUSB0\t0x2008=2D4A\tread\n"
                         "2026-12-05T08:00:00Z\tPIC16F630\t/dev/ttyUSB0\tosccal=34G0 bg=10\tread\n"
                         "2026-12-06T08:00:00Z\tPIC16F630\t/dev/tty";
  CalibrationRecord record;
  record.SetPath(path);
  EXPECT_EQ(record.Entries().size(), 4u);
  const auto newest = record.NewestFor("PIC16F630");
  ASSERT_TRUE(newest);
  EXPECT_EQ(newest->time, "2026-12-02T08:00:00Z") << "the newest whose OSCCAL is a calibration value";
  EXPECT_EQ(newest->values.osccal, (OsccalValues{0x3490, 0b11}));
  EXPECT_FALSE(record.NewestFor("PIC12F675"));
  // What is appended reads back as it was.
  const CalibrationRecordEntry entry{"2026-12-07T08:00:00Z", "PIC12F675", "/dev/pts/3", {kFactory, {}}, "read"};
  std::string error;
  ASSERT_TRUE(record.Append(entry, &error)) << error;
  EXPECT_EQ(record.NewestFor("PIC12F675")->values, entry.values);
  EXPECT_EQ(record.Entries().size(), 5u) << "the torn last line is left alone";
  std::remove(path.c_str());

  EXPECT_EQ(CalibrationRecordPath("/x/data", "/home/u"), "/x/data/flashwright/calibration.log");
  EXPECT_EQ(CalibrationRecordPath("relative", "/home/u"), "/home/u/.local/share/flashwright/calibration.log");
  EXPECT_EQ(CalibrationRecordPath(nullptr, "/home/u"), "/home/u/.local/share/flashwright/calibration.log");
}

TEST(Calibration, ValuesTypedInAreCheckedLikeValuesRead) {
  const struct {
    const char *osccal, *bg;
    std::optional<OsccalValues> values;
  } cases[] = {
      {"0x34A8", "10", kFactory},   {"34a8", "01", OsccalValues{0x34A8, 1}}, {"3FFF", "10", {}},
      {"0000", "10", {}},           {"34A8", "2", {}},                       {"34A8", "12", {}},
      {"34A", "10", {}},            {"0x34A8 ", "10", {}},                   {"3500", "00", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.osccal) + " " + c.bg);
    std::string why;
    EXPECT_EQ(ParseOsccalValues(c.osccal, c.bg, &why), c.values);
    EXPECT_EQ(why.empty(), c.values.has_value());
  }
}

// A stop asked at any moment of a write or an erase: the calibration is on
// the chip afterwards, and the chip out of programming mode.
TEST(Calibration, AStopAtAnyMomentLeavesTheValuesOnTheChip) {
  for (const bool write : {true, false}) {
    CalRig whole("PIC12F629");
    auto op = [write](DeviceOperations& o) { return write ? o.WriteProgramAndConfig(true, false) : o.ChipErase(true); };
    whole.Run(op);
    const int looks = whole.dialogs.stop_looks;
    for (int after = 0; after <= looks; after += after < 8 ? 1 : 97) {
      SCOPED_TRACE(std::string(write ? "write" : "erase") + ", stop after " + std::to_string(after) + " looks");
      CalRig rig("PIC12F629");
      rig.dialogs.stop_after = after;
      const std::size_t before = rig.state.log.Lines().size();
      const Outcome outcome = op(rig.state.operations);
      const bool asked = rig.dialogs.stop_looks > after, erased = rig.erase_frame > 0;
      EXPECT_EQ(rig.OnChip(), kFactory);
      EXPECT_FALSE(rig.gateway.gateway().vpp_on());
      EXPECT_TRUE(rig.state.link.PortValid());
      // An erase that has begun ends as it would have; a write stops, once
      // the values are back.
      EXPECT_EQ(outcome, asked && (write || !erased) ? Outcome::kCancelled : Outcome::kDone);
      if (outcome == Outcome::kCancelled) {
        EXPECT_EQ(rig.state.log.Lines().back(), "Operation cancelled");
      }
      EXPECT_GT(rig.state.log.Lines().size(), before);
      EXPECT_EQ(rig.dialogs.deferred.empty(), !(asked && erased));
    }
  }
  // A read stops at once.
  CalRig rig("PIC16F887");
  rig.dialogs.stop_after = 3;
  rig.Run([](DeviceOperations& o) { return o.ReadProgramAndConfig(); }, Outcome::kCancelled);
  EXPECT_LT(rig.frames, 60);
}

TEST(Calibration, RestoreWritesOnlyWhereTheChipIsErased) {
  enum class Chip { kErased, kIntact, kBandGapLeft, kOtherOsccal, kProtected };
  const struct {
    const char* name;
    Chip chip;
    OsccalValues values;
    bool answer;
    Outcome outcome;
    const char* line;  // the reason of a refusal, or the restored line
  } cases[] = {
      {"PIC16F630", Chip::kErased, kFactory, true, Outcome::kDone,
       "    OSCCAL word & BG-bits have been restored: 0x03FF = 34A8, BG bits = 10"},
      {"PIC12F675", Chip::kBandGapLeft, {0x3480, 0b10}, true, Outcome::kDone,
       "    OSCCAL word & BG-bits have been restored: 0x03FF = 3480, BG bits = 10"},
      {"PIC16F630", Chip::kIntact, kFactory, true, Outcome::kRefused, "    the chip already holds"},
      {"PIC16F630", Chip::kIntact, {0x3480, 0b10}, true, Outcome::kRefused, "    the OSCCAL word 0x03FF holds 34A8"},
      {"PIC16F630", Chip::kOtherOsccal, {0x34A8, 0b01}, true, Outcome::kRefused, "    the band-gap bits read 10"},
      {"PIC16F630", Chip::kProtected, kFactory, true, Outcome::kRefused, "    the OSCCAL word 0x03FF holds 0000"},
      {"PIC16F630", Chip::kErased, {0x3FFF, 0b10}, true, Outcome::kRefused, "    3FFF is not a calibration value"},
      {"PIC16F630", Chip::kErased, kFactory, false, Outcome::kCancelled, "Operation cancelled"},
      {"PIC16F684", Chip::kIntact, kFactory, true, Outcome::kRefused, "    the calibration words of this chip are never"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.line);
    CalRig rig(c.name);
    if (c.chip == Chip::kErased) rig.EraseCalibration();
    if (c.chip == Chip::kBandGapLeft) rig.chip().SetProgramWord(rig.last(), 0x3FFF);
    if (c.chip == Chip::kOtherOsccal) rig.chip().SetProgramWord(rig.last(), 0x3FFF);
    if (c.chip == Chip::kProtected) rig.Protect();
    rig.dialogs.answer = c.answer;
    const OsccalValues before = rig.OnChip();
    const auto lines = rig.Run([&](DeviceOperations& o) { return o.RestoreCalibration(c.values); }, c.outcome);
    EXPECT_TRUE(Logged(lines, c.line));
    EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
    EXPECT_EQ(rig.OnChip(), c.outcome == Outcome::kDone ? c.values : before);
  }
}

TEST(Calibration, ValuesGivenByHandAgainstWhatTheChipReads) {
  constexpr OsccalValues kOther{0x3480, 0b01};
  enum class Chip { kOwn, kProtected, kErased };
  const struct {
    const char* what;
    Chip chip;
    OsccalValues given;
    bool replace;
    Outcome outcome;
    OsccalValues after;
    const char* record;  // the sources recorded, in order
  } cases[] = {
      {"readable, equal", Chip::kOwn, kFactory, false, Outcome::kDone, kFactory, "read closed"},
      {"readable, different", Chip::kOwn, kOther, false, Outcome::kStopped, kFactory, "own"},
      {"readable, different, replaced", Chip::kOwn, kOther, true, Outcome::kDone, kOther, "own given closed"},
      {"protected, band gap differs", Chip::kProtected, kOther, false, Outcome::kStopped, kFactory, "own"},
      {"protected, band gap equal", Chip::kProtected, {0x3480, 0b10}, false, Outcome::kDone, {0x3480, 0b10},
       "own given closed"},
      {"erased: nothing to compare", Chip::kErased, kOther, false, Outcome::kDone, kOther, "given closed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CalRig rig("PIC12F629");
    if (c.chip == Chip::kProtected) rig.Protect();
    if (c.chip == Chip::kErased) rig.EraseCalibration();
    rig.state.operations.ReplaceCalibration(c.replace);
    const auto lines = rig.Run([&](DeviceOperations& o) { return o.ChipErase(true, c.given); }, c.outcome);
    EXPECT_EQ(rig.OnChip(), c.after);
    std::string sources;
    for (const CalibrationRecordEntry& e : rig.state.calibration_record.Entries()) {
      sources += (sources.empty() ? "" : " ") + e.source;
    }
    EXPECT_EQ(sources, c.record);
    if (c.outcome == Outcome::kStopped) {
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("the values given are 0x03FF = 3480") != std::string::npos &&
               l.find("--replace-calibration") != std::string::npos;
      }));
    }
    // Typed values are never said to have been read.
    const bool given = std::string(c.record).find("given") != std::string::npos;
    EXPECT_EQ(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("given (not read from the chip)") != std::string::npos; }),
              given);
  }
}

TEST(Calibration, RestoreLastTakesOnlyWhatAnEraseLeftBehind) {
  CalRig rig("PIC12F629");
  CalibrationRecord& record = rig.state.calibration_record;
  std::string error;
  auto add = [&](const char* time, const char* chip, OsccalValues v, const char* source) {
    ASSERT_TRUE(record.Append({time, chip, "ttyUSB0", {v, {}}, source}, &error)) << error;
  };
  // Chip B failed after its erase (open); chip A was then written (closed).
  add("2026-12-01T08:00:00Z", "PIC12F629", {0x3470, 0b01}, "read");
  add("2026-12-02T08:00:00Z", "PIC12F629", {0x34A8, 0b10}, "read");
  add("2026-12-02T08:00:05Z", "PIC12F629", {0x34A8, 0b10}, "closed");
  add("2026-12-03T08:00:00Z", "PIC16F630", {0x3490, 0b11}, "read");
  add("2026-12-04T08:00:00Z", "PIC12F629", {0x34C0, 0b00}, "given");
  add("2026-12-04T09:00:00Z", "PIC12F629", {0x3400, 0b11}, "own");
  const auto open = record.OpenFor("PIC12F629");
  ASSERT_EQ(open.size(), 2u) << "the closed entry and the chip's own recorded values are no candidates";
  EXPECT_EQ(*open[0].values.osccal, (OsccalValues{0x34C0, 0b00})) << "newest first";
  EXPECT_EQ(*open[1].values.osccal, (OsccalValues{0x3470, 0b01}));
  // A restore of the newest closes it.
  rig.EraseCalibration();
  rig.Run([&](DeviceOperations& o) { return o.RestoreCalibration(*open[0].values.osccal); });
  ASSERT_EQ(record.OpenFor("PIC12F629").size(), 1u);
  EXPECT_EQ(record.OpenFor("PIC12F629")[0].time, "2026-12-01T08:00:00Z");
}

TEST(Calibration, TheRecordIsReadOnlyAsAFileAndOnlyItsNewestPart) {
  CalRig rig("PIC12F629");
  CalibrationRecord& record = rig.state.calibration_record;
  // Not a file (a folder here; a device or a FIFO likewise): nothing is
  // read, nothing waited on, nothing appended.
  for (const std::string& path : {testing::TempDir(), rig.record + ".d"}) {
    std::string made;
    ASSERT_TRUE(platform::MakeFolders(path, &made)) << made;
    record.SetPath(path);
    EXPECT_TRUE(record.Entries().empty()) << path;
    std::string error;
    EXPECT_FALSE(record.Append({"t", "PIC12F629", "p", {kFactory, {}}, "read"}, &error)) << path;
    EXPECT_NE(error.find("not an ordinary file"), std::string::npos) << error;
  }
  // Larger than the bound: the newest lines only, the cut one dropped.
  record.SetPath(rig.record);
  std::string text;
  const std::string old_line = "2026-01-01T00:00:00Z\tPIC12F629\tp\tosccal=3470 bg=01\tread\n";
  while (text.size() < CalibrationRecord::kReadBound + 4096) text += old_line;
  text += "2026-12-31T00:00:00Z\tPIC12F629\tp\tosccal=34A8 bg=10\tread\n";
  std::string error;
  ASSERT_TRUE(ReplaceFileSafely(rig.record, text, &error)) << error;
  const auto entries = record.Entries();
  ASSERT_FALSE(entries.empty());
  EXPECT_LE(entries.size() * old_line.size(), CalibrationRecord::kReadBound + old_line.size());
  EXPECT_EQ(entries.back().time, "2026-12-31T00:00:00Z");
  EXPECT_EQ(entries.front().time, "2026-01-01T00:00:00Z") << "whole lines only";
}

TEST(Calibration, AStopDuringARestoreBeforeOrAfterItWrites) {
  // Every moment a stop can be asked: before the values are written the
  // chip stays erased and the restore is cancelled; once they are being
  // written they all go on and the restore is done, saying so.
  CalRig whole("PIC12F629");
  whole.EraseCalibration();
  whole.dialogs.stop_after = 1 << 30;  // counts the looks, never stops
  whole.Run([](DeviceOperations& o) { return o.RestoreCalibration(kFactory); });
  const int looks = whole.dialogs.stop_looks;
  ASSERT_GT(looks, 1000) << "a look at every frame of the way to the OSCCAL word";
  bool saw_cancelled = false, saw_late = false;
  std::set<int> moments;
  for (int k = 0; k < 8; ++k) moments.insert({k, looks - k});
  for (int k = 8; k < looks; k += 61) moments.insert(k);
  for (const int after : moments) {
    SCOPED_TRACE("stop after " + std::to_string(after) + " looks");
    CalRig rig("PIC12F629");
    rig.EraseCalibration();
    rig.dialogs.stop_after = after;
    const Outcome outcome = rig.state.operations.RestoreCalibration(kFactory);
    const std::vector<std::string>& lines = rig.state.log.Lines();
    if (outcome == Outcome::kCancelled) {
      saw_cancelled = true;
      EXPECT_EQ(rig.OnChip(), (OsccalValues{0x3FFF, 0b11})) << "nothing written";
      EXPECT_EQ(lines.back(), "Operation cancelled");
    } else {
      ASSERT_EQ(outcome, Outcome::kDone);
      EXPECT_EQ(rig.OnChip(), kFactory);
      const bool late = std::find(lines.begin(), lines.end(),
                                  "    the request to stop came once the values were being written: they are on the "
                                  "chip") != lines.end();
      saw_late = saw_late || late;
      EXPECT_EQ(late, rig.dialogs.stop_looks > after);
    }
  }
  EXPECT_TRUE(saw_cancelled);
  EXPECT_TRUE(saw_late);
}

}  // namespace
}  // namespace fw
