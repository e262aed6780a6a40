// The configuration word dialog's layouts and store rules, and the pin tables
// the connection pictures are drawn from.

#include <gtest/gtest.h>

#include <set>

#include "chips/pinouts.h"
#include "config_dialog/config_word_dialog.h"
#include "fakes.h"
#include "operations/app_state.h"

namespace fw {
namespace {

TEST(ConfigLayouts, EveryChipHasExactlyOneRow) {
  for (const ChipEntry& e : KnownChips()) {
    std::size_t rows = 0;
    for (const ConfigLayout& layout : ConfigLayouts()) {
      const auto& ids = layout.id_words;
      if (!ids.empty() && std::find(ids.begin(), ids.end(), e.IdWord) == ids.end()) continue;
      rows += std::count(layout.families.begin(), layout.families.end(), e.Family);
    }
    EXPECT_EQ(rows, 1u) << e.ChipName;
    EXPECT_NE(ConfigLayoutFor(e.IdWord), nullptr) << e.ChipName;
  }
  EXPECT_EQ(ConfigLayoutFor(0), nullptr);
  EXPECT_EQ(ConfigLayoutFor(0x3031), nullptr) << "the PIC16F753 only by its exact word";
}

struct DialogRig {
  test::FakeClock clock;
  test::FakePause pause;
  test::FakeDialogs dialogs;
  AppState state{clock, pause, dialogs, nullptr};
  explicit DialogRig(const char* chip) {
    if (chip) state.selector.SelectChip(FindChipByName(chip)->IdWord);
  }
  // Writes a word into the configuration view of Page1, as an edit would.
  void ViewWord(std::uint32_t word, std::uint16_t value) {
    SetWordAt(state.images.ConfigImage, word, value);
    state.workspace.ShowImage(6, kConfigImage);
  }
  std::uint16_t ViewedWord(std::uint32_t word) {
    Images shown = state.images;
    state.workspace.TakeImage(6, kConfigImage);
    std::swap(shown.ConfigImage, state.images.ConfigImage);
    return WordAt(shown.ConfigImage, word);
  }
  ConfigDialog Open() { return BuildConfigDialog(state.chip, state.images); }
  void Press(const ConfigDialog& d) { StoreConfigDialog(d, state.images, state.workspace); }
};

TEST(ConfigDialog, LayoutAndStoreRules) {
  {  // PIC16F630: eleven boxes, all clear on 0x31FF; "!CP" gives 0x317F.
    DialogRig rig("PIC16F630");
    ConfigDialog d = rig.Open();
    EXPECT_EQ(std::count_if(d.boxes.begin(), d.boxes.end(), [](const auto& b) { return b.shown; }), 11);
    EXPECT_TRUE(std::none_of(d.boxes.begin(), d.boxes.end(), [](const auto& b) { return b.checked; }));
    EXPECT_EQ(d.group_captions, (std::array<std::string, 4>{"bits 0..7", "bits 8..13", "", ""}));
    EXPECT_EQ(d.button_width, 219);
    EXPECT_EQ(d.boxes[7].caption, "!CP");
    EXPECT_EQ(d.boxes[7].tooltip, "!CP: code protection, checked = program memory protected");
    d.boxes[7].checked = true;
    rig.ViewWord(7, 0x3FFF);  // bits 9-11 have no box: the base value's 0 comes back
    rig.ViewWord(8, 0x1234);
    rig.Press(d);
    EXPECT_EQ(rig.ViewedWord(7), 0x317F);
    EXPECT_EQ(rig.ViewedWord(8), 0x1234) << "a one-word chip rewrites word 7 only";
  }
  {  // PIC16F887: W2's bits 8-10 in the fourth group; its other bits come back 1.
    DialogRig rig("PIC16F887");
    rig.ViewWord(8, 0x0000);
    ConfigDialog d = rig.Open();
    EXPECT_EQ(d.group_captions[3], "bits 8..13 W2");
    EXPECT_EQ(d.button_width, 441);
    EXPECT_EQ(d.boxes[16 + 8].caption, "BOR4V");
    EXPECT_EQ(d.boxes[16 + 10].caption, "WRT1");
    EXPECT_FALSE(d.boxes[16 + 0].shown);
    EXPECT_TRUE(d.boxes[16 + 9].checked);
    rig.Press(d);
    EXPECT_EQ(rig.ViewedWord(8), 0x38FF);
  }
  {  // PIC16F684: a W1 bit without a box (13) comes back as the base value's 1.
    DialogRig rig("PIC16F684");
    rig.ViewWord(7, 0x1FFF);
    rig.Press(rig.Open());
    EXPECT_EQ(rig.ViewedWord(7), 0x3FFF);
  }
  {  // PIC16F84A: its ten CP bits, set alike by the chip's rule, are one box.
    DialogRig rig("PIC16F84A");
    rig.ViewWord(7, 0x3FFF);
    ConfigDialog d = rig.Open();
    EXPECT_EQ(std::count_if(d.boxes.begin(), d.boxes.end(), [](const auto& b) { return b.caption == "!CP"; }), 1);
    ASSERT_EQ(d.boxes[4].caption, "!CP");
    d.boxes[4].checked = true;
    rig.Press(d);
    EXPECT_EQ(rig.ViewedWord(7), 0x000F);
    rig.ViewWord(7, 0x3FEF);  // one CP bit at 0 of a file: protected, and shown so
    EXPECT_TRUE(rig.Open().boxes[4].checked);
  }
  {  // A chip added from the chips file has its family's dialog.
    DialogRig rig(nullptr);
    ASSERT_TRUE(rig.state.chips.Read("MYPIC684, F683, 0x1560, 2048, 256, 0x0FFF", "chips.txt").empty());
    ASSERT_EQ(rig.state.selector.SelectChip(0x1560), Selection::kSelected);
    EXPECT_EQ(rig.Open().boxes[6].caption, "!CP");
  }
  {  // No chip: an empty dialog that changes nothing.
    DialogRig rig(nullptr);
    const ConfigDialog d = rig.Open();
    EXPECT_EQ(d.layout, nullptr);
    EXPECT_TRUE(std::none_of(d.boxes.begin(), d.boxes.end(), [](const auto& b) { return b.shown; }));
    EXPECT_EQ(d.button_width, 441);
    const Images before = rig.state.images;
    rig.Press(d);
    EXPECT_EQ(rig.state.images.ConfigImage, before.ConfigImage);
  }
}

TEST(Pinouts, EveryPictureShowsTheFiveLinesOnRealPins) {
  std::set<std::string> pictures;
  for (const ChipEntry& e : KnownChips()) pictures.insert(e.PictureFile);
  EXPECT_EQ(pictures.size(), Pinouts().size());
  for (const std::string& picture : pictures) {
    SCOPED_TRACE(picture);
    const Pinout* p = PinoutFor(picture);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(std::string(p->source).find("DS"), std::string::npos) << "a datasheet named";
    // Without a diagram at hand the note names every line by its pin's name.
    if (p->packages.empty()) {
      ASSERT_NE(p->note, nullptr);
      for (const char* line : {"MCLR/VPP", "VDD", "VSS", "ICSPDAT", "ICSPCLK"}) {
        EXPECT_NE(std::string(p->note).find(line), std::string::npos) << line;
      }
    }
    for (const Package& package : p->packages) {
      // DIPs, the 6-pin SOT-23, and the 64-pin parts that come only as a
      // quad flat package.
      EXPECT_EQ(package.quad, package.pins == 64);
      EXPECT_EQ(package.outline != nullptr, package.pins == 6);
      EXPECT_TRUE(package.pins == 6 || package.pins == 8 || package.pins == 14 || package.pins == 18 ||
                  package.pins == 20 || package.pins == 28 || package.pins == 40 || package.pins == 64);
      std::set<PinRole> roles;
      std::set<int> pins;
      for (const PinUse& use : package.uses) {
        roles.insert(use.role);
        EXPECT_TRUE(use.pin >= 1 && use.pin <= package.pins) << use.label;
        EXPECT_TRUE(pins.insert(use.pin).second) << "pin " << use.pin << " used twice";
      }
      EXPECT_EQ(roles.size(), std::size_t{kPinRoleCount});
    }
  }
  EXPECT_EQ(PictureLocations("P.jpg", "/opt/fw/bin", "/usr/share/flashwright"),
            (std::vector<std::string>{"P.jpg", "/opt/fw/bin/pictures/P.jpg", "/opt/fw/bin/../share/flashwright/pictures/P.jpg",
                                      "/usr/share/flashwright/pictures/P.jpg"}));
}

}  // namespace
}  // namespace fw
