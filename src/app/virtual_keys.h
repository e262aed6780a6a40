#pragma once

#include <cstdint>
#include <optional>

class QKeyEvent;

// The Windows virtual-key code of a Qt key event: the numbering the view
// editing works in (Backspace 0x08, Delete 0x2E, arrows 0x25-0x28, digits
// 0x30-0x39, letters 0x41-0x5A, keypad digits 0x60-0x69, F1 0x70, ...).
// 0 for a key that has no such code.
std::uint16_t VirtualKeyOf(const QKeyEvent& event);

// The character a key typed with AltGr (on Windows, Ctrl+Alt with a
// character; on X11 the third level of the key), which is a character and
// not its key's digit: AltGr+"2" on a French keyboard types "~". Nothing for
// any other key.
std::optional<char32_t> AltGrCharacter(const QKeyEvent& event);
