// The virtual chip against the rules of real silicon, one chip of every
// family: programming only clears bits, the bulk erase's scope follows the
// counter, code protection, and the chip's own minimum times.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chip_driver.h"
#include "sim/gateway_sim.h"
#include "sim/simulated_gateway.h"

namespace fw {
namespace {

using test::ChipDriver;

const char* const kOneOfEachFamily[] = {
    "PIC16F630", "PIC16F684", "PIC16F785", "PIC12F635", "PIC16F628A", "PIC16F616", "PIC12F617",
    "PIC12F752", "PIC16F753", "PIC16F887", "PIC16F727", "PIC16F720", "PIC16F1847", "PIC12F1501",
    "PIC16F1509"};

// A configuration word with no protection bit of any family at 0.
constexpr std::uint16_t kUnprotected = 0x21C4;

std::string FirstNote(const ChipDriver& d) {
  return d.chip.notes().empty() ? "" : d.chip.notes().front();
}

TEST(Silicon, ProgrammingClearsBitsOnlyButAnEepromByteIsErasedFirst) {
  for (const char* name : kOneOfEachFamily) {
    SCOPED_TRACE(name);
    ChipDriver d(name);
    d.Inc(5);
    d.Program(0x1234);
    d.Program(0x2ABC);
    EXPECT_EQ(d.chip.ProgramWord(5), 0x0234);
    d.LoadConfig();
    d.Program(0x1234);
    d.Program(0x2ABC);
    EXPECT_EQ(d.chip.ConfigWord(0), 0x0234) << "a user ID";
    if (d.chip.data_bytes() > 0) {
      d.Program(0x12, true);
      d.Program(0xA5, true);
      EXPECT_EQ(d.chip.DataByte(0), 0xA5);
    }
    EXPECT_EQ(FirstNote(d), "");
  }
  ChipDriver e("PIC16F1847");  // 0x18 on an EEPROM byte programs without the erase
  e.chip.SetDataByte(0, 0x0F);
  e.Cmd(0x03);
  e.Data(0x3C);
  e.Cmd(0x18);
  e.gap_us = 1500;
  e.Cmd(0x0A);
  EXPECT_EQ(e.chip.DataByte(0), 0x0C);
}

TEST(Silicon, TheBulkEraseTakesWhatTheCounterPointsAt) {
  for (const char* name : kOneOfEachFamily) {
    const sim::Silicon s = ChipDriver(name).chip.silicon();
    const std::uint16_t erased_config = 0x3FFF & ~s.unimplemented_config_bits;
    // 0: from program memory; 1: from the configuration base; 2: on the
    // first calibration word.
    for (int from = 0; from < (s.calibration_words.empty() ? 2 : 3); ++from) {
      SCOPED_TRACE(std::string(name) + " erase from position " + std::to_string(from));
      ChipDriver d(name);
      d.chip.SetProgramWord(0, 0x0111);
      d.chip.SetConfigWord(0, 0x0222);
      d.chip.SetConfigWord(7, kUnprotected);
      const std::uint16_t config_before = d.chip.ConfigWord(7);
      if (from > 0) d.LoadConfig();
      if (from == 2) d.Inc(static_cast<int>(s.calibration_words[0]));
      d.Erase();
      const bool only_calibration = from == 2 && s.calibration_erasable;
      EXPECT_EQ(d.chip.ProgramWord(0), only_calibration ? 0x0111 : 0x3FFF);
      EXPECT_EQ(d.chip.ConfigWord(7), only_calibration ? config_before : erased_config);
      EXPECT_EQ(d.chip.ConfigWord(0), from == 1 || (from == 2 && !only_calibration) ? 0x3FFF : 0x0222)
          << "user IDs go only from configuration space";
      for (std::size_t k = 0; k < s.calibration_words.size(); ++k) {
        const bool gone = only_calibration && k == 0;
        EXPECT_EQ(d.chip.ConfigWord(s.calibration_words[k]), gone ? 0x3FFF : s.calibration_values[k]);
      }
      EXPECT_EQ(FirstNote(d), "");
    }
  }
  ChipDriver f("PIC16F630");
  EXPECT_EQ(f.chip.ProgramWord(1023), 0x34A8);
  f.Erase();
  EXPECT_EQ(f.chip.ProgramWord(1023), 0x3FFF) << "the OSCCAL word goes with program memory";
  EXPECT_EQ(f.chip.ConfigWord(7), 0x31FF) << "and the band-gap bits with the configuration word";

  ChipDriver g("PIC16F628A");  // without the Load Data 0x3FFF of its sequence
  g.chip.SetConfigWord(7, 0x0000);
  g.Cmd(0x09);
  g.Settle();
  EXPECT_EQ(g.chip.ConfigWord(7), 0x0000);
  EXPECT_NE(FirstNote(g).find("without Load Data 0x3FFF"), std::string::npos);
}

TEST(Silicon, CodeProtectionHidesAndLocksUntilABulkErase) {
  for (const char* name : kOneOfEachFamily) {
    SCOPED_TRACE(name);
    ChipDriver d(name);
    const sim::Silicon& s = d.chip.silicon();
    const bool eeprom = d.chip.data_bytes() > 0;
    d.chip.SetProgramWord(0, 0x0333);
    if (eeprom) d.chip.SetDataByte(0, 0x44);
    std::uint16_t config = kUnprotected & ~(1u << s.cp_bit);
    if (s.cpd_bit >= 0) config &= ~(1u << s.cpd_bit);
    d.chip.SetConfigWord(7, config);
    EXPECT_EQ(d.Read(), 0) << "program memory reads zeros";
    d.Inc(1);
    d.Program(0x0000);
    EXPECT_EQ(d.chip.ProgramWord(1), 0x3FFF) << "and takes no programming";
    EXPECT_NE(FirstNote(d).find("CP = 0"), std::string::npos);
    d.LoadConfig();
    EXPECT_EQ(d.Read(), s.cp_hides_config ? 0 : 0x3FFF) << "user ID 0";
    if (eeprom) {
      EXPECT_EQ(d.ReadData(), 0) << "the EEPROM reads zeros";
      d.Erase(0x0B);
      EXPECT_EQ(d.chip.DataByte(0), 0x44) << "and its bulk erase does nothing";
    }
    d.chip.EnterProgrammingMode();
    d.Erase();
    EXPECT_FALSE(d.chip.CodeProtected() || d.chip.DataProtected());
    EXPECT_EQ(d.Read(), 0x3FFF);
    if (eeprom) {
      const std::uint8_t left = s.erase_clears_protected_data ? 0xFF : 0x44;
      EXPECT_EQ(d.chip.DataByte(0), left);
      EXPECT_EQ(d.ReadData(), left);
    }
  }
}

TEST(Silicon, ACycleShortOfTheChipsMinimumHasNoEffect) {
  for (const char* name : kOneOfEachFamily) {
    SCOPED_TRACE(name);
    ChipDriver d(name);
    const sim::Silicon& s = d.chip.silicon();
    const std::uint32_t program_us = s.program_int_us ? s.program_int_us : s.ext_min_us;
    d.Program(0x0001, false, program_us * 9 / 10);
    EXPECT_EQ(d.chip.ProgramWord(0), 0x3FFF);
    EXPECT_NE(FirstNote(d).find("cut short"), std::string::npos);
    d.Program(0x0001, false, program_us);
    EXPECT_EQ(d.chip.ProgramWord(0), 0x0001);
    if (s.ext_max_us != 0) {
      d.Inc(1);
      d.Program(0x0002, false, s.ext_max_us * 11 / 10, true);
      EXPECT_EQ(d.chip.ProgramWord(1), 0x3FFF) << "0x0A past the window";
    }
    d.chip.EnterProgrammingMode();
    d.Erase(0x09, s.erase_us * 9 / 10);
    EXPECT_EQ(d.chip.ProgramWord(0), 0x0001);
    d.Erase(0x09, s.erase_us);
    EXPECT_EQ(d.chip.ProgramWord(0), 0x3FFF);
  }
  ChipDriver e("PIC16F684");  // 0x18 must be ended by 0x0A
  e.Cmd(0x02);
  e.Data(0x0005);
  e.Cmd(0x18);
  e.gap_us = 5000;
  e.Cmd(0x06);
  e.Settle();
  EXPECT_EQ(e.chip.ProgramWord(0), 0x3FFF);
  EXPECT_NE(FirstNote(e).find("not ended by End Programming"), std::string::npos);
}

TEST(Silicon, SmallerFacts) {
  ChipDriver f635("PIC12F635");
  f635.LoadConfig();
  f635.Inc(9);
  EXPECT_EQ(f635.Read() & 0x3FC0, 0) << "CALIB2 at 0x2009, bits 13-6 zero";
  EXPECT_NE(f635.chip.ConfigWord(9), 0x3FFF);

  ChipDriver f753("PIC16F753");
  f753.LoadConfig();
  f753.Inc(5);
  EXPECT_EQ(f753.Read() & 0x3000, 0x2000) << "the revision word at 0x2005";
  f753.Inc(1);
  EXPECT_EQ(f753.Read(), 0x3030);

  ChipDriver f1822("PIC12F1822");  // configuration words take 0x08 only
  f1822.LoadConfig();
  f1822.Inc(7);
  f1822.Cmd(0x02);
  f1822.Data(0x0000);
  f1822.Cmd(0x18);
  f1822.gap_us = 1500;
  f1822.Cmd(0x0A);
  EXPECT_EQ(f1822.chip.ConfigWord(7), 0x3FFF);
  EXPECT_NE(FirstNote(f1822).find("not allowed"), std::string::npos);
}

// The PIC16F84A: 0x08 erases the word it writes; its bulk erases run only
// when 0x08 follows them and are refused under CP; the clear sequence takes
// everything but the user IDs, protected or not.
TEST(Silicon, ThePic16F84AErasesAsItsDocumentSays) {
  ChipDriver d("PIC16F84A");
  const sim::Silicon& s = d.chip.silicon();
  d.Inc(5);
  d.Program(0x1234);
  d.Program(0x2ABC);
  EXPECT_EQ(d.chip.ProgramWord(5), 0x2ABC) << "a word may gain bits: it is erased first";
  d.chip.SetDataByte(3, 0x44);
  d.Cmd(0x0B);
  d.Settle();
  EXPECT_EQ(d.chip.DataByte(3), 0x44) << "armed only";
  d.Cmd(0x0B);
  d.Cmd(0x08);
  d.gap_us = s.erase_us;
  d.Settle();
  EXPECT_EQ(d.chip.DataByte(3), 0xFF);

  d.chip.SetProgramWord(0, 0x0111);
  d.chip.SetDataByte(0, 0x55);
  d.chip.SetConfigWord(0, 0x0222);
  d.chip.SetConfigWord(7, 0x000F);  // CP bits 13:4 all at 0
  EXPECT_EQ(d.ReadData(), 0) << "CP guards the EEPROM too";
  d.Cmd(0x09);
  d.Cmd(0x08);
  d.gap_us = s.erase_us;
  d.Settle();
  EXPECT_EQ(d.chip.ProgramWord(0), 0x0111);
  EXPECT_NE(FirstNote(d).find("refused"), std::string::npos);

  // The clear sequence away from the configuration word does nothing.
  const auto clear = [&](int increments) {
    d.LoadConfig();
    d.Inc(increments);
    d.Cmd(0x01);
    d.Cmd(0x07);
    d.Cmd(0x08);
    d.gap_us = s.erase_us;
    d.Cmd(0x01);
    d.Cmd(0x07);
  };
  clear(6);
  EXPECT_TRUE(d.chip.CodeProtected());
  clear(7);
  EXPECT_FALSE(d.chip.CodeProtected());
  EXPECT_EQ(d.chip.ProgramWord(0), 0x3FFF);
  EXPECT_EQ(d.chip.DataByte(0), 0xFF);
  EXPECT_EQ(d.chip.ConfigWord(7), 0x3FFF);
  EXPECT_EQ(d.chip.ConfigWord(0), 0x0222) << "the user IDs stay";
}

// Chip Erase from program space takes what each document says; from
// configuration space everything. The PIC16F88's four latches go in by
// 0x18 and 0x17.
TEST(Silicon, ChipEraseTakesWhatTheCounterAndTheFamilyAllow) {
  const struct {
    const char* chip;
    bool from_config;
    bool data_gone, config_gone, ids_gone;
  } cases[] = {
      {"PIC16F877A", false, true, false, false}, {"PIC16F877A", true, true, true, true},
      {"PIC16F88", false, false, true, false},   {"PIC16F819", true, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + (c.from_config ? " from configuration space" : " from program space"));
    ChipDriver d(c.chip);
    d.chip.SetProgramWord(2, 0x0000);
    d.chip.SetConfigWord(0, 0x0222);
    d.chip.SetConfigWord(7, 0x0000);
    d.chip.SetDataByte(1, 0x44);
    if (c.from_config) d.LoadConfig();
    d.Cmd(0x1F);
    d.gap_us = d.chip.silicon().chip_erase_us;
    d.Settle();
    EXPECT_EQ(d.chip.ProgramWord(2), 0x3FFF);
    EXPECT_EQ(d.chip.DataByte(1), c.data_gone ? 0xFF : 0x44);
    EXPECT_EQ(d.chip.ConfigWord(7), c.config_gone ? 0x3FFF : 0x0000);
    EXPECT_EQ(d.chip.ConfigWord(0), c.ids_gone ? 0x3FFF : 0x0222);
  }
  ChipDriver f88("PIC16F88");
  f88.Inc(4);
  for (const std::uint16_t w : {0x0101, 0x0202, 0x0303, 0x0404}) {
    f88.Cmd(0x02);
    f88.Data(w);
    if (w != 0x0404) f88.Inc(1);
  }
  f88.Cmd(0x18);
  f88.gap_us = f88.chip.silicon().ext_min_us;
  f88.Cmd(0x17);
  for (std::uint32_t j = 0; j < 4; ++j) EXPECT_EQ(f88.chip.ProgramWord(4 + j), 0x0101 * (j + 1));
  EXPECT_EQ(FirstNote(f88), "");
}

// The PIC16F87xA: eight latches written as one block that 0x08 erases
// first; loads that leave their block before a cycle are lost; the bulk
// erases are refused under protection, Chip Erase never.
TEST(Silicon, ThePic16F877AWritesBlocksOfEightAndChipErases) {
  ChipDriver d("PIC16F877A");
  const sim::Silicon& s = d.chip.silicon();
  ASSERT_EQ(s.latch_words, 8u);
  d.chip.SetProgramWord(12, 0x0000);
  d.Inc(9);
  for (const std::uint16_t w : {0x1111, 0x2222, 0x3333}) {
    d.Cmd(0x02);
    d.Data(w);
    d.Inc(1);
  }
  d.Cmd(0x08);
  d.gap_us = s.program_int_us;
  d.Settle();
  const std::uint16_t block[8] = {0x3FFF, 0x1111, 0x2222, 0x3333, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF};
  for (std::uint32_t j = 0; j < 8; ++j) EXPECT_EQ(d.chip.ProgramWord(8 + j), block[j]) << j;
  EXPECT_EQ(FirstNote(d), "");

  d.Cmd(0x02);  // pc 12: block 8 again, then a load in block 16
  d.Data(0x0001);
  d.Inc(4);
  d.Cmd(0x02);
  d.Data(0x0002);
  EXPECT_NE(FirstNote(d).find("never programmed"), std::string::npos);

  d.Cmd(0x02);  // externally timed, ended by 0x17, not 0x0A
  d.Data(0x0F0F);
  d.Cmd(0x18);
  d.gap_us = s.ext_min_us;
  d.Cmd(0x17);
  EXPECT_EQ(d.chip.ProgramWord(16), 0x0F0F);

  d.chip.SetConfigWord(0, 0x0222);
  d.chip.SetDataByte(16, 0x55);  // where the counter is
  d.chip.SetConfigWord(7, 0x1FFF);  // CP on, CPD off
  EXPECT_EQ(d.ReadData(), 0x55);
  d.Erase(0x09);
  EXPECT_EQ(d.chip.ProgramWord(9), 0x1111) << "refused under CP";
  d.LoadConfig();
  d.Cmd(0x1F);
  d.gap_us = s.chip_erase_us;
  d.Settle();
  EXPECT_FALSE(d.chip.CodeProtected());
  EXPECT_EQ(d.chip.ProgramWord(16), 0x3FFF);
  EXPECT_EQ(d.chip.DataByte(16), 0xFF);
  EXPECT_EQ(d.chip.ConfigWord(0), 0x3FFF) << "from configuration space the user IDs go too";
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// How a cycle is judged from its frames' arrival times alone (a
// pseudo-terminal): its start moves back only by what the arrivals show, a
// held-back end frame shortens it by what the frames after it show, and
// frames that clock nothing do not end an externally timed cycle.
TEST(Silicon, TheTimingJudgementTakesOnlyWhatArrivalsShow) {
  const struct {
    const char* what;
    const char* chip;  // PIC16F684: 0x08 needs 3 ms; PIC12F1822: 0x18 runs 1.0-2.1 ms
    bool strict;
    std::uint64_t before[3];  // gaps before the Load, its data packet and the Begin frame
    std::uint64_t wait;       // Begin to the end frame (Increment, or End Programming)
    std::uint64_t size_at;    // a size frame this long after Begin, 0 none
    std::vector<std::uint64_t> after;  // gaps of the frames after the end
    bool takes;
    bool excused;
  } rows[] = {
      {"steady frames, the chip's time", "PIC16F684", false, {1000, 1000, 1000}, 3000, 0, {1000, 1000}, true, false},
      {"a size frame inside", "PIC16F684", false, {1000, 1000, 1000}, 3000, 1000, {1000, 1000}, true, false},
      {"steady, 40 us short: the stamps' jitter", "PIC16F684", false, {1000, 1000, 1000}, 2960, 0, {1000}, true, true},
      {"steady, 0.1 ms short: nothing shows a delay", "PIC16F684", false, {1000, 1000, 1000}, 2900, 0, {}, false, false},
      {"a late Begin frame", "PIC16F684", false, {1000, 1000, 1600}, 2500, 0, {1000, 1000}, true, true},
      {"a late Begin frame, short by more", "PIC16F684", false, {1000, 1000, 1600}, 2300, 0, {}, false, false},
      {"a bunched burst", "PIC16F684", false, {1000, 3000, 100}, 2000, 0, {1000, 1000}, true, true},
      {"a bunched burst, short by more", "PIC16F684", false, {1000, 3000, 100}, 1800, 0, {}, false, false},
      {"a late end, the frames after it bunched", "PIC16F684", false, {1000, 1000, 1000}, 3500, 0, {100, 1000}, false, false},
      {"a late end, the frames after on time", "PIC16F684", false, {1000, 1000, 1000}, 3500, 0, {1000, 1000}, true, false},
      {"Begin, end and what follows bunched", "PIC16F684", false, {1000, 1000, 3000}, 100, 0, {100, 100, 100}, false, false},
      {"a delay across the whole cycle", "PIC16F684", false, {1000, 1000, 7000}, 0, 0, {0, 0, 1000}, true, true},
      {"strict: a late Begin frame", "PIC16F684", true, {1000, 1000, 1600}, 2500, 0, {}, false, false},
      {"strict: 1 us short", "PIC16F684", true, {1000, 1000, 1000}, 2999, 0, {}, false, false},
      {"strict: the chip's time", "PIC16F684", true, {1000, 1000, 1000}, 3000, 0, {}, true, false},
      {"ext: a size frame inside", "PIC12F1822", false, {1000, 1000, 1000}, 1550, 1000, {1000, 1000}, true, false},
      {"ext: a late End, the frames after bunched", "PIC12F1822", false, {1000, 1000, 1000}, 2500, 0, {100, 1000}, true, false},
      {"ext: a late End, the frames after on time", "PIC12F1822", false, {1000, 1000, 1000}, 2500, 0, {1000, 1000}, false, false},
      {"ext: a late Begin never makes it too late", "PIC12F1822", false, {1000, 1000, 3000}, 2000, 0, {1000, 1000}, true, false},
      {"ext: a late Begin, short", "PIC12F1822", false, {1000, 1000, 1600}, 600, 0, {1000, 1000}, true, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    ChipDriver d(r.chip);
    d.chip.SetDeliveryJitter(r.strict ? 0 : 50, r.strict ? 0 : 3000);
    const bool external = std::string(r.chip) == "PIC12F1822";
    d.gap_us = r.before[0];
    d.Cmd(0x02);
    d.gap_us = r.before[1];
    d.Data(0x0000);
    d.gap_us = r.before[2];
    d.Cmd(external ? 0x18 : 0x08);
    if (r.size_at) {
      d.gap_us = r.size_at;
      d.SizeFrame();
    }
    d.gap_us = r.wait - r.size_at;
    d.Cmd(external ? 0x0A : 0x06);
    for (const std::uint64_t gap : r.after) {
      d.gap_us = gap;
      d.SizeFrame();
    }
    d.chip.Settle();
    EXPECT_EQ(d.chip.ProgramWord(0), r.takes ? 0x0000 : 0x3FFF);
    EXPECT_EQ(d.chip.cycles_judged(), 1u);
    EXPECT_EQ(d.chip.excuses().size(), r.excused ? 1u : 0u);
    if (r.excused && !d.chip.excuses().empty()) {
      EXPECT_NE(d.chip.excuses().front().find(" us short, "), std::string::npos) << d.chip.excuses().front();
    }
    // A refused cycle says why; a taken one leaves no note.
    EXPECT_EQ(d.chip.notes().size(), r.takes ? 0u : 1u) << FirstNote(d);
  }
}

// A pseudo-terminal that stalls hands on every frame sent meanwhile in one
// read: the cycle inside looks 0 us long, and only the frame before the
// stall, on time, shows how late the burst came. However many frames the
// stall held, the excuse reaches back to it; a client that never pauses
// shows no stall and gets none.
TEST(Silicon, AStallOfManyFramesIsMeasuredFromTheFrameBeforeIt) {
  const struct {
    int held_before;  // size frames the stall held before the Load
    bool stalled;     // false: the client sent everything without pauses
    bool takes;
  } rows[] = {{2, true, true}, {20, true, true}, {50, true, true}, {20, false, false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.held_before) + (r.stalled ? " frames stalled" : " frames, no pauses"));
    ChipDriver d("PIC16F684");
    d.chip.SetDeliveryJitter(100, 3000);
    d.gap_us = 1000;
    d.SizeFrame();  // on time
    // Sent 1 ms apart, with 3 ms after the Begin frame; all come at once.
    d.gap_us = r.stalled ? 1000u * (r.held_before + 3) + 3000 + 4000 : 0;
    for (int k = 0; k < r.held_before; ++k) {
      d.SizeFrame();
      d.gap_us = 0;
    }
    d.Cmd(0x02);
    d.gap_us = 0;
    d.Data(0x0000);
    d.gap_us = 0;
    d.Cmd(0x08);
    d.gap_us = 0;
    d.Cmd(0x06);
    for (int k = 0; k < 3; ++k) {
      d.gap_us = 0;
      d.SizeFrame();
    }
    d.gap_us = 1000;
    d.SizeFrame();
    d.chip.Settle();
    EXPECT_EQ(d.chip.ProgramWord(0), r.takes ? 0x0000 : 0x3FFF);
    EXPECT_EQ(d.chip.excuses().size(), r.takes ? 1u : 0u);
  }
}

// The gateway of a demo: port runs on the programmer's own clock, which
// moves by exactly the waits asked: there a cycle 1 us short of the chip's
// time has no effect.
TEST(Silicon, OnItsOwnClockTheSimulatedGatewayJudgesExactly) {
  for (const std::uint64_t wait : {2999u, 3000u}) {
    SCOPED_TRACE(wait);
    std::uint64_t now = 0;
    sim::SimulatedGateway gateway(*FindChipByName("PIC16F684"), 3, sim::Fault{}, [&] { return now; });
    auto device = gateway.Open();
    ASSERT_NE(device, nullptr);
    const auto send = [&](std::initializer_list<std::uint8_t> frame, std::uint64_t pause_us = 1000) {
      const std::vector<std::uint8_t> bytes(frame);
      ASSERT_TRUE(device->Write(bytes.data(), bytes.size()));
      now += pause_us;
    };
    send({0x11, 0x00, 0x0F, 0x30});
    send({0x1D, 0x04});  // Vpp first: programming mode, counter at 0
    send({0x42, 0x06});
    send({0x4C, 0x02});  // Load Data For Program Memory
    send({0x42, 0x10});
    send({0x4C, 0x00, 0x00});
    send({0x42, 0x06});
    send({0x4C, 0x08}, wait);  // Begin Programming, internally timed
    send({0x4C, 0x06});
    EXPECT_EQ(gateway.chip().ProgramWord(0), wait >= 3000 ? 0x0000 : 0x3FFF);
  }
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// A simulator woken by a frame's first byte that then waited for the
// processor knows when the frame came: that frame is stamped at its
// arrival, not when it was read; frames read with it after it are not.
TEST(Silicon, AFrameThatWokeTheReaderIsStampedWhenItCame) {
  const struct {
    std::uint32_t begin_held;  // the reader's wait for the processor when the Begin frame woke it
    std::uint64_t read_after;  // the end frame read this long after the Begin frame was
    std::uint32_t end_held;
    bool bunched;  // the end frame read together with the frame before it, not first
    bool takes;
    std::uint64_t load_read_at = 0;  // nonzero: the Load's data and the Begin frame in one read, this long
                                     // after the Load command (first stamped `begin_held` before the read)
  } rows[] = {
      {0, 3000, 0, false, true},  {0, 2500, 0, false, false},  {600, 2500, 0, false, true},
      {0, 3600, 800, false, false}, {0, 3600, 800, true, true},
      // Seen on a pty: the reader woke 3.5 ms after the Load, waited 2 ms
      // for the processor, and read four frames.
      {2054, 2810, 0, false, true, 5528}, {2054, 1000, 0, false, false, 5528},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.begin_held) + " us held, " + std::to_string(r.read_after) + " us later, " +
                 std::to_string(r.end_held) + " us held" + (r.bunched ? ", bunched" : "") +
                 (r.load_read_at ? ", read with the Load" : ""));
    sim::VirtualChip chip(*FindChipByName("PIC16F684"));
    chip.SetDeliveryJitter(100, 3000);
    sim::GatewaySim gateway(chip);
    std::uint64_t now = 1'000'000;
    const auto read = [&](std::vector<std::uint8_t> bytes, std::uint32_t held = 0) {
      now += 1000;
      gateway.Receive(bytes.data(), bytes.size(), now, held);
    };
    read({0x11, 0x00, 0x0F, 0x30});
    read({0x1D, 0x04});
    read({0x42, 0x06});
    read({0x4C, 0x02});
    if (r.load_read_at) {
      now += r.load_read_at - 1000;
      read({0x42, 0x10, 0x4C, 0x00, 0x00, 0x42, 0x06, 0x4C, 0x08}, r.begin_held);
    } else {
      read({0x42, 0x10});
      read({0x4C, 0x00, 0x00});
      read({0x42, 0x06});
      read({0x4C, 0x08}, r.begin_held);
    }
    now += r.read_after - 1000;
    if (r.bunched) {
      read({0x42, 0x06, 0x4C, 0x06}, r.end_held);  // a size frame first: the end was not what woke it
    } else {
      read({0x4C, 0x06}, r.end_held);
    }
    read({0x42, 0x06});
    read({0x4C, 0x06});
    chip.Settle();
    EXPECT_EQ(chip.ProgramWord(0), r.takes ? 0x0000 : 0x3FFF);
    EXPECT_TRUE(gateway.protocol_errors().empty());
  }
}

}  // namespace
}  // namespace fw
