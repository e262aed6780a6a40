#include "chips/user_chips.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "log/hex.h"
#include "log/safe_file.h"
#include "platform/platform.h"

namespace fw {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t comma = line.find(',');
    fields.push_back(Trim(line.substr(0, comma)));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

// A number written in decimal, or in hex with 0x.
bool Number(std::string_view text, std::uint32_t* value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return error == std::errc() && end == text.data() + text.size();
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// The family's first built-in chip: where a chip of that family keeps its
// memories, its waits, its map text and its wiring picture.
const ChipEntry* FamilyModel(ChipFamily family) {
  for (const ChipEntry& e : KnownChips()) {
    if (e.Family == family) return &e;
  }
  return nullptr;
}

// Configuration words the family has: two where its model's map names a
// second one.
bool TwoConfigWords(const ChipEntry& model) {
  return std::string_view(MapTextOf(model.Map)).find("Config.Word2") != std::string_view::npos;
}

}  // namespace

const char* ChipsFileHelp() {
  return "One chip a line: name, family, device ID, program words, EEPROM bytes, configuration word mask"
         "[, second configuration word mask]. The family is one of the families `flashwright-cli chips` "
         "lists; the device ID has its revision bits at 0 (or is the whole word, 0x3xxx, on the newer "
         "parts); the masks are the bits the chip implements. Blank lines and lines from # on are "
         "comments.";
}

std::vector<std::string> ChipList::Read(std::string_view text, const std::string& origin) {
  std::vector<std::string> errors;
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const std::string where = origin + " line " + std::to_string(number);
    auto refuse = [&](const std::string& why) { errors.push_back(where + ": " + why + "; the line is not taken"); };
    const std::vector<std::string_view> f = Fields(line);
    if (f.size() != 6 && f.size() != 7) {
      refuse("6 or 7 fields expected (name, family, device ID, program words, EEPROM bytes, configuration "
             "word mask[, second mask]), " + std::to_string(f.size()) + " found");
      continue;
    }
    const std::string name(f[0]);
    if (name.empty() || std::any_of(name.begin(), name.end(), [](char c) {
          return std::isspace(static_cast<unsigned char>(c)) || c == '/';
        })) {
      refuse("\"" + name + "\" is no chip name (no blanks, no slash)");
      continue;
    }
    if (FindByName(name) != nullptr) {
      refuse(name + " is known already");
      continue;
    }
    std::optional<ChipFamily> family;
    for (int k = 0; k < kChipFamilyCount; ++k) {
      const auto candidate = static_cast<ChipFamily>(k);
      if (Upper(FamilyName(candidate)) == Upper(f[1])) family = candidate;
    }
    const ChipEntry* model = family ? FamilyModel(*family) : nullptr;
    if (model != nullptr && WordBitsOf(*family) == 12) {
      // A chip is added by its device ID, which the baseline parts have not.
      refuse("the baseline family " + std::string(FamilyName(*family)) +
             " has no device ID to name a chip by: its chips are the built-in ones only");
      continue;
    }
    if (model == nullptr) {
      std::string known;
      for (int k = 0; k < kChipFamilyCount; ++k) known += std::string(k ? ", " : "") + FamilyName(static_cast<ChipFamily>(k));
      refuse("no family \"" + std::string(f[1]) + "\" (known: " + known + ")");
      continue;
    }
    std::uint32_t id = 0, words = 0, eeprom = 0, mask1 = 0, mask2 = 0;
    if (!Number(f[2], &id) || id == 0 || id > 0x3FFF) {
      refuse("the device ID \"" + std::string(f[2]) + "\" is no 14-bit word");
      continue;
    }
    const bool whole = IsWholeWordId(static_cast<std::uint16_t>(id));
    if (whole != IsWholeWordId(model->IdWord) || (!whole && (id & 0x1F) != 0)) {
      refuse("the device ID 0x" + Hex(id, 4) +
             (whole != IsWholeWordId(model->IdWord) ? " is not of the form the family's IDs have"
                                                    : " has revision bits set (bits 4-0 must be 0)"));
      continue;
    }
    const LookupResult taken = Lookup(static_cast<std::uint16_t>(id));
    if (taken.kind == LookupResult::Kind::kEntry) {
      refuse("the device ID 0x" + Hex(id, 4) + " is the " + taken.entry->ChipName + "'s");
      continue;
    }
    const std::uint32_t space = model->ConfigBase;
    if (!Number(f[3], &words) || words == 0 || words > space || (words & (words - 1)) != 0) {
      refuse("program words \"" + std::string(f[3]) + "\": a power of two up to " + std::to_string(space) +
             " expected (this family's program space)");
      continue;
    }
    if (!Number(f[4], &eeprom) || eeprom > 256 || (model->DataSize == 0 && eeprom != 0)) {
      refuse("EEPROM bytes \"" + std::string(f[4]) + "\": " +
             (model->DataSize == 0 ? std::string("the family has no EEPROM, 0 expected") : "0 to 256 expected"));
      continue;
    }
    const bool two = TwoConfigWords(*model);
    if (!Number(f[5], &mask1) || mask1 == 0 || mask1 > 0x3FFF ||
        (f.size() == 7 && (!Number(f[6], &mask2) || mask2 > 0x3FFF))) {
      refuse("a configuration word mask is no 14-bit word");
      continue;
    }
    if (two != (f.size() == 7)) {
      refuse(two ? "the family has two configuration words: give both masks"
                 : "the family has one configuration word: give one mask");
      continue;
    }
    UserChip& chip = added_.emplace_back();
    chip.name = name;
    chip.entry = *model;
    chip.entry.ChipName = chip.name.c_str();
    chip.entry.IdWord = static_cast<std::uint16_t>(id);
    chip.entry.DeviceFamily = DeviceFamilyOf(static_cast<std::uint16_t>(id));
    chip.entry.ProgramSize = 2 * words;
    chip.entry.DataSize = eeprom;
    chip.config_masks[0] = static_cast<std::uint16_t>(mask1);
    chip.config_masks[1] = static_cast<std::uint16_t>(mask2);
    chip.origin = where;
  }
  return errors;
}

LookupResult ChipList::Lookup(std::uint16_t id_word) const {
  const LookupResult built_in = LookupChip(id_word);
  if (built_in.kind != LookupResult::Kind::kUnknown) return built_in;
  for (const UserChip& chip : added_) {
    if (IdKey(chip.entry.IdWord) == IdKey(id_word)) return {LookupResult::Kind::kEntry, &chip.entry};
  }
  return built_in;
}

const ChipEntry* ChipList::FindByName(const std::string& name) const {
  if (const ChipEntry* e = FindChipByName(name)) return e;
  for (const UserChip& chip : added_) {
    if (Upper(chip.name) == Upper(Trim(name))) return &chip.entry;
  }
  return nullptr;
}

const UserChip* ChipList::AddedFor(const ChipEntry* entry) const {
  for (const UserChip& chip : added_) {
    if (&chip.entry == entry) return &chip;
  }
  return nullptr;
}

std::vector<const ChipEntry*> ChipList::All() const {
  std::vector<const ChipEntry*> all;
  for (const ChipEntry& e : KnownChips()) all.push_back(&e);
  for (const UserChip& chip : added_) all.push_back(&chip.entry);
  return all;
}

ChipsFile LoadChipsFile() {
  ChipsFile file;
  file.path = platform::DataPath("chips.txt");
  if (file.path.empty() || platform::KindOf(file.path) == platform::PathKind::kMissing) return file;
  file.found = true;
  if (!ReadWholeFile(file.path, &file.text, &file.error)) file.text.clear();
  return file;
}

std::vector<std::string> ReadChipsFile(const ChipsFile& file, ChipList& list) {
  if (!file.found) return {};
  if (!file.error.empty()) return {"the chips file " + file.path + " could not be read: " + file.error};
  std::vector<std::string> lines = list.Read(file.text, file.path);
  const std::size_t added = list.added().size();
  lines.push_back(std::to_string(added) + (added == 1 ? " chip" : " chips") + " added from " + file.path);
  return lines;
}

void AssignChip(ChipRecord& chip, const ChipList& list, const ChipEntry& entry, std::uint16_t id_word) {
  chip.Assign(entry, id_word);
  if (const UserChip* added = list.AddedFor(&entry)) {
    chip.ConfigMasks[0] = added->config_masks[0];
    chip.ConfigMasks[1] = added->config_masks[1];
  }
}

}  // namespace fw
