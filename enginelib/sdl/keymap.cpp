// keymap.cpp - SDL keycodes and scancodes to Windows virtual-key codes.
//
// Letters and digits follow the key's label in the current layout when SDL gives a Latin
// keycode, and its position (scancode) otherwise, so a Cyrillic layout still yields 'A'..'Z'.
#include "keymap.h"

namespace sdl_engine {

VkCodes vk_from_sdl(SDL_Keycode key, SDL_Scancode sc) {
    VkCodes out;
    if (key >= SDLK_a && key <= SDLK_z) { out.first = 'A' + int(key - SDLK_a); return out; }
    if (key >= SDLK_0 && key <= SDLK_9) { out.first = '0' + int(key - SDLK_0); return out; }
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) { out.first = 'A' + int(sc - SDL_SCANCODE_A); return out; }
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) { out.first = '1' + int(sc - SDL_SCANCODE_1); return out; }
    if (sc == SDL_SCANCODE_0) { out.first = '0'; return out; }
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) { out.first = 112 + int(sc - SDL_SCANCODE_F1); return out; }
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) { out.first = 97 + int(sc - SDL_SCANCODE_KP_1); return out; }
    switch (sc) {
    case SDL_SCANCODE_BACKSPACE: out.first = 8; break;
    case SDL_SCANCODE_TAB: out.first = 9; break;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: out.first = 13; break;
    case SDL_SCANCODE_LSHIFT: out = {16, 160}; break;
    case SDL_SCANCODE_RSHIFT: out = {16, 161}; break;
    case SDL_SCANCODE_LCTRL: out = {17, 162}; break;
    case SDL_SCANCODE_RCTRL: out = {17, 163}; break;
    case SDL_SCANCODE_LALT: out = {18, 164}; break;
    case SDL_SCANCODE_RALT: out = {18, 165}; break;
    case SDL_SCANCODE_PAUSE: out.first = 19; break;
    case SDL_SCANCODE_CAPSLOCK: out.first = 20; break;
    case SDL_SCANCODE_ESCAPE: out.first = 27; break;
    case SDL_SCANCODE_SPACE: out.first = 32; break;
    case SDL_SCANCODE_PAGEUP: out.first = 33; break;
    case SDL_SCANCODE_PAGEDOWN: out.first = 34; break;
    case SDL_SCANCODE_END: out.first = 35; break;
    case SDL_SCANCODE_HOME: out.first = 36; break;
    case SDL_SCANCODE_LEFT: out.first = 37; break;
    case SDL_SCANCODE_UP: out.first = 38; break;
    case SDL_SCANCODE_RIGHT: out.first = 39; break;
    case SDL_SCANCODE_DOWN: out.first = 40; break;
    case SDL_SCANCODE_PRINTSCREEN: out.first = 44; break;
    case SDL_SCANCODE_INSERT: out.first = 45; break;
    case SDL_SCANCODE_DELETE: out.first = 46; break;
    case SDL_SCANCODE_LGUI: out.first = 91; break;
    case SDL_SCANCODE_RGUI: out.first = 92; break;
    case SDL_SCANCODE_APPLICATION: out.first = 93; break;
    case SDL_SCANCODE_KP_0: out.first = 96; break;
    case SDL_SCANCODE_KP_MULTIPLY: out.first = 106; break;
    case SDL_SCANCODE_KP_PLUS: out.first = 107; break;
    case SDL_SCANCODE_KP_MINUS: out.first = 109; break;
    case SDL_SCANCODE_KP_PERIOD: out.first = 110; break;
    case SDL_SCANCODE_KP_DIVIDE: out.first = 111; break;
    case SDL_SCANCODE_NUMLOCKCLEAR: out.first = 144; break;
    case SDL_SCANCODE_SCROLLLOCK: out.first = 145; break;
    case SDL_SCANCODE_SEMICOLON: out.first = 186; break;
    case SDL_SCANCODE_EQUALS: out.first = 187; break;
    case SDL_SCANCODE_COMMA: out.first = 188; break;
    case SDL_SCANCODE_MINUS: out.first = 189; break;
    case SDL_SCANCODE_PERIOD: out.first = 190; break;
    case SDL_SCANCODE_SLASH: out.first = 191; break;
    case SDL_SCANCODE_GRAVE: out.first = 192; break;
    case SDL_SCANCODE_LEFTBRACKET: out.first = 219; break;
    case SDL_SCANCODE_BACKSLASH: out.first = 220; break;
    case SDL_SCANCODE_RIGHTBRACKET: out.first = 221; break;
    case SDL_SCANCODE_APOSTROPHE: out.first = 222; break;
    default: break;
    }
    return out;
}

}  // namespace sdl_engine
