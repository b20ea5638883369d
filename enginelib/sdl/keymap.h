// keymap.h - SDL keys -> Windows virtual-key codes, the codes the game asks about.
//
// In: an SDL key event's keycode and scancode. Out: up to two codes (the generic modifier code
// and its left/right one, e.g. VK_SHIFT 16 and VK_LSHIFT 160), 0 for keys without a code.
#pragma once

#include <SDL.h>

namespace sdl_engine {

struct VkCodes {
    int first = 0;   // 0: the key has no virtual-key code
    int second = 0;  // the side-specific code of Shift, Ctrl, Alt; 0 otherwise
};

VkCodes vk_from_sdl(SDL_Keycode key, SDL_Scancode scancode);

}  // namespace sdl_engine
