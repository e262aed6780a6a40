#pragma once

#include <cstdint>

#include "chips/catalogue.h"
#include "chips/user_chips.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "images/views.h"
#include "log/log.h"

namespace fw {

// How a selection ended: a chip selected, an ID word of no chip or of no
// entry (the previous selection stays), or a link failure of the autosearch.
enum class Selection { kSelected, kNoChip, kUnknown, kFailed };

// Chip selection: everything that follows a chip's choice, from the menu or
// from the device ID read off the chip.
class ChipSelector {
 public:
  ChipSelector(ChipRecord& chip, const ChipList& chips, Images& images, Workspace& workspace, Log& log, Icsp& icsp)
      : chip_(chip), chips_(chips), images_(images), workspace_(workspace), log_(log), icsp_(icsp) {}

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
  const ChipList& chips_;
  Images& images_;
  Workspace& workspace_;
  Log& log_;
  Icsp& icsp_;
};

}  // namespace fw
