#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chips/catalogue.h"
#include "images/images.h"
#include "log/operator_dialogs.h"

namespace fw {


// One hexadecimal view: the text the operator sees and edits, held here as
// bytes (the character column shows bytes 0x1F-0xFF; the GUI draws them in
// the Windows-1252 code page). Lines are separated by CR LF and positions
// count both characters, so that a program line is 74 positions and a data
// line 82. Edits never change the text's length or line layout.
class View {
 public:
  enum class Type { kWord, kByte };

  explicit View(Type type = Type::kWord) : type_(type) {}

  Type type() const { return type_; }
  // Line length with its separator: 74 (words) or 82 (bytes).
  std::uint32_t LineLength() const { return type_ == Type::kWord ? 74 : 82; }
  std::uint32_t HexEnd() const { return type_ == Type::kWord ? 49 : 57; }
  std::uint32_t CharStart() const { return type_ == Type::kWord ? 56 : 64; }
  std::uint32_t LineEnd() const { return type_ == Type::kWord ? 72 : 80; }
  std::uint32_t Lines() const;

  const std::string& text() const { return text_; }

  // The number of bytes the view shows; chip selection sets it.
  std::uint32_t ViewSize = 0;
  // Word address of the first line (ConfigBase for configuration views).
  std::uint32_t AddressBase = 0;
  // Caret position in the text (an empty selection).
  std::uint32_t caret = 0;
  // A word view of 12-bit words (the baseline parts): three digits each, the
  // column of the fourth left blank and never typed into.
  bool narrow = false;

  // Words of a word view (counted from its first) that hold the chip's own
  // values and are never written: the device ID, the calibration words. The
  // keys leave them as they are, saying why.
  struct LockedWord {
    std::uint32_t word;
    std::string why;
  };
  std::vector<LockedWord> locked;
  // Why byte `i` of the view may not be edited; nullptr when it may.
  const std::string* LockedWhy(std::uint32_t i) const;

  // Replaces `count` characters at `pos` (never past the text's end).
  void Replace(std::uint32_t pos, const char* chars, std::uint32_t count);
  void SetText(std::string text);

  // For the display: a counter that changes whenever the whole text was
  // replaced, and the range of positions changed by edits since the last
  // TakeChanges. The GUI refreshes only what changed.
  std::uint64_t generation() const { return generation_; }
  bool TakeChanges(std::uint32_t* begin, std::uint32_t* end);

 private:
  Type type_;
  std::string text_;
  std::uint64_t generation_ = 0;
  std::uint32_t dirty_begin_ = UINT32_MAX;
  std::uint32_t dirty_end_ = 0;
};

// The ID word box: four hex digits and a caret from 0 to 4.
struct IdWordBox {
  std::string text = "3FFF";
  std::uint32_t caret = 0;
};

// The character shown for a byte: bytes below 0x1F show as 0x1F.
inline char CharOfByte(std::uint8_t v) { return static_cast<char>(v < 0x1F ? 0x1F : v); }

// The six views of the two pages, the ID word box and the captions that
// follow the selected chip. View numbers: 1 and 2 program, 3 and 4 data,
// 6 and 7 configuration (odd numbers Page1, even Page2 except 6/7);
// 0 stands for the ID word box.
class Workspace {
 public:
  Workspace(const ChipRecord& chip, Images& images, OperatorDialogs& dialogs);

  View& view(int n) { return views_.at(static_cast<std::size_t>(n)); }
  const View& view(int n) const { return views_.at(static_cast<std::size_t>(n)); }
  static bool IsView(int n) { return n == 1 || n == 2 || n == 3 || n == 4 || n == 6 || n == 7; }

  IdWordBox id_box;                                       // Edit2
  std::string chip_name = "None";                         // Edit1
  std::string map_caption = "Configuration Memory Map: ?";  // Label10
  int active_page = 0;  // 0 = Page1, 1 = Page2

  // The views of the active page.
  int ProgramView() const { return active_page == 0 ? 1 : 2; }
  int DataView() const { return active_page == 0 ? 3 : 4; }
  int ConfigView() const { return active_page == 0 ? 6 : 7; }

  // Bytes of an image kind for the selected chip; 0 for any other kind.
  std::uint32_t LengthOf(int kind) const;

  // Sizes the six views for the selected chip and renders them blank.
  void SizeViewsForChip();
  // Refills view n with blank lines for its ViewSize.
  void RenderView(int n);
  // Writes image `kind` into view n, or ChipIdWord into the ID box for n = 0.
  void ShowImage(int n, int kind);
  // Parses view n back into image `kind`; nothing while no chip is selected.
  void TakeImage(int n, int kind);

  // Position of byte i's hex pair and of its character in view n.
  std::uint32_t HexPosition(const View& v, std::uint32_t i) const;
  std::uint32_t CharPosition(const View& v, std::uint32_t i) const;

 private:
  std::vector<std::uint8_t>* ImageOf(int kind);

  const ChipRecord& chip_;
  Images& images_;
  OperatorDialogs& dialogs_;
  std::array<View, 8> views_;
};

}  // namespace fw
