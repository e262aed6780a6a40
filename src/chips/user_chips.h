#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "chips/catalogue.h"

namespace fw {

// A chip a user added in the chips file: a part of a known family, with its
// name, device ID, sizes and the implemented bits of its configuration
// words. Everything else (where its memories sit, its waits, its picture)
// is its family's, as the family's first chip has it.
struct UserChip {
  std::string name;
  ChipEntry entry;  // entry.ChipName points at `name`
  std::uint16_t config_masks[2] = {0, 0};
  std::string origin;  // "…/chips.txt line 4"
};

// The chips a run knows: the built-in ones and those of the user's chips
// file, read once at start-up. An entry never moves once added, so the
// pointers the lookups give stay good for the run.
class ChipList {
 public:
  ChipList() = default;
  ChipList(const ChipList&) = delete;
  ChipList& operator=(const ChipList&) = delete;

  // Adds the chips of a chips file's text (one chip a line, see
  // ChipsFileHelp); every line that cannot be taken is refused with the
  // reason, as "<origin> line N: …", and the others are added.
  std::vector<std::string> Read(std::string_view text, const std::string& origin);

  const std::deque<UserChip>& added() const { return added_; }
  // As LookupChip, the added chips by their exact key after the built-in.
  LookupResult Lookup(std::uint16_t id_word) const;
  // As FindChipByName, over both.
  const ChipEntry* FindByName(const std::string& name) const;
  // The added chip an entry is, or nullptr for a built-in one.
  const UserChip* AddedFor(const ChipEntry* entry) const;
  // Every entry: the built-in first, then the added in the file's order.
  std::vector<const ChipEntry*> All() const;

 private:
  std::deque<UserChip> added_;
};

// What a chips file holds, for its comment header and the help.
const char* ChipsFileHelp();

// The user's chips file, chips.txt in the data folder, as read at start-up
// for every ChipList of the run. No file there is no error: `found` false.
struct ChipsFile {
  bool found = false;
  std::string path, text;
  std::string error;  // the file is there but could not be read
};
ChipsFile LoadChipsFile();
// Reads `file` into `list`: the lines to show the user (each line refused,
// the file that could not be read, how many chips were added), none when
// there is no file.
std::vector<std::string> ReadChipsFile(const ChipsFile& file, ChipList& list);

// Selects `entry` into `chip` as ChipRecord::Assign does, with the masks of
// an added chip.
void AssignChip(ChipRecord& chip, const ChipList& list, const ChipEntry& entry, std::uint16_t id_word);

}  // namespace fw
