// common_state.cpp - the engine state both engine libraries share: registered procedures, timers,
// input, the options record and cameras. Contracts are in engine_common.h; this file holds no
// clock and no window: every time comes in as an argument.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "cp1251.h"
#include "engine_common.h"

namespace ec {

namespace {

constexpr int32_t kDefaultWidth = 800;   // logical screen, pixels
constexpr int32_t kDefaultHeight = 600;
constexpr int32_t kDefaultBpp = 32;

// Registered procedures and the timers: they live from registration to common_reset.
struct Schedule {
    OE_Proc procs[PROC_COUNT] = {};
    std::unique_ptr<OE_Timer> timers[kTimerCapacity];
    int timer_count = 0;
    bool paused = false;
    double paused_at = 0;
};

// Cameras and the options record: made on request, live until common_reset.
struct Records {
    OE_Options options{};
    std::unique_ptr<OE_Camera> cameras[kCameraCapacity];
    int camera_count = 0;
    OE_Camera *current = nullptr;
    char int_text[16] = {};  // U_IntToStr's answer, valid until its next call
};

Schedule g_schedule;
Records g_records;
InputState g_input;

void reset_options() {
    g_records.options = OE_Options{};
    g_records.options.width = kDefaultWidth;
    g_records.options.height = kDefaultHeight;
    g_records.options.bpp = kDefaultBpp;
}

void reset_input() {
    std::memset(g_input.key_down, 0, sizeof g_input.key_down);
    std::memset(g_input.key_latched, 0, sizeof g_input.key_latched);
    std::memset(g_input.key_tapped, 0, sizeof g_input.key_tapped);
    for (double &t : g_input.key_latched_at) t = 0;
    g_input.timers_ran = false;
    g_input.mouse_x = g_input.mouse_y = 0;
    g_input.mouse_delta_x = g_input.mouse_delta_y = 0;
    for (int b = 0; b < kMouseButtons; ++b) {
        g_input.button_down[b] = g_input.button_press[b] = g_input.button_click[b] = 0;
        g_input.button_dblclick[b] = g_input.button_pending[b] = 0;
        g_input.button_tapped[b] = 0;
        g_input.button_tapped_at[b] = 0;
        g_input.last_click_at[b] = -1;
        g_input.last_click_x[b] = g_input.last_click_y[b] = 0;
    }
    g_input.reading_text = false;
    g_input.typed.clear();
    g_input.text_result.clear();
}

struct Initialiser {
    Initialiser() {
        reset_options();
        reset_input();
    }
} g_initialiser;

bool key_ok(int32_t vk) { return vk >= 0 && vk < kKeyCount; }
bool button_ok(int32_t b) { return b >= 0 && b < kMouseButtons; }

}  // namespace

void common_reset() {
    for (auto &p : g_schedule.procs) p = nullptr;
    for (auto &t : g_schedule.timers) t.reset();
    g_schedule.timer_count = 0;
    g_schedule.paused = false;
    g_schedule.paused_at = 0;
    for (auto &c : g_records.cameras) c.reset();
    g_records.camera_count = 0;
    g_records.current = nullptr;
    reset_options();
    reset_input();
    font_warnings_reset();
    image_set_side_limit(0);
}

// ==== Procedures ================================================================================

bool procedure_register(int32_t id, OE_Proc proc) {
    if (id < 0 || id >= PROC_COUNT) return false;
    g_schedule.procs[id] = proc;
    return true;
}

OE_Proc procedure(int32_t id) {
    return (id >= 0 && id < PROC_COUNT) ? g_schedule.procs[id] : nullptr;
}

void procedure_run(int32_t id) {
    if (OE_Proc p = procedure(id)) p();
}

// ==== Timers ====================================================================================

OE_Timer *timer_create(OE_Proc proc, int32_t interval_ms, int32_t flags, double now) {
    if (g_schedule.timer_count >= kTimerCapacity) return nullptr;
    auto t = std::make_unique<OE_Timer>();
    t->proc = proc;
    t->time_stamp = now;
    t->interval = interval_ms;
    t->flags = flags;
    OE_Timer *raw = t.get();
    g_schedule.timers[g_schedule.timer_count++] = std::move(t);
    return raw;
}

int timer_count() { return g_schedule.timer_count; }

OE_Timer *timer_at(int index) {
    return (index >= 0 && index < g_schedule.timer_count) ? g_schedule.timers[index].get() : nullptr;
}

int timer_index(const OE_Timer *timer) {
    for (int i = 0; i < g_schedule.timer_count; ++i)
        if (g_schedule.timers[i].get() == timer) return i;
    return -1;
}

int timers_run_due(double now, TimerHook after_each) {
    if (g_schedule.paused) return 0;
    int total = 0;
    // The count is read each round: a timer created by a procedure joins in the same pass.
    for (int i = 0; i < g_schedule.timer_count; ++i) {
        OE_Timer *t = g_schedule.timers[i].get();
        if (t->interval < 1) {
            t->time_stamp = now;
            if (t->proc) t->proc();
            if (after_each) after_each(t);
            ++total;
            continue;
        }
        int runs = 0;
        while (now - t->time_stamp >= t->interval && runs < kTimerMaxRunsPerPass) {
            // Advance first: the procedure may store a new stamp of its own.
            t->time_stamp += t->interval;
            ++runs;
            if (t->proc) t->proc();
            if (after_each) after_each(t);
        }
        if (runs == kTimerMaxRunsPerPass && now - t->time_stamp >= t->interval)
            t->time_stamp = now;  // a stall: skip the rest instead of replaying it
        total += runs;
    }
    if (total > 0) g_input.timers_ran = true;  // the taps of this pass have been seen
    return total;
}

void timers_restart(double now) {
    for (int i = 0; i < g_schedule.timer_count; ++i) g_schedule.timers[i]->time_stamp = now;
}

void timers_pause(double now) {
    if (g_schedule.paused) return;
    g_schedule.paused = true;
    g_schedule.paused_at = now;
}

void timers_resume(double now) {
    if (!g_schedule.paused) return;
    g_schedule.paused = false;
    const double gap = now - g_schedule.paused_at;
    if (gap > 0)
        for (int i = 0; i < g_schedule.timer_count; ++i) g_schedule.timers[i]->time_stamp += gap;
}

bool timers_paused() { return g_schedule.paused; }

// ==== Input =====================================================================================

const InputState &input() { return g_input; }

const char *int_text(int32_t value) { return int_to_str(value, g_records.int_text); }

void input_key_down(int32_t vk, double now) {
    if (!key_ok(vk)) return;
    if (!g_input.key_down[vk]) {
        g_input.key_latched[vk] = 1;
        g_input.key_tapped[vk] = 1;
        g_input.key_latched_at[vk] = now;
    }
    g_input.key_down[vk] = 1;
}

void input_key_up(int32_t vk) {
    if (key_ok(vk)) g_input.key_down[vk] = 0;
}

void input_mouse_move(int32_t x, int32_t y) {
    g_input.mouse_delta_x += x - g_input.mouse_x;
    g_input.mouse_delta_y += y - g_input.mouse_y;
    g_input.mouse_x = x;
    g_input.mouse_y = y;
}

void input_mouse_button(int32_t button, bool down, double now) {
    if (!button_ok(button)) return;
    const int b = button;
    if (down) {
        if (!g_input.button_down[b]) {
            g_input.button_press[b] = 1;
            g_input.button_tapped[b] = 1;
            g_input.button_tapped_at[b] = now;
        }
        g_input.button_down[b] = 1;
        g_input.button_pending[b] = 1;
        return;
    }
    g_input.button_down[b] = 0;
    if (!g_input.button_pending[b]) return;  // an up without its down is no click
    g_input.button_pending[b] = 0;
    g_input.button_click[b] = 1;
    const bool near = std::abs(g_input.mouse_x - g_input.last_click_x[b]) <= kDoubleClickDistance &&
                      std::abs(g_input.mouse_y - g_input.last_click_y[b]) <= kDoubleClickDistance;
    if (g_input.last_click_at[b] >= 0 && now - g_input.last_click_at[b] <= kDoubleClickMs && near) {
        g_input.button_dblclick[b] = 1;
        g_input.last_click_at[b] = -1;  // a third click starts a new pair
    } else {
        g_input.last_click_at[b] = now;
        g_input.last_click_x[b] = g_input.mouse_x;
        g_input.last_click_y[b] = g_input.mouse_y;
    }
}

void input_text_utf8(const char *utf8) {
    if (!utf8 || !g_input.reading_text) return;
    const std::string bytes = cp1251::from_utf8(utf8);
    const std::size_t room = kTypedTextCapacity - std::min(kTypedTextCapacity, g_input.typed.size());
    g_input.typed.append(bytes, 0, std::min(room, bytes.size()));
}

void input_release_all() {
    std::memset(g_input.key_down, 0, sizeof g_input.key_down);
    std::memset(g_input.key_tapped, 0, sizeof g_input.key_tapped);
    for (int b = 0; b < kMouseButtons; ++b) {
        g_input.button_down[b] = 0;
        g_input.button_pending[b] = 0;
        g_input.button_tapped[b] = 0;
    }
}

void input_end_pass(double now) {
    // Taps and unread presses wait for a tick: they go only after a pass in which a timer ran,
    // so a slow pass without a tick (a long frame) never loses them. Without running timers
    // (none made, or paused) their age alone decides.
    const bool seen = g_input.timers_ran;
    const bool ticking = !g_schedule.paused && g_schedule.timer_count > 0;
    const bool may_drop = seen || !ticking;
    g_input.timers_ran = false;
    for (int b = 0; b < kMouseButtons; ++b) {
        g_input.button_press[b] = g_input.button_click[b] = g_input.button_dblclick[b] = 0;
        const bool old = now - g_input.button_tapped_at[b] >= kKeyPressKeepMs;
        if (seen || (old && may_drop)) g_input.button_tapped[b] = 0;
    }
    g_input.mouse_delta_x = g_input.mouse_delta_y = 0;
    for (int k = 0; k < kKeyCount; ++k) {
        const bool old = now - g_input.key_latched_at[k] >= kKeyPressKeepMs;
        if (g_input.key_latched[k] && old && may_drop) g_input.key_latched[k] = 0;
        if (seen || (old && may_drop)) g_input.key_tapped[k] = 0;
    }
}

uint8_t input_key_held(int32_t vk) {
    return key_ok(vk) && (g_input.key_down[vk] || g_input.key_tapped[vk]) ? 1 : 0;
}

uint8_t input_key_take_press(int32_t vk) {
    if (!key_ok(vk) || !g_input.key_latched[vk]) return 0;
    g_input.key_latched[vk] = 0;
    return 1;
}

uint8_t input_mouse_held(int32_t b) {
    return button_ok(b) && (g_input.button_down[b] || g_input.button_tapped[b]) ? 1 : 0;
}
uint8_t input_mouse_pressed(int32_t b) { return button_ok(b) ? g_input.button_press[b] : 0; }
uint8_t input_mouse_clicked(int32_t b) { return button_ok(b) ? g_input.button_click[b] : 0; }
uint8_t input_mouse_double_clicked(int32_t b) { return button_ok(b) ? g_input.button_dblclick[b] : 0; }

void input_begin_text(const char *initial_1251) {
    g_input.reading_text = true;
    g_input.typed.assign(initial_1251 ? initial_1251 : "");
    if (g_input.typed.size() > kTypedTextCapacity) g_input.typed.resize(kTypedTextCapacity);
}

const char *input_end_text() {
    g_input.reading_text = false;
    g_input.text_result = g_input.typed;
    g_input.typed.clear();
    return g_input.text_result.c_str();
}

// ==== Options ===================================================================================

void options_set(int32_t width, int32_t height, int32_t bpp, int32_t refresh, int32_t fullscreen,
                 int32_t vsync) {
    OE_Options &o = g_records.options;
    o.fullscreen = fullscreen ? 1 : 0;
    o.width = width;
    o.height = height;
    o.refresh = refresh;
    o.vsync = vsync;
    o.bpp = bpp;
}

OE_Options *options() { return &g_records.options; }

// ==== Camera ====================================================================================

OE_Camera *camera_create() {
    if (g_records.camera_count >= kCameraCapacity) return nullptr;
    auto c = std::make_unique<OE_Camera>();
    c->x = 0;
    c->y = 0;
    c->camera_on = 0;
    OE_Camera *raw = c.get();
    g_records.cameras[g_records.camera_count++] = std::move(c);
    return raw;
}

int camera_index(const OE_Camera *camera) {
    for (int i = 0; i < g_records.camera_count; ++i)
        if (g_records.cameras[i].get() == camera) return i;
    return -1;
}

void camera_set(OE_Camera *camera) { g_records.current = camera; }

OE_Camera *camera_current() { return g_records.current; }

void camera_to_screen(float &x, float &y) {
    const OE_Camera *c = g_records.current;
    if (c && c->camera_on == 1) {
        x -= c->x;
        y -= c->y;
    }
}

}  // namespace ec
