#include "sim/silicon.h"

#include <array>

namespace fw::sim {

namespace {

constexpr std::uint32_t ms(double v) { return static_cast<std::uint32_t>(v * 1000.0 + 0.5); }

struct Row {
  ChipFamily family;
  Silicon silicon;
};

// Mid-range calibration values as a real part reads them; the second word of
// the PIC12F635/16F636/639 has bits 13-6 at zero (DS41204H Register 4-6).
const std::vector<std::uint16_t> kMidRangeCalibration = {0x2D4A, 0x1E86};

// Times: DS41204H Table 6-1 (F683, F635), DS41396A Table 7-1 (F615, F617),
// DS41390C Table 8-1 (F1822); pickle pic14.c for the others. Protection
// bits: the families' configuration word layouts. Erase and calibration
// scope: DS41204H 3.1.4, 3.1.5.10, Registers 4-4 to 4-6; DS41396A 4.1.3;
// DS41390C 3.4, 4.3.11; DS41196E as quoted by WinPic for the F627A.
const std::array<Row, kChipFamilyCount> kRows = {{
    {ChipFamily::F629,
     {ms(6), ms(3), ms(3), ms(6), ms(2), 0, 7, 8, {7}, {}, {}, false, 0x0E00, true, false, false,
      false, false}},
    {ChipFamily::F683,
     {ms(6), ms(3), ms(3), ms(6), ms(3), 0, 6, 7, {7}, {8}, {0x2D4A}, true, 0, false, false, false,
      false, true}},
    {ChipFamily::F785,
     {ms(6), ms(2.5), ms(2.5), ms(6), ms(2.5), 0, 6, 7, {7}, {8, 9}, kMidRangeCalibration, true, 0,
      false, false, false, false, true}},
    {ChipFamily::F635,
     {ms(6), ms(3), ms(3), ms(6), ms(3), 0, 6, 7, {7}, {8, 9}, {0x2D4A, 0x0015}, true, 0, false,
      false, false, false, true}},
    {ChipFamily::F627A,
     {ms(6), ms(4), ms(4), ms(6), 0, 0, 13, 8, {7}, {}, {}, false, 0, false, false, false, true,
      false}},
    {ChipFamily::F615,
     {ms(6), 0, 0, 0, ms(3), 0, 6, -1, {7}, {8}, {0x2D4A}, true, 0, false, false, false, false,
      false}},
    {ChipFamily::F617,
     {ms(6), 0, 0, 0, ms(3), 0, 6, -1, {7}, {8}, {0x2D4A}, true, 0, false, false, false, false,
      false}},
    {ChipFamily::F752,
     {ms(6), 0, 0, 0, ms(3), 0, 6, -1, {7}, {8, 9}, kMidRangeCalibration, true, 0, false, false,
      false, false, false}},
    {ChipFamily::F753,
     {ms(6), 0, 0, 0, ms(3), 0, 6, -1, {7}, {8, 9}, kMidRangeCalibration, true, 0, false, false,
      false, false, false}},
    {ChipFamily::F88X,
     {ms(6), ms(3), ms(3), ms(6), ms(2.5), 0, 6, 7, {7, 8}, {9}, {0x2D4A}, true, 0, false, false,
      false, false, false}},
    {ChipFamily::F72X,
     {ms(5), ms(2.5), ms(5), 0, ms(1.0), ms(2.1), 6, -1, {7, 8}, {9, 10}, {0x32BD, 0x3AB2}, false,
      0, false, false, false, false, false}},
    {ChipFamily::F720,
     {ms(5), ms(2.5), ms(5), 0, ms(1.0), ms(2.1), 6, -1, {7, 8}, {9, 10}, {0x32BD, 0x3AB2}, false,
      0, false, false, false, false, false}},
    {ChipFamily::F1822,
     {ms(5), ms(2.5), ms(5), ms(5), ms(1.0), ms(2.1), 7, 8, {7, 8}, {9, 10}, {0x3E5A, 0x2C31},
      false, 0, false, true, true, false, false}},
    {ChipFamily::F1501,
     {ms(5), ms(2.5), ms(5), 0, ms(1.0), ms(2.1), 7, -1, {7, 8}, {9, 10}, {0x3E5A, 0x2C31}, false,
      0, false, false, false, false, false}},
    {ChipFamily::F1508,
     {ms(5), ms(2.5), ms(5), 0, ms(1.0), ms(2.1), 7, -1, {7, 8}, {9, 10}, {0x3E5A, 0x2C31}, false,
      0, false, false, false, false, false}},
}};

// PIC16F707 and PIC16LF707 (device codes 214, 215): configuration words are
// programmed with 0x08 only, as on the enhanced parts (pickle pic14.c).
bool IsF707(const ChipEntry& entry) {
  return entry.DeviceFamily == 214 || entry.DeviceFamily == 215;
}

}  // namespace

Silicon SiliconOf(const ChipEntry& entry) {
  for (const Row& row : kRows) {
    if (row.family != entry.Family) continue;
    Silicon silicon = row.silicon;
    if (IsF707(entry)) silicon.ext_config_refused = true;
    return silicon;
  }
  return kRows[0].silicon;  // every family has its row; never reached
}

}  // namespace fw::sim
