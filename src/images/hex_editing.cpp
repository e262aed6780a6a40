#include "images/hex_editing.h"

#include <optional>

#include "log/hex.h"

namespace fw {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Page Up, Page Down and the arrows: the widget moves the caret as any
// editor does. Home and End are this view's: they go to the digits, where
// typing goes on.
bool MovesCaret(std::uint16_t k) { return k >= vk::kPageUp && k <= vk::kDown && k != vk::kHome && k != vk::kEnd; }

// Shift, Ctrl, Alt, Caps Lock, the Windows and menu keys, Num Lock, Scroll
// Lock and their left and right forms: they only change what another key
// does.
bool IsModifierKey(std::uint16_t k) {
  return (k >= 0x10 && k <= 0x12) || k == 0x14 || (k >= 0x5B && k <= 0x5D) || k == 0x90 || k == 0x91 ||
         (k >= 0xA0 && k <= 0xA5);
}

// Whether the key is the widget's (true) or nothing at all (key cleared).
std::optional<bool> NotTyped(std::uint16_t& key, unsigned modifiers) {
  // A character typed with AltGr (Ctrl+Alt on Windows) is typed, not a
  // shortcut.
  if ((modifiers & modifier::kCharacter) != 0) return std::nullopt;
  const bool home_end = key == vk::kHome || key == vk::kEnd;
  if (MovesCaret(key) || (!home_end && (modifiers & (modifier::kControl | modifier::kAlt)) != 0)) return true;
  if (home_end && (modifiers & (modifier::kShift | modifier::kAlt)) != 0) return true;  // a selection: the widget's
  if (IsModifierKey(key)) {
    key = 0;
    return false;
  }
  return std::nullopt;
}

// The keypad's digits enter hex digits like the main keyboard's, and store
// the same character in a character column.
std::uint16_t Normalise(std::uint16_t k) {
  if (k >= vk::kNumpad0 && k <= vk::kNumpad9) return static_cast<std::uint16_t>('0' + (k - vk::kNumpad0));
  return k;
}

int HexDigitOfKey(std::uint16_t k) {
  if (k >= '0' && k <= '9') return k - '0';
  if (k >= 'A' && k <= 'F') return k - 'A' + 10;
  return -1;
}

// A typed character names a digit in either case.
int HexDigitOfCharacter(std::uint16_t c) {
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return HexDigitOfKey(c);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

// The geometry of one view type and the byte a column belongs to.
struct Geometry {
  const View& v;
  bool words() const { return v.type() == View::Type::kWord; }
  std::uint32_t hex_last() const { return words() ? 48 : 56; }
  bool InHex(std::uint32_t c) const { return c >= 10 && c <= hex_last(); }
  bool InMiddle(std::uint32_t c) const { return c > hex_last() && c < v.CharStart(); }
  bool InChars(std::uint32_t c) const { return c >= v.CharStart() && c < v.LineEnd(); }
  bool IsDigit(std::uint32_t c) const {
    // A 12-bit word's blank first column is no digit: typing passes it.
    if (words() && v.narrow && (c - 10) % 5 == 0) return false;
    return words() ? (c - 10) % 5 != 4 : (c - 10) % 3 != 2;
  }
  // Byte of the line (0-15) that the hex digit at column c belongs to.
  std::uint32_t ByteOfDigit(std::uint32_t c) const {
    if (!words()) return (c - 10) / 3;
    const std::uint32_t k = (c - 10) / 5, d = (c - 10) % 5;
    return d < 2 ? 2 * k + 1 : 2 * k;
  }
  std::uint32_t PairOf(std::uint32_t j) const {
    if (!words()) return 10 + 3 * j;
    return (j & 1) ? 10 + 5 * (j / 2) : 12 + 5 * (j / 2);
  }
  bool HighByte(std::uint32_t j) const { return words() && (j & 1); }
  char BlankDigit(std::uint32_t c) const {
    if (words() && (c - 10) % 5 == 0) return v.narrow ? ' ' : '3';
    return 'F';
  }
  std::uint8_t BlankByte(std::uint32_t j) const { return HighByte(j) ? (v.narrow ? 0x0F : 0x3F) : 0xFF; }
  // The largest high byte a word takes.
  std::uint8_t HighestHighByte() const { return v.narrow ? 0x0F : 0x3F; }
};

class Editor {
 public:
  Editor(View& view, bool character, std::string* said) : v_(view), g_{view}, character_(character), said_(said) {
    const std::uint32_t L = v_.LineLength();
    line_ = v_.caret / L;
    column_ = v_.caret % L;
    // LastLine from the view's size, unsigned as the rule has it, but never
    // past the lines the text really has.
    last_line_ = (v_.ViewSize - 1) >> 4;
    if (v_.Lines() > 0 && last_line_ > v_.Lines() - 1) last_line_ = v_.Lines() - 1;
  }

  void Caret(std::uint32_t line, std::uint32_t column) {
    const std::uint64_t pos = std::uint64_t{line} * v_.LineLength() + column;
    v_.caret = static_cast<std::uint32_t>(std::min<std::uint64_t>(pos, v_.text().size()));
  }
  std::uint32_t Next() const { return line_ >= last_line_ ? 0 : line_ + 1; }
  std::uint32_t Previous() const { return line_ == 0 ? last_line_ : line_ - 1; }
  std::uint32_t Pos(std::uint32_t column) const { return line_ * v_.LineLength() + column; }

  // Rewrites the character of byte j of the line from its hex pair.
  void RefreshChar(std::uint32_t j) {
    const std::string& t = v_.text();
    const std::uint32_t pair = Pos(g_.PairOf(j));
    const auto b = static_cast<std::uint8_t>((HexValue(t[pair]) << 4) | HexValue(t[pair + 1]));
    const char ch = CharOfByte(b);
    v_.Replace(Pos(v_.CharStart() + j), &ch, 1);
  }
  void WriteByte(std::uint32_t j, std::uint8_t b) {
    const char ch = CharOfByte(b);
    v_.Replace(Pos(v_.CharStart() + j), &ch, 1);
    const bool blank_digit = v_.narrow && g_.HighByte(j) && (b >> 4) == 0;
    const char pair[2] = {blank_digit ? ' ' : kHexDigits[b >> 4], kHexDigits[b & 0xF]};
    v_.Replace(Pos(g_.PairOf(j)), pair, 2);
  }

  // Whether byte j of the line may be written; says why not.
  bool Writable(std::uint32_t j) {
    const std::string* why = v_.LockedWhy(line_ * 16 + j);
    if (why != nullptr) Say(*why);
    return why == nullptr;
  }
  void Say(const std::string& text) {
    if (said_ != nullptr) *said_ = text;
  }
  // "a program word", "a configuration word": what the 14-bit limit is of.
  std::string WordKind() const { return v_.AddressBase == 0 ? "a program word" : "a configuration word"; }

  void Home(bool document) {
    const std::uint32_t line = document ? 0 : line_;
    Caret(line, !document && g_.InChars(column_) ? v_.CharStart() : 10);
  }
  void End(bool document) {
    const std::uint32_t line = document ? last_line_ : line_;
    Caret(line, !document && g_.InChars(column_) ? v_.LineEnd() : v_.HexEnd());
  }
  bool InCharacters() const { return g_.InChars(column_); }

  void Backspace() {
    if (column_ <= 10) {
      Caret(Previous(), v_.HexEnd());
      return;
    }
    const std::uint32_t b = column_ - 1;
    if ((g_.InHex(b) && g_.IsDigit(b) && !Writable(g_.ByteOfDigit(b))) ||
        (g_.InChars(b) && !Writable(b - v_.CharStart()))) {
      Caret(line_, b);
      return;
    }
    if (g_.InHex(b)) {
      if (g_.IsDigit(b)) {
        const char blank = g_.BlankDigit(b);
        v_.Replace(Pos(b), &blank, 1);
        RefreshChar(g_.ByteOfDigit(b));
      }
      Caret(line_, b);
    } else if (g_.InMiddle(b)) {
      Caret(Previous(), v_.LineEnd());
    } else if (g_.InChars(b)) {
      const std::uint32_t j = b - v_.CharStart();
      WriteByte(j, g_.BlankByte(j));
      Caret(line_, b);
    } else {
      Caret(line_, b);
    }
  }

  void Key(std::uint16_t k) {
    const std::uint32_t c = column_;
    if (c >= v_.LineEnd()) {
      Caret(Next(), v_.CharStart());
    } else if (g_.InChars(c)) {
      const std::uint32_t j = c - v_.CharStart();
      std::uint32_t value = k;
      if (value < 0x1F) value = 0x1F;
      if (value > 0xFF) {
        Say("that character has no single byte: nothing was written");
      } else if (Writable(j)) {
        if (g_.HighByte(j) && value > g_.HighestHighByte()) {
          const std::uint8_t top = g_.HighestHighByte();
          Say(WordKind() + " holds " + (v_.narrow ? "12" : "14") + " bits: its high byte is at most " + Hex(top, 2) +
              ", so " + Hex(value, 2) + " was written as " + Hex(top, 2));
          value = top;
        }
        WriteByte(j, static_cast<std::uint8_t>(value));
      }
      Caret(line_, c + 1);
    } else if (g_.InMiddle(c)) {
      Caret(Next(), 10);
    } else if (c <= 9) {
      Caret(line_, 10);
    } else {
      const int digit = character_ ? HexDigitOfCharacter(k) : HexDigitOfKey(k);
      // A digit at the blank between two bytes goes to the next one's first
      // digit: typing runs from digit to digit across the blanks.
      const std::uint32_t at = digit >= 0 && !g_.IsDigit(c) && g_.InHex(c + 1) ? c + 1 : c;
      if (digit >= 0 && g_.IsDigit(at) && Writable(g_.ByteOfDigit(at))) {
        char ch = kHexDigits[digit];
        if (g_.words() && (at - 10) % 5 == 0 && digit > 3) {
          ch = '3';
          Say(WordKind() + " holds 14 bits: its first digit is at most 3, so " + kHexDigits[digit] +
              " was written as 3");
        }
        v_.Replace(Pos(at), &ch, 1);
        RefreshChar(g_.ByteOfDigit(at));
      }
      Caret(line_, at + 1);
    }
  }

  std::uint16_t DeleteKey() const {
    if (g_.InHex(column_)) return static_cast<std::uint16_t>(g_.BlankDigit(column_));
    if (g_.InChars(column_)) return g_.BlankByte(column_ - v_.CharStart());
    return vk::kDelete;
  }

 private:
  View& v_;
  Geometry g_;
  bool character_;
  std::string* said_;
  std::uint32_t line_ = 0, column_ = 0, last_line_ = 0;
};

}  // namespace

bool ViewKeyDown(View& view, std::uint16_t& key, unsigned modifiers, std::string* said) {
  if (said != nullptr) said->clear();
  if (const std::optional<bool> other = NotTyped(key, modifiers)) return *other;
  const bool character = (modifiers & modifier::kCharacter) != 0;
  const std::uint16_t k = character ? key : Normalise(key);
  // An empty view (a chip without EEPROM, or no chip yet) has nothing to edit.
  if (view.text().empty()) {
    key = 0;
    return false;
  }
  Editor editor(view, character, said);
  // Tab leaves the view for the next control, except in a character column,
  // where it is a key like any other.
  if (!character && k == vk::kTab && !editor.InCharacters()) return true;
  key = 0;
  if (!character && (k == vk::kHome || k == vk::kEnd)) {
    const bool document = (modifiers & modifier::kControl) != 0;
    k == vk::kHome ? editor.Home(document) : editor.End(document);
    return false;
  }
  if (character) {
    editor.Key(k);
  } else if (k == vk::kBackspace) {
    editor.Backspace();
  } else if (k == vk::kDelete) {
    editor.Key(editor.DeleteKey());
  } else {
    editor.Key(k);
  }
  return false;
}

bool IdWordKeyDown(IdWordBox& box, std::uint16_t& key, unsigned modifiers, std::string* said) {
  if (said != nullptr) said->clear();
  // Home and End are the box's own: it has no lines to go to.
  if (key == vk::kHome || key == vk::kEnd) return true;
  if (const std::optional<bool> other = NotTyped(key, modifiers)) return *other;
  const bool character = (modifiers & modifier::kCharacter) != 0;
  std::uint16_t k = character ? key : Normalise(key);
  key = 0;
  if (box.text.size() != 4) box.text = "3FFF";
  const std::uint32_t p = std::min<std::uint32_t>(box.caret, 4);
  if (k == vk::kBackspace) {
    if (p == 0) {
      box.caret = 4;
    } else {
      box.text[p - 1] = p - 1 == 0 ? '3' : 'F';
      box.caret = p - 1;
    }
    return false;
  }
  if (k == vk::kDelete) k = p == 0 ? '3' : 'F';
  if (p == 4) {
    box.caret = 0;
    return false;
  }
  const int digit = character ? HexDigitOfCharacter(k) : HexDigitOfKey(k);
  if (digit >= 0) box.text[p] = (p == 0 && digit > 3) ? '3' : kHexDigits[digit];
  if (digit > 3 && p == 0 && said != nullptr) {
    *said = std::string("an ID word holds 14 bits: its first digit is at most 3, so ") + kHexDigits[digit] +
            " was written as 3";
  }
  box.caret = p + 1;
  return false;
}

}  // namespace fw
