#include <gtest/gtest.h>

#include <random>

#include "images/images.h"
#include "fakes.h"
#include "images/views.h"

namespace fw {
namespace {

struct ViewRig {
  ChipRecord chip;
  Images images;
  test::FakeDialogs dialogs;
  Workspace ws{chip, images, dialogs};

  explicit ViewRig(const char* name) {
    const ChipEntry* e = FindChipByName(name);
    chip.Assign(*e, e->IdWord);
    ws.SizeViewsForChip();
  }
  std::string Line(int n, std::uint32_t line) const {
    const View& v = ws.view(n);
    return v.text().substr(line * v.LineLength(), v.LineEnd());
  }
};

TEST(RenderView, LinesAddressesAndTheBlankTemplates) {
  ViewRig rig("PIC16F630");  // 1024 program words
  const View& program = rig.ws.view(1);
  EXPECT_EQ(program.Lines(), 128u);
  EXPECT_EQ(program.text().size(), 128u * 74 - 2) << "no separator after the last line";
  std::string blank = "00000000: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF   |   ";
  for (int k = 0; k < 8; ++k) blank += "\xFF?";
  EXPECT_EQ(rig.Line(1, 0), blank);
  EXPECT_EQ(rig.Line(1, 127).substr(0, 10), "000003F8: ");
  EXPECT_EQ(program.text().substr(72, 2), "\r\n");
  EXPECT_EQ(program.caret, program.text().size());

  EXPECT_EQ(rig.ws.view(3).Lines(), 8u);
  EXPECT_EQ(rig.Line(3, 1), "00000010: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF   |   " +
                                std::string(16, '\xFF'));
  EXPECT_EQ(rig.ws.view(3).text().size(), 8u * 82 - 2);
  EXPECT_EQ(rig.ws.view(6).Lines(), 4u);
  EXPECT_EQ(rig.Line(6, 3).substr(0, 10), "00002018: ");

  ViewRig enhanced("PIC16F1847");
  EXPECT_EQ(enhanced.Line(6, 0).substr(0, 10), "00008000: ");
  EXPECT_EQ(enhanced.ws.view(1).Lines(), 1024u);

  ViewRig none("PIC16F720");
  EXPECT_TRUE(none.ws.view(3).text().empty());
  EXPECT_EQ(none.ws.view(3).Lines(), 0u);
}

TEST(ShowImage, HexDigitsAndTheCharacterColumn) {
  ViewRig rig("PIC16F630");
  ClearImage(rig.images, rig.chip, kProgramImage);
  SetWordAt(rig.images.ProgramImage, 0, 0x2806);
  SetWordAt(rig.images.ProgramImage, 1, 0x1F80);
  SetWordAt(rig.images.ProgramImage, 1023, 0x00FF);
  rig.ws.ShowImage(1, kProgramImage);
  const std::string line = rig.Line(1, 0);
  EXPECT_EQ(line.substr(10, 9), "2806 1F80");
  EXPECT_EQ(line[56], '\x1F') << "byte 0x06 shows as 0x1F";
  EXPECT_EQ(line[57], '\x28');
  EXPECT_EQ(line[58], '\x80');
  EXPECT_EQ(line[59], '\x1F') << "0x1F shows as itself";
  EXPECT_EQ(rig.Line(1, 127).substr(45, 4), "00FF");
  EXPECT_EQ(rig.Line(1, 127)[70], '\xFF');
  EXPECT_EQ(rig.Line(1, 127)[71], '\x1F');
  EXPECT_EQ(rig.ws.view(1).caret, 10u);
  EXPECT_NE(rig.Line(2, 0).substr(10, 4), "2806") << "only the view named";
  // Progress every 1024 bytes, and the pages hidden while it runs.
  EXPECT_EQ(rig.dialogs.positions, (std::vector<int>{0, 50}));
  EXPECT_EQ(rig.dialogs.pages_visible, (std::vector<bool>{false, true}));
  EXPECT_EQ(rig.dialogs.opened, 1);
  EXPECT_EQ(rig.dialogs.closed, 1);

  rig.images.DataImage[17] = 0x41;
  rig.ws.ShowImage(4, kDataImage);
  EXPECT_EQ(rig.Line(4, 1).substr(13, 2), "41");
  EXPECT_EQ(rig.Line(4, 1)[65], 'A');

  rig.chip.ChipIdWord = 0x10C3;
  rig.ws.ShowImage(0, 0);
  EXPECT_EQ(rig.ws.id_box.text, "10C3");
}

TEST(ShowImage, AChipWithoutEepromCopiesNothing) {
  ViewRig rig("PIC16F720");
  rig.images.DataImage[0] = 0x12;
  rig.ws.ShowImage(3, kDataImage);
  EXPECT_TRUE(rig.ws.view(3).text().empty());
  rig.ws.TakeImage(3, kDataImage);
  EXPECT_EQ(rig.images.DataImage[0], 0x12);
}

TEST(ShowImage, AViewNotRenderedForTheChipIsNeverWrittenPast) {
  ViewRig rig("PIC16F630");
  rig.chip.ProgramSize = 4096;  // a larger chip than the views were rendered for
  rig.ws.ShowImage(1, kProgramImage);
  EXPECT_EQ(rig.ws.view(1).text().size(), 128u * 74 - 2);
}

TEST(TakeImage, ParsesUpperAndLowerCaseAndNeedsAChip) {
  ViewRig rig("PIC16F630");
  View& v = rig.ws.view(1);
  v.Replace(10, "2aBc", 4);
  rig.ws.TakeImage(1, kProgramImage);
  EXPECT_EQ(WordAt(rig.images.ProgramImage, 0), 0x2ABC);
  EXPECT_EQ(v.caret, 10u);
  v.Replace(10, "1111", 4);
  rig.chip.ChipIdWord = 0;
  rig.ws.TakeImage(1, kProgramImage);
  EXPECT_EQ(WordAt(rig.images.ProgramImage, 0), 0x2ABC) << "no chip selected: image unchanged";
}

TEST(ImageRoundTrip, TakeOfShowGivesBackEveryWordAndByte) {
  std::mt19937 random(7);
  for (const char* name : {"PIC16F630", "PIC16F887", "PIC16F1847", "PIC12F1501"}) {
    ViewRig rig(name);
    for (std::uint32_t i = 0; i < rig.chip.ProgramSize / 2; ++i) {
      SetWordAt(rig.images.ProgramImage, i, static_cast<std::uint16_t>(random() & 0x3FFF));
    }
    for (std::uint32_t i = 0; i < rig.chip.ConfigSize / 2; ++i) {
      SetWordAt(rig.images.ConfigImage, i, static_cast<std::uint16_t>(random() & 0x3FFF));
    }
    for (std::uint32_t i = 0; i < rig.chip.DataSize; ++i) {
      rig.images.DataImage[i] = static_cast<std::uint8_t>(random());
    }
    const Images original = rig.images;
    rig.ws.ShowImage(2, kProgramImage);
    rig.ws.ShowImage(7, kConfigImage);
    rig.ws.ShowImage(4, kDataImage);
    rig.images = Images{};
    rig.ws.TakeImage(2, kProgramImage);
    rig.ws.TakeImage(7, kConfigImage);
    rig.ws.TakeImage(4, kDataImage);
    for (std::uint32_t i = 0; i < rig.chip.ProgramSize; ++i) {
      ASSERT_EQ(rig.images.ProgramImage[i], original.ProgramImage[i]) << name << " byte " << i;
    }
    for (std::uint32_t i = 0; i < rig.chip.ConfigSize; ++i) {
      ASSERT_EQ(rig.images.ConfigImage[i], original.ConfigImage[i]) << name;
    }
    for (std::uint32_t i = 0; i < rig.chip.DataSize; ++i) {
      ASSERT_EQ(rig.images.DataImage[i], original.DataImage[i]) << name;
    }
  }
}

}  // namespace
}  // namespace fw
