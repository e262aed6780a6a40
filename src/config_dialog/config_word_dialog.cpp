#include "config_dialog/config_word_dialog.h"

namespace fw {

namespace {

constexpr std::uint32_t kW1 = 7, kW2 = 8;

// The box already shown for `caption` in word `word`, if any.
ConfigDialog::Box* FirstNamed(ConfigDialog& dialog, int word, const std::string& caption) {
  for (std::size_t k = 0; k < 16; ++k) {
    ConfigDialog::Box& box = dialog.boxes[static_cast<std::size_t>(word) * 16 + k];
    if (box.shown && box.caption == caption) return &box;
  }
  return nullptr;
}

}  // namespace

ConfigDialog BuildConfigDialog(const ChipRecord& chip, const Images& images) {
  ConfigDialog dialog;
  dialog.layout = ConfigLayoutFor(chip);
  if (dialog.layout == nullptr) return dialog;
  const bool two = dialog.layout->TwoWords();
  dialog.group_captions = two ? std::array<std::string, 4>{"bits 0..7 W1", "bits 8..13 W1", "bits 0..7 W2",
                                                           "bits 8..13 W2"}
                              : std::array<std::string, 4>{"bits 0..7", "bits 8..13", "", ""};
  dialog.button_width = two ? 441 : 219;
  const std::uint16_t words[2] = {WordAt(images.ConfigImage, kW1), WordAt(images.ConfigImage, kW2)};
  for (int word = 0; word < 2; ++word) {
    for (const ConfigBit& bit : word == 0 ? dialog.layout->w1 : dialog.layout->w2) {
      const bool programmed = ((words[word] >> bit.bit) & 1) == 0;
      if (ConfigDialog::Box* first = FirstNamed(dialog, word, bit.caption)) {
        first->checked = first->checked || programmed;
        continue;
      }
      ConfigDialog::Box& box = dialog.boxes[static_cast<std::size_t>(word * 16 + bit.bit)];
      box.shown = true;
      box.caption = bit.caption;
      box.tooltip = std::string(bit.caption) + ": " + BitDescription(bit.caption);
      box.checked = programmed;
    }
  }
  return dialog;
}

void StoreConfigDialog(const ConfigDialog& dialog, Images& images, Workspace& workspace) {
  const int view = workspace.ConfigView();
  workspace.TakeImage(view, kConfigImage);
  if (dialog.layout != nullptr) {
    std::uint16_t words[2] = {dialog.layout->w1_base, 0x3FFF};
    for (std::size_t k = 0; k < dialog.boxes.size(); ++k) {
      if (!dialog.boxes[k].shown || !dialog.boxes[k].checked) continue;
      const int word = static_cast<int>(k / 16);
      for (const ConfigBit& bit : word == 0 ? dialog.layout->w1 : dialog.layout->w2) {
        if (bit.caption == dialog.boxes[k].caption) {
          words[word] = static_cast<std::uint16_t>(words[word] & ~(1u << bit.bit));
        }
      }
    }
    SetWordAt(images.ConfigImage, kW1, words[0]);
    if (dialog.layout->TwoWords()) SetWordAt(images.ConfigImage, kW2, words[1]);
  }
  workspace.ShowImage(view, kConfigImage);
}

}  // namespace fw
