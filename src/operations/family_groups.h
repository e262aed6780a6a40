#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace fw {

// A set of DeviceFamily values written as the operations' tables write them:
// decimal values and ranges, "35, 37, 124-126, 130-136".
class FamilySet {
 public:
  explicit FamilySet(std::string_view text);
  bool Contains(std::uint16_t device_family) const;

 private:
  struct Range {
    std::uint16_t first, last;
  };
  std::vector<Range> ranges_;
};

// The DeviceFamily an operation dispatches on: the 9-bit device code of the
// selected ID word, 0 for no chip, and a value of no table for a PIC16F753
// code (385) that is not the one exact word 0x3030.
std::uint16_t DispatchFamily(std::uint16_t chip_id_word);
inline constexpr std::uint16_t kUnknownFamily = 0xFFFF;

// What the chips of a group keep as factory calibration, and how it is read
// (the chip in programming mode; the counter at program address 0).
struct CalibrationRead {
  enum class Kind {
    kNone,
    kOsccalAndBandGap,  // the last program word, and bits 13:12 of the configuration word
    kOsccal,            // the last program word only
    kWords,             // configuration words first_word ... first_word + count - 1
  };
  Kind kind = Kind::kNone;
  std::uint32_t first_word = 0;
  std::uint32_t count = 0;
};

// Which chips the read, write and verify of program and configuration take;
// which take those of the EEPROM, and which have none.
const FamilySet& ProgramFamilies();
const FamilySet& DataFamilies();
const FamilySet& NoDataFamilies();

// Writing program and configuration memory, by group (W1 ... W8).
struct WriteGroup {
  const char* name;
  FamilySet families;
  CalibrationRead calibration;
  const char* read_message;  // after the calibration read; nullptr: none
  bool externally_timed;
  bool load_blank_before_erase;
  std::uint32_t entire_config_words;  // words 0 ... n-1; 0: the whole configuration area
  std::uint32_t config_word_writes;   // 1: word 7; 2: words 7 and 8
  const char* entire_config_message;  // after the entire configuration; nullptr: none
  bool restores_osccal;               // the OSCCAL word and BG bits travel with the image
};
const WriteGroup* FindWriteGroup(std::uint16_t device_family);

// Chip erase, by group (E1 ... E9).
struct EraseGroup {
  const char* name;
  FamilySet families;
  CalibrationRead calibration;
  const char* read_message;
  bool load_blank_before_erase;
  bool erases_data;
  const char* after_erase_message;  // nullptr: the group restores instead
};
const EraseGroup* FindEraseGroup(std::uint16_t device_family);

// Reading the calibration values, by group (C1 ... C6).
struct CalibrationGroup {
  const char* name;
  FamilySet families;
  CalibrationRead calibration;
};
const CalibrationGroup* FindCalibrationGroup(std::uint16_t device_family);

// Every group of the three tables, for checks over the whole catalogue.
std::span<const WriteGroup> WriteGroups();
std::span<const EraseGroup> EraseGroups();
std::span<const CalibrationGroup> CalibrationGroups();

}  // namespace fw
