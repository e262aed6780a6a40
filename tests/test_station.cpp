// The production core without the terminal: a station that programs each
// chip once it is put in, the serial number settled by where a failure
// came, and the record naming the bytes that were loaded.

#include <gtest/gtest.h>

#include <fstream>

#include "log/sha256.h"
#include "production/station.h"
#include "platform/platform.h"
#include "ops_rig.h"

namespace fw {
namespace {

std::string Temp(const std::string& name) {
  return testing::TempDir() + "/flashwright_station_" + std::to_string(platform::ProcessId()) + "_" + name;
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<ChipRunRecord> ReadRecords(const std::string& path) {
  std::vector<ChipRunRecord> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (auto r = ParseRecordLine(line)) out.push_back(*r);
  }
  return out;
}

constexpr const char* kV1 = ":0400000001300800C3\n:02400E00C43FAD\n:00000001FF\n";
constexpr const char* kV2 = ":0400000002300800C2\n:02400E00C43FAD\n:00000001FF\n";

TEST(Station, ProgramsEachChipOnceItIsPutIn) {
  OpsRig rig("PIC16F630");
  const std::string hex = Temp("v.hex"), record = Temp("record.jsonl");
  std::remove(record.c_str());
  WriteText(hex, kV1);
  ASSERT_TRUE(rig.state.files.LoadFile(hex, sectAll).done);
  const std::string v1 = Sha256Hex(kV1);
  // The file is rebuilt after the load: the record still names what was loaded.
  WriteText(hex, kV2);

  SerialNumbers serials({100, 1}, "");
  ProductionSetup setup;
  setup.job.check_device_id = true;
  setup.job.serial_place = SerialPlace{.kind = SerialPlace::Kind::kRetlw, .address = 0x100, .bytes = 2};
  setup.serials = &serials;
  setup.record_path = record;
  setup.file = hex;
  ProductionRun run(rig.state, setup, rig.clock);
  ASSERT_EQ(run.Unready(), "");
  Station station(run);
  sim::VirtualChip& chip = rig.chip();
  sim::VirtualChip other(*FindChipByName("PIC12F675"));
  auto poll = [&] {
    ChipResult result;
    std::string said;
    const Station::Event event = station.Poll(&result, &said);
    return std::make_pair(event, result);
  };

  auto [event, first] = poll();
  ASSERT_EQ(event, Station::Event::kProgrammed) << first.reason;
  EXPECT_TRUE(first.passed());
  EXPECT_EQ(first.serial, 100u);
  EXPECT_EQ(chip.ProgramWord(0x101), 0x3400 + 100) << "the serial number, most significant byte last";
  EXPECT_EQ(chip.ProgramWord(0), 0x3001) << "v1, as loaded";
  EXPECT_EQ(poll().first, Station::Event::kNothing) << "never twice without the chip taken out";

  rig.gateway.gateway().SetChip(&other);
  EXPECT_EQ(poll().first, Station::Event::kWrongChip);
  EXPECT_EQ(poll().first, Station::Event::kNothing) << "said once";
  rig.gateway.gateway().SetChip(nullptr);
  EXPECT_EQ(poll().first, Station::Event::kNothing);
  rig.gateway.gateway().SetChip(&chip);
  auto [again, second] = poll();
  ASSERT_EQ(again, Station::Event::kProgrammed);
  EXPECT_EQ(second.serial, 101u);
  EXPECT_EQ(run.passed(), 2);
  ASSERT_EQ(run.history().size(), 2u);
  EXPECT_EQ(run.history().front().serial, 101u) << "newest first";

  const std::vector<ChipRunRecord> records = ReadRecords(record);
  ASSERT_EQ(records.size(), 2u);
  for (const ChipRunRecord& r : records) {
    EXPECT_EQ(r.file_sha256, v1) << "the bytes loaded, not the file as it is now";
    EXPECT_EQ(r.serial_state, "used");
    EXPECT_TRUE(r.checksum.has_value());
  }
  EXPECT_NE(records[0].checksum, records[1].checksum) << "the image written, serial number included";
  std::remove(hex.c_str());
  std::remove(record.c_str());
}

// A hang-up at a frame before, inside or after the writes of the serial
// number's place: given back only when its place was never written.
TEST(Station, ASerialNumberIsSpentOnceItsPlaceWasWritten) {
  int total = 0;
  {
    OpsRig clean("PIC16F630");
    ProductionSetup setup;
    setup.job.serial_place = SerialPlace{.kind = SerialPlace::Kind::kEeprom, .address = 0, .bytes = 2};
    SerialNumbers serials({1, 1}, "");
    setup.serials = &serials;
    ProductionRun run(clean.state, setup, clean.clock);
    ASSERT_TRUE(run.ProgramChip().passed());
    total = clean.frames;
  }
  std::set<std::string> states;
  for (int n = 40; n < total; n += 97) {
    OpsRig rig("PIC16F630", {sim::Fault::Kind::kHangup, n});
    ProductionSetup setup;
    setup.job.serial_place = SerialPlace{.kind = SerialPlace::Kind::kEeprom, .address = 0, .bytes = 2};
    SerialNumbers serials({1, 1}, "");
    setup.serials = &serials;
    ProductionRun run(rig.state, setup, rig.clock);
    const ChipResult r = run.ProgramChip();
    SCOPED_TRACE("hang-up after frame " + std::to_string(n) + ": " + r.reason);
    ASSERT_FALSE(r.passed());
    EXPECT_TRUE(r.link_lost);
    EXPECT_NE(r.reason.find("the link failed"), std::string::npos);
    std::string error;
    const std::uint64_t next = *serials.Take(&error);
    const bool touched = rig.chip().DataByte(0) != 0xFF || rig.chip().DataByte(1) != 0xFF;
    states.insert(r.serial_state);
    if (r.serial_state == "returned") {
      EXPECT_EQ(next, 1u) << "handed out again";
      EXPECT_FALSE(touched) << "a number given back is on no chip";
    } else {
      ASSERT_EQ(r.serial_state, "spent");
      EXPECT_EQ(next, 2u) << "never handed out again";
      EXPECT_NE(r.reason.find("erase or scrap it"), std::string::npos);
    }
  }
  EXPECT_EQ(states, (std::set<std::string>{"returned", "spent"}));
}

TEST(Station, ARecordThatCannotBeWrittenFailsTheChip) {
  const std::string folder = Temp("folder");
  ASSERT_TRUE(platform::MakeFolders(folder, nullptr));
  std::vector<std::string> paths{folder};
  // A device that takes no bytes, where the system has one.
  if (platform::KindOf("/dev/full") == platform::PathKind::kOther) paths.push_back("/dev/full");
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    OpsRig rig("PIC16F630");
    ProductionSetup setup;
    setup.record_path = path;
    ProductionRun run(rig.state, setup, rig.clock);
    EXPECT_NE(run.Unready(), "") << "refused before the first chip";
    const ChipResult r = run.ProgramChip();
    EXPECT_EQ(r.outcome, Outcome::kFailed);
    EXPECT_TRUE(r.record_failed);
    EXPECT_NE(r.reason.find("the record could not be written"), std::string::npos) << r.reason;
  }
}

}  // namespace
}  // namespace fw
