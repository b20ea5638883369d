// web_engine.h - internal records shared by the files of the page's engine (not installed).
//
// web_window.cpp: the loop, the canvas, input and the clock; web_audio.cpp: sound effects over
// Web Audio; web_page.cpp: what the engine asks of the page around it (title, message overlay,
// load signals); keymap_web.cpp: DOM key codes to virtual keys; gamepad_web.cpp: gamepads. Drawing is enginelib/gl.
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

// gamepad_web.cpp: gamepads ("standard" mapping) to the keys they hold.
constexpr int kPadCapacity = 4;  // gamepads read at once
constexpr int kPadButtons = 17;  // buttons of the standard mapping
struct PadReading {              // one pad as the browser reports it
    bool connected = false;
    int axes = 0;                // axes reported (the left stick is 0 across, 1 down; -1..1)
    double axis[2] = {};
    int buttons = 0;             // buttons reported
    bool button[kPadButtons] = {};
};
struct PadStick {                // the arrows a pad's stick held at the last reading
    bool held[4] = {};           // left, up, right, down
};
struct PadKeys {                 // what all pads together hold
    bool arrow[4] = {};          // left, up, right, down
    bool space = false;
    bool escape = false;
};
// `count` readings (only the first kPadCapacity count); `sticks` (kPadCapacity of them) are read
// and updated. A pad that is not connected holds nothing and its stick lets go.
PadKeys pad_keys(const PadReading *pads, int count, PadStick *sticks);

// web_audio.cpp
void web_audio_unlock();           // after a user's gesture: the page's audio may start
void web_audio_pause(bool paused); // hidden or unfocused page: sound stops, and goes on after

// web_page.cpp
void web_set_title(const char *utf8);
void web_show_message(const char *caption_utf8, const char *text_utf8);  // overlay, readable
void web_page_ready();  // the main menu's pictures are loaded: the loading note goes
void web_page_ended();  // the game quit: the page says so

}  // namespace web_engine
