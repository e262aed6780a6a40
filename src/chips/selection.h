#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chips/catalogue.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "images/views.h"
#include "log/log.h"

namespace fw {

// Blanks image `kind` over its whole capacity; a cleared configuration image
// carries the selected chip's ID word in word 6 and, for two families, the
// factory bits of the configuration word.
void ClearImage(Images& images, const ChipRecord& chip, int kind);

// How a selection ended: a chip selected, an ID word of no chip or of no
// entry (the previous selection stays), or a link failure of the autosearch.
enum class Selection { kSelected, kNoChip, kUnknown, kFailed };

// Chip selection: everything that follows a chip's choice, from the menu or
// from the device ID read off the chip.
class ChipSelector {
 public:
  ChipSelector(ChipRecord& chip, Images& images, Workspace& workspace, Log& log, Icsp& icsp)
      : chip_(chip), images_(images), workspace_(workspace), log_(log), icsp_(icsp) {}

  // Makes the entry for `id_word` the selected chip: record, views, images,
  // captions and the log line. A word of no entry changes nothing but the
  // log and the map caption.
  Selection SelectChip(std::uint16_t id_word);
  void ApplyChipToViews();
  // Reads the device ID from the chip on the programming lines and selects
  // the matching entry.
  Selection AutosearchChip();

 private:
  ChipRecord& chip_;
  Images& images_;
  Workspace& workspace_;
  Log& log_;
  Icsp& icsp_;
};

// The "Chip Select" menu: submenus and one item per catalogue entry, in menu
// order. An item's name is its caption with "1" appended (the item for
// "PIC16F636 / 639" is PIC16F6361); its handler is the name and "Click".
struct ChipMenuNode {
  std::string caption;
  std::string name;           // items only
  std::uint16_t id_word = 0;  // items only
  std::vector<ChipMenuNode> children;
  bool IsItem() const { return children.empty(); }
};
const std::vector<ChipMenuNode>& ChipSelectMenu();

}  // namespace fw
