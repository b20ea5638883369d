// web_engine.h - internal records shared by the files of the page's engine (not installed).
//
// web_window.cpp: the loop, the canvas, input and the clock; web_audio.cpp: sound effects over
// Web Audio; web_page.cpp: what the engine asks of the page around it (title, message overlay,
// load signals); keymap_web.cpp: DOM key codes to virtual keys. Drawing is enginelib/gl.
#pragma once

#include <cstdint>

namespace web_engine {

// Milliseconds since the engine started (U_GetTime), page time.
double now_ms();

// The virtual-key codes of one DOM key: `first` always, `second` for keys that also have a
// left/right code (Shift 16 and 160 or 161, ...). 0 = none.
struct VkCodes {
    int first = 0;
    int second = 0;
};
// From KeyboardEvent.code ("KeyA", "ArrowLeft", "ShiftRight", ...): by the key's position, as
// the SDL engine maps scancodes, so a Cyrillic layout still gives 'A'..'Z'.
VkCodes vk_from_dom_code(const char *code);

// web_audio.cpp
void web_audio_unlock();           // after a user's gesture: the page's audio may start
void web_audio_pause(bool paused); // hidden or unfocused page: sound stops, and goes on after

// web_page.cpp
void web_set_title(const char *utf8);
void web_show_message(const char *caption_utf8, const char *text_utf8);  // overlay, readable
void web_page_ready();  // the main menu's pictures are loaded: the loading note goes
void web_page_ended();  // the game quit: the page says so

}  // namespace web_engine
