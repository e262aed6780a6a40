#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fw {

// The groups of chips that every operation treats alike. Chip-dependent
// decisions are taken on the family, never on a chip's name.
enum class ChipFamily {
  F629, F683, F785, F635, F627A, F615, F617, F752, F753, F88X, F72X, F720, F1822, F1501, F1508,
  F1933, F1454, F91X, F84A, F87XA, F88, F818, F1946,
  // The baseline (12-bit) parts: PIC10F20x/22x, PIC12F508-510, PIC16F505/506
  // (OSCCAL and its backup copy), PIC12F519/16F526 (with flash data memory),
  // PIC16F54 and PIC16F57/59 (no OSCCAL).
  B10F, B519, B54, B57
};
inline constexpr int kChipFamilyCount = 27;

// Program and configuration words of the baseline families are 12 bits wide
// (blank 0xFFF), of every other family 14 bits (blank 0x3FFF).
int WordBitsOf(ChipFamily family);

// The configuration memory map texts shown under the configuration view;
// TwoWords: two configuration words and no calibration (the PIC16F87/88).
enum class MapText { M1, M2, M3, M4, M5, M6, M7, TwoWords, Baseline, BaselineNoOsccal };

// The baseline parts have no device ID: each is named by a word of its own
// with bit 15 set and bit 14 clear, above the 14 bits any chip answers, so
// that no word read from a chip ever selects one (a read word with both top
// bits set is taken for its low 14 bits).
inline bool IsHandPickedId(std::uint16_t id_word) { return (id_word & 0xC000) == 0x8000; }

struct ChipEntry {
  const char* ChipName;
  std::uint16_t IdWord;  // the word the menu item selects; revision bits 0
  std::uint16_t DeviceFamily;
  ChipFamily Family;
  std::uint32_t ProgramSize;  // bytes, two per word
  std::uint32_t DataSize;     // bytes; 0 without EEPROM
  std::uint32_t ConfigSize;   // bytes, two per word, from ConfigBase
  std::uint32_t ConfigBase;   // word address
  std::uint32_t DataBase;     // word address of the EEPROM in files
  std::uint8_t EraseProgramWait;
  std::uint8_t EraseDataWait;
  std::uint8_t ProgramWaitInt;
  std::uint8_t ProgramWaitExt;
  std::uint8_t DataWaitInt;
  std::uint8_t DataWaitExt;
  MapText Map;
  const char* PictureFile;

  std::uint16_t Key() const { return IsHandPickedId(IdWord) ? IdWord : static_cast<std::uint16_t>(IdWord & 0x3FE0); }
};

// The 81 entries the program began with, in ascending order of key.
std::span<const ChipEntry> Catalogue();
// Every chip the program knows: the 81 first, as they were, then the chips
// added since, each line of chips in ascending order of key.
std::span<const ChipEntry> KnownChips();

const char* MapTextOf(MapText map);
const char* MapName(MapText map);        // "M1" ... "M7", "two-words"
const char* FamilyName(ChipFamily family);  // "F629" ...

inline std::uint16_t DeviceFamilyOf(std::uint16_t id_word) {
  return static_cast<std::uint16_t>((id_word >> 5) & 0x1FF);
}

struct LookupResult {
  enum class Kind { kEntry, kNoChip, kUnknown };
  Kind kind = Kind::kUnknown;
  const ChipEntry* entry = nullptr;
};

// The entry for an ID word read from a chip or passed by a menu item:
// revision bits are ignored, except in a word of the newer format (bits
// 13:12 both set: the PIC16F753, the PIC16F145x), which is the ID whole and
// keeps its revision in a word of its own; device code 0 means no chip.
inline bool IsWholeWordId(std::uint16_t id_word) { return (id_word & 0x3000) == 0x3000; }
// What of an ID word names the chip: the whole word in the newer format, the
// word without its revision bits otherwise.
inline std::uint16_t IdKey(std::uint16_t id_word) {
  if (IsHandPickedId(id_word)) return id_word;
  return static_cast<std::uint16_t>(id_word & (IsWholeWordId(id_word) ? 0x3FFF : 0x3FE0));
}
LookupResult LookupChip(std::uint16_t id_word);

// The entry of the selected chip, a chip added from the chips file as well
// as a built-in one: none for ID word 0.
struct ChipRecord;
LookupResult LookupSelected(const ChipRecord& chip);

// The entry a chip name names, for the simulator, the command line and the
// demo port: its display name, its menu caption ("PIC16F636 / 639") or one
// chip of a combined entry ("PIC16F639"), in any letter case, blanks
// ignored; nullptr when none does.
const ChipEntry* FindChipByName(const std::string& name);
// The order of chip names a person reads: runs of digits as numbers
// (PIC12F683 before PIC12F1501), letters without case.
bool ChipNameOrder(const std::string& a, const std::string& b);
// The catalogue names nearest to a name that named none, nearest first.
std::vector<std::string> NearestChipNames(const std::string& name, std::size_t count = 3);

// The selected chip. ChipIdWord 0 means none is selected.
struct ChipRecord {
  std::string ChipName;
  std::string PictureFile;
  std::uint16_t ChipIdWord = 0;
  std::uint32_t ConfigBase = 0;
  std::uint32_t DataBase = 0;
  std::uint8_t EraseProgramWait = 0;
  std::uint8_t EraseDataWait = 0;
  std::uint8_t ProgramWaitInt = 0;
  std::uint8_t ProgramWaitExt = 0;
  std::uint8_t DataWaitInt = 0;
  std::uint8_t DataWaitExt = 0;
  std::uint32_t ProgramSize = 0;
  std::uint32_t DataSize = 0;
  std::uint32_t ConfigSize = 0;
  // The entry selected (nullptr: none), and for a chip a user added, the
  // bits its configuration words implement (0: as its family's).
  const ChipEntry* Entry = nullptr;
  std::uint16_t ConfigMasks[2] = {0, 0};

  // Fills every field from `entry`, with `id_word` as the selecting word.
  void Assign(const ChipEntry& entry, std::uint16_t id_word);
  // A baseline part: 12-bit words, no device ID, the counter starting at
  // the configuration word.
  bool Baseline() const { return Entry != nullptr && WordBitsOf(Entry->Family) == 12; }
  // What an erased program or configuration word reads.
  std::uint16_t BlankWord() const { return Baseline() ? 0x0FFF : 0x3FFF; }
};

}  // namespace fw
