// headless.cpp - libengine_headless.so: every engine operation over a virtual clock, scripted
// input and a record of every call, for the simulator, the tests and the level tools.
//
// In: the game's calls; scripted events (HL_PushEvent) applied at the start of their frame.
// Out: the records the game reads, answers from the shared input state, the call log
// (call_log.h), recorded sound plays and message boxes. No window, no audio device, no pixels:
// textures are only measured (stbi_info), sounds only parsed.
//
// The loop (OE_Init): splash procedure once, load procedure once, every timer's stamp set to the
// clock (as the real engine does once its window is up), then per frame k = 0, 1, ...:
// the frame limit or an earlier OE_Quit ends the loop; the clock is set to k * 1000 / 60 ms; the
// events of frame k are applied (HL_QUIT, as the window's close button, ends the loop here: that
// frame does not run); "frame k" is logged; due timers run (engine_common rules); the frame
// procedure runs; the pass's input ends. Then the exit procedure runs and OE_Init returns.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#define ENGINE_API_DECLARE_EXPORTS
#include "call_log.h"
#include "cp1251.h"
#include "engine_api.h"
#include "engine_common.h"

namespace {

constexpr double kFramesPerSecond = 60.0;  // virtual frame rate; frame k starts at k * 1000 / 60 ms
constexpr int32_t kDeviceParam = 18;       // P_GetParams value that yields the device cell

// ==== Records ===================================================================================

struct HlTexture {
    OE_Texture base;          // what the game reads: device_texture (this record), width, height
    std::string path;         // as opened (forward slashes, UTF-8), quoted in the log
    int32_t frame_w = 0, frame_h = 0;
    bool freed = false;
};

struct HlFont {
    ec::FontDesc desc;
    std::string picture;      // quoted path of the glyph picture: the font's name in the log
};

struct HlSound {
    std::string path;         // quoted path, for the log
    std::string opened;       // the same unquoted: as opened (forward slashes, UTF-8)
    int32_t buffers = 1;
};

struct SoundPlay {
    std::string path;         // path as opened, unquoted
    int32_t pan = 0;
};

// Handles the game got: live until HL_Reset (freed textures stay, marked, so a stale handle is
// still named in the log instead of reading freed memory).
struct Handles {
    std::vector<std::unique_ptr<HlTexture>> textures;
    std::set<const void *> texture_set;
    std::vector<std::unique_ptr<HlFont>> fonts;
    std::set<const void *> font_set;
    std::vector<std::unique_ptr<HlSound>> sounds;
    std::set<const void *> sound_set;
};

// What happened that tests and the simulator read back.
struct Records {
    std::vector<std::string> messages;   // OE_MessageBox texts (1251)
    std::vector<SoundPlay> plays;
    std::string int_text;                // U_IntToStr result
};

// The run: clock, loop control, script, log.
struct Run {
    double now = 0;                      // virtual milliseconds
    int32_t frames_done = 0;
    int32_t frame_limit = 0;
    bool running = false;
    bool quit = false;
    std::deque<HL_Event> events;         // ordered by frame, then by push order
    hl::CallLog log;
    void (*timer_hook)(OE_Timer *) = nullptr;
};

Handles g_handles;
Records g_records;
Run g_run;

// ==== Log helpers ===============================================================================

std::string quoted_path(const char *path_1251) { return hl::quote_utf8(ec::path_native(path_1251)); }

// Lines are only built while a log is open: a run without one costs no formatting.
bool logging() { return g_run.log.active(); }
void emit(const hl::Line &line) { g_run.log.write_line(line.text()); }

// Names in the log: a handle the game never got is "unknown", a null one "null".
constexpr const char *kNull = "null", *kUnknown = "unknown";

std::string texture_name(const OE_Texture *t) {
    if (!t) return kNull;
    if (!g_handles.texture_set.count(t)) return kUnknown;
    return reinterpret_cast<const HlTexture *>(t)->path;
}

std::string font_name(const OE_Font *f) {
    if (!f) return kNull;
    if (!g_handles.font_set.count(f)) return kUnknown;
    return reinterpret_cast<const HlFont *>(f)->picture;
}

std::string sound_name(const OE_Sound *s) {
    if (!s) return kNull;
    if (!g_handles.sound_set.count(s)) return kUnknown;
    return reinterpret_cast<const HlSound *>(s)->path;
}

std::string camera_name(const OE_Camera *c) {
    if (!c) return "null";
    const int i = ec::camera_index(c);
    if (i < 0) return "unknown";
    return i == 0 ? "camera" : "camera" + std::to_string(i + 1);
}

std::string timer_name(const OE_Timer *t) {
    if (!t) return "null";
    const int i = ec::timer_index(t);
    return i < 0 ? "unknown" : "timer" + std::to_string(i + 1);
}

const char *proc_name(OE_Proc p) { return p ? "proc" : "null"; }

// ==== Device stand-in ===========================================================================
// Records its calls; draws nothing.

std::string device_texture_name(const void *device_texture) {
    return texture_name(static_cast<const OE_Texture *>(device_texture));
}

uint32_t dev_refs = 1;

uint32_t dev_add_ref(OE_Device *) {
    ++dev_refs;
    if (logging()) emit(hl::Line("Device.AddRef").result().i(dev_refs));
    return dev_refs;
}
uint32_t dev_release(OE_Device *) {
    if (dev_refs > 1) --dev_refs;  // the engine keeps its own reference
    if (logging()) emit(hl::Line("Device.Release").result().i(dev_refs));
    return dev_refs;
}
int32_t dev_set_render_state(OE_Device *, uint32_t state, uint32_t value) {
    if (logging()) emit(hl::Line("Device.SetRenderState").i(state).i(value));
    return 0;
}
int32_t dev_set_vertex_shader(OE_Device *, uint32_t format) {
    if (logging()) emit(hl::Line("Device.SetVertexShader").i(format));
    return 0;
}
int32_t dev_set_texture(OE_Device *, uint32_t stage, void *device_texture) {
    if (logging()) emit(hl::Line("Device.SetTexture").i(stage).raw(device_texture_name(device_texture)));
    return 0;
}
int32_t dev_draw_primitive_up(OE_Device *, uint32_t type, uint32_t count, const void *vertices,
                              uint32_t stride) {
    if (!logging()) return 0;
    hl::Line l("Device.DrawPrimitiveUP");
    l.i(type).i(count).i(stride);
    // Vertices of format 0x144: x y z rhw colour u v; logged as x y colour u v.
    const uint32_t per_primitive = type == OE_PRIMITIVE_TRIANGLELIST ? 3 : 0;
    if (vertices && stride >= 28)
        for (uint32_t v = 0; v < count * per_primitive; ++v) {
            const uint8_t *p = static_cast<const uint8_t *>(vertices) + std::size_t(v) * stride;
            float f[7];
            uint32_t colour;
            std::memcpy(f, p, sizeof f);
            std::memcpy(&colour, p + 16, 4);
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X", unsigned(colour));
            l.real(f[0]).real(f[1]).raw(buf).real(f[5]).real(f[6]);
        }
    emit(l);
    return 0;
}

const OE_DeviceVtbl kDeviceVtbl = {dev_add_ref, dev_release, dev_set_render_state,
                                   dev_set_vertex_shader, dev_set_texture, dev_draw_primitive_up};
OE_Device g_device = {&kDeviceVtbl};
OE_Device *g_device_cell = &g_device;

// ==== Loop ======================================================================================

void after_timer(OE_Timer *t) {
    if (g_run.timer_hook) g_run.timer_hook(t);
}

void apply_event(const HL_Event &e) {
    switch (e.type) {
        case HL_KEY_DOWN: ec::input_key_down(e.a, g_run.now); break;
        case HL_KEY_UP: ec::input_key_up(e.a); break;
        case HL_MOUSE_MOVE: ec::input_mouse_move(e.a, e.b); break;
        case HL_MOUSE_DOWN: ec::input_mouse_button(e.a, true, g_run.now); break;
        case HL_MOUSE_UP: ec::input_mouse_button(e.a, false, g_run.now); break;
        case HL_TEXT: {
            char text[sizeof e.text + 1];
            std::memcpy(text, e.text, sizeof e.text);
            text[sizeof e.text] = 0;
            ec::input_text_utf8(text);
            break;
        }
        case HL_QUIT: g_run.quit = true; break;
        default: break;
    }
}

void reset_all() {
    ec::common_reset();
    g_handles = Handles{};
    g_records = Records{};
    g_run.log.close();
    g_run.now = 0;
    g_run.frames_done = 0;
    g_run.frame_limit = 0;
    g_run.running = false;
    g_run.quit = false;
    g_run.events.clear();
    g_run.timer_hook = nullptr;
    dev_refs = 1;
}

}  // namespace

// ==== Exports: window and loop ==================================================================

extern "C" {

void OE_SetWndName(const char *caption) { if (logging()) emit(hl::Line("OE_SetWndName").str(caption)); }

void OE_SetScreenOptions(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t fullscreen,
                         int32_t vsync) {
    if (logging()) emit(hl::Line("OE_SetScreenOptions").i(w).i(h).i(bpp).i(refresh).i(fullscreen).i(vsync));
    ec::options_set(w, h, bpp, refresh, fullscreen, vsync);
}

void OE_ChangeScreenOptions(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t fullscreen,
                            int32_t vsync) {
    if (logging()) emit(hl::Line("OE_ChangeScreenOptions").i(w).i(h).i(bpp).i(refresh).i(fullscreen).i(vsync));
    ec::options_set(w, h, bpp, refresh, fullscreen, vsync);
}

OE_Options *OE_GetOptions(void) {
    if (logging()) emit(hl::Line("OE_GetOptions").result().raw("options"));
    return ec::options();
}

void OE_SetAdvancedOptions(int32_t a, int32_t b, int32_t c) {
    if (logging()) emit(hl::Line("OE_SetAdvancedOptions").i(a).i(b).i(c));
}

void OE_Disable(int32_t what) { if (logging()) emit(hl::Line("OE_Disable").i(what)); }

void OE_RegProcedure(int32_t id, OE_Proc proc) {
    if (logging()) emit(hl::Line("OE_RegProcedure").i(id).raw(proc_name(proc)));
    ec::procedure_register(id, proc);
}

OE_Timer *Timer_Create(OE_Proc proc, int32_t interval_ms, int32_t flags) {
    OE_Timer *t = ec::timer_create(proc, interval_ms, flags, g_run.now);
    if (logging()) emit(hl::Line("Timer_Create").raw(proc_name(proc)).i(interval_ms).i(flags).result().raw(timer_name(t)));
    return t;
}

void OE_Init(int32_t a, int32_t b) {
    if (logging()) emit(hl::Line("OE_Init").i(a).i(b));
    if (g_run.running) return;  // the loop is already running: nothing to start
    g_run.running = true;
    g_run.quit = false;
    ec::procedure_run(ec::PROC_SPLASH);
    ec::procedure_run(ec::PROC_LOAD);
    ec::timers_restart(g_run.now);  // as the real engine: intervals count from the loop's start
    for (int32_t k = g_run.frames_done;; ++k) {
        if (g_run.quit) break;
        if (g_run.frame_limit > 0 && k >= g_run.frame_limit) break;
        g_run.now = double(k) * 1000.0 / kFramesPerSecond;  // exact at whole seconds
        while (!g_run.events.empty() && g_run.events.front().frame <= k) {
            const HL_Event e = g_run.events.front();
            g_run.events.pop_front();
            apply_event(e);
        }
        if (g_run.quit) break;  // the close button: this frame does not run
        if (logging()) g_run.log.write_line("frame " + std::to_string(k));
        ec::timers_run_due(g_run.now, after_timer);
        ec::procedure_run(ec::PROC_FRAME);
        ec::input_end_pass(g_run.now);
        g_run.frames_done = k + 1;
    }
    ec::procedure_run(ec::PROC_EXIT);
    g_run.running = false;
}

void OE_Quit(void) {
    if (logging()) emit(hl::Line("OE_Quit"));
    g_run.quit = true;
}

void OE_MessageBox(const char *text, const char *caption, int32_t style) {
    if (logging()) emit(hl::Line("OE_MessageBox").str(text).str(caption).i(style));
    g_records.messages.emplace_back(text ? text : "");
    std::fprintf(stderr, "%s: %s\n", ec::quote_for_log(cp1251::to_utf8(caption ? caption : "")).c_str(),
                 ec::quote_for_log(cp1251::to_utf8(text ? text : ""), true).c_str());
}

// ==== Exports: input ============================================================================

uint8_t KeyEx_Down(int32_t key) {
    const uint8_t r = ec::input_key_held(key);
    if (logging()) emit(hl::Line("KeyEx_Down").i(key).result().i(r));
    return r;
}

uint8_t Key_Press(int32_t key) {
    const uint8_t r = ec::input_key_take_press(key);
    if (logging()) emit(hl::Line("Key_Press").i(key).result().i(r));
    return r;
}

void Key_BeginReadText(const char *initial) {
    if (logging()) emit(hl::Line("Key_BeginReadText").str(initial));
    ec::input_begin_text(initial);
}

const char *Key_EndReadText(void) {
    const char *r = ec::input_end_text();
    if (logging()) emit(hl::Line("Key_EndReadText").result().str(r));
    return r;
}

int32_t Mouse_X(void) {
    const int32_t r = ec::input().mouse_x;
    if (logging()) emit(hl::Line("Mouse_X").result().i(r));
    return r;
}

int32_t Mouse_Y(void) {
    const int32_t r = ec::input().mouse_y;
    if (logging()) emit(hl::Line("Mouse_Y").result().i(r));
    return r;
}

int32_t Mouse_DeltaX(void) {
    const int32_t r = ec::input().mouse_delta_x;
    if (logging()) emit(hl::Line("Mouse_DeltaX").result().i(r));
    return r;
}

uint8_t Mouse_Down(int32_t button) {
    const uint8_t r = ec::input_mouse_held(button);
    if (logging()) emit(hl::Line("Mouse_Down").i(button).result().i(r));
    return r;
}

uint8_t Mouse_Press(int32_t button) {
    const uint8_t r = ec::input_mouse_pressed(button);
    if (logging()) emit(hl::Line("Mouse_Press").i(button).result().i(r));
    return r;
}

uint8_t Mouse_Click(int32_t button) {
    const uint8_t r = ec::input_mouse_clicked(button);
    if (logging()) emit(hl::Line("Mouse_Click").i(button).result().i(r));
    return r;
}

uint8_t Mouse_DblClick(int32_t button) {
    const uint8_t r = ec::input_mouse_double_clicked(button);
    if (logging()) emit(hl::Line("Mouse_DblClick").i(button).result().i(r));
    return r;
}

void Mouse_Lock(void) { if (logging()) emit(hl::Line("Mouse_Lock")); }

// ==== Exports: textures and drawing =============================================================

OE_Texture *Tex_LoadFromFile(const char *path, int32_t transparent, int32_t flags) {
    auto t = std::make_unique<HlTexture>();
    t->path = quoted_path(path);
    int32_t w = 0, h = 0;
    ec::image_info(path, w, h);  // on failure: the checker's size and one warning
    t->base.device_texture = t.get();
    t->base.width = w;
    t->base.height = h;
    OE_Texture *raw = &t->base;
    g_handles.texture_set.insert(raw);
    g_handles.textures.push_back(std::move(t));
    if (logging()) emit(hl::Line("Tex_LoadFromFile").str(path).i(transparent).i(flags).result().raw(texture_name(raw)));
    return raw;
}

void Tex_Free(OE_Texture **texture) {
    if (!texture) {
        if (logging()) emit(hl::Line("Tex_Free").raw("null"));
        return;
    }
    if (logging()) emit(hl::Line("Tex_Free").raw(texture_name(*texture)));
    if (*texture && g_handles.texture_set.count(*texture))
        reinterpret_cast<HlTexture *>(*texture)->freed = true;
    *texture = nullptr;
}

void Tex_SetFramesSize(OE_Texture *texture, int32_t fw, int32_t fh) {
    if (logging()) emit(hl::Line("Tex_SetFramesSize").raw(texture_name(texture)).i(fw).i(fh));
    if (texture && g_handles.texture_set.count(texture)) {
        auto *t = reinterpret_cast<HlTexture *>(texture);
        t->frame_w = fw;
        t->frame_h = fh;
    }
}

void SSprite_Draw(OE_Texture *t, float x, float y, float w, float h, int32_t alpha, float angle,
                  int32_t flags) {
    if (logging()) emit(hl::Line("SSprite_Draw").raw(texture_name(t)).real(x).real(y).real(w).real(h).i(alpha)
             .real(angle).i(flags));
}

void ASprite_Draw(OE_Texture *t, float x, float y, float w, float h, int32_t frame, int32_t alpha,
                  float angle, int32_t flags) {
    if (logging()) emit(hl::Line("ASprite_Draw").raw(texture_name(t)).real(x).real(y).real(w).real(h).i(frame)
             .i(alpha).real(angle).i(flags));
}

void Pr2D_Rect(float x, float y, float w, float h, uint32_t colour, int32_t alpha, int32_t flags) {
    if (logging()) emit(hl::Line("Pr2D_Rect").real(x).real(y).real(w).real(h).colour(colour).i(alpha).i(flags));
}

void Pr2D_LineWidth(float width) { if (logging()) emit(hl::Line("Pr2D_LineWidth").real(width)); }

void FX_SetBlendMode(int32_t mode) { if (logging()) emit(hl::Line("FX_SetBlendMode").i(mode)); }

void FX_SetColorMix(uint32_t colour) { if (logging()) emit(hl::Line("FX_SetColorMix").colour(colour)); }

void FX_SetVertexes(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                    int32_t x4, int32_t y4) {
    if (logging()) emit(hl::Line("FX_SetVertexes").i(x1).i(y1).i(x2).i(y2).i(x3).i(y3).i(x4).i(y4));
}

// ==== Exports: text =============================================================================

OE_Font *Text_LoadFontFromFile(const char *picture, const char *description, int32_t transparent,
                               int32_t flags) {
    auto f = std::make_unique<HlFont>();
    f->picture = quoted_path(picture);
    int32_t w = 0, h = 0;
    ec::image_info(picture, w, h);
    ec::font_parse_file(description, f->desc);
    OE_Font *raw = reinterpret_cast<OE_Font *>(f.get());
    g_handles.font_set.insert(raw);
    g_handles.fonts.push_back(std::move(f));
    if (logging()) emit(hl::Line("Text_LoadFontFromFile").str(picture).str(description).i(transparent).i(flags)
             .result().raw(font_name(raw)));
    return raw;
}

void Text_Draw(OE_Font *font, float x, float y, const char *text, float scale, int32_t spacing,
               int32_t alpha, uint32_t colour) {
    if (logging()) emit(hl::Line("Text_Draw").raw(font_name(font)).real(x).real(y).str(text).real(scale).i(spacing)
             .i(alpha).colour(colour));
}

float Text_GetWidth(OE_Font *font, const char *text, float scale, int32_t spacing) {
    float r = 0;
    if (font && g_handles.font_set.count(font))
        r = ec::text_width(reinterpret_cast<HlFont *>(font)->desc, text, scale, spacing);
    if (logging()) emit(hl::Line("Text_GetWidth").raw(font_name(font)).str(text).real(scale).i(spacing).result().real(r));
    return r;
}

// ==== Exports: camera ===========================================================================

OE_Camera *Cam2D_Create(void) {
    OE_Camera *c = ec::camera_create();
    if (logging()) emit(hl::Line("Cam2D_Create").result().raw(camera_name(c)));
    return c;
}

void Cam2D_Set(OE_Camera *camera) {
    if (logging()) emit(hl::Line("Cam2D_Set").raw(camera_name(camera)));
    ec::camera_set(camera);
}

// ==== Exports: sound ============================================================================

void Snd_Init(void) { if (logging()) emit(hl::Line("Snd_Init")); }

OE_Sound *Snd_LoadFromFile(const char *path, int32_t buffers) {
    auto s = std::make_unique<HlSound>();
    s->opened = ec::path_native(path);
    s->path = hl::quote_utf8(s->opened);
    s->buffers = buffers;
    ec::Pcm16 pcm;
    std::string error;
    if (!ec::wav_load(path, pcm, error))
        std::fprintf(stderr, "%s; the sound stays silent\n", error.c_str());
    OE_Sound *raw = reinterpret_cast<OE_Sound *>(s.get());
    g_handles.sound_set.insert(raw);
    g_handles.sounds.push_back(std::move(s));
    if (logging()) emit(hl::Line("Snd_LoadFromFile").str(path).i(buffers).result().raw(sound_name(raw)));
    return raw;
}

void Snd_SetBuffersCount(OE_Sound *sound, int32_t buffers) {
    if (logging()) emit(hl::Line("Snd_SetBuffersCount").raw(sound_name(sound)).i(buffers));
    if (sound && g_handles.sound_set.count(sound)) reinterpret_cast<HlSound *>(sound)->buffers = buffers;
}

void Snd_Play(OE_Sound *sound, int32_t pan, int32_t a, int32_t b, int32_t flag) {
    if (logging()) emit(hl::Line("Snd_Play").raw(sound_name(sound)).i(pan).i(a).i(b).i(flag));
    const bool ours = sound && g_handles.sound_set.count(sound);
    g_records.plays.push_back({ours ? reinterpret_cast<HlSound *>(sound)->opened : "", pan});
}

void Snd_SetVolume(int32_t percent) {
    if (logging()) emit(hl::Line("Snd_SetVolume").i(percent));
}

// ==== Exports: helpers ==========================================================================

void ColEx_PolyCenter(OE_PolyLine *polyline) {
    ec::poly_center(polyline);
    if (!logging()) return;
    hl::Line l("ColEx_PolyCenter");
    l.raw(polyline ? "polyline" : "null").result();
    if (polyline) l.real(polyline->cx).real(polyline->cy);
    else l.raw("null");
    emit(l);
}

float M_Cos(int32_t degrees) {
    const float r = ec::math_cos(degrees);
    if (logging()) emit(hl::Line("M_Cos").i(degrees).result().real(r));
    return r;
}

float M_Sin(int32_t degrees) {
    const float r = ec::math_sin(degrees);
    if (logging()) emit(hl::Line("M_Sin").i(degrees).result().real(r));
    return r;
}

int32_t M_Round(float value) {
    const int32_t r = ec::math_round(value);
    if (logging()) emit(hl::Line("M_Round").real(value).result().i(r));
    return r;
}

float M_Distance(float x1, float y1, float x2, float y2) {
    const float r = ec::math_distance(x1, y1, x2, y2);
    if (logging()) emit(hl::Line("M_Distance").real(x1).real(y1).real(x2).real(y2).result().real(r));
    return r;
}

const char *U_IntToStr(int32_t value) {
    char buf[16];
    g_records.int_text = ec::int_to_str(value, buf);
    if (logging()) emit(hl::Line("U_IntToStr").i(value).result().str(g_records.int_text.c_str()));
    return g_records.int_text.c_str();
}

double U_GetTime(void) {
    if (logging()) emit(hl::Line("U_GetTime").result().real(g_run.now));
    return g_run.now;
}

void *P_GetParams(int32_t what) {
    void *r = what == kDeviceParam ? static_cast<void *>(&g_device_cell) : nullptr;
    if (logging()) emit(hl::Line("P_GetParams").i(what).result().raw(r ? "device" : "null"));
    return r;
}

// ==== Exports: headless control =================================================================

void HL_PushEvent(const HL_Event *event) {
    if (!event) return;
    // Keep frame order; events of one frame keep their push order.
    auto at = std::upper_bound(g_run.events.begin(), g_run.events.end(), event->frame,
                               [](int32_t f, const HL_Event &e) { return f < e.frame; });
    g_run.events.insert(at, *event);
}

void HL_SetFrameLimit(int32_t frames) { g_run.frame_limit = frames > 0 ? frames : 0; }

int32_t HL_SetCallLog(const char *path) {
    if (!path) {
        g_run.log.close();
        return 1;
    }
    return g_run.log.open(path) ? 1 : 0;
}

void HL_SetTimerHook(void (*hook)(OE_Timer *timer)) { g_run.timer_hook = hook; }

int32_t HL_FrameIndex(void) { return g_run.frames_done; }

void HL_Reset(void) { reset_all(); }

int32_t HL_MessageCount(void) { return int32_t(g_records.messages.size()); }

const char *HL_MessageText(int32_t index) {
    if (index < 0 || std::size_t(index) >= g_records.messages.size()) return nullptr;
    return g_records.messages[index].c_str();
}

int32_t HL_SoundPlayCount(void) { return int32_t(g_records.plays.size()); }

const char *HL_SoundPlay(int32_t index, int32_t *pan) {
    if (index < 0 || std::size_t(index) >= g_records.plays.size()) return nullptr;
    if (pan) *pan = g_records.plays[index].pan;
    return g_records.plays[index].path.c_str();
}

}  // extern "C"

// Every operation of the contract must be defined above: taking each address makes a missing one
// a link error (the library links with --no-undefined).
namespace {
#define HL_TAKE_ADDRESS(ret, name, params) reinterpret_cast<const void *>(&name),
[[maybe_unused]] const void *const kAllExports[] = {ENGINE_OPERATIONS(HL_TAKE_ADDRESS)
                                                        HEADLESS_OPERATIONS(HL_TAKE_ADDRESS)};
#undef HL_TAKE_ADDRESS
}  // namespace
