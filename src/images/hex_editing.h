#pragma once

#include <cstdint>

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
}  // namespace vk

// A key-down in a memory view, in overwrite mode and in place: the text never
// grows or shrinks. `key` is the key's virtual-key code; on return it is 0
// when the key was handled, and unchanged for the arrow keys, which the
// widget then handles itself (the return value is true exactly then).
// The caret is the view's own `caret`.
bool ViewKeyDown(View& view, std::uint16_t& key);

// A key-down in the ID word box, by the same conventions.
bool IdWordKeyDown(IdWordBox& box, std::uint16_t& key);

}  // namespace fw
