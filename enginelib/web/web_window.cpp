// web_window.cpp - the page's engine: the main loop handed to the browser, the canvas and its
// WebGL 2 context, keyboard / mouse / focus / gamepad / full-screen input from emscripten/html5.h,
// the clock and the message box overlay; the touch controls' keys (the page's own buttons, page.js).
//
// In: the game's registrations and options, the page's DOM events. Out: the loop of OE_Init
// (splash, load, then once per animation frame: events already delivered, due timers, frame
// procedure), input answers through enginelib/common, the letterboxed canvas.
// Drawing is enginelib/gl (the same code as the SDL engine's); sound effects are web_audio.cpp.
// Does not: take screenshots (F12 belongs to the browser), block, or use threads.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#define ENGINE_API_DECLARE_EXPORTS
#include "cp1251.h"
#include "engine_api.h"
#include "engine_common.h"
#include "gl_api.h"
#include "gl_engine.h"
#include "renderer.h"
#include "web_engine.h"

namespace web_engine {
namespace {

using namespace gl_engine;

constexpr const char *kCanvas = "#canvas";     // the page's one canvas (index.html)
constexpr int kVkReturn = 13, kVkSpace = 32, kVkEscape = 27;
constexpr int kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40;

// The run of OE_Init.
struct Run {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    bool running = false;
    bool quit = false;
    bool hidden = false, unfocused = false;
    bool fullscreen_pending = false;   // full screen wanted: asked for at the next click, Enter or Space
    int drawable_w = 0, drawable_h = 0;                            // canvas pixels (0: not set yet)
    double css_w = kLogicalWidth, css_h = kLogicalHeight;          // canvas size in CSS pixels
    DrawScale scale;                   // the buffer's ceiling, lowered while frames are slow
    int frames_presented = 0;
    uint8_t keyboard_down[ec::kKeyCount] = {};
    uint8_t pad_down[ec::kKeyCount] = {};
    uint8_t touch_down[ec::kKeyCount] = {};   // the page's touch buttons
    PadStick sticks[kPadCapacity];     // the arrows each pad's stick held
};
Run g_run;

// ---- Input sources --------------------------------------------------------------------------

void set_key_source(uint8_t *source, int vk, bool down) {
    if (vk <= 0 || vk >= ec::kKeyCount) return;
    auto held = [vk] { return g_run.keyboard_down[vk] || g_run.pad_down[vk] || g_run.touch_down[vk]; };
    const bool before = held();
    source[vk] = down ? 1 : 0;
    const bool after = held();
    if (!before && after) ec::input_key_down(vk, now_ms());
    if (before && !after) ec::input_key_up(vk);
}

void release_all_input() {
    std::memset(g_run.keyboard_down, 0, sizeof g_run.keyboard_down);
    std::memset(g_run.pad_down, 0, sizeof g_run.pad_down);
    std::memset(g_run.touch_down, 0, sizeof g_run.touch_down);
    for (PadStick &p : g_run.sticks) p = PadStick{};
    ec::input_release_all();
}

// Hidden tab or unfocused page: timers stop; back: they resume without catching up.
void update_pause() {
    const bool inactive = g_run.hidden || g_run.unfocused;
    if (inactive && !ec::timers_paused()) ec::timers_pause(now_ms());
    if (!inactive && ec::timers_paused()) ec::timers_resume(now_ms());
    web_audio_pause(inactive);
}

// Reads the gamepads (the browser only reports them when asked) and passes changes on.
void poll_pads() {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    PadReading pads[kPadCapacity];
    const int count = std::min(emscripten_get_num_gamepads(), kPadCapacity);
    for (int i = 0; i < count; ++i) {
        EmscriptenGamepadEvent pad;
        if (emscripten_get_gamepad_status(i, &pad) != EMSCRIPTEN_RESULT_SUCCESS || !pad.connected) continue;
        PadReading &r = pads[i];
        r.connected = true;
        r.axes = std::min(pad.numAxes, 2);
        for (int a = 0; a < r.axes; ++a) r.axis[a] = pad.axis[a];
        r.buttons = std::min(pad.numButtons, kPadButtons);
        for (int b = 0; b < r.buttons; ++b) r.button[b] = pad.digitalButton[b];
    }
    const PadKeys keys = pad_keys(pads, count, g_run.sticks);
    const int arrows[4] = {kVkLeft, kVkUp, kVkRight, kVkDown};
    for (int k = 0; k < 4; ++k) set_key_source(g_run.pad_down, arrows[k], keys.arrow[k]);
    set_key_source(g_run.pad_down, kVkSpace, keys.space);
    set_key_source(g_run.pad_down, kVkEscape, keys.escape);
}

// Canvas CSS pixels -> logical pixels through the letterbox, clamped to the logical screen.
void mouse_to_logical(double cx, double cy, int &lx, int &ly) {
    int vx, vy, vw, vh;
    renderer_viewport(vx, vy, vw, vh);
    const double px = cx * g_run.drawable_w / std::max(g_run.css_w, 1.0);
    const double py = cy * g_run.drawable_h / std::max(g_run.css_h, 1.0);
    lx = std::clamp(int((px - vx) * kLogicalWidth / std::max(vw, 1)), 0, kLogicalWidth - 1);
    ly = std::clamp(int((py - vy) * kLogicalHeight / std::max(vh, 1)), 0, kLogicalHeight - 1);
}

// DOM button -> the game's: 0 (left) is 1, 2 (right) is 0, 1 (middle) is 2.
int button_number(unsigned short dom_button) {
    switch (dom_button) {
    case 0: return 1;
    case 2: return 0;
    case 1: return 2;
    default: return -1;
    }
}

// ---- Full screen ------------------------------------------------------------------------------

// The browser grants full screen only inside a player's gesture. Outside one (`in_gesture` false:
// the saved settings at the start, "Назад" from the settings, run in a later tick) the request
// waits for the next click, Enter or Space, never for any key (a Shift or an arrow would
// surprise the player).
void apply_fullscreen(bool in_gesture) {
    if (!g_run.running) return;
    EmscriptenFullscreenChangeEvent now{};
    emscripten_get_fullscreen_status(&now);
    const bool want = ec::options()->fullscreen != 0;
    g_run.fullscreen_pending = false;
    if (want && !now.isFullscreen) {
        if (!in_gesture) {
            g_run.fullscreen_pending = true;
            return;
        }
        const EMSCRIPTEN_RESULT r = emscripten_request_fullscreen(kCanvas, 1);
        if (r != EMSCRIPTEN_RESULT_SUCCESS && r != EMSCRIPTEN_RESULT_DEFERRED) {
            std::fprintf(stderr, "engine: the page refused full screen; staying in the page\n");
            OE_Options *o = ec::options();
            ec::options_set(o->width, o->height, o->bpp, o->refresh, 0, o->vsync);
        }
    } else if (!want && now.isFullscreen) {
        emscripten_exit_fullscreen();
    }
}

// Full screen left by the browser (Escape) or entered: the options record follows.
EM_BOOL on_fullscreen_change(int, const EmscriptenFullscreenChangeEvent *e, void *) {
    OE_Options *o = ec::options();
    if (bool(o->fullscreen) != bool(e->isFullscreen))
        ec::options_set(o->width, o->height, o->bpp, o->refresh, e->isFullscreen ? 1 : 0, o->vsync);
    return EM_FALSE;
}

void toggle_fullscreen() {
    OE_Options *o = ec::options();
    ec::options_set(o->width, o->height, o->bpp, o->refresh, o->fullscreen ? 0 : 1, o->vsync);
    apply_fullscreen(true);
}

// ---- DOM events -------------------------------------------------------------------------------

// Keys the browser keeps: developer tools, reload, and anything with Ctrl or Meta (tabs, copy,
// paste, closing the page). Everything else is the game's, so arrows and Space do not scroll and
// F1, F2, Backspace reach the game.
bool browser_keeps(const EmscriptenKeyboardEvent *e) {
    if (e->ctrlKey || e->metaKey) return true;
    return std::strcmp(e->code, "F12") == 0 || std::strcmp(e->code, "F5") == 0 || std::strcmp(e->code, "F11") == 0;
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent *e, void *) {
    if (browser_keeps(e)) return EM_FALSE;
    web_audio_unlock();  // a key is a user's gesture: sound may start now
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const VkCodes vk = vk_from_dom_code(e->code);
    if (down && vk.first == kVkReturn && e->altKey) {
        if (!e->repeat) toggle_fullscreen();
        return EM_TRUE;
    }
    if (down && g_run.fullscreen_pending && (vk.first == kVkReturn || vk.first == kVkSpace)) apply_fullscreen(true);
    // Typed text: the key's character (held keys repeat it, as a desktop's text input does).
    // The default action is prevented below, so no keypress event follows to carry it.
    if (down && !e->altKey) {
        const size_t n = std::strlen(e->key);
        const unsigned char c0 = static_cast<unsigned char>(e->key[0]);
        const size_t char_len = c0 < 0x80 ? 1 : c0 < 0xE0 ? 2 : c0 < 0xF0 ? 3 : 4;
        if (n > 0 && n == char_len && c0 >= 0x20) ec::input_text_utf8(e->key);  // one character, not "Enter"
    }
    if (!(down && e->repeat)) {  // a held key is one press
        set_key_source(g_run.keyboard_down, vk.first, down);
        set_key_source(g_run.keyboard_down, vk.second, down);
    }
    return EM_TRUE;
}

EM_BOOL on_mouse(int type, const EmscriptenMouseEvent *e, void *) {
    int x, y;
    mouse_to_logical(double(e->targetX), double(e->targetY), x, y);
    ec::input_mouse_move(x, y);
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) return EM_FALSE;
    web_audio_unlock();
    if (type == EMSCRIPTEN_EVENT_MOUSEDOWN && g_run.fullscreen_pending) apply_fullscreen(true);
    const int b = button_number(e->button);
    if (b >= 0) ec::input_mouse_button(b, type == EMSCRIPTEN_EVENT_MOUSEDOWN, now_ms());
    return EM_TRUE;
}

EM_BOOL on_focus(int type, const EmscriptenFocusEvent *, void *) {
    g_run.unfocused = type == EMSCRIPTEN_EVENT_BLUR;
    if (g_run.unfocused) release_all_input();
    update_pause();
    return EM_FALSE;
}

EM_BOOL on_visibility(int, const EmscriptenVisibilityChangeEvent *e, void *) {
    g_run.hidden = e->hidden;
    if (g_run.hidden) release_all_input();
    update_pause();
    return EM_FALSE;
}

void listen() {
    const char *doc = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
    emscripten_set_keydown_callback(doc, nullptr, EM_TRUE, on_key);
    emscripten_set_keyup_callback(doc, nullptr, EM_TRUE, on_key);
    emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, on_mouse);
    emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_mouse);
    emscripten_set_mousemove_callback(kCanvas, nullptr, EM_TRUE, on_mouse);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_focus);
    emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_focus);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, on_visibility);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, on_fullscreen_change);
}

// ---- Canvas, context, frames ----------------------------------------------------------------

// The canvas fills the page (index.html's style; on a phone held upright, the page's width); its
// drawing buffer follows its CSS size times the device pixel ratio, bounded and lowered while
// frames are slow (canvas_size_web.cpp), checked every frame. The browser scales the buffer to the
// canvas.
void follow_canvas_size() {
    double css_w = 0, css_h = 0;
    emscripten_get_element_css_size(kCanvas, &css_w, &css_h);
    css_w = std::max(css_w, 1.0);
    css_h = std::max(css_h, 1.0);
    if (css_w != g_run.css_w || css_h != g_run.css_h) draw_scale_restart_window(g_run.scale);
    g_run.css_w = css_w;
    g_run.css_h = css_h;
    const BufferSize b = canvas_buffer_size(css_w, css_h, emscripten_get_device_pixel_ratio(), g_run.scale.limit);
    const int w = b.w, h = b.h;
    if (w != g_run.drawable_w || h != g_run.drawable_h) {
        emscripten_set_canvas_element_size(kCanvas, w, h);
        g_run.drawable_w = w;
        g_run.drawable_h = h;
    }
    OE_Options *o = ec::options();
    o->window_width = w;
    o->window_height = h;
}

bool open_context() {
    EmscriptenWebGLContextAttributes attrs;
    emscripten_webgl_init_context_attributes(&attrs);
    attrs.majorVersion = 2;
    attrs.minorVersion = 0;
    attrs.alpha = EM_FALSE;
    attrs.depth = EM_FALSE;
    attrs.stencil = EM_FALSE;
    attrs.antialias = EM_FALSE;
    attrs.premultipliedAlpha = EM_TRUE;
    attrs.preserveDrawingBuffer = EM_FALSE;
    g_run.context = emscripten_webgl_create_context(kCanvas, &attrs);
    if (g_run.context <= 0) {
        std::fprintf(stderr, "engine: this browser gives the page no WebGL 2 context\n");
        return false;
    }
    emscripten_webgl_make_context_current(g_run.context);
    if (!gl_api_load() || !renderer_init()) return false;
    GLint max_texture = 0;
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
    ec::image_set_side_limit(max_texture);
    follow_canvas_size();
    return true;
}

void begin_frame() { renderer_begin_frame(g_run.drawable_w, g_run.drawable_h); }

// The browser shows what was drawn when the animation frame's callback returns: no swap here.
void present() {
    renderer_present();
    ++g_run.frames_presented;
    const bool active = !g_run.hidden && !g_run.unfocused;
    if (draw_scale_frame(g_run.scale, now_ms(), active, buffer_pixels_per_logical(g_run.drawable_w, g_run.drawable_h)))
        std::fprintf(stderr, "engine: %.0f frames a second; the screen is now drawn at %.2f buffer pixels per logical pixel\n",
                     g_run.scale.last_fps, g_run.scale.limit);
}

// One pass of the loop, once per animation frame of the page.
void pass() {
    if (g_run.quit) {
        emscripten_cancel_main_loop();
        ec::procedure_run(ec::PROC_EXIT);
        g_run.running = false;
        web_page_ended();
        return;
    }
    poll_pads();
    follow_canvas_size();
    ec::timers_run_due(now_ms(), nullptr);
    begin_frame();
    ec::procedure_run(ec::PROC_FRAME);
    present();
    ec::input_end_pass(now_ms());
}

}  // namespace

double now_ms() {
    static const double start = emscripten_get_now();
    return emscripten_get_now() - start;
}

}  // namespace web_engine

using namespace web_engine;

// ---- Exports: window and loop -----------------------------------------------------------------

extern "C" void OE_SetWndName(const char *caption) {
    const std::string title = caption ? cp1251::to_utf8(caption) : std::string();
    web_set_title(title.c_str());
}

extern "C" void OE_SetScreenOptions(int32_t width, int32_t height, int32_t bpp, int32_t refresh,
                                    int32_t fullscreen, int32_t vsync) {
    ec::options_set(width, height, bpp, refresh, fullscreen, vsync);
    apply_fullscreen(false);
}

extern "C" void OE_ChangeScreenOptions(int32_t width, int32_t height, int32_t bpp, int32_t refresh,
                                       int32_t fullscreen, int32_t vsync) {
    ec::options_set(width, height, bpp, refresh, fullscreen, vsync);
    apply_fullscreen(false);
}

extern "C" OE_Options *OE_GetOptions(void) { return ec::options(); }
extern "C" void OE_SetAdvancedOptions(int32_t, int32_t, int32_t) {}  // accepted; nothing to set
extern "C" void OE_Disable(int32_t) {}                                // accepted; nothing to disable
extern "C" void OE_RegProcedure(int32_t id, OE_Proc proc) { ec::procedure_register(id, proc); }

extern "C" OE_Timer *Timer_Create(OE_Proc proc, int32_t interval_ms, int32_t flags) {
    return ec::timer_create(proc, interval_ms, flags, now_ms());
}

// Splash and load run at once; then the loop belongs to the browser (one pass per animation
// frame, whatever the display's rate: timers count page time, so the logic tick keeps its rate).
// Does not return to the caller: the page keeps running after main() has gone.
extern "C" void OE_Init(int32_t, int32_t) {
    if (g_run.running) return;
    g_run.running = true;
    g_run.quit = false;
    if (!open_context()) {
        std::fprintf(stderr, "engine: cannot start; the game ends\n");
        web_page_no_webgl2();
        g_run.running = false;
        return;
    }
    // The settings say full screen: asked for at the player's first click, Enter or Space.
    apply_fullscreen(false);
    listen();
    draw_context_created();
    draw_reset_frame_state();
    begin_frame();
    ec::procedure_run(ec::PROC_SPLASH);
    present();
    ec::procedure_run(ec::PROC_LOAD);
    ec::timers_restart(now_ms());
    web_page_ready();
    emscripten_set_main_loop(pass, 0, 1);
}

extern "C" void OE_Quit(void) { g_run.quit = true; }

extern "C" void OE_MessageBox(const char *text, const char *caption, int32_t) {
    const std::string t = text ? cp1251::to_utf8(text) : std::string();
    const std::string c = caption ? cp1251::to_utf8(caption) : std::string();
    std::fprintf(stderr, "%s: %s\n", ec::quote_for_log(c).c_str(), ec::quote_for_log(t, true).c_str());
    web_show_message(c.c_str(), t.c_str());
}

// ---- Exports: input -------------------------------------------------------------------------

extern "C" uint8_t KeyEx_Down(int32_t key) { return ec::input_key_held(key); }
extern "C" uint8_t Key_Press(int32_t key) { return ec::input_key_take_press(key); }
extern "C" void Key_BeginReadText(const char *initial) { ec::input_begin_text(initial); }
extern "C" const char *Key_EndReadText(void) { return ec::input_end_text(); }
extern "C" int32_t Mouse_X(void) { return ec::input().mouse_x; }
extern "C" int32_t Mouse_Y(void) { return ec::input().mouse_y; }
extern "C" int32_t Mouse_DeltaX(void) { return ec::input().mouse_delta_x; }
extern "C" uint8_t Mouse_Down(int32_t button) { return ec::input_mouse_held(button); }
extern "C" uint8_t Mouse_Press(int32_t button) { return ec::input_mouse_pressed(button); }
extern "C" uint8_t Mouse_Click(int32_t button) { return ec::input_mouse_clicked(button); }
extern "C" uint8_t Mouse_DblClick(int32_t button) { return ec::input_mouse_double_clicked(button); }
// The game calls this when a level starts and relies on no visible effect: the cursor stays free.
extern "C" void Mouse_Lock(void) {}

extern "C" double U_GetTime(void) { return now_ms(); }

// ---- Page extras --------------------------------------------------------------------------------

// For the page's tests and figures: frames presented since OE_Init started.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t OE_FrameCount(void) { return g_run.frames_presented; }

// The page's touch buttons (page.js): a virtual key held (down 1) or let go (0), as a key of its
// own source: a finger and the keyboard holding the same key let go of it only when both have.
extern "C" EMSCRIPTEN_KEEPALIVE void OE_PageTouchKey(int32_t vk, int32_t down) {
    web_audio_unlock();  // a touch is a player's gesture
    set_key_source(g_run.touch_down, vk, down != 0);
}

// For the page's tests: whether the game sees the virtual key held (any source).
extern "C" EMSCRIPTEN_KEEPALIVE int32_t OE_PageKeyHeld(int32_t vk) { return ec::input_key_held(vk); }
