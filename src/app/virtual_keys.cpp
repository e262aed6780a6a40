#include "app/virtual_keys.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <string>

namespace {

// XKB key codes (Linux evdev codes + 8, as xcb and Wayland report them) of
// the keys Windows names by their place on the keyboard: the digit row, and
// the letters of a layout whose letters are not Latin.
constexpr quint32 kDigitRow1 = 10, kDigitRow0 = 19;
constexpr struct {
  quint32 first;
  const char* letters;
} kLetterRows[] = {{24, "QWERTYUIOP"}, {38, "ASDFGHJKL"}, {52, "ZXCVBNM"}};

std::uint16_t ByPlace(quint32 scan) {
  if (scan >= kDigitRow1 && scan <= kDigitRow0) {
    return static_cast<std::uint16_t>(scan == kDigitRow0 ? 0x30 : 0x31 + (scan - kDigitRow1));
  }
  for (const auto& row : kLetterRows) {
    const std::size_t length = std::char_traits<char>::length(row.letters);
    if (scan >= row.first && scan < row.first + length) {
      return static_cast<std::uint16_t>(row.letters[scan - row.first]);
    }
  }
  return 0;
}

}  // namespace

std::uint16_t VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
  // The digit row gives its digit whatever the layout makes it type (the
  // "1" key of AZERTY types "&", Shift+8 on QWERTZ types "("); a letter key
  // gives its letter, by place where the layout's letter is not Latin.
  const std::uint16_t place = keypad ? 0 : ByPlace(event.nativeScanCode());
  if (place >= 0x30 && place <= 0x39) return place;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint16_t>(key);
  // A letter of another script (Cyrillic, Greek): Windows names the key by
  // its place. Any other key at a letter's place keeps its own name.
  if (place != 0 && key > 0xFF && key <= 0x10FFFF && QChar::isLetter(static_cast<char32_t>(key))) {
    return place;
  }
  if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) return 0x60 + (key - Qt::Key_0);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Clear: return 0x0C;
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: case Qt::Key_AltGr: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Help: return 0x2F;
    case Qt::Key_Meta: case Qt::Key_Super_L: return 0x5B;
    case Qt::Key_Super_R: return 0x5C;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal: case Qt::Key_Plus: return keypad ? 0x6B : 0xBB;
    case Qt::Key_Comma: case Qt::Key_Less: return 0xBC;
    case Qt::Key_Minus: case Qt::Key_Underscore: return keypad ? 0x6D : 0xBD;
    case Qt::Key_Period: case Qt::Key_Greater: return keypad ? 0x6E : 0xBE;
    case Qt::Key_Slash: case Qt::Key_Question: return keypad ? 0x6F : 0xBF;
    case Qt::Key_Asterisk: return keypad ? 0x6A : 0;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 0xDE;
    default: break;
  }
  return 0;
}

std::optional<char32_t> AltGrCharacter(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty()) return std::nullopt;
  const char32_t c = text.toUcs4().value(0);
  if (c < 0x20 || c == 0x7F) return std::nullopt;  // a control character: a shortcut's
  const Qt::KeyboardModifiers m = event.modifiers();
  // X11 marks the third level with the group switch, or with the Mod5 bit
  // (ISO_Level3_Shift) of the key's native state.
  constexpr quint32 kMod5 = 0x80;
  const bool x11_level3 = QGuiApplication::platformName() == "xcb" && (event.nativeModifiers() & kMod5) != 0;
  const bool windows_altgr = (m & Qt::ControlModifier) && (m & Qt::AltModifier);
  if ((m & Qt::GroupSwitchModifier) || x11_level3 || windows_altgr) return c;
  return std::nullopt;
}
