#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "chips/config_layout.h"
#include "images/images.h"
#include "images/views.h"

namespace fw {

// The configuration word dialog's content for the selected chip: which
// groups and check boxes show, with their captions and tooltips, and which
// boxes are checked. A checked box is a programmed (0) bit.
struct ConfigDialog {
  struct Box {
    bool shown = false;
    std::string caption;
    std::string tooltip;
    bool checked = false;
  };
  // CheckBox1 ... CheckBox32: box k is bit k % 16 of W1 (k < 16) or W2.
  std::array<Box, 32> boxes;
  // GroupBox1 ... GroupBox4; an empty caption is a hidden group.
  std::array<std::string, 4> group_captions;
  int button_width = 441;
  const ConfigLayout* layout = nullptr;  // nullptr: no chip, an empty dialog
};

// The dialog as it opens: laid out for the selected chip (a chip added from
// the chips file too), its boxes loaded from the configuration image's
// words 7 and 8 as they are (the view is not read first). Bits that share a
// caption, such as the PIC16F84A's ten CP bits, which the chip needs set
// alike, show as their lowest bit's box alone, checked when any is 0.
ConfigDialog BuildConfigDialog(const ChipRecord& chip, const Images& images);

// Its button: the configuration view of the active page is taken into the
// image, W1 (and W2) are set to their base values with every checked box's
// bit cleared (and the bits that share its caption), and the image is
// shown in that view again. Every other word
// keeps what the view held. With no chip, nothing but the take and the show.
void StoreConfigDialog(const ConfigDialog& dialog, Images& images, Workspace& workspace);

}  // namespace fw
