// web_engine.h - internal records shared by the files of the page's engine (not installed).
//
// web_window.cpp: the loop, the canvas, input and the clock; web_audio.cpp: sound effects over
// Web Audio; web_page.cpp: what the engine asks of the page around it (title, message overlay,
// load signals); keymap_web.cpp: DOM key codes to virtual keys; gamepad_web.cpp: gamepads;
// canvas_size_web.cpp: the drawing buffer's size. Drawing is enginelib/gl.
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

// canvas_size_web.cpp: the drawing buffer's size, bounded, and lowered while frames are slow.
constexpr double kMaxPixelsPerLogical = 1.5;  // the 800 x 600 screen is never drawn larger than 1200 x 900
struct BufferSize {
    int w = 0, h = 0;
};
struct DrawScale {                       // dynamic resolution's state
    double limit = kMaxPixelsPerLogical; // buffer pixels per logical pixel at most, now
    double window_start_ms = -1;         // start of the frame-counting window (-1: none)
    int window_frames = 0;               // frames presented in it
    bool warmed_up = false;              // the first window (the start) has been passed over
    double last_fps = 0;                 // frames a second of the last whole window
};
// The buffer for a canvas of css_w x css_h CSS pixels at device pixel ratio `ratio`: the CSS size
// times the ratio, made smaller so that the letterboxed 4:3 screen has at most `limit` buffer
// pixels per logical pixel; never made larger than the CSS size times the ratio (an empty canvas counts as 1 x 1 CSS pixel).
BufferSize canvas_buffer_size(double css_w, double css_h, double ratio, double limit);
// Buffer pixels per logical pixel of the letterboxed screen in a buffer of that size.
double buffer_pixels_per_logical(int buffer_w, int buffer_h);
// Called once per presented frame. Frames are counted in windows of 2 s while the page is active
// (an inactive page restarts the window); the first window is not judged. A window under 45
// frames a second, with the screen drawn at more than 1 buffer pixel per logical pixel
// (current_per_logical), lowers `limit` to 0.75 of the current scale, never under 1. True when the
// limit was lowered (the buffer is then resized).
bool draw_scale_frame(DrawScale &s, double now_ms, bool active, double current_per_logical);
// The canvas changed size: the window being counted is dropped (a resize costs frames).
void draw_scale_restart_window(DrawScale &s);

// web_audio.cpp
void web_audio_unlock();           // after a user's gesture: the page's audio may start
void web_audio_pause(bool paused); // hidden or unfocused page: sound stops, and goes on after

// web_page.cpp
void web_set_title(const char *utf8);
void web_show_message(const char *caption_utf8, const char *text_utf8);  // overlay, readable
void web_page_ready();  // the main menu's pictures are loaded: the loading note goes
void web_page_ended();  // the game quit: the page says so and offers the main menu again
void web_page_no_webgl2();  // the browser gives no WebGL 2 context: the page says so

}  // namespace web_engine
