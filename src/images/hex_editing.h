#pragma once

#include <cstdint>
#include <string>

#include "images/views.h"

namespace fw {

// Windows virtual-key codes the editing rules name.
namespace vk {
inline constexpr std::uint16_t kBackspace = 0x08;
inline constexpr std::uint16_t kDelete = 0x2E;
inline constexpr std::uint16_t kLeft = 0x25;
inline constexpr std::uint16_t kDown = 0x28;
inline constexpr std::uint16_t kNumpad0 = 0x60;
inline constexpr std::uint16_t kNumpad9 = 0x69;
inline constexpr std::uint16_t kTab = 0x09;
inline constexpr std::uint16_t kPageUp = 0x21;
inline constexpr std::uint16_t kEnd = 0x23;
inline constexpr std::uint16_t kHome = 0x24;
}  // namespace vk

// The modifier keys held with a key.
namespace modifier {
inline constexpr unsigned kShift = 1;
inline constexpr unsigned kControl = 2;
inline constexpr unsigned kAlt = 4;
// `key` is the code of a character the keyboard typed (a combination with
// AltGr: "~" on the French keyboard's "2" key), not a virtual-key code.
inline constexpr unsigned kCharacter = 8;
}  // namespace modifier

// A key-down in a memory view, in overwrite mode and in place: the text never
// grows or shrinks. `key` is the key's virtual-key code; on return it is 0
// when the key was handled, and unchanged for the keys the widget then
// handles itself (the return value is true exactly then): the arrows, Page
// Up and Page Down, Tab and Shift+Tab outside a character column (to the
// next control), and every key with Ctrl or Alt held, which is a shortcut
// and never types. Home and End go to the line's first and last digit (or
// character), with Ctrl to the first and last line. A modifier key alone
// does nothing, so that Shift+digit and Shift+letter type once; a hex digit
// typed at the blank between two bytes or words goes to the next digit. The
// caret is the view's own `caret`.
//
// `said`, when given, gets why the key did not put in what it names (a
// first digit above 3 written as 3, a locked word), empty otherwise: the
// window shows it, so that nothing is refused or changed without a word.
bool ViewKeyDown(View& view, std::uint16_t& key, unsigned modifiers = 0, std::string* said = nullptr);

// A key-down in the ID word box, by the same conventions.
bool IdWordKeyDown(IdWordBox& box, std::uint16_t& key, unsigned modifiers = 0, std::string* said = nullptr);

}  // namespace fw
