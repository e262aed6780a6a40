#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fw {

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
