// Production programming against the in-process simulator: what must
// survive a reflash, serial numbers in each place (refused before anything
// is written when they cannot go there), the serial file shared by
// processes, and the record of every chip.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "production/production_record.h"
#include "log/safe_file.h"
#include "log/sha256.h"
#include "production/production.h"
#include "platform/platform.h"
#include "ops_rig.h"

namespace fw {
namespace {

std::string Temp(const std::string& name) {
  return testing::TempDir() + "/flashwright_production_" + std::to_string(platform::ProcessId()) + "_" + name;
}

// The loaded "file": a few program words and a configuration word.
void LoadFile(OpsRig& rig) {
  for (std::uint32_t i = 0; i < 8; ++i) SetWordAt(rig.state.images.ProgramImage, i, static_cast<std::uint16_t>(0x2800 + i));
  SetWordAt(rig.state.images.ConfigImage, 7, 0x31C4);
  rig.ShowImages();
}

TEST(Production, WhatIsKeptSurvivesAWrite) {
  OpsRig rig("PIC16F684");
  for (std::uint32_t i = 0; i < rig.chip().data_bytes(); ++i) rig.chip().SetDataByte(i, static_cast<std::uint8_t>(i * 7));
  for (std::uint32_t w = 0x700; w <= 0x70F; ++w) rig.chip().SetProgramWord(w, static_cast<std::uint16_t>(0x3400 + w));
  for (std::uint32_t id = 0; id < 4; ++id) rig.chip().SetConfigWord(id, static_cast<std::uint16_t>(0xA + id));
  LoadFile(rig);
  rig.state.images.DataImage[0] = 0x55;  // the file's EEPROM, not written
  rig.ShowImages();
  WriteJob job;
  job.keep = {.eeprom = true, .user_ids = true, .program = std::pair<std::uint32_t, std::uint32_t>{0x700, 0x70F}};
  const auto before = rig.state.log.Lines().size();
  EXPECT_EQ(ProductionWriter(rig.state).Write(job).outcome, Outcome::kDone);
  const std::vector<std::string> lines(rig.state.log.Lines().begin() + static_cast<std::ptrdiff_t>(before),
                                       rig.state.log.Lines().end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "    the EEPROM is left as it was: this write's erase does not touch it"),
            lines.end());
  for (std::uint32_t i = 0; i < rig.chip().data_bytes(); ++i) ASSERT_EQ(rig.chip().DataByte(i), static_cast<std::uint8_t>(i * 7));
  for (std::uint32_t w = 0x700; w <= 0x70F; ++w) ASSERT_EQ(rig.chip().ProgramWord(w), 0x3400 + w);
  for (std::uint32_t id = 0; id < 4; ++id) EXPECT_EQ(rig.chip().ConfigWord(id), 0xA + id);
  EXPECT_EQ(rig.chip().ProgramWord(3), 0x2803) << "the file is written around them";
  EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();

  // With the chip erased first, the EEPROM goes back and is verified.
  OpsRig erasing("PIC16F684");
  erasing.chip().SetDataByte(5, 0x42);
  LoadFile(erasing);
  job.erase = true;
  job.keep = {.eeprom = true, .user_ids = false, .program = std::nullopt};
  EXPECT_EQ(ProductionWriter(erasing.state).Write(job).outcome, Outcome::kDone);
  EXPECT_EQ(erasing.chip().DataByte(5), 0x42);

  // A protected EEPROM reads as zeros: refused before anything is erased.
  OpsRig protected_data("PIC16F684");
  protected_data.chip().SetConfigWord(7, 0x3F7F);  // CPD (bit 7) = 0
  LoadFile(protected_data);
  job.erase = false;
  EXPECT_EQ(ProductionWriter(protected_data.state).Write(job).outcome, Outcome::kStopped);
  EXPECT_EQ(protected_data.erase_frame, 0);
}

TEST(Production, SerialNumbersGoWhereAskedOrAreRefusedFirst) {
  using Kind = SerialPlace::Kind;
  const struct {
    const char* place;
    bool little;
    std::uint64_t number;
    std::string problem;  // at its start; empty: written
  } cases[] = {
      {"ids", false, 0x1234, ""},
      {"eeprom:0x10:2", false, 0xBEEF, ""},
      {"eeprom:0x10:3", true, 0x123456, ""},
      {"retlw:0x700:2", false, 1000, ""},
      {"ids", false, 0x10000, "the serial number 65536 does not fit in 16 bits"},
      {"eeprom:0xFF:2", false, 1, "EEPROM 0xFF-0x100 lies outside the chip's EEPROM"},
      {"eeprom:0x0:1", false, 256, "the serial number 256 does not fit in 8 bits"},
      {"retlw:0x7FF:2", false, 1, "program 0x07FF-0x0800 lies outside the chip's program memory"},
      {"retlw:0x2:1", false, 1, "the file already sets program 0x0002-0x0002"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.place);
    OpsRig rig("PIC16F684");
    LoadFile(rig);
    WriteJob job;
    std::string why;
    job.serial_place = ParseSerialPlace(c.place, c.little, &why);
    ASSERT_TRUE(job.serial_place) << why;
    job.serial = c.number;
    const auto before = rig.state.log.Lines().size();
    const int frames = rig.frames;
    const JobResult result = ProductionWriter(rig.state).Write(job);
    if (!c.problem.empty()) {
      EXPECT_EQ(result.outcome, Outcome::kRefused);
      EXPECT_EQ(rig.frames, frames) << "nothing sent";
      EXPECT_EQ(rig.state.log.Lines().at(before).rfind("    serial number refused: " + c.problem, 0), 0u)
          << rig.state.log.Lines().at(before);
      continue;
    }
    ASSERT_EQ(result.outcome, Outcome::kDone);
    const SerialPlace& p = *job.serial_place;
    std::uint64_t read = 0;
    for (std::uint32_t k = 0; k < (p.kind == Kind::kUserIds ? 4 : p.bytes); ++k) {
      const std::uint32_t i = p.little_endian ? p.bytes - 1 - k : k;
      switch (p.kind) {
        case Kind::kUserIds: read = read << 4 | rig.chip().ConfigWord(k); break;
        case Kind::kEeprom: read = read << 8 | rig.chip().DataByte(p.address + i); break;
        case Kind::kRetlw:
          ASSERT_EQ(rig.chip().ProgramWord(p.address + i) & 0x3F00, 0x3400) << "a RETLW";
          read = read << 8 | (rig.chip().ProgramWord(p.address + i) & 0xFF);
          break;
      }
    }
    EXPECT_EQ(read, c.number);
  }
  std::string why;
  EXPECT_FALSE(ParseSerialPlace("eeprom:0x10", false, &why));
  EXPECT_FALSE(ParseSerialPlace("flash:1:2", false, &why));
  EXPECT_FALSE(ParseSerialPlace("retlw:1:9", false, &why));
  EXPECT_FALSE(ParseSerialStart("10:0", &why));
  EXPECT_EQ(ParseSerialStart("0x100:5", &why)->step, 5u);
}

TEST(Production, SerialNumbersAreNeverHandedOutTwice) {
  {  // In one process: a number given back comes again first.
    SerialNumbers numbers({100, 10}, "");
    std::string error;
    EXPECT_EQ(numbers.Take(&error), 100u);
    EXPECT_EQ(numbers.Take(&error), 110u);
    EXPECT_TRUE(numbers.GiveBack(100, &error));
    EXPECT_EQ(numbers.Take(&error), 100u);
    EXPECT_EQ(numbers.Take(&error), 120u);
  }
  const std::string path = Temp("serial.txt");
  std::remove(path.c_str());
  {  // A file outlives the run; a number taken is on record before any chip has it.
    std::string error;
    SerialNumbers first({1000, 1}, path);
    EXPECT_EQ(first.Take(&error), 1000u);
    EXPECT_EQ(first.Take(&error), 1001u);
    EXPECT_EQ(first.Take(&error), 1002u);
    EXPECT_TRUE(first.GiveBack(1000, &error));
    EXPECT_TRUE(first.Settle(1001, true, &error));
    // 1002 is never settled: the run was killed with it on a chip.
    SerialNumbers second({1000, 1}, path);
    EXPECT_EQ(second.Peek(&error), 1000u);
    EXPECT_EQ(second.Take(&error), 1000u);
    EXPECT_EQ(second.Take(&error), 1003u) << "1002 stays taken";
    EXPECT_TRUE(second.Settle(1003, false, &error));
    EXPECT_EQ(second.Take(&error), 1004u) << "1003 spent";
  }
  std::string text;
  ASSERT_TRUE(ReadWholeFile(path, &text, nullptr));
  EXPECT_EQ(text, "start 1000 step 1\nnext 1005\ntaken 1000 1002 1004\nspent 1003\n");
  // What the file cannot be trusted with is refused, the file left as it was.
  const struct {
    const char* content;
    SerialStart start;
    const char* why;
  } refused[] = {
      {"start 1000 step 1\nnext 1005\n", {5000, 1}, "was made for --serial 1000:1, not 5000:1"},
      {"", {1000, 1}, "the serial file is empty"},
      {"  \n", {1000, 1}, "the serial file is empty"},
      {"next 1005\nfree 1001 x2\n", {1000, 1}, "line 2 (free): \"x2\" is no decimal number"},
      {"garbage\n", {1000, 1}, "line 1 is not a line of a serial file"},
      {"free 3\n", {1000, 1}, "no \"next\" line"},
      {"next 18446744073709551615\n", {1000, 1}, "have run out"},
      {"next 99999999999999999999\n", {1000, 1}, "is past 2^64-1"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.content);
    std::ofstream(path, std::ios::trunc | std::ios::binary) << c.content;
    SerialNumbers numbers(c.start, path);
    std::string error;
    EXPECT_FALSE(numbers.Take(&error));
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
    ASSERT_TRUE(ReadWholeFile(path, &text, nullptr));
    EXPECT_EQ(text, c.content);
  }
  {  // An old file without its start line is taken; a killed run's temporary files are cleaned.
    std::ofstream(path, std::ios::trunc) << "next 7\n";
    std::ofstream(path + ".4242.0.tmp") << "next 1\n";
    SerialNumbers numbers({1, 1}, path);
    std::string error;
    EXPECT_EQ(numbers.Take(&error), 7u) << error;
    EXPECT_EQ(platform::KindOf(path + ".4242.0.tmp"), platform::PathKind::kMissing);
  }
  std::remove(path.c_str());
  std::remove((path + ".lock").c_str());
}

TEST(Production, TheRecordOfAChipThatFailsMidWrite) {
  const std::string path = Temp("record.jsonl");
  std::remove(path.c_str());
  for (const sim::Fault fault : {sim::Fault{}, sim::Fault{sim::Fault::Kind::kHangup, 3000}}) {
    OpsRig rig("PIC16F630", fault);
    LoadFile(rig);
    const std::size_t first = rig.state.log.Lines().size();
    WriteJob job;
    job.serial_place = SerialPlace{};
    job.serial = 7;
    const JobResult result = ProductionWriter(rig.state).Write(job);
    ChipRunRecord r = MakeRunRecord(rig.state, result.outcome, first);
    r.time = "2026-12-09T09:05:07Z";
    r.command = "write";
    r.serial = job.serial;
    r.file = "dir/\"odd\" name\\.hex";
    std::string error;
    ASSERT_TRUE(AppendRecord(path, r, &error)) << error;
  }
  std::ifstream in(path);
  std::vector<ChipRunRecord> read;
  std::string line;
  while (std::getline(in, line)) {
    const auto r = ParseRecordLine(line);
    ASSERT_TRUE(r) << line;
    read.push_back(*r);
  }
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].outcome, "done");
  EXPECT_TRUE(read[0].checksum.has_value());
  EXPECT_EQ(read[0].calibration, "0x03FF = 34A8, BG bits = 10");
  EXPECT_EQ(read[1].outcome, "failed");
  EXPECT_FALSE(read[1].checksum.has_value());
  EXPECT_EQ(read[1].file, "dir/\"odd\" name\\.hex");
  EXPECT_EQ(read[1].log.back().rfind("    put them back with", 0), 0u) << "the run's log lines, the last first";
  EXPECT_FALSE(ParseRecordLine(RecordLine(read[1]).substr(0, 80)));

  std::string report, error;
  ASSERT_TRUE(ReportRecords(path, &report, &error));
  EXPECT_NE(report.find("chips: 1 programmed, 1 failed"), std::string::npos) << report;
  EXPECT_NE(report.find("serial numbers: lowest 7, highest 7"), std::string::npos) << report;
  std::remove(path.c_str());

  // The digest of the file named: FIPS 180-4's examples.
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000, 'a')).substr(0, 16), "41edece42d63e8d9");
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// A write cut short after its erase, with each kind of keeping: the copy
// saved before the erase is named, and a second write with it puts back
// what the chip lost; the copy goes once it is verified there.
TEST(Production, WhatIsKeptSurvivesAWriteCutShortAfterItsErase) {
  const std::string folder = Temp("kept");
  const struct {
    const char* what;
    KeepRequest keep;
  } cases[] = {
      {"eeprom", {.eeprom = true, .user_ids = false, .program = std::nullopt}},
      {"ids", {.eeprom = false, .user_ids = true, .program = std::nullopt}},
      {"range", {.eeprom = false, .user_ids = false, .program = std::pair<std::uint32_t, std::uint32_t>{0x700, 0x70F}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int erase = 0;
    {
      OpsRig clean("PIC16F684");
      LoadFile(clean);
      WriteJob job;
      job.erase = true;
      job.keep = c.keep;
      ASSERT_EQ(ProductionWriter(clean.state).Write(job).outcome, Outcome::kDone);
      erase = clean.erases.front();
    }
    OpsRig rig("PIC16F684", {sim::Fault::Kind::kHangup, erase + 30});
    for (std::uint32_t i = 0; i < rig.chip().data_bytes(); ++i) rig.chip().SetDataByte(i, static_cast<std::uint8_t>(i ^ 0x5A));
    for (std::uint32_t w = 0x700; w <= 0x70F; ++w) rig.chip().SetProgramWord(w, static_cast<std::uint16_t>(0x3400 + w));
    for (std::uint32_t id = 0; id < 4; ++id) rig.chip().SetConfigWord(id, static_cast<std::uint16_t>(0xA + id));
    LoadFile(rig);
    WriteJob job;
    job.erase = true;
    job.keep = c.keep;
    job.kept_folder = folder;
    const JobResult failed = ProductionWriter(rig.state).Write(job);
    ASSERT_NE(failed.outcome, Outcome::kDone);
    ASSERT_FALSE(failed.kept_path.empty());
    EXPECT_NE(failed.reason.find("what was kept is in " + failed.kept_path), std::string::npos) << failed.reason;
    std::string why;
    const std::optional<KeptFile> kept = LoadKeptFile(failed.kept_path, &why);
    ASSERT_TRUE(kept) << why;
    const bool lost = (c.keep.eeprom && rig.chip().DataByte(1) == 0xFF) ||
                      (c.keep.program && rig.chip().ProgramWord(0x700) == 0x3FFF) ||
                      (c.keep.user_ids && rig.chip().ConfigWord(0) == 0x3FFF);
    EXPECT_TRUE(lost) << "the erase took it";

    rig.gateway.gateway().SetFault({});
    rig.state.link.ClosePort();
    rig.state.link.OpenPort("demo");
    LoadFile(rig);
    WriteJob again;
    again.erase = true;
    again.keep = kept->request;
    again.restore_kept = kept;
    again.restore_kept_path = failed.kept_path;
    ASSERT_EQ(ProductionWriter(rig.state).Write(again).outcome, Outcome::kDone);
    for (std::uint32_t i = 0; c.keep.eeprom && i < rig.chip().data_bytes(); ++i) {
      ASSERT_EQ(rig.chip().DataByte(i), static_cast<std::uint8_t>(i ^ 0x5A));
    }
    for (std::uint32_t w = 0x700; c.keep.program && w <= 0x70F; ++w) ASSERT_EQ(rig.chip().ProgramWord(w), 0x3400 + w);
    for (std::uint32_t id = 0; c.keep.user_ids && id < 4; ++id) EXPECT_EQ(rig.chip().ConfigWord(id), 0xA + id);
    EXPECT_EQ(platform::KindOf(failed.kept_path), platform::PathKind::kMissing) << "verified back, then removed";
  }
  // A copy of another chip, or a file that is no copy, is refused.
  OpsRig other("PIC16F630");
  LoadFile(other);
  WriteJob job;
  job.keep.eeprom = true;
  job.restore_kept = KeptFile{.chip = "PIC16F684", .request = job.keep, .contents = {.eeprom = std::vector<std::uint8_t>(256), .user_ids = {}, .program = {}}};
  EXPECT_EQ(ProductionWriter(other.state).Write(job).outcome, Outcome::kRefused);
  EXPECT_EQ(other.erase_frame, 0);
  const std::string junk = Temp("junk.kept.json");
  std::ofstream(junk) << "{\"chip\":\"PIC16F684\",\"program\":[1,2]}";
  std::string why;
  EXPECT_FALSE(LoadKeptFile(junk, &why));
  EXPECT_NE(why.find("is not a kept copy"), std::string::npos) << why;
  std::remove(junk.c_str());
}

}  // namespace
}  // namespace fw
