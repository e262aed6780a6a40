#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "images/images.h"
#include "fakes.h"
#include "images/hex_editing.h"
#include "images/views.h"

namespace fw {
namespace {

struct EditRig {
  ChipRecord chip;
  Images images;
  test::FakeDialogs dialogs;
  Workspace ws{chip, images, dialogs};

  explicit EditRig(const char* name = "PIC16F630") {
    const ChipEntry* e = FindChipByName(name);
    chip.Assign(*e, e->IdWord);
    ws.SizeViewsForChip();
  }
  View& W() { return ws.view(1); }  // a word view
  View& B() { return ws.view(3); }  // a byte view
  static void At(View& v, std::uint32_t line, std::uint32_t column) {
    v.caret = line * v.LineLength() + column;
  }
  static std::uint16_t Press(View& v, std::uint16_t key) {
    ViewKeyDown(v, key);
    return key;
  }
  static void Type(View& v, const char* keys) {
    for (const char* k = keys; *k; ++k) Press(v, static_cast<std::uint16_t>(*k));
  }
  static std::string Line(const View& v, std::uint32_t line) {
    return v.text().substr(line * v.LineLength(), v.LineEnd());
  }
  static std::uint32_t Column(const View& v) { return v.caret % v.LineLength(); }
  static std::uint32_t Row(const View& v) { return v.caret / v.LineLength(); }
};

TEST(WordView, DigitsTheFourteenBitLimitAndTheCharacters) {
  EditRig rig;
  View& v = rig.W();
  EditRig::At(v, 0, 10);
  EXPECT_EQ(EditRig::Press(v, '7'), 0);
  EXPECT_EQ(EditRig::Line(v, 0).substr(10, 4), "3FFF") << "a first digit above 3 is 3";
  EXPECT_EQ(EditRig::Column(v), 11u);
  EditRig::At(v, 0, 10);
  EditRig::Type(v, "1234");
  EXPECT_EQ(EditRig::Line(v, 0).substr(10, 4), "1234");
  EXPECT_EQ(EditRig::Line(v, 0)[56], '4') << "low byte 0x34";
  EXPECT_EQ(EditRig::Line(v, 0)[57], '\x1F') << "high byte 0x12 shows as 0x1F";
  EXPECT_EQ(EditRig::Column(v), 14u);
  EditRig::Press(v, 'A');  // at the blank between words: the next word's first digit
  EXPECT_EQ(EditRig::Line(v, 0)[14], ' ');
  EXPECT_EQ(EditRig::Line(v, 0)[15], '3') << "the 14-bit limit holds there too";
  EXPECT_EQ(EditRig::Column(v), 16u);
  EditRig::Type(v, "0G9Z");  // G and Z are no hex digits: they move the caret
  EXPECT_EQ(EditRig::Line(v, 0).substr(15, 4), "30F9");
}

TEST(WordView, CharacterColumnKeysAndLimits) {
  EditRig rig;
  View& v = rig.W();
  EditRig::At(v, 2, 57);  // high byte of word 0
  EditRig::Press(v, 'A');
  EXPECT_EQ(EditRig::Line(v, 2)[57], '?');
  EXPECT_EQ(EditRig::Line(v, 2).substr(10, 2), "3F");
  EXPECT_EQ(EditRig::Column(v), 58u);
  EditRig::Press(v, 'A');  // low byte of word 1
  EXPECT_EQ(EditRig::Line(v, 2)[58], 'A');
  EXPECT_EQ(EditRig::Line(v, 2).substr(17, 2), "41");
  for (std::uint16_t key : {0x10, 0x11, 0x09, 0x0D}) {  // Shift and Ctrl alone do nothing; Tab, Enter store 0x1F
    EditRig::Press(v, key);
  }
  EXPECT_EQ(EditRig::Line(v, 2).substr(59, 2), "\x1F\x1F");
  EXPECT_EQ(EditRig::Line(v, 2).substr(15, 9), "1F41 3F1F");
  EXPECT_EQ(EditRig::Column(v), 61u);
  EditRig::At(v, 2, 71);
  EditRig::Press(v, 0x20);
  EXPECT_EQ(EditRig::Column(v), 72u) << "typing runs to the end of the line";
  EditRig::Press(v, 'Q');
  EXPECT_EQ(EditRig::Row(v), 3u);
  EXPECT_EQ(EditRig::Column(v), 56u) << "then to the next line's character column";
}

// What the keyboard sends for an ordinary capital, a shortcut or a key
// that only modifies, as sequences with the view's text and caret after.
TEST(Keys, ModifiersShortcutsAndRunsAcrossBlanks) {
  using namespace modifier;
  struct Press {
    std::uint16_t key;
    unsigned held;
  };
  const struct {
    const char* name;
    bool words;
    std::uint32_t column;
    std::vector<Press> keys;
    std::string hex;        // the first hex digits of line 0 after
    std::uint32_t caret;    // its column after
  } cases[] = {
      {"digits run across the blanks (bytes)", false, 10, {{'1', 0}, {'2', 0}, {'3', 0}, {'4', 0}, {'5', 0}, {'6', 0}},
       "12 34 56", 18},
      {"digits run across the blanks (words)", true, 10,
       {{'1', 0}, {'2', 0}, {'3', 0}, {'4', 0}, {'1', 0}, {'2', 0}}, "1234 12FF", 17},
      {"Shift+digit as a French keyboard types it", false, 10,
       {{0x10, kShift}, {'1', kShift}, {0x10, kShift}, {'2', kShift}}, "12 FF", 12},
      {"Shift+A...F type the letter once", false, 10, {{0x10, kShift}, {'A', kShift}, {0x10, kShift}, {'B', kShift}},
       "AB FF", 12},
      {"Ctrl+C, Ctrl+A, Ctrl+V, Ctrl+Z, Ctrl+S type nothing", false, 10,
       {{0x11, kControl}, {'C', kControl}, {'A', kControl}, {'V', kControl}, {'Z', kControl}, {'S', kControl}},
       "FF FF", 10},
      {"Alt+F and AltGr combinations type nothing", false, 10,
       {{0x12, kAlt}, {'F', kAlt}, {'E', kAlt | kControl}}, "FF FF", 10},
      {"Caps Lock and the Windows key alone", true, 10, {{0x14, 0}, {0x5B, 0}, {'7', 0}}, "3FFF", 11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EditRig rig;
    View& v = c.words ? rig.W() : rig.B();
    EditRig::At(v, 0, c.column);
    for (const Press& p : c.keys) {
      std::uint16_t key = p.key;
      const bool widget = ViewKeyDown(v, key, p.held);
      // A shortcut goes on to the widget untouched; nothing else does.
      EXPECT_EQ(widget, (p.held & (kControl | kAlt)) != 0) << p.key;
    }
    EXPECT_EQ(EditRig::Line(v, 0).substr(10, c.hex.size()), c.hex);
    EXPECT_EQ(EditRig::Column(v), c.caret);
  }
  // Page Up and Page Down are the widget's, as the arrows are; in the ID
  // word box Home and End too.
  EditRig rig;
  for (const std::uint16_t key : {0x21, 0x22, 0x23, 0x24, 0x25, 0x28}) {
    std::uint16_t k = key;
    const std::string before = rig.B().text();
    if (key != vk::kHome && key != vk::kEnd) {
      EXPECT_TRUE(ViewKeyDown(rig.B(), k));
      EXPECT_EQ(k, key);
    }
    EXPECT_EQ(rig.B().text(), before);
    std::uint16_t id_key = key;
    EXPECT_TRUE(IdWordKeyDown(rig.ws.id_box, id_key));
  }
  std::uint16_t shift = 0x10;
  rig.ws.id_box.text = "3FFF";
  rig.ws.id_box.caret = 1;
  EXPECT_FALSE(IdWordKeyDown(rig.ws.id_box, shift, kShift));
  EXPECT_EQ(rig.ws.id_box.caret, 1u) << "Shift alone leaves the ID word's caret";
}

TEST(WordView, CaretSteeringAndTheWrapBetweenFirstAndLastLine) {
  EditRig rig;
  View& v = rig.W();
  const std::string before = v.text();
  EditRig::At(v, 5, 49);  // the hex end of line 5
  EditRig::Press(v, '1');
  EXPECT_EQ(EditRig::Row(v), 6u);
  EXPECT_EQ(EditRig::Column(v), 10u);
  EXPECT_EQ(v.text(), before) << "the key is not written";
  EditRig::At(v, 127, 52);  // the middle separator of LastLine
  EditRig::Press(v, '1');
  EXPECT_EQ(EditRig::Row(v), 0u);
  EXPECT_EQ(EditRig::Column(v), 10u);
  EditRig::At(v, 3, 4);  // the address zone
  EditRig::Press(v, '1');
  EXPECT_EQ(EditRig::Column(v), 10u);
  EXPECT_EQ(EditRig::Row(v), 3u);
  EditRig::At(v, 0, 10);  // Backspace on the first digit of line 0
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Row(v), 127u);
  EXPECT_EQ(EditRig::Column(v), 49u);
  EditRig::At(v, 4, 56);  // Backspace from the first character: end of the previous line
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Row(v), 3u);
  EXPECT_EQ(EditRig::Column(v), 72u);
  EXPECT_EQ(v.text(), before);
  std::uint16_t arrow = 0x27;
  EXPECT_TRUE(ViewKeyDown(v, arrow));
  EXPECT_EQ(arrow, 0x27) << "arrows are the widget's";
}

TEST(WordView, BackspaceAndDeleteWriteBlanks) {
  EditRig rig;
  View& v = rig.W();
  EditRig::At(v, 1, 10);
  EditRig::Type(v, "1234");
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Line(v, 1).substr(10, 4), "123F");
  EditRig::Press(v, vk::kBackspace);
  EditRig::Press(v, vk::kBackspace);
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Line(v, 1).substr(10, 4), "3FFF");
  EXPECT_EQ(EditRig::Line(v, 1).substr(56, 2), "\xFF?");
  EXPECT_EQ(EditRig::Column(v), 10u);
  EditRig::At(v, 1, 15);  // Backspace over the blank between words
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Column(v), 14u);

  EditRig::At(v, 1, 10);
  EditRig::Type(v, "0000");
  EditRig::At(v, 1, 10);
  EditRig::Press(v, vk::kDelete);
  EXPECT_EQ(EditRig::Line(v, 1).substr(10, 4), "3000");
  EXPECT_EQ(EditRig::Column(v), 11u);
  EditRig::Press(v, vk::kDelete);
  EXPECT_EQ(EditRig::Line(v, 1).substr(10, 4), "3F00");

  EditRig::At(v, 1, 56);  // characters: both bytes of word 0
  EditRig::Type(v, "AB");
  EXPECT_EQ(EditRig::Line(v, 1).substr(10, 4), "3F41") << "B above 0x3F in the high byte";
  EditRig::At(v, 1, 56);
  EditRig::Press(v, vk::kDelete);
  EditRig::Press(v, vk::kDelete);
  EXPECT_EQ(EditRig::Line(v, 1).substr(10, 4), "3FFF");
  EditRig::At(v, 1, 58);
  EditRig::Type(v, "xy");
  EditRig::Press(v, vk::kBackspace);
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Line(v, 1).substr(15, 4), "3FFF");
  EXPECT_EQ(EditRig::Line(v, 1).substr(58, 2), "\xFF?");
}

TEST(ByteView, DigitsLettersAndCharacters) {
  EditRig rig;
  View& v = rig.B();
  EditRig::At(v, 0, 10);
  EditRig::Type(v, "F0");
  EXPECT_EQ(EditRig::Line(v, 0).substr(10, 2), "F0");
  EXPECT_EQ(EditRig::Line(v, 0)[64], '\xF0');
  EditRig::At(v, 0, 13);
  EditRig::Type(v, "GZ");
  EXPECT_EQ(EditRig::Line(v, 0).substr(13, 2), "FF");
  EXPECT_EQ(EditRig::Column(v), 15u);
  EditRig::At(v, 1, 70);
  EditRig::Press(v, 'Z');
  EXPECT_EQ(EditRig::Line(v, 1)[70], 'Z');
  EXPECT_EQ(EditRig::Line(v, 1).substr(28, 2), "5A") << "no 0x3F limit in a byte view";
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Line(v, 1).substr(28, 2), "FF");
  EditRig::At(v, 7, 57);  // hex end of LastLine
  EditRig::Press(v, '5');
  EXPECT_EQ(EditRig::Row(v), 0u);
  EXPECT_EQ(EditRig::Column(v), 10u);
  EditRig::At(v, 2, 80);
  EditRig::Press(v, '5');
  EXPECT_EQ(EditRig::Row(v), 3u);
  EXPECT_EQ(EditRig::Column(v), 64u);
  EditRig::At(v, 0, 10);
  EditRig::Press(v, vk::kBackspace);
  EXPECT_EQ(EditRig::Row(v), 7u);
  EXPECT_EQ(EditRig::Column(v), 57u);
}

TEST(ByteView, KeypadDigitsTypeLikeTheMainKeyboard) {
  EditRig rig;
  View& v = rig.B();
  EditRig::At(v, 0, 10);
  EditRig::Press(v, 0x61);  // keypad 1
  EditRig::Press(v, 0x69);  // keypad 9
  EXPECT_EQ(EditRig::Line(v, 0).substr(10, 2), "19");
  EditRig::At(v, 0, 65);
  EditRig::Press(v, 0x67);
  EXPECT_EQ(EditRig::Line(v, 0)[65], '7');
}

TEST(EmptyView, NoKeyChangesAnything) {
  EditRig rig("PIC16F720");
  View& v = rig.B();
  for (std::uint16_t key : std::vector<std::uint16_t>{'1', 'A', vk::kBackspace, vk::kDelete, 0x20}) {
    std::uint16_t k = key;
    EXPECT_FALSE(ViewKeyDown(v, k));
    EXPECT_EQ(k, 0);
  }
  EXPECT_TRUE(v.text().empty());
  EXPECT_EQ(v.caret, 0u);
}

TEST(IdWordBox, EditingRules) {
  IdWordBox box{"10C0", 0};
  std::uint16_t k = '9';
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.text, "30C0");
  EXPECT_EQ(box.caret, 1u);
  EXPECT_EQ(k, 0);
  k = 'a' - 32;  // A
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.text, "3AC0");
  box.caret = 4;
  k = '5';
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.caret, 0u);
  EXPECT_EQ(box.text, "3AC0");
  k = vk::kBackspace;
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.caret, 4u);
  EXPECT_EQ(box.text, "3AC0");
  k = vk::kBackspace;
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.text, "3ACF");
  box.caret = 1;
  k = vk::kBackspace;
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.text, "3ACF");
  EXPECT_EQ(box.caret, 0u);
  box.text = "0000";
  k = vk::kDelete;
  IdWordKeyDown(box, k);
  k = vk::kDelete;
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.text, "3F00");
  k = 'X';
  IdWordKeyDown(box, k);
  EXPECT_EQ(box.caret, 3u) << "any other key only moves";
  k = 0x26;
  EXPECT_TRUE(IdWordKeyDown(box, k));
}

// Random keys anywhere in any view keep the layout and the two columns of
// every byte consistent.
TEST(EditingProperty, RandomKeysKeepEveryViewConsistent) {
  std::mt19937 random(2026);
  const std::vector<std::uint16_t> keys = {'0', '3', '7', '9', 'A', 'C', 'F', 'G', 'Z', 0x08, 0x2E,
                                           0x20, 0x0D, 0x10, 0x60, 0x65, 0x70, 0xBA, 0xDE, 0x09};
  for (const char* name : {"PIC16F630", "PIC16F887", "PIC16F1847"}) {
    EditRig rig(name);
    for (int n : {1, 3, 6}) {
      View& v = rig.ws.view(n);
      const std::string original = v.text();
      for (int step = 0; step < 4000; ++step) {
        if (step % 50 == 0) v.caret = random() % (v.text().size() + 1);
        std::uint16_t key = keys[random() % keys.size()];
        ViewKeyDown(v, key);
        ASSERT_LE(v.caret, v.text().size());
      }
      ASSERT_EQ(v.text().size(), original.size());
      const bool words = v.type() == View::Type::kWord;
      const std::uint32_t L = v.LineLength();
      for (std::uint32_t line = 0; line < v.Lines(); ++line) {
        const std::string now = v.text().substr(line * L, v.LineEnd());
        const std::string was = original.substr(line * L, v.LineEnd());
        ASSERT_EQ(now.substr(0, 10), was.substr(0, 10)) << "address untouched";
        ASSERT_EQ(now.substr(v.HexEnd(), 7), "   |   ");
        if (line + 1 < v.Lines()) {
          ASSERT_EQ(v.text().substr(line * L + v.LineEnd(), 2), "\r\n");
        }
        for (std::uint32_t j = 0; j < 16; ++j) {
          const std::uint32_t pair = rig.ws.HexPosition(v, line * 16 + j) - line * L;
          const std::string hex = now.substr(pair, 2);
          ASSERT_TRUE(std::isxdigit(static_cast<unsigned char>(hex[0])) &&
                      std::isxdigit(static_cast<unsigned char>(hex[1])))
              << hex;
          const auto byte = static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16));
          ASSERT_EQ(now[v.CharStart() + j], CharOfByte(byte)) << name << " line " << line << " byte " << j;
          if (words && (j & 1)) {
            ASSERT_LE(byte, 0x3F) << "14-bit words";
          }
        }
        for (std::uint32_t c = 10; c < v.HexEnd(); ++c) {
          const bool blank = words ? (c - 10) % 5 == 4 : (c - 10) % 3 == 2;
          if (blank) {
            ASSERT_EQ(now[c], ' ');
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// What a key does where the view holds the chip's own words, where the
// 14-bit limit changes a digit, and with the keys that move the caret: the
// text after, the caret after, and what the operator is told.
TEST(Keys, LockedWordsTheLimitAltGrHomeEndAndTab) {
  struct Case {
    const char* name;
    std::uint32_t line, column;
    std::uint16_t key;
    unsigned held;
    std::uint32_t at, length;  // the part of line 0 (or `line`) compared
    std::string text;          // what it holds after
    std::uint32_t caret_line, caret_column;
    std::string said;          // the start of what is said; empty: nothing
    bool widget = false;       // the key goes on to the widget
  };
  const std::string locked = "0x2006 is the device ID";
  constexpr std::uint32_t kLast = UINT32_MAX;  // the view's last line
  const Case cases[] = {  // the configuration view of a PIC16F684
      {"a digit on the device ID", 0, 40, '1', 0, 40, 4, "3FFF", 0, 41, locked},
      {"its character", 0, 68, 'A', 0, 68, 1, "\xFF", 0, 69, locked},
      {"Backspace over it", 0, 41, vk::kBackspace, 0, 40, 4, "3FFF", 0, 40, locked},
      {"Delete on it", 0, 41, vk::kDelete, 0, 40, 4, "3FFF", 0, 42, locked},
      {"a digit beside it", 0, 45, '2', 0, 45, 4, "2FFF", 0, 46, ""},
      {"A as a first digit", 0, 45, 'A', 0, 45, 4, "3FFF", 0, 46, "a configuration word holds 14 bits: its first digit is at most 3, so A was written as 3"},
      {"A at a high byte's character", 0, 71, 'A', 0, 71, 1, "?", 0, 72, "a configuration word holds 14 bits: its high byte is at most 3F, so 41 was written as 3F"},
      {"AltGr+2 (~) on a digit", 0, 10, '~', modifier::kCharacter, 10, 4, "3FFF", 0, 11, ""},
      {"AltGr+b on a digit", 0, 11, 'b', modifier::kCharacter, 10, 4, "3BFF", 0, 12, ""},
      {"AltGr+2 (~) in the characters", 0, 56, '~', modifier::kCharacter, 56, 1, "~", 0, 57, ""},
      {"AltGr+0 (@) is no digit", 0, 11, '@', modifier::kCharacter | modifier::kControl | modifier::kAlt, 10, 4, "3FFF", 0, 12, ""},
      {"Home in the digits", 1, 30, vk::kHome, 0, 10, 4, "3FFF", 1, 10, ""},
      {"Home in the characters", 1, 62, vk::kHome, 0, 10, 4, "3FFF", 1, 56, ""},
      {"End in the digits", 1, 12, vk::kEnd, 0, 10, 4, "3FFF", 1, 49, ""},
      {"End in the characters", 1, 60, vk::kEnd, 0, 10, 4, "3FFF", 1, 72, ""},
      {"Ctrl+Home", 1, 30, vk::kHome, modifier::kControl, 10, 4, "3FFF", 0, 10, ""},
      {"Ctrl+End", 0, 30, vk::kEnd, modifier::kControl, 10, 4, "3FFF", kLast, 49, ""},
      {"Tab in the digits leaves", 0, 12, vk::kTab, 0, 10, 4, "3FFF", 0, 12, "", true},
      {"Shift+Tab too", 0, 12, vk::kTab, modifier::kShift, 10, 4, "3FFF", 0, 12, "", true},
      {"Tab in the characters is a key", 0, 56, vk::kTab, 0, 56, 1, "\x1F", 0, 57, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EditRig rig("PIC16F684");
    View& v = rig.ws.view(6);
    v.locked = {{6, "0x2006 is the device ID, the chip's own: it is never written"}};
    EditRig::At(v, c.line, c.column);
    std::uint16_t key = c.key;
    std::string said = "left over";
    EXPECT_EQ(ViewKeyDown(v, key, c.held, &said), c.widget);
    EXPECT_EQ(key, c.widget ? c.key : 0);
    EXPECT_EQ(EditRig::Line(v, c.line).substr(c.at, c.length), c.text);
    EXPECT_EQ(EditRig::Row(v), c.caret_line == kLast ? v.Lines() - 1 : c.caret_line);
    EXPECT_EQ(EditRig::Column(v), c.caret_column);
    EXPECT_EQ(said.substr(0, c.said.size()), c.said);
    if (c.said.empty()) {
      EXPECT_EQ(said, "");
    }
  }
  // The ID word box says so too; Home and End are its widget's.
  EditRig rig;
  std::uint16_t key = 'C';
  std::string said;
  rig.ws.id_box.caret = 0;
  IdWordKeyDown(rig.ws.id_box, key, 0, &said);
  EXPECT_EQ(rig.ws.id_box.text, "3FFF");
  EXPECT_EQ(said, "an ID word holds 14 bits: its first digit is at most 3, so C was written as 3");
}

}  // namespace
}  // namespace fw
