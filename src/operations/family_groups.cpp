#include "operations/family_groups.h"

#include <cstdlib>

#include "chips/catalogue.h"

namespace fw {

FamilySet::FamilySet(std::string_view text) {
  // Values and ranges separated by commas; a malformed table is a
  // programming error found by the first test that loads it.
  std::size_t i = 0;
  auto number = [&]() {
    while (i < text.size() && text[i] == ' ') ++i;
    std::uint32_t value = 0;
    const std::size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') value = value * 10 + (text[i++] - '0');
    if (i == start || value > 0xFFFF) std::abort();
    return static_cast<std::uint16_t>(value);
  };
  while (i < text.size()) {
    const std::uint16_t first = number();
    std::uint16_t last = first;
    if (i < text.size() && text[i] == '-') {
      ++i;
      last = number();
    }
    ranges_.push_back({first, last});
    while (i < text.size() && (text[i] == ' ' || text[i] == ',')) ++i;
  }
}

bool FamilySet::Contains(std::uint16_t device_family) const {
  for (const Range& r : ranges_) {
    if (device_family >= r.first && device_family <= r.last) return true;
  }
  return false;
}

std::uint16_t DispatchFamily(std::uint16_t chip_id_word) {
  const std::uint16_t family = DeviceFamilyOf(chip_id_word);
  if (family == 385 && chip_id_word != 0x3030) return kUnknownFamily;
  return family;
}

namespace {

using Kind = CalibrationRead::Kind;
constexpr CalibrationRead kNone{};
constexpr CalibrationRead kOsccalAndBandGap{Kind::kOsccalAndBandGap, 0, 0};
constexpr CalibrationRead Words(std::uint32_t first, std::uint32_t count) {
  return {Kind::kWords, first, count};
}

constexpr const char* kValuesNoNeed = "    there is no need to restore the calibration values for this chip";
constexpr const char* kValueNoNeed = "    there is no need to restore the calibration value for this chip";

}  // namespace

const FamilySet& ProgramFamilies() {
  static const FamilySet set(
      "35, 37, 124-126, 130-136, 140, 144, 146, 153-155, 160-162, 164, 165, 168, 192-196, "
      "200-204, 214-220, 222, 224-227, 256-260, 268, 274, 275, 312-327, 358-362, 364-368, 385");
  return set;
}

const FamilySet& DataFamilies() {
  static const FamilySet set(
      "35, 37, 124-126, 130-136, 140, 144, 153, 154, 160-162, 164, 165, 220, 222, 256-260, 312-327");
  return set;
}

const FamilySet& NoDataFamilies() {
  static const FamilySet set(
      "146, 155, 168, 192-196, 200-204, 214-219, 224-227, 268, 274, 275, 358-362, 364-368, 385");
  return set;
}

std::span<const WriteGroup> WriteGroups() {
  static const WriteGroup groups[] = {
      {"W1", FamilySet("256-260"), Words(9, 1),
       "    calibration words (CONF + 0x0009) has been read and stored", false, false, 9, 2,
       kValuesNoNeed, false},
      {"W2", FamilySet("130, 131, 136"), kNone, nullptr, false, true, 8, 1, kValueNoNeed, false},
      {"W3",
       FamilySet("164, 165, 192-196, 200-204, 214-220, 222, 224-227, 312-327, 358-362, 364-368"),
       Words(9, 2), "    calibration words (CONF + 0x0009, CONF + 0x000A) has been read and stored",
       false, false, 9, 2, kValuesNoNeed, false},
      {"W4", FamilySet("146, 155, 268, 274, 275"), Words(8, 1),
       "    calibration word (0x2008) has been read and stored", true, false, 8, 1, kValueNoNeed,
       false},
      {"W5", FamilySet("35, 37, 132, 140, 153, 154, 160-162"), Words(8, 1),
       "    calibration word (0x2008) has been read and stored", false, false, 8, 1, kValueNoNeed,
       false},
      {"W6", FamilySet("168, 385"), Words(8, 2),
       "    calibration words (0x2008, 0x2009) has been read and stored", true, false, 8, 1,
       kValuesNoNeed, false},
      {"W7", FamilySet("125, 133, 144"), Words(8, 2),
       "    calibration words (0x2008, 0x2009) has been read and stored", false, false, 8, 1,
       kValuesNoNeed, false},
      {"W8", FamilySet("124, 126, 134, 135"), kOsccalAndBandGap,
       "    OSCCAL word & BG-bits has been read and stored", false, false, 0, 1, nullptr, true},
  };
  return groups;
}

std::span<const EraseGroup> EraseGroups() {
  static const EraseGroup groups[] = {
      {"E1", FamilySet("256-260"), Words(9, 1),
       "    calibration words (CONF + 0x0009) has been read and stored", false, true, kValuesNoNeed},
      {"E2", FamilySet("130, 131, 136"), kNone, nullptr, true, true,
       "    there are no calibration values in this chip"},
      {"E3", FamilySet("164, 165, 220, 222, 312-327"), Words(9, 2),
       "    calibration words (CONF + 0x0009, CONF + 0x000A) has been read and stored", false, true,
       kValuesNoNeed},
      {"E4", FamilySet("192-196, 200-204, 214-219, 224-227, 358-362, 364-368"), Words(9, 2),
       "    calibration words (CONF + 0x0009, CONF + 0x000A) has been read and stored", false,
       false, kValuesNoNeed},
      {"E5", FamilySet("168, 385"), Words(8, 2),
       "    calibration words (0x2008, 0x2009) has been read and stored", false, false,
       kValuesNoNeed},
      {"E6", FamilySet("146, 155, 268, 274, 275"), Words(8, 1),
       "    calibration word (CONF + 0x0008) has been read and stored", false, false, kValueNoNeed},
      {"E7", FamilySet("35, 37, 132, 140, 153, 154, 160-162"), Words(8, 1),
       "    calibration word (0x2008) has been read and stored", false, true, kValueNoNeed},
      {"E8", FamilySet("125, 133, 144"), Words(8, 2),
       "    calibration words (CONF + 0x0008, CONF + 0x0009) has been read and stored", false,
       true, kValuesNoNeed},
      {"E9", FamilySet("124, 126, 134, 135"), kOsccalAndBandGap,
       "    OSCCAL word & BG-bits has been read and stored", false, true, nullptr},
  };
  return groups;
}

std::span<const CalibrationGroup> CalibrationGroups() {
  static const CalibrationGroup groups[] = {
      {"C1", FamilySet("35, 37, 132, 140, 146, 153-155, 160-162, 268, 274, 275"), Words(8, 1)},
      {"C2", FamilySet("124, 126, 134, 135"), {Kind::kOsccal, 0, 0}},
      {"C3", FamilySet("125, 133, 144, 168, 385"), Words(8, 2)},
      {"C4",
       FamilySet("164, 165, 192-196, 200-204, 214-220, 222, 224-227, 312-327, 358-362, 364-368"),
       Words(9, 2)},
      {"C5", FamilySet("256-260"), Words(9, 1)},
      {"C6", FamilySet("130, 131, 136"), kNone},
  };
  return groups;
}

namespace {

template <typename Group>
const Group* Find(std::span<const Group> groups, std::uint16_t device_family) {
  for (const Group& g : groups) {
    if (g.families.Contains(device_family)) return &g;
  }
  return nullptr;
}

}  // namespace

const WriteGroup* FindWriteGroup(std::uint16_t f) { return Find(WriteGroups(), f); }
const EraseGroup* FindEraseGroup(std::uint16_t f) { return Find(EraseGroups(), f); }
const CalibrationGroup* FindCalibrationGroup(std::uint16_t f) { return Find(CalibrationGroups(), f); }

}  // namespace fw
