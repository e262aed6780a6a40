// The production record as JSON Lines other tools read: valid UTF-8 always,
// names of any bytes kept, fields added later passed over, numbers out of
// range refused by line; and the report's serial numbers.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "production/production_record.h"

namespace fw {
namespace {

ChipRunRecord Sample() {
  ChipRunRecord r;
  r.time = "2026-12-09T10:00:00Z";
  r.host = "bench-1";
  r.port = "/dev/ttyUSB0";
  r.command = "write";
  r.chip = "PIC12F675";
  r.device_id = 0x0FC3;
  r.file = "fw.hex";
  r.file_sha256 = std::string(64, 'a');
  r.checksum = 0x0DB9;
  r.serial = 1000;
  r.serial_state = "used";
  r.calibration = "0x03FF = 34A8, BG bits = 10";
  r.outcome = "done";
  r.log = {"line one", "    indented \"quoted\"\ttab"};
  return r;
}

TEST(Records, NamesOfAnyBytesRoundTripAsValidUtf8) {
  const std::string names[] = {
      "plain.hex",
      "caf\xC3\xA9.hex",                      // UTF-8
      "caf\xE9.hex",                          // Latin-1: no UTF-8
      "'; DROP TABLE chips; --.hex",
      std::string("nul\0inside", 10),
      "\xF0\x9F\x98\x80 \xED\xA0\x80 \xC0\xAF",  // a valid 4-byte one, a surrogate, an overlong form
      "\\x41 looks escaped",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ChipRunRecord r = Sample();
    r.file = name;
    r.log.push_back("    loaded " + name);
    const std::string line = RecordLine(r);
    ASSERT_EQ(line.back(), '\n');
    // Another reader takes the line: strict UTF-8, one object.
    const nlohmann::json other = nlohmann::json::parse(line);
    ASSERT_TRUE(other.is_object());
    std::string why;
    const auto back = ParseRecordLine(line, &why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(back->file, name) << "the raw bytes come back";
    EXPECT_EQ(back->serial, 1000u);
    EXPECT_EQ(back->device_id, 0x0FC3);
    EXPECT_EQ(back->log.front(), "line one");
  }
}

TEST(Records, LaterFieldsArePassedOverAndBadNumbersRefused) {
  const std::string base = RecordLine(Sample());
  auto with = [&](const std::string& field) { return base.substr(0, base.size() - 2) + "," + field + "}"; };
  const struct {
    std::string line;
    std::string why;  // empty: read
  } cases[] = {
      {with("\"station\":{\"id\":4}"), ""},
      {with("\"operator\":\"\\u00e9mile\""), ""},
      {R"({"outcome":"done","chip":"PIC16F84A","serial":null})", ""},
      {R"({"outcome":"done","serial":-1})", "serial -1 is out of range"},
      {R"({"outcome":"done","serial":1.5})", "serial 1.5 is out of range"},
      {R"({"outcome":"done","serial":18446744073709551616})", "serial 1.8446744073709552e+19 is out of range"},
      {R"({"outcome":"done","checksum":65536})", "checksum 65536 is out of range"},
      {R"({"outcome":"done","device_id":"0x0FC3"})", "device_id is not a number"},
      {R"({"outcome":"done","chip":7})", "chip is not a text"},
      {R"({"outcome":"done","log":"one"})", "log is not a list"},
      {R"({"chip":"PIC12F675"})", "no outcome"},
      {R"([1,2])", "not a record object"},
      {base.substr(0, 40), "not JSON (torn or foreign)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string why;
    const auto r = ParseRecordLine(c.line, &why);
    EXPECT_EQ(r.has_value(), c.why.empty());
    EXPECT_EQ(why, c.why);
  }
}

TEST(Records, TheReportFindsGapsAndNumbersOnTwoChips) {
  std::vector<std::optional<ChipRunRecord>> records;
  auto add = [&](std::uint64_t serial, const char* outcome, const char* state) {
    ChipRunRecord r = Sample();
    r.serial = serial;
    r.outcome = outcome;
    r.serial_state = state;
    records.push_back(r);
  };
  // Out of line order, step 2, a gap at 1006-1008, 1012 twice, 1004 spent.
  for (const std::uint64_t s : {1010u, 1000u, 1002u, 1012u, 1012u}) add(s, "done", "used");
  add(1004, "failed", "spent");
  add(1014, "cancelled", "returned");
  add(1016, "stopped", "returned");
  records.push_back(std::nullopt);
  const std::string report = ReportText("r.jsonl", records, {"line 9: not JSON (torn or foreign)"});
  for (const char* part : {"(9 lines, 1 unreadable)", "  unreadable line 9: not JSON",
                           "chips: 5 programmed, 3 failed (cancelled 1, failed 1, stopped 1)",
                           "serial numbers: lowest 1000, highest 1012, 4 on chips that passed",
                           "  gaps (step 2): 1004-1008\n", "  on more than one chip: 1012\n",
                           "  spent on chips that failed (erase or scrap them): 1004\n"}) {
    EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
  }
}

}  // namespace
}  // namespace fw
