#include <gtest/gtest.h>

#include <set>

#include "chips/chip_menu.h"
#include "operations/selection.h"
#include "fakes.h"
#include "operations/app_state.h"
#include "sim/simulated_gateway.h"

namespace fw {
namespace {

// The application state over a scripted port (or a simulated gateway).
struct SelectRig {
  test::FakeClock clock;
  test::FakePause pause;
  test::FakeDialogs dialogs;
  test::ScriptedPort port;
  std::unique_ptr<sim::SimulatedGateway> gateway;
  AppState state{clock, pause, dialogs, [this](const std::string& p, std::string* why) { return Open(p, why); }};

  std::unique_ptr<SerialDevice> Open(const std::string& path, std::string* why) {
    if (gateway) return gateway->Open();
    return port.Opener()(path, why);
  }
  void Simulate(const char* chip, std::uint8_t revision) {
    gateway = std::make_unique<sim::SimulatedGateway>(*FindChipByName(chip), revision, sim::Fault{},
                                                      [this] { return pause.elapsed_us; });
  }
  void ConnectScripted(std::uint16_t id_word) {
    port.AnswerLikeGateway(static_cast<std::uint16_t>(id_word << 1));
    state.link.OpenPort("p");
  }
  std::string Line(int n, std::uint32_t line) const {
    const View& v = state.workspace.view(n);
    return v.text().substr(line * v.LineLength(), v.LineEnd());
  }
  const std::vector<std::string>& Log() const { return state.log.Lines(); }
};

TEST(SelectChip, Pic16F630FillsRecordViewsCaptionsAndImages) {
  SelectRig rig;
  rig.state.selector.SelectChip(0x10C0);
  const Workspace& w = rig.state.workspace;
  EXPECT_EQ(w.chip_name, "PIC16F630");
  EXPECT_EQ(w.id_box.text, "10C0");
  EXPECT_EQ(w.map_caption, MapTextOf(MapText::M2));
  EXPECT_EQ(rig.Log(), std::vector<std::string>{"Selected chip is  PIC16F630"});
  for (int n : {1, 2}) EXPECT_EQ(w.view(n).Lines(), 128u);
  for (int n : {3, 4}) EXPECT_EQ(w.view(n).Lines(), 8u);
  for (int n : {6, 7}) {
    EXPECT_EQ(w.view(n).Lines(), 4u);
    EXPECT_EQ(rig.Line(n, 0).substr(10, 39), "3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 10C0 31FF");
  }
  EXPECT_EQ(WordAt(rig.state.images.ConfigImage, 6), 0x10C0);
  EXPECT_EQ(WordAt(rig.state.images.ConfigImage, 7), 0x31FF);
  EXPECT_EQ(WordAt(rig.state.images.ConfigImage, 8), 0x3FFF);
  EXPECT_EQ(WordAt(rig.state.images.ProgramImage, 131071), 0x3FFF) << "the whole capacity";
  EXPECT_EQ(rig.state.images.DataImage[65535], 0xFF);
  EXPECT_EQ(rig.state.chip.ChipIdWord, 0x10C0);
  EXPECT_EQ(rig.state.chip.EraseProgramWait, 8);
}

TEST(SelectChip, F720PresetAndNoEepromViews) {
  SelectRig rig;
  rig.state.selector.SelectChip(0x1C00);
  EXPECT_TRUE(rig.state.workspace.view(3).text().empty());
  EXPECT_TRUE(rig.state.workspace.view(4).text().empty());
  EXPECT_EQ(WordAt(rig.state.images.ConfigImage, 7), 0x3CFF);
  EXPECT_EQ(rig.Line(7, 0).substr(40, 9), "1C00 3CFF");
  rig.state.selector.SelectChip(0x10A0);
  EXPECT_EQ(rig.Log().back(), "Selected chip is  PIC16F636 / PIC16F639");
  EXPECT_EQ(WordAt(rig.state.images.ConfigImage, 7), 0x3FFF);
}

TEST(SelectChip, NoChipAndUnknownKeepThePreviousSelection) {
  SelectRig rig;
  rig.state.selector.SelectChip(0x2080);
  rig.state.workspace.view(1).Replace(10, "1234", 4);
  SetWordAt(rig.state.images.ProgramImage, 0, 0x0042);
  rig.state.selector.SelectChip(0x0000);
  rig.state.selector.SelectChip(0x3031);
  rig.state.selector.SelectChip(0x3FFF);
  EXPECT_EQ(rig.Log(), (std::vector<std::string>{"Selected chip is  PIC16F887", "No chip selected",
                                                 "Selected chip is  unknown",
                                                 "Selected chip is  unknown"}));
  EXPECT_EQ(rig.state.workspace.map_caption, "Configuration Memory Map: ?");
  EXPECT_EQ(rig.state.chip.ChipName, "PIC16F887");
  EXPECT_EQ(rig.state.workspace.chip_name, "PIC16F887");
  EXPECT_EQ(rig.Line(1, 0).substr(10, 4), "1234");
  EXPECT_EQ(WordAt(rig.state.images.ProgramImage, 0), 0x0042);
  // Selecting a chip again blanks the views and images: edits are lost.
  rig.state.selector.SelectChip(0x2080);
  EXPECT_EQ(rig.Line(1, 0).substr(10, 4), "3FFF");
  EXPECT_EQ(WordAt(rig.state.images.ProgramImage, 0), 0x3FFF);
}

TEST(ClearImage, KindsAndTheUnselectedConfiguration) {
  Images images;
  ChipRecord none;
  ClearImage(images, none, kConfigImage);
  EXPECT_EQ(WordAt(images.ConfigImage, 6), 0x3FFF);
  EXPECT_EQ(WordAt(images.ConfigImage, 511), 0x3FFF);
  images.ProgramImage[0] = 0;
  ClearImage(images, none, 4);
  ClearImage(images, none, 0);
  EXPECT_EQ(images.ProgramImage[0], 0) << "other kinds do nothing";
  ClearImage(images, none, kProgramImage);
  EXPECT_EQ(images.ProgramImage[0], 0xFF);
  EXPECT_EQ(images.ProgramImage[1], 0x3F);
}

TEST(ChipMenu, OneItemPerEntryWithItsWordAndName) {
  std::vector<const ChipMenuNode*> items;
  std::function<void(const std::vector<ChipMenuNode>&)> walk = [&](const std::vector<ChipMenuNode>& nodes) {
    for (const ChipMenuNode& n : nodes) {
      if (n.IsItem()) items.push_back(&n); else walk(n.children);
    }
  };
  const auto& all = ChipSelectMenu();
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[2].caption, "PIC16F8x/87x/91x");
  EXPECT_EQ(all[3].caption, "PIC16F19xx/145x");
  // The baseline parts, which no device ID finds, are chosen here.
  EXPECT_EQ(all[4].caption, "Baseline");
  for (const ChipMenuNode& n : all[4].children) {
    EXPECT_TRUE(IsHandPickedId(n.id_word)) << n.caption;
    EXPECT_EQ(WordBitsOf(LookupChip(n.id_word).entry->Family), 12) << n.caption;
  }
  // The first two submenus hold the 81 as they always did.
  const std::vector<ChipMenuNode> menu(all.begin(), all.begin() + 2);
  EXPECT_EQ(menu[0].caption, "PIC12...");
  EXPECT_EQ(menu[1].caption, "PIC16...");
  EXPECT_EQ(menu[1].children[0].children[0].children[0].caption, "...");
  EXPECT_EQ(menu[1].children[0].children[0].children[0].children[0].caption, "PIC16F882");
  walk(menu);
  ASSERT_EQ(items.size(), 81u);
  std::set<const ChipEntry*> entries;
  for (const ChipMenuNode* item : items) {
    const LookupResult r = LookupChip(item->id_word);
    ASSERT_EQ(r.kind, LookupResult::Kind::kEntry) << item->caption;
    EXPECT_EQ(r.entry->IdWord, item->id_word);
    if (item->caption == "PIC16F636 / 639") {
      EXPECT_EQ(item->name, "PIC16F6361");
      EXPECT_STREQ(r.entry->ChipName, "PIC16F636 / PIC16F639");
    } else {
      EXPECT_EQ(item->caption, r.entry->ChipName);
      EXPECT_EQ(item->name, item->caption + "1");
    }
    entries.insert(r.entry);
  }
  EXPECT_EQ(entries.size(), 81u);
  // The lines added since reach every other chip the program knows, each once.
  items.clear();
  const std::vector<ChipMenuNode> added(all.begin() + 2, all.end());
  walk(added);
  for (const ChipMenuNode* item : items) {
    const LookupResult r = LookupChip(item->id_word);
    ASSERT_EQ(r.kind, LookupResult::Kind::kEntry) << item->caption;
    EXPECT_EQ(item->caption, r.entry->ChipName);
    EXPECT_TRUE(entries.insert(r.entry).second) << item->caption;
  }
  EXPECT_EQ(entries.size(), KnownChips().size());
}

TEST(Autosearch, SelectsTheChipWithItsRevision) {
  SelectRig rig;
  rig.Simulate("PIC16F887", 4);
  rig.state.link.OpenPort("demo");
  rig.state.selector.AutosearchChip();
  EXPECT_EQ(rig.Log(), std::vector<std::string>{"Selected chip is  PIC16F887"});
  EXPECT_EQ(rig.state.workspace.id_box.text, "2084");
  EXPECT_EQ(WordAt(rig.state.images.ConfigImage, 6), 0x2084);
  EXPECT_EQ(rig.state.chip.ChipIdWord, 0x2084);
  EXPECT_FALSE(rig.gateway->chip().in_programming_mode()) << "lines idle again";
}

// What Autosearch says where no device ID named a chip.
constexpr const char* kBaselineHint =
    "A baseline chip (PIC10F2xx, PIC12F5xx, PIC16F5xx) has no device ID: it must be chosen by hand "
    "(Chip Select > Baseline, or --chip NAME)";

TEST(Autosearch, WordsOfNoEntryAndNoChip) {
  {
    SelectRig rig;
    rig.ConnectScripted(0x10C3);
    rig.state.selector.AutosearchChip();
    EXPECT_EQ(rig.state.workspace.id_box.text, "10C3");
    rig.port.AnswerLikeGateway(0x3031 << 1);
    rig.state.selector.AutosearchChip();
    EXPECT_EQ(rig.Log().back(), kBaselineHint);
    rig.port.AnswerLikeGateway(0x3FFF << 1);
    rig.state.selector.AutosearchChip();
    EXPECT_EQ(rig.Log(), (std::vector<std::string>{
                             "Selected chip is  PIC16F630", "Selected chip is  unknown", kBaselineHint,
                             "Selected chip is  unknown",
                             "No chip answered: check the wiring, the supply voltage and the "
                             "programming voltage",
                             kBaselineHint}));
    EXPECT_EQ(rig.state.chip.ChipName, "PIC16F630");
    EXPECT_EQ(rig.state.workspace.id_box.text, "10C3");
  }
  {
    SelectRig rig;
    rig.ConnectScripted(0x0000);
    rig.state.selector.AutosearchChip();
    EXPECT_EQ(rig.Log(), (std::vector<std::string>{
                             "No chip selected",
                             "No chip answered: check the wiring, the supply voltage and the "
                             "programming voltage",
                             kBaselineHint}));
  }
}

TEST(Autosearch, LinkFailuresEndWithFail) {
  {
    SelectRig rig;  // never connected
    rig.state.selector.AutosearchChip();
    EXPECT_EQ(rig.Log(), (std::vector<std::string>{"Error executing commands:  set InitState",
                                                   "       Finished with fail."}));
  }
  {
    SelectRig rig;
    rig.ConnectScripted(0x10C0);
    rig.port.fail_write_at = rig.port.writes + 3;  // the programming-mode entry
    rig.state.selector.AutosearchChip();
    EXPECT_EQ(rig.Log(), (std::vector<std::string>{
                             "Error executing commands:  enter programming mode, Vpp-first",
                             "       Finished with fail."}));
  }
  {
    SelectRig rig;
    rig.ConnectScripted(0x10C0);
    rig.port.on_write = [](test::ScriptedPort&, const std::vector<std::uint8_t>&) {};
    rig.state.selector.AutosearchChip();
    EXPECT_EQ(rig.Log(), (std::vector<std::string>{"Error reading the answer from GX-0450",
                                                   "Error executing commands:  set InitState",
                                                   "       Finished with fail."}));
    EXPECT_EQ(rig.state.chip.ChipIdWord, 0);
    EXPECT_EQ(rig.state.workspace.chip_name, "None");
  }
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// The configuration views lock the words a write never takes: the device ID
// and the family's calibration words, on both pages, and nothing else.
TEST(SelectChip, TheDeviceIdAndTheCalibrationWordsAreLocked) {
  const struct {
    const char* chip;
    std::vector<std::uint32_t> words;
  } cases[] = {
      {"PIC16F684", {6, 8}},   {"PIC16F636", {6, 8, 9}}, {"PIC16F887", {6, 9}},
      {"PIC16F1827", {6, 9, 10}}, {"PIC12F629", {6}},    {"PIC16F628A", {6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chip);
    SelectRig rig;
    rig.state.selector.SelectChip(FindChipByName(c.chip)->IdWord);
    for (int n : {6, 7}) {
      std::vector<std::uint32_t> words;
      for (const View::LockedWord& l : rig.state.workspace.view(n).locked) words.push_back(l.word);
      EXPECT_EQ(words, c.words);
    }
    const View& v = rig.state.workspace.view(6);
    EXPECT_NE(v.LockedWhy(13), nullptr) << "byte 13 is the device ID's high byte";
    EXPECT_EQ(v.LockedWhy(14), nullptr) << "the configuration word is edited";
    EXPECT_EQ(*v.LockedWhy(12), "0x" + Hex(rig.state.chip.ConfigBase + 6, 4) +
                                    " is the device ID, the chip's own: it is never written");
    EXPECT_TRUE(rig.state.workspace.view(1).locked.empty());
  }
}

}  // namespace
}  // namespace fw
