#include "chips/pinouts.h"

namespace fw {

namespace {

using R = PinRole;

// The 8-pin parts share one pinout: VDD 1, VSS 8, ICSPDAT 7, ICSPCLK 6,
// MCLR/VPP 4.
std::vector<PinUse> EightPin(const char* port) {
  const bool gp = std::string(port) == "GP";
  return {{R::kVdd, 1, "VDD"},
          {R::kVss, 8, "VSS"},
          {R::kIcspDat, 7, gp ? "GP0/ICSPDAT" : "RA0/ICSPDAT"},
          {R::kIcspClk, 6, gp ? "GP1/ICSPCLK" : "RA1/ICSPCLK"},
          {R::kVpp, 4, gp ? "GP3/MCLR/VPP" : "RA3/MCLR/VPP"}};
}

// The 14-pin parts: VDD 1, VSS 14, ICSPDAT RA0 13, ICSPCLK RA1 12, MCLR/VPP RA3 4.
std::vector<PinUse> FourteenPin() {
  return {{R::kVdd, 1, "VDD"}, {R::kVss, 14, "VSS"}, {R::kIcspDat, 13, "RA0/ICSPDAT"},
          {R::kIcspClk, 12, "RA1/ICSPCLK"}, {R::kVpp, 4, "RA3/MCLR/VPP"}};
}

// The 6-pin SOT-23 and 8-pin DIP PIC10F parts (their pin diagrams).
std::vector<PinUse> TenF(const char* dat, const char* clk, int pins) {
  if (pins == 6) {
    return {{R::kIcspDat, 1, dat}, {R::kVss, 2, "VSS"}, {R::kIcspClk, 3, clk}, {R::kVdd, 5, "VDD"},
            {R::kVpp, 6, "GP3/MCLR/VPP"}};
  }
  return {{R::kVdd, 2, "VDD"}, {R::kIcspClk, 4, clk}, {R::kIcspDat, 5, dat}, {R::kVss, 7, "VSS"},
          {R::kVpp, 8, "GP3/MCLR/VPP"}};
}

// The 14-pin baseline parts, whose port B takes the ICSP lines.
std::vector<PinUse> FourteenPinBaseline() {
  return {{R::kVdd, 1, "VDD"}, {R::kVss, 14, "VSS"}, {R::kIcspDat, 13, "RB0/ICSPDAT"},
          {R::kIcspClk, 12, "RB1/ICSPCLK"}, {R::kVpp, 4, "RB3/MCLR/VPP"}};
}

// The 20-pin parts: VDD 1, VSS 20, ICSPDAT RA0 19, ICSPCLK RA1 18, MCLR/VPP RA3 4.
std::vector<PinUse> TwentyPin() {
  return {{R::kVdd, 1, "VDD"}, {R::kVss, 20, "VSS"}, {R::kIcspDat, 19, "RA0/ICSPDAT"},
          {R::kIcspClk, 18, "RA1/ICSPCLK"}, {R::kVpp, 4, "RA3/MCLR/VPP"}};
}

// The USB parts (PIC16F1454/1455 in 14 pins, PIC16F1459 in 20): RA0 and
// RA1 are D+ and D-, so ICSPDAT is RC0 and ICSPCLK RC1; VDD 1, VSS last,
// MCLR/VPP RA3 4.
std::vector<PinUse> UsbPart(int pins) {
  const bool twenty = pins == 20;
  return {{R::kVdd, 1, "VDD"}, {R::kVss, pins, "VSS"}, {R::kIcspDat, twenty ? 16 : 10, "RC0/ICSPDAT"},
          {R::kIcspClk, twenty ? 15 : 9, "RC1/ICSPCLK"}, {R::kVpp, 4, "RA3/MCLR/VPP"}};
}

// The 18-pin parts: VDD 14, VSS 5, PGD/ICSPDAT RB7 13, PGC/ICSPCLK RB6 12,
// MCLR/VPP 4 (RA5 on all but the PIC16F84A, whose pin 4 is MCLR alone).
std::vector<PinUse> EighteenPin(const char* dat, const char* clk, const char* vpp = "RA5/MCLR/VPP") {
  return {{R::kVdd, 14, "VDD"}, {R::kVss, 5, "VSS"}, {R::kIcspDat, 13, dat},
          {R::kIcspClk, 12, clk}, {R::kVpp, 4, vpp}};
}

// The pin names of the 28- and 40-pin parts: the newer ones have RE3 on
// MCLR and name the pins ICSPCLK/ICSPDAT; the PIC16F87xA says MCLR/VPP/THV
// and PGC/PGD.
struct BigPartNames {
  const char* vpp = "RE3/MCLR/VPP";
  const char* clk = "RB6/ICSPCLK";
  const char* dat = "RB7/ICSPDAT";
};
constexpr BigPartNames kF87xANames{.vpp = "MCLR/VPP/THV", .clk = "RB6/PGC", .dat = "RB7/PGD"};

// The 28-pin parts: MCLR/VPP 1, VSS 8 and 19, VDD 20, ICSPCLK RB6 27,
// ICSPDAT RB7 28.
std::vector<PinUse> TwentyEightPin(BigPartNames n = {}) {
  return {{R::kVpp, 1, n.vpp},  {R::kVss, 8, "VSS"},   {R::kVss, 19, "VSS"},
          {R::kVdd, 20, "VDD"}, {R::kIcspClk, 27, n.clk}, {R::kIcspDat, 28, n.dat}};
}

// The 40-pin parts: MCLR/VPP 1, VDD 11 and 32, VSS 12 and 31, ICSPCLK RB6
// 39, ICSPDAT RB7 40.
std::vector<PinUse> FortyPin(BigPartNames n = {}) {
  return {{R::kVpp, 1, n.vpp},  {R::kVdd, 11, "VDD"}, {R::kVss, 12, "VSS"},        {R::kVss, 31, "VSS"},
          {R::kVdd, 32, "VDD"}, {R::kIcspClk, 39, n.clk}, {R::kIcspDat, 40, n.dat}};
}

// The 64-pin TQFP parts: their VDD and VSS pins (the analog supplies
// AVDD/AVSS included, which must be connected too) and MCLR, ICSPCLK and
// ICSPDAT where the datasheet puts them.
std::vector<PinUse> SixtyFourPin(int vpp, const char* vpp_label, int clk, int dat, int avdd, int avss) {
  std::vector<PinUse> uses = {{R::kVpp, vpp, vpp_label}, {R::kIcspClk, clk, "RB6/ICSPCLK"},
                              {R::kIcspDat, dat, "RB7/ICSPDAT"}, {R::kVdd, avdd, "AVDD"}, {R::kVss, avss, "AVSS"}};
  for (int pin : {10, 26, 38, 57}) {
    if (pin != avdd) uses.push_back({R::kVdd, pin, "VDD"});
  }
  for (int pin : {9, 20, 25, 41, 56}) {
    if (pin != avss) uses.push_back({R::kVss, pin, "VSS"});
  }
  if (avdd != 19) uses.push_back({R::kVdd, 19, "VDD"});
  return uses;
}

}  // namespace

const std::vector<Pinout>& Pinouts() {
  static const std::vector<Pinout> pinouts = {
      {"PIC12F629.jpg",
       "PIC12F629/675 datasheet DS41190, pin diagram",
       {{8, "PIC12F629, PIC12F675", EightPin("GP")}}},
      {"PIC12F635.jpg",
       "PIC12F635/PIC16F636/639 datasheet DS41232 and PIC12F683 datasheet DS41211, pin diagrams",
       {{8, "PIC12F635, PIC12F683", EightPin("GP")}}},
      {"PIC12F615.jpg",
       "PIC12F609/615/617/16F610/616 datasheet DS41302, pin diagrams",
       {{8, "PIC12F609, PIC12F615, PIC12F617", EightPin("GP")}}},
      {"PIC12F752.jpg",
       "PIC12F752 datasheet DS41576, pin diagram",
       {{8, "PIC12F752", EightPin("RA")}}},
      {"PIC12F1501.jpg",
       "PIC12(L)F1501 datasheet DS40001615 and PIC12(L)F1840 datasheet DS41441, pin diagrams",
       {{8, "PIC12F1501, PIC12F1840", EightPin("RA")}}},
      {"PIC12F1822.jpg",
       "PIC12(L)F1822/16(L)F1823 datasheet DS41413, pin diagram",
       {{8, "PIC12F1822", EightPin("RA")}}},
      {"PIC16F610.jpg",
       "PIC12F609/615/617/16F610/616 datasheet DS41302, pin diagrams",
       {{14, "PIC16F610, PIC16F616", FourteenPin()}}},
      {"PIC16F627A.jpg",
       "PIC16F627A/628A/648A datasheet DS40044, pin diagram",
       {{18, "PIC16F627A, PIC16F628A, PIC16F648A", EighteenPin("RB7/PGD", "RB6/PGC")}}},
      {"PIC16F630.jpg",
       "PIC16F630/676 datasheet DS40039, pin diagram",
       {{14, "PIC16F630, PIC16F676", FourteenPin()}}},
      {"PIC16F631.jpg",
       "PIC16F631/677/685/687/689/690 datasheet DS41262, pin diagrams",
       {{20, "PIC16F631, PIC16F677, PIC16F685, PIC16F687, PIC16F689, PIC16F690", TwentyPin()}}},
      {"PIC16F636.jpg",
       "PIC12F635/PIC16F636/639 datasheet DS41232, PIC16F684 DS41202 and PIC16F688 DS41203, pin diagrams",
       {{14, "PIC16F636, PIC16F684, PIC16F688", FourteenPin()}},
       "The PIC16F639 (20 pins) has other pins: see its datasheet, DS41232."},
      {"PIC16F707.jpg",
       "PIC16(L)F707 datasheet DS41418 and PIC16(L)F722/3/4/6/7 datasheet DS41341, 40-pin diagrams",
       {{40, "PIC16F707, PIC16F724, PIC16F727", FortyPin()}}},
      {"PIC16F720.jpg",
       "PIC16(L)F720/721 datasheet DS41430, pin diagram",
       {{20, "PIC16F720, PIC16F721", TwentyPin()}}},
      {"PIC16F722.jpg",
       "PIC16(L)F722/3/4/6/7 datasheet DS41341 and PIC16(L)F722A/723A datasheet DS41417, 28-pin diagrams",
       {{28, "PIC16F722, PIC16F722A, PIC16F723, PIC16F723A, PIC16F726", TwentyEightPin()}}},
      {"PIC16F753.jpg",
       "PIC16(L)F753 datasheet DS41545, pin diagram",
       {{14, "PIC16F753", FourteenPin()}}},
      {"PIC16F785.jpg",
       "PIC16F785/HV785 datasheet DS41249, pin diagram",
       {{20, "PIC16F785", TwentyPin()}}},
      {"PIC16F882.jpg",
       "PIC16F882/883/884/886/887 datasheet DS41291, 28- and 40-pin diagrams",
       {{28, "PIC16F882, PIC16F883, PIC16F886", TwentyEightPin()}, {40, "PIC16F884, PIC16F887", FortyPin()}}},
      {"PIC16F1503.jpg",
       "PIC16(L)F1503 DS40001607, PIC12(L)F1822/16(L)F1823 DS41413, PIC16(L)F1824/1828 DS41419 and "
       "PIC16(L)F1825/1829 DS41440, pin diagrams",
       {{14, "PIC16F1503, PIC16F1823, PIC16F1824, PIC16F1825", FourteenPin()}}},
      {"PIC16F1507.jpg",
       "PIC16(L)F1507 DS40001586 and PIC16(L)F1508/1509 DS40001609, pin diagrams",
       {{20, "PIC16F1507, PIC16F1508, PIC16F1509", TwentyPin()}}},
      {"PIC16F1826.jpg",
       "PIC16(L)F1826/1827 DS41391 and PIC16(L)F1847 DS41453, pin diagrams",
       {{18, "PIC16F1826, PIC16F1827, PIC16F1847", EighteenPin("RB7/ICSPDAT", "RB6/ICSPCLK")}}},
      {"PIC16F1828.jpg",
       "PIC16(L)F1824/1828 DS41419 and PIC16(L)F1825/1829 DS41440, pin diagrams",
       {{20, "PIC16F1828, PIC16F1829", TwentyPin()}}},
      {"PIC16F1933.jpg",
       "PIC16(L)F193x datasheets DS41364, DS41574 and DS41575, 28-pin diagrams",
       {{28, "PIC16F1933, PIC16F1936, PIC16F1938", TwentyEightPin()}}},
      {"PIC16F1934.jpg",
       "PIC16(L)F193x datasheets DS41364, DS41574 and DS41575, 40-pin diagrams",
       {{40, "PIC16F1934, PIC16F1937, PIC16F1939", FortyPin()}}},
      {"PIC16F913.jpg",
       "PIC16F913/914/916/917/946 datasheet DS41250, 28-pin diagram",
       {{28, "PIC16F913, PIC16F916", TwentyEightPin()}}},
      {"PIC16F914.jpg",
       "PIC16F913/914/916/917/946 datasheet DS41250, 40-pin diagram",
       {{40, "PIC16F914, PIC16F917", FortyPin()}}},
      {"PIC16F1454.jpg",
       "PIC16(L)F1454/1455/1459 datasheet DS40001639, 14-pin diagram",
       {{14, "PIC16F1454, PIC16F1455", UsbPart(14)}}},
      {"PIC16F1459.jpg",
       "PIC16(L)F1454/1455/1459 datasheet DS40001639, 20-pin diagram",
       {{20, "PIC16F1459", UsbPart(20)}}},
      {"PIC16F84A.jpg",
       "PIC16F84A datasheet DS35007, pin diagram",
       {{18, "PIC16F84A", EighteenPin("RB7", "RB6", "MCLR")}}},
      {"PIC16F88.jpg",
       "PIC16F87/88 datasheet DS30487 and PIC16F818/819 datasheet DS39598, pin diagrams",
       {{18, "PIC16F818, PIC16F819, PIC16F87, PIC16F88", EighteenPin("RB7/PGD", "RB6/PGC")}}},
      {"PIC16F946.jpg",
       "PIC16F913/914/916/917/946 datasheet DS41250, 64-pin TQFP diagram",
       {{.pins = 64, .chips = "PIC16F946",
         .uses = SixtyFourPin(36, "RE3/MCLR/VPP", 23, 24, 26, 25),
         .quad = true}},
       "AVDD (26) and AVSS (25) are supplies as well: connect them with VDD and VSS."},
      {"PIC16F1947.jpg",
       "PIC16(L)F1946/1947 datasheet DS41414, 64-pin TQFP diagram",
       {{.pins = 64, .chips = "PIC16F1946, PIC16F1947",
         .uses = SixtyFourPin(7, "RG5/MCLR/VPP", 42, 37, 19, 20),
         .quad = true}},
       "AVDD (19) and AVSS (20) are supplies as well: connect them with VDD and VSS."},
      // The baseline parts. PIC10F200/202/204/206 (DS41239) and
      // PIC10F220/222 (DS41270): SOT-23 with GP0/ICSPDAT 1, VSS 2,
      // GP1/ICSPCLK 3, VDD 5, GP3/MCLR/VPP 6; the 8-pin DIP with VDD 2,
      // GP1/ICSPCLK 4, GP0/ICSPDAT 5, VSS 7, GP3/MCLR/VPP 8.
      {"PIC10F200.jpg",
       "PIC10F200/202/204/206 datasheet DS41239, pin diagrams",
       {{.pins = 6, .chips = "PIC10F200/202/204/206", .uses = TenF("GP0/ICSPDAT", "GP1/ICSPCLK", 6), .outline = "SOT-23"},
        {.pins = 8, .chips = "PIC10F200/202/204/206", .uses = TenF("GP0/ICSPDAT", "GP1/ICSPCLK", 8)}}},
      {"PIC10F220.jpg",
       "PIC10F220/222 datasheet DS41270, pin diagrams",
       {{.pins = 6, .chips = "PIC10F220/222", .uses = TenF("GP0/AN0/ICSPDAT", "GP1/AN1/ICSPCLK", 6), .outline = "SOT-23"},
        {.pins = 8, .chips = "PIC10F220/222", .uses = TenF("GP0/AN0/ICSPDAT", "GP1/AN1/ICSPCLK", 8)}}},
      {"PIC12F508.jpg",
       "PIC12F508/509/16F505 datasheet DS41236, 8-pin diagram",
       {{8, "PIC12F508, PIC12F509", EightPin("GP")}}},
      {"PIC12F510.jpg",
       "PIC12F510/16F506 datasheet DS41268, 8-pin diagram",
       {{8, "PIC12F510", EightPin("GP")}}},
      {"PIC12F519.jpg",
       "PIC12F519 datasheet DS41319, 8-pin diagram",
       {{8, "PIC12F519", EightPin("GP")}}},
      // The 14-pin baseline parts: VDD 1, VSS 14, RB0/ICSPDAT 13,
      // RB1/ICSPCLK 12, RB3/MCLR/VPP 4.
      {"PIC16F505.jpg",
       "PIC12F508/509/16F505 datasheet DS41236, 14-pin diagram",
       {{14, "PIC16F505", FourteenPinBaseline()}}},
      {"PIC16F506.jpg",
       "PIC12F510/16F506 datasheet DS41268 and PIC16F526 datasheet DS41326, 14-pin diagrams",
       {{14, "PIC16F506, PIC16F526", FourteenPinBaseline()}}},
      {"PIC16F54.jpg",
       "PIC16F54 datasheet DS41207, 18-pin diagram",
       {{18, "PIC16F54", EighteenPin("RB7/ICSPDAT", "RB6/ICSPCLK", "MCLR/VPP")}}},
      // PIC16F57 (DS41213): T0CKI 1, VDD 2, VSS 4, RA0-3 6-9, RB0-7 10-17,
      // RC0-7 18-25, OSC2 26, OSC1 27, MCLR/VPP 28.
      {"PIC16F57.jpg",
       "PIC16F57 datasheet DS41213, 28-pin diagram",
       {{28, "PIC16F57",
         {{R::kVdd, 2, "VDD"}, {R::kVss, 4, "VSS"}, {R::kIcspDat, 17, "RB7/ICSPDAT"},
          {R::kIcspClk, 16, "RB6/ICSPCLK"}, {R::kVpp, 28, "MCLR/VPP"}}}}},
      {"PIC16F59.jpg",
       "PIC16F59 programming document DS41243B",
       {},
       "The PIC16F59 (40 pins): MCLR/VPP to VPP, VDD to VDD, VSS to GND, RB7 (ICSPDAT) to SDA/DATA and "
       "RB6 (ICSPCLK) to SCL/CLOCK, at the pins its datasheet's diagram gives."},
      {"PIC16F876A.jpg",
       "PIC16F87XA datasheet DS39582, 28-pin diagram",
       {{28, "PIC16F873A, PIC16F876A", TwentyEightPin(kF87xANames)}}},
      {"PIC16F877A.jpg",
       "PIC16F87XA datasheet DS39582, 40-pin diagram",
       {{40, "PIC16F874A, PIC16F877A", FortyPin(kF87xANames)}}},
  };
  return pinouts;
}

const Pinout* PinoutFor(const std::string& picture) {
  for (const Pinout& p : Pinouts()) {
    if (picture == p.picture) return &p;
  }
  return nullptr;
}

std::vector<std::string> PictureLocations(const std::string& picture, const std::string& program_dir,
                                          const std::string& data_dir) {
  return {picture, program_dir + "/pictures/" + picture,
          program_dir + "/../share/flashwright/pictures/" + picture, data_dir + "/pictures/" + picture};
}

const char* RoleName(PinRole role) {
  static constexpr const char* names[] = {"VPP/MCLR", "VDD", "VSS", "ICSPDAT (PGD)", "ICSPCLK (PGC)"};
  return names[static_cast<int>(role)];
}

const char* GatewaySignal(PinRole role) {
  static constexpr const char* names[] = {"VPP", "VDD", "GND", "SDA/DATA", "SCL/CLOCK"};
  return names[static_cast<int>(role)];
}

}  // namespace fw
