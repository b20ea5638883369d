// keymap_web_test.cpp - the page's keys give the game the same virtual-key codes as the desktop's:
// DOM KeyboardEvent.code names against the SDL engine's scancode map, key by key, and the codes
// the game's contract names.
#include <gtest/gtest.h>

#include "keymap.h"
#include "web_engine.h"

namespace {

struct SameKey {
    const char *dom;
    SDL_Scancode sdl;
};

// One physical key as the two systems name it.
const SameKey kSameKeys[] = {
    {"Backspace", SDL_SCANCODE_BACKSPACE}, {"Tab", SDL_SCANCODE_TAB}, {"Enter", SDL_SCANCODE_RETURN},
    {"NumpadEnter", SDL_SCANCODE_KP_ENTER}, {"ShiftLeft", SDL_SCANCODE_LSHIFT}, {"ShiftRight", SDL_SCANCODE_RSHIFT},
    {"ControlLeft", SDL_SCANCODE_LCTRL}, {"ControlRight", SDL_SCANCODE_RCTRL}, {"AltLeft", SDL_SCANCODE_LALT},
    {"AltRight", SDL_SCANCODE_RALT}, {"Pause", SDL_SCANCODE_PAUSE}, {"CapsLock", SDL_SCANCODE_CAPSLOCK},
    {"Escape", SDL_SCANCODE_ESCAPE}, {"Space", SDL_SCANCODE_SPACE}, {"PageUp", SDL_SCANCODE_PAGEUP},
    {"PageDown", SDL_SCANCODE_PAGEDOWN}, {"End", SDL_SCANCODE_END}, {"Home", SDL_SCANCODE_HOME},
    {"ArrowLeft", SDL_SCANCODE_LEFT}, {"ArrowUp", SDL_SCANCODE_UP}, {"ArrowRight", SDL_SCANCODE_RIGHT},
    {"ArrowDown", SDL_SCANCODE_DOWN}, {"PrintScreen", SDL_SCANCODE_PRINTSCREEN}, {"Insert", SDL_SCANCODE_INSERT},
    {"Delete", SDL_SCANCODE_DELETE}, {"MetaLeft", SDL_SCANCODE_LGUI}, {"MetaRight", SDL_SCANCODE_RGUI},
    {"ContextMenu", SDL_SCANCODE_APPLICATION}, {"Numpad0", SDL_SCANCODE_KP_0}, {"Numpad1", SDL_SCANCODE_KP_1},
    {"Numpad9", SDL_SCANCODE_KP_9}, {"NumpadMultiply", SDL_SCANCODE_KP_MULTIPLY},
    {"NumpadAdd", SDL_SCANCODE_KP_PLUS}, {"NumpadSubtract", SDL_SCANCODE_KP_MINUS},
    {"NumpadDecimal", SDL_SCANCODE_KP_PERIOD}, {"NumpadDivide", SDL_SCANCODE_KP_DIVIDE},
    {"NumLock", SDL_SCANCODE_NUMLOCKCLEAR}, {"ScrollLock", SDL_SCANCODE_SCROLLLOCK},
    {"Semicolon", SDL_SCANCODE_SEMICOLON}, {"Equal", SDL_SCANCODE_EQUALS}, {"Comma", SDL_SCANCODE_COMMA},
    {"Minus", SDL_SCANCODE_MINUS}, {"Period", SDL_SCANCODE_PERIOD}, {"Slash", SDL_SCANCODE_SLASH},
    {"Backquote", SDL_SCANCODE_GRAVE}, {"BracketLeft", SDL_SCANCODE_LEFTBRACKET},
    {"Backslash", SDL_SCANCODE_BACKSLASH}, {"BracketRight", SDL_SCANCODE_RIGHTBRACKET},
    {"Quote", SDL_SCANCODE_APOSTROPHE}, {"KeyA", SDL_SCANCODE_A}, {"KeyQ", SDL_SCANCODE_Q},
    {"KeyZ", SDL_SCANCODE_Z}, {"Digit0", SDL_SCANCODE_0}, {"Digit1", SDL_SCANCODE_1}, {"Digit9", SDL_SCANCODE_9},
    {"F1", SDL_SCANCODE_F1}, {"F2", SDL_SCANCODE_F2}, {"F10", SDL_SCANCODE_F10}, {"F12", SDL_SCANCODE_F12},
};

TEST(WebKeymap, EveryKeyGivesTheDesktopsCodes) {
    for (const SameKey &k : kSameKeys) {
        // No keycode: the SDL map goes by the key's position, as the DOM code does.
        const sdl_engine::VkCodes desktop = sdl_engine::vk_from_sdl(SDLK_UNKNOWN, k.sdl);
        const web_engine::VkCodes page = web_engine::vk_from_dom_code(k.dom);
        EXPECT_NE(page.first, 0) << k.dom;
        EXPECT_EQ(page.first, desktop.first) << k.dom;
        EXPECT_EQ(page.second, desktop.second) << k.dom;
    }
}

TEST(WebKeymap, TheContractsCodesAndTheEdgesOfEachRange) {
    using web_engine::vk_from_dom_code;
    // The codes engine_api.h names.
    EXPECT_EQ(vk_from_dom_code("Backspace").first, 8);
    EXPECT_EQ(vk_from_dom_code("Escape").first, 27);
    EXPECT_EQ(vk_from_dom_code("Space").first, 32);
    EXPECT_EQ(vk_from_dom_code("ArrowLeft").first, 37);
    EXPECT_EQ(vk_from_dom_code("ArrowDown").first, 40);
    EXPECT_EQ(vk_from_dom_code("F1").first, 112);
    EXPECT_EQ(vk_from_dom_code("F2").first, 113);
    EXPECT_EQ(vk_from_dom_code("Digit0").first, '0');
    EXPECT_EQ(vk_from_dom_code("Digit9").first, '9');
    EXPECT_EQ(vk_from_dom_code("KeyA").first, 'A');
    EXPECT_EQ(vk_from_dom_code("KeyZ").first, 'Z');
    EXPECT_EQ(vk_from_dom_code("F12").first, 123);
    // Shift, Ctrl, Alt: the generic code and the side's.
    EXPECT_EQ(vk_from_dom_code("ShiftLeft").second, 160);
    EXPECT_EQ(vk_from_dom_code("AltRight").second, 165);
    // Names next to the ranges give nothing: no code is guessed.
    for (const char *none : {"F0", "F13", "F1x", "F1/", "Key", "Keya", "KeyAB", "Digit", "Digit10", "Numpad",
                             "NumpadX", "IntlBackslash", "", "arrowleft"})
        EXPECT_EQ(vk_from_dom_code(none).first, 0) << none;
    EXPECT_EQ(vk_from_dom_code(nullptr).first, 0);
}

}  // namespace
