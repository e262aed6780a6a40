#include "chips/catalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace fw {

namespace {

// Name, ID word, device family, family, program/data/config sizes (bytes),
// config base, data base, erase program/data waits, program int/ext waits,
// data int/ext waits (ms), map text, picture file.
constexpr std::array<ChipEntry, 81> kCatalogue = {{
    {"PIC12F683", 0x0460, 35, ChipFamily::F683, 4096, 256, 128, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC12F635.jpg"},
    {"PIC16F685", 0x04A0, 37, ChipFamily::F683, 8192, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F631.jpg"},
    {"PIC12F629", 0x0F80, 124, ChipFamily::F629, 2048, 128, 64, 0x2000, 0x2100, 8, 8, 3, 2, 6, 0, MapText::M2, "PIC12F629.jpg"},
    {"PIC12F635", 0x0FA0, 125, ChipFamily::F635, 2048, 128, 128, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC12F635.jpg"},
    {"PIC12F675", 0x0FC0, 126, ChipFamily::F629, 2048, 128, 64, 0x2000, 0x2100, 8, 8, 3, 2, 6, 0, MapText::M2, "PIC12F629.jpg"},
    {"PIC16F627A", 0x1040, 130, ChipFamily::F627A, 2048, 128, 16, 0x2000, 0x2100, 6, 6, 4, 0, 6, 0, MapText::M1, "PIC16F627A.jpg"},
    {"PIC16F628A", 0x1060, 131, ChipFamily::F627A, 4096, 128, 16, 0x2000, 0x2100, 6, 6, 4, 0, 6, 0, MapText::M1, "PIC16F627A.jpg"},
    {"PIC16F684", 0x1080, 132, ChipFamily::F683, 4096, 256, 128, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F636.jpg"},
    {"PIC16F636 / PIC16F639", 0x10A0, 133, ChipFamily::F635, 4096, 256, 128, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F636.jpg"},
    {"PIC16F630", 0x10C0, 134, ChipFamily::F629, 2048, 128, 64, 0x2000, 0x2100, 8, 8, 3, 2, 6, 0, MapText::M2, "PIC16F630.jpg"},
    {"PIC16F676", 0x10E0, 135, ChipFamily::F629, 2048, 128, 64, 0x2000, 0x2100, 8, 8, 3, 2, 6, 0, MapText::M2, "PIC16F630.jpg"},
    {"PIC16F648A", 0x1100, 136, ChipFamily::F627A, 8192, 256, 16, 0x2000, 0x2100, 6, 6, 4, 0, 6, 0, MapText::M1, "PIC16F627A.jpg"},
    {"PIC16F688", 0x1180, 140, ChipFamily::F683, 8192, 256, 128, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F636.jpg"},
    {"PIC16F785", 0x1200, 144, ChipFamily::F785, 4096, 256, 128, 0x2000, 0x2100, 6, 6, 3, 3, 6, 6, MapText::M4, "PIC16F785.jpg"},
    {"PIC16F616", 0x1240, 146, ChipFamily::F615, 4096, 0, 128, 0x2000, 0x2100, 6, 0, 0, 3, 0, 0, MapText::M3, "PIC16F610.jpg"},
    {"PIC16F687", 0x1320, 153, ChipFamily::F683, 4096, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F631.jpg"},
    {"PIC16F689", 0x1340, 154, ChipFamily::F683, 8192, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F631.jpg"},
    {"PIC12F617", 0x1360, 155, ChipFamily::F617, 4096, 0, 224, 0x2000, 0x2100, 6, 0, 0, 3, 0, 0, MapText::M3, "PIC12F615.jpg"},
    {"PIC16F690", 0x1400, 160, ChipFamily::F683, 8192, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F631.jpg"},
    {"PIC16F631", 0x1420, 161, ChipFamily::F683, 2048, 128, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F631.jpg"},
    {"PIC16F677", 0x1440, 162, ChipFamily::F683, 4096, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M3, "PIC16F631.jpg"},
    {"PIC16F1847", 0x1480, 164, ChipFamily::F1822, 16384, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1826.jpg"},
    {"PIC16LF1847", 0x14A0, 165, ChipFamily::F1822, 16384, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1826.jpg"},
    {"PIC12F752", 0x1500, 168, ChipFamily::F752, 2048, 0, 256, 0x2000, 0x2100, 6, 0, 0, 3, 0, 0, MapText::M4, "PIC12F752.jpg"},
    {"PIC16F727", 0x1800, 192, ChipFamily::F72X, 16384, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F707.jpg"},
    {"PIC16F726", 0x1820, 193, ChipFamily::F72X, 16384, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16F724", 0x1840, 194, ChipFamily::F72X, 8192, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F707.jpg"},
    {"PIC16F723", 0x1860, 195, ChipFamily::F72X, 8192, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16F722", 0x1880, 196, ChipFamily::F72X, 4096, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16LF727", 0x1900, 200, ChipFamily::F72X, 16384, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F707.jpg"},
    {"PIC16LF726", 0x1920, 201, ChipFamily::F72X, 16384, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16LF724", 0x1940, 202, ChipFamily::F72X, 8192, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F707.jpg"},
    {"PIC16LF723", 0x1960, 203, ChipFamily::F72X, 8192, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16LF722", 0x1980, 204, ChipFamily::F72X, 4096, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16F707", 0x1AC0, 214, ChipFamily::F72X, 16384, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F707.jpg"},
    {"PIC16LF707", 0x1AE0, 215, ChipFamily::F72X, 16384, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F707.jpg"},
    {"PIC16F723A", 0x1B00, 216, ChipFamily::F72X, 8192, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16F722A", 0x1B20, 217, ChipFamily::F72X, 4096, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16LF723A", 0x1B40, 218, ChipFamily::F72X, 8192, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC16LF722A", 0x1B60, 219, ChipFamily::F72X, 4096, 0, 512, 0x2000, 0x2100, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F722.jpg"},
    {"PIC12F1840", 0x1B80, 220, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC12F1501.jpg"},
    {"PIC12LF1840", 0x1BC0, 222, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC12F1501.jpg"},
    {"PIC16F720", 0x1C00, 224, ChipFamily::F720, 4096, 0, 1024, 0x2000, 0x2200, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F720.jpg"},
    {"PIC16F721", 0x1C20, 225, ChipFamily::F720, 8192, 0, 1024, 0x2000, 0x2200, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F720.jpg"},
    {"PIC16LF720", 0x1C40, 226, ChipFamily::F720, 4096, 0, 1024, 0x2000, 0x2200, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F720.jpg"},
    {"PIC16LF721", 0x1C60, 227, ChipFamily::F720, 8192, 0, 1024, 0x2000, 0x2200, 5, 0, 5, 3, 0, 0, MapText::M6, "PIC16F720.jpg"},
    {"PIC16F882", 0x2000, 256, ChipFamily::F88X, 4096, 128, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M5, "PIC16F882.jpg"},
    {"PIC16F883", 0x2020, 257, ChipFamily::F88X, 8192, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M5, "PIC16F882.jpg"},
    {"PIC16F884", 0x2040, 258, ChipFamily::F88X, 8192, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M5, "PIC16F882.jpg"},
    {"PIC16F886", 0x2060, 259, ChipFamily::F88X, 16384, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M5, "PIC16F882.jpg"},
    {"PIC16F887", 0x2080, 260, ChipFamily::F88X, 16384, 256, 256, 0x2000, 0x2100, 6, 6, 3, 3, 6, 0, MapText::M5, "PIC16F882.jpg"},
    {"PIC12F615", 0x2180, 268, ChipFamily::F615, 2048, 0, 128, 0x2000, 0x2100, 6, 0, 0, 3, 0, 0, MapText::M3, "PIC12F615.jpg"},
    {"PIC12F609", 0x2240, 274, ChipFamily::F615, 2048, 0, 128, 0x2000, 0x2100, 6, 0, 0, 3, 0, 0, MapText::M3, "PIC12F615.jpg"},
    {"PIC16F610", 0x2260, 275, ChipFamily::F615, 2048, 0, 128, 0x2000, 0x2100, 6, 0, 0, 3, 0, 0, MapText::M3, "PIC16F610.jpg"},
    {"PIC12F1822", 0x2700, 312, ChipFamily::F1822, 4096, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC12F1822.jpg"},
    {"PIC16F1823", 0x2720, 313, ChipFamily::F1822, 4096, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16F1824", 0x2740, 314, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16F1825", 0x2760, 315, ChipFamily::F1822, 16384, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16F1826", 0x2780, 316, ChipFamily::F1822, 4096, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1826.jpg"},
    {"PIC16F1827", 0x27A0, 317, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1826.jpg"},
    {"PIC16F1828", 0x27C0, 318, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1828.jpg"},
    {"PIC16F1829", 0x27E0, 319, ChipFamily::F1822, 16384, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1828.jpg"},
    {"PIC12LF1822", 0x2800, 320, ChipFamily::F1822, 4096, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC12F1822.jpg"},
    {"PIC16LF1823", 0x2820, 321, ChipFamily::F1822, 4096, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16LF1824", 0x2840, 322, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16LF1825", 0x2860, 323, ChipFamily::F1822, 16384, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16LF1826", 0x2880, 324, ChipFamily::F1822, 4096, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1826.jpg"},
    {"PIC16LF1827", 0x28A0, 325, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1826.jpg"},
    {"PIC16LF1828", 0x28C0, 326, ChipFamily::F1822, 8192, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1828.jpg"},
    {"PIC16LF1829", 0x28E0, 327, ChipFamily::F1822, 16384, 256, 1024, 0x8000, 0xF000, 5, 5, 5, 3, 5, 3, MapText::M7, "PIC16F1828.jpg"},
    {"PIC12F1501", 0x2CC0, 358, ChipFamily::F1501, 2048, 0, 512, 0x8000, 0x8100, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC12F1501.jpg"},
    {"PIC16F1503", 0x2CE0, 359, ChipFamily::F1501, 4096, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16F1507", 0x2D00, 360, ChipFamily::F1501, 4096, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1507.jpg"},
    {"PIC16F1508", 0x2D20, 361, ChipFamily::F1508, 8192, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1507.jpg"},
    {"PIC16F1509", 0x2D40, 362, ChipFamily::F1508, 16384, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1507.jpg"},
    {"PIC12LF1501", 0x2D80, 364, ChipFamily::F1501, 2048, 0, 512, 0x8000, 0x8100, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC12F1501.jpg"},
    {"PIC16LF1503", 0x2DA0, 365, ChipFamily::F1501, 4096, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1503.jpg"},
    {"PIC16LF1507", 0x2DC0, 366, ChipFamily::F1501, 4096, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1507.jpg"},
    {"PIC16LF1508", 0x2DE0, 367, ChipFamily::F1508, 8192, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1507.jpg"},
    {"PIC16LF1509", 0x2E00, 368, ChipFamily::F1508, 16384, 0, 1024, 0x8000, 0x8200, 5, 0, 5, 3, 0, 0, MapText::M7, "PIC16F1507.jpg"},
    {"PIC16F753", 0x3030, 385, ChipFamily::F753, 4096, 0, 256, 0x2000, 0x2100, 6, 0, 0, 3, 0, 0, MapText::M4, "PIC16F753.jpg"},
}};

constexpr const char* kMapTexts[] = {
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word; The OSCCAL is located in "
    "the last word of the Program Memory",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word, 0x2008 - Calibr.Word",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word, 0x2008 - Calibr.Word1, "
    "0x2009 - Calibr.Word2",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word1, 0x2008 - Config.Word2, "
    "0x2009 - Calibr.Word",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word1, 0x2008 - Config.Word2, "
    "0x2009 - Calibr.Word1, 0x200A - Calibr.Word2",
    "0x8000..0x8003 - User ID, 0x8006 - Device ID, 0x8007 - Config.Word1, 0x8008 - Config.Word2, "
    "0x8009 - Calibr.Word1, 0x800A - Calibr.Word2",
};

constexpr const char* kFamilyNames[kChipFamilyCount] = {
    "F629", "F683", "F785", "F635", "F627A", "F615", "F617", "F752",
    "F753", "F88X", "F72X", "F720", "F1822", "F1501", "F1508"};

constexpr std::uint16_t kF753Key = 0x3020;
constexpr std::uint16_t kF753Word = 0x3030;

}  // namespace

std::span<const ChipEntry> Catalogue() { return kCatalogue; }

const char* MapTextOf(MapText map) { return kMapTexts[static_cast<int>(map)]; }

const char* MapName(MapText map) {
  static constexpr const char* names[] = {"M1", "M2", "M3", "M4", "M5", "M6", "M7"};
  return names[static_cast<int>(map)];
}

const char* FamilyName(ChipFamily family) { return kFamilyNames[static_cast<int>(family)]; }

LookupResult LookupChip(std::uint16_t id_word) {
  const auto key = static_cast<std::uint16_t>(id_word & 0x3FE0);
  if (key == 0) return {LookupResult::Kind::kNoChip, nullptr};
  const auto it = std::lower_bound(kCatalogue.begin(), kCatalogue.end(), key,
                                   [](const ChipEntry& e, std::uint16_t k) { return e.Key() < k; });
  if (it == kCatalogue.end() || it->Key() != key) return {LookupResult::Kind::kUnknown, nullptr};
  // The PIC16F753 keeps its revision elsewhere: only its one exact word is it.
  if (key == kF753Key && id_word != kF753Word) return {LookupResult::Kind::kUnknown, nullptr};
  return {LookupResult::Kind::kEntry, &*it};
}

namespace {

// A chip name as typed: upper case, without blanks.
std::string Folded(std::string_view name) {
  std::string folded;
  for (char c : name) {
    if (c != ' ') folded += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return folded;
}

// Every name an entry answers to: its own, its menu caption ("PIC16F636 /
// 639"), and each chip of a combined entry.
std::vector<std::string> NamesOf(const ChipEntry& e) {
  const std::string name = Folded(e.ChipName);
  std::vector<std::string> names{name};
  const std::size_t slash = name.find('/');
  if (slash != std::string::npos) {
    const std::string first = name.substr(0, slash), second = name.substr(slash + 1);
    names.push_back(first);
    names.push_back(second);
    std::size_t common = 0;
    while (common < first.size() && common < second.size() && first[common] == second[common]) ++common;
    while (common > 0 && std::isdigit(static_cast<unsigned char>(first[common - 1]))) --common;
    names.push_back(first + "/" + second.substr(common));
  }
  return names;
}

std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

const ChipEntry* FindChipByName(const std::string& name) {
  const std::string wanted = Folded(name);
  for (const ChipEntry& e : kCatalogue) {
    for (const std::string& n : NamesOf(e)) {
      if (n == wanted) return &e;
    }
  }
  return nullptr;
}

std::vector<std::string> NearestChipNames(const std::string& name, std::size_t count) {
  const std::string wanted = Folded(name);
  std::vector<std::pair<std::size_t, const char*>> ranked;
  for (const ChipEntry& e : kCatalogue) {
    std::size_t best = SIZE_MAX;
    for (const std::string& n : NamesOf(e)) best = std::min(best, Distance(wanted, n));
    ranked.emplace_back(best, e.ChipName);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count && i < ranked.size(); ++i) names.push_back(ranked[i].second);
  return names;
}

void ChipRecord::Assign(const ChipEntry& entry, std::uint16_t id_word) {
  ChipName = entry.ChipName;
  PictureFile = entry.PictureFile;
  ChipIdWord = id_word;
  ConfigBase = entry.ConfigBase;
  DataBase = entry.DataBase;
  EraseProgramWait = entry.EraseProgramWait;
  EraseDataWait = entry.EraseDataWait;
  ProgramWaitInt = entry.ProgramWaitInt;
  ProgramWaitExt = entry.ProgramWaitExt;
  DataWaitInt = entry.DataWaitInt;
  DataWaitExt = entry.DataWaitExt;
  ProgramSize = entry.ProgramSize;
  DataSize = entry.DataSize;
  ConfigSize = entry.ConfigSize;
}

}  // namespace fw
