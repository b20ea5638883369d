// sdl_driver.cpp - a tiny "game" that runs the real engine (libengine.so) in one of several
// scripted modes, for sdl_engine_test. It runs under Xvfb as a child of the test.
//
//   sdl_driver MODE DIR      MODE: scene | input | close | term | term_idle | sound | stats | pad | hostile |
//                                  fullscreen
//
// In: generated test pictures, a font and sounds it writes into DIR first. Out: DIR/results.txt
// (key=value lines), DIR/frame.rgba (scene: the frame read back, 800 x 600 RGBA top-down).
// The test decides what is right; this program only drives the engine and writes down what it saw.
// Input is injected with xdotool from inside the frame procedure (synchronously), so every event
// lands between two known passes.
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#define ENGINE_API_DECLARE_EXPORTS  // declares the operations: this program links libengine.so
#include "engine_api.h"
#include "sdl_extras.h"

namespace {

constexpr const char *kCaption = "Tarvelok SDL engine test";
constexpr int kScreenW = 800, kScreenH = 600;

std::string g_dir;
std::string g_mode;
std::map<std::string, std::string> g_results;
std::string g_order;           // one letter per procedure run: S splash, L load, F frame, E exit
int g_frame = 0;               // frame procedure runs
int g_timer_runs = 0;

OE_Texture *g_quad = nullptr;      // 64 x 64: red, green / blue, white quadrants
OE_Texture *g_cells = nullptr;     // 96 x 64: six 32 x 32 cells
OE_Texture *g_missing = nullptr;   // a file that does not exist
OE_Texture *g_dot = nullptr;       // 8 x 8: opaque white 4 x 4 middle, transparent black around
OE_Font *g_font = nullptr;
OE_Camera *g_camera = nullptr;
OE_Sound *g_snd_one = nullptr;     // 1 buffer, mono 22050 Hz, constant 8000
OE_Sound *g_snd_two = nullptr;     // 2 buffers, stereo 44100 Hz, constant 8000
OE_Texture *g_cut = nullptr;       // hostile: a TGA cut short (the checker stands in)
unsigned long g_window = 0;        // X window id (input / close modes)

void put(const std::string &key, const std::string &value) { g_results[key] = value; }
void put(const std::string &key, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", value);
    g_results[key] = buf;
}

void save_results() {
    std::ofstream out(g_dir + "/results.txt");
    g_results["order"] = g_order;
    for (auto &kv : g_results) out << kv.first << "=" << kv.second << "\n";
}

// ---- Generated files ----------------------------------------------------------------------

void write_tga(const std::string &path, int w, int h, const std::vector<uint8_t> &rgba) {
    std::ofstream f(path, std::ios::binary);
    uint8_t header[18] = {0};
    header[2] = 2;  // uncompressed true colour
    header[12] = uint8_t(w & 0xFF);
    header[13] = uint8_t(w >> 8);
    header[14] = uint8_t(h & 0xFF);
    header[15] = uint8_t(h >> 8);
    header[16] = 32;
    header[17] = 0x28;  // 8 alpha bits, rows from the top
    f.write(reinterpret_cast<char *>(header), 18);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const char bgra[4] = {char(rgba[i + 2]), char(rgba[i + 1]), char(rgba[i]), char(rgba[i + 3])};
        f.write(bgra, 4);
    }
}

void fill(std::vector<uint8_t> &img, int w, int x0, int y0, int cw, int ch, uint32_t rgba) {
    for (int y = y0; y < y0 + ch; ++y)
        for (int x = x0; x < x0 + cw; ++x) {
            uint8_t *p = &img[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(rgba >> 24);
            p[1] = uint8_t(rgba >> 16);
            p[2] = uint8_t(rgba >> 8);
            p[3] = uint8_t(rgba);
        }
}

void write_wav(const std::string &path, int rate, int channels, int frames, int16_t value) {
    std::vector<int16_t> samples(size_t(frames) * channels, value);
    const uint32_t data_bytes = uint32_t(samples.size() * 2);
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char *>(&v), 4); };
    auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char *>(&v), 2); };
    f.write("RIFF", 4);
    u32(36 + data_bytes);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(uint16_t(channels));
    u32(uint32_t(rate));
    u32(uint32_t(rate * channels * 2));
    u16(uint16_t(channels * 2));
    u16(16);
    f.write("data", 4);
    u32(data_bytes);
    f.write(reinterpret_cast<const char *>(samples.data()), data_bytes);
}

void write_assets() {
    std::vector<uint8_t> quad(64 * 64 * 4);
    fill(quad, 64, 0, 0, 32, 32, 0xFF0000FF);
    fill(quad, 64, 32, 0, 32, 32, 0x00FF00FF);
    fill(quad, 64, 0, 32, 32, 32, 0x0000FFFF);
    fill(quad, 64, 32, 32, 32, 32, 0xFFFFFFFF);
    write_tga(g_dir + "/quad.tga", 64, 64, quad);

    std::vector<uint8_t> cells(96 * 64 * 4);
    const uint32_t colours[6] = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFFFF00FF, 0x00FFFFFF, 0xFF00FFFF};
    for (int i = 0; i < 6; ++i) fill(cells, 96, (i % 3) * 32, (i / 3) * 32, 32, 32, colours[i]);
    write_tga(g_dir + "/cells.tga", 96, 64, cells);

    std::vector<uint8_t> dot(8 * 8 * 4, 0);
    fill(dot, 8, 2, 2, 4, 4, 0xFFFFFFFF);
    write_tga(g_dir + "/dot.tga", 8, 8, dot);

    // Font picture: 'A' a white 8 x 12 block at (0, 0), 'B' a white 6 x 12 block at (16, 0);
    // transparent elsewhere.
    std::vector<uint8_t> glyphs(64 * 16 * 4, 0);
    fill(glyphs, 64, 0, 0, 8, 12, 0xFFFFFFFF);
    fill(glyphs, 64, 16, 0, 6, 12, 0xFFFFFFFF);
    write_tga(g_dir + "/font.tga", 64, 16, glyphs);
    std::ofstream ofi(g_dir + "/font.ofi");
    ofi << "ofi 1\n# test font\ntexture 64 16\nline 14\n"
        << "glyph 65 0 0 8 12 0 0 8\n"
        << "glyph 66 16 0 6 12 1 2 10\n";
    ofi.close();

    write_wav(g_dir + "/one.wav", 22050, 1, 22050 / 5, 8000);   // 0.2 s
    write_wav(g_dir + "/two.wav", 44100, 2, 44100 / 5, 8000);   // 0.2 s
}

// hostile mode: files a player might drop into the game folder, broken or built to hurt.
void write_hostile_assets() {
    // 18 bytes announcing 8192 x 8192 pixels (256 MiB of RGBA) and holding none of them.
    std::vector<uint8_t> none;
    write_tga(g_dir + "/huge.tga", 8192, 8192, none);
    // quad.tga cut in the middle of its pixels.
    std::ifstream in(g_dir + "/quad.tga", std::ios::binary);
    std::string quad((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(g_dir + "/cut.tga", std::ios::binary).write(quad.data(), std::streamsize(quad.size() / 2));
    // 64 KB of samples at 1 Hz: converted to 44100 Hz stereo it would take gigabytes.
    write_wav(g_dir + "/slow.wav", 1, 1, 32768, 8000);
    // A description whose numbers overflow, shared by two fonts.
    std::ofstream ofi(g_dir + "/bad.ofi");
    ofi << "ofi 1\ntexture 64 16\nglyph 65 0 0 8 12 0 0 8\n";
    for (int i = 0; i < 30; ++i) ofi << "glyph 67 9223372036854775807 0 1 1 0 0 1\n";
    ofi.close();
    // A FIFO where a font's files should be: opening it for reading would wait for a writer.
    mkfifo((g_dir + "/fifo").c_str(), 0600);
}

// ---- X helpers (input / close modes) ---------------------------------------------------------

std::string run_capture(const std::string &cmd) {
    std::string out;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

void xdo(const std::string &args) {
    char id[32];
    std::snprintf(id, sizeof id, "%lu", g_window);
    std::string cmd = "xdotool " + args;
    for (size_t pos; (pos = cmd.find("WIN")) != std::string::npos;) cmd.replace(pos, 3, id);
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "driver: '%s' failed\n", cmd.c_str());
}

// Runs xdotool in the background while the loop goes on. Needed for characters outside the
// keyboard map: xdotool maps a spare key to each one only for a moment, so the engine must read
// the key event while that mapping still holds.
void xdo_async(const std::string &args) {
    const std::string cmd = "xdotool " + args + " &";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "driver: '%s' failed\n", cmd.c_str());
}

// Types `keysyms` into the focused window as real key presses (XTest), each on a spare keycode bound
// to it for the rest of the X server's life. xdotool cannot be used for letters outside the
// keyboard map: it binds each to one scratch keycode and unbinds it right after the key's release,
// so a client that reads the press a moment later (any busy machine) finds no letter there. Here
// the binding never changes, so the letters come out however late the engine reads them. The
// XTest library comes with xdotool; it is opened at run time (no development files needed).
// Returns false, with a message on stderr, when that cannot be done.
bool type_keysyms(const std::vector<KeySym> &keysyms) {
    using FakeKey = int (*)(Display *, unsigned int, int, unsigned long);
    void *xtst = dlopen("libXtst.so.6", RTLD_NOW);
    FakeKey fake_key = xtst ? reinterpret_cast<FakeKey>(dlsym(xtst, "XTestFakeKeyEvent")) : nullptr;
    Display *d = XOpenDisplay(nullptr);
    if (!fake_key || !d) {
        std::fprintf(stderr, "driver: no XTest (%s) or no display\n", dlerror());
        if (d) XCloseDisplay(d);
        return false;
    }
    int min_code = 0, max_code = 0, per_code = 0;
    XDisplayKeycodes(d, &min_code, &max_code);
    KeySym *map = XGetKeyboardMapping(d, KeyCode(min_code), max_code - min_code + 1, &per_code);
    std::vector<KeyCode> codes;
    for (KeySym sym : keysyms) {
        KeyCode code = XKeysymToKeycode(d, sym);
        for (int k = max_code; code == 0 && k >= min_code; --k) {  // a keycode with no keysyms
            bool used = std::find(codes.begin(), codes.end(), KeyCode(k)) != codes.end();
            for (int i = 0; i < per_code && !used; ++i) used = map[(k - min_code) * per_code + i] != NoSymbol;
            if (used) continue;
            KeySym both[2] = {sym, sym};
            XChangeKeyboardMapping(d, k, 2, both, 1);
            code = KeyCode(k);
        }
        codes.push_back(code);
    }
    XFree(map);
    XSync(d, False);
    bool ok = std::find(codes.begin(), codes.end(), KeyCode(0)) == codes.end();
    for (KeyCode code : codes) {
        if (!code) continue;
        fake_key(d, code, True, CurrentTime);
        fake_key(d, code, False, CurrentTime);
    }
    XSync(d, False);  // the server has handled every press: the events are on their way to the engine
    XCloseDisplay(d);
    if (!ok) std::fprintf(stderr, "driver: no spare keycode for a letter\n");
    return ok;
}

void find_window() {
    const std::string id = run_capture(std::string("xdotool search --name '") + kCaption + "' | head -n 1");
    g_window = std::strtoul(id.c_str(), nullptr, 10);
    put("window_found", g_window ? "1" : "0");
}

// ---- Procedures -----------------------------------------------------------------------------

// The timer also polls held keys and buttons as the game's logic tick does (Escape and the right
// button pause): an xdotool tap's down and up reach the engine in one pass.
int g_escape_held_ticks = 0, g_right_held_ticks = 0;
// pad mode: a slow timer (kSlowTimerMs) whose runs are counted once the driver has asked for
// the focus back. The engine keeps what a timer was owed when the pause
// began and runs it after the focus is back (that time was spent focused); on a loaded machine
// the pass before the loss is seen can last several intervals. So the pass that sees the loss
// starts the slow timer's interval afresh, and only the unfocused time is left to catch up.
constexpr int kSlowTimerMs = 100;
OE_Timer *g_slow_timer = nullptr;
bool g_watch_runs = false;
int g_runs_at_focus = 0;
int g_watched_runs = 0;
void on_slow_timer() {
    if (g_watch_runs) ++g_watched_runs;
}
void on_timer() {
    ++g_timer_runs;
    g_escape_held_ticks += KeyEx_Down(27);
    g_right_held_ticks += Mouse_Down(0);
}

// pad mode, from frame 45 on: the focus goes to the root window and, after kUnfocusedMs without
// it, back. Each step waits for what SDL reports (its keyboard focus, which the engine's own event
// pump of this pass has seen too), not for a number of frames: xdotool, the X server and SDL's
// own delay before it reports a focus loss take what they take on a busy machine.
constexpr double kUnfocusedMs = 600;    // time without focus
constexpr double kFocusWaitMs = 15000;  // a focus change not reported by then has failed
constexpr double kFocusedMs = 650;      // time with the focus back before the runs are counted
void pad_focus_step(unsigned long root) {
    static int step = 0, runs_at_blur = 0;
    static double since = 0;
    // The end of the previous pass's frame; the focus seen back in this pass was resumed after it.
    static double previous_frame_end = 0, resumed_after = 0;
    struct MarkEnd {
        ~MarkEnd() { previous_frame_end = U_GetTime(); }
    } mark_end;
    const double now = U_GetTime();
    const bool focused = SDL_GetKeyboardFocus() != nullptr;
    switch (step) {
    case 0:  // the focus given at frame 33 must have reached SDL first
        if (!focused) {
            if (since == 0) since = now;
            if (now - since > kFocusWaitMs) {
                put("focus_first", 0);
                OE_Quit();
            }
            break;
        }
        put("runs_before_blur_positive", g_timer_runs > 0 ? "1" : "0");
        // In the background: a pass that waited for xdotool here would leave the timer runs owed
        // from before the pause, and they would come due at once when the focus is back.
        xdo_async("windowfocus " + std::to_string(root));
        since = now;
        step = 1;
        break;
    case 1:  // waiting for the loss
        if (!focused) {
            put("focus_lost", 1);
            // The engine's own pump of this pass delivered the loss (nothing else pumps), so the
            // timers are paused from a moment no later than now: nothing is owed from before.
            if (g_slow_timer) g_slow_timer->time_stamp = now;
            runs_at_blur = g_timer_runs;
            since = now;
            step = 2;
        } else if (now - since > kFocusWaitMs) {
            put("focus_lost", 0);
            OE_Quit();
        }
        break;
    case 2:  // unfocused
        if (now - since < kUnfocusedMs) break;
        put("runs_while_unfocused", g_timer_runs - runs_at_blur);
        xdo("windowfocus --sync WIN");
        g_runs_at_focus = g_timer_runs;
        g_watch_runs = true;
        since = now;
        step = 3;
        break;
    case 3:  // waiting for the focus to come back
        if (focused) {
            put("focus_back", 1);
            resumed_after = previous_frame_end;
            since = now;
            step = 4;
        } else if (now - since > kFocusWaitMs) {
            put("focus_back", 0);
            OE_Quit();
        }
        break;
    case 4:
        if (now - since < kFocusedMs) break;
        put("runs_after_focus_positive", g_timer_runs > g_runs_at_focus ? "1" : "0");
        // Nothing owed from before the pause and no catch-up: the interval in progress when the
        // focus went resumes where it stood, no earlier than the resume, so the runs are at most
        // one per whole interval since the end of the frame before the focus was seen back,
        // however slow or late the passes are (a slow pass only ever loses runs: the per-pass
        // cap). A catch-up of the time the window was unfocused runs it the per-pass maximum (5)
        // at once; a smaller one shows once it exceeds the time from that frame's end to the
        // resume (the unfocused pass's 50 ms pause and the next pump, under load more).
        put("excess_runs_after_focus",
            g_watched_runs - int((now - resumed_after) / kSlowTimerMs));
        OE_Quit();
        step = 5;
        break;
    default: break;
    }
}

// pad mode: a virtual game controller (SDL's own, shared with the engine in this process) is
// plugged, pressed and unplugged; then the window loses and regains focus while a timer runs.
void pad_frame() {
    static int idx = -1;
    static SDL_Joystick *js = nullptr;
    static unsigned long root = 0;
    static int escape_seen = 0;  // Key_Press(Escape) was 1 in one of frames 19..21
    auto plug = [] {
        idx = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                        SDL_CONTROLLER_BUTTON_MAX, 0);
        js = SDL_JoystickOpen(idx);
    };
    switch (g_frame) {
    case 3: plug(); break;
    case 6:
        put("space_before", KeyEx_Down(32));
        SDL_JoystickSetVirtualButton(js, SDL_CONTROLLER_BUTTON_A, 1);
        break;
    case 9:
        put("space_on_south", KeyEx_Down(32));
        SDL_JoystickSetVirtualButton(js, SDL_CONTROLLER_BUTTON_A, 0);
        SDL_JoystickSetVirtualAxis(js, SDL_CONTROLLER_AXIS_LEFTX, -32767);
        break;
    case 12:
        put("space_after_release", KeyEx_Down(32));
        put("left_on_stick", KeyEx_Down(37));
        put("right_on_stick", KeyEx_Down(39));
        SDL_JoystickSetVirtualAxis(js, SDL_CONTROLLER_AXIS_LEFTX, -14000);  // between let-go and press
        break;
    case 15:
        put("left_stick_partly_back", KeyEx_Down(37));
        SDL_JoystickSetVirtualAxis(js, SDL_CONTROLLER_AXIS_LEFTX, 0);
        SDL_JoystickSetVirtualButton(js, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
        break;
    case 18:
        put("left_stick_centred", KeyEx_Down(37));
        put("up_on_dpad", KeyEx_Down(38));
        SDL_JoystickSetVirtualButton(js, SDL_CONTROLLER_BUTTON_START, 1);
        break;
    case 19:
    case 20:
        // A press latch that nobody reads is dropped after 100 ms, and on a loaded machine three
        // frames can take longer: the latch is read in every frame from the one whose pump can
        // first see the button, so it is taken in the same frame as the event that set it.
        escape_seen |= Key_Press(27);
        break;
    case 21:
        put("escape_press_on_start", escape_seen | Key_Press(27));
        SDL_JoystickClose(js);
        js = nullptr;
        SDL_JoystickDetachVirtual(idx);  // unplugged while D-pad up is held
        break;
    case 26:
        put("up_after_unplug", KeyEx_Down(38));
        plug();
        break;
    case 30: SDL_JoystickSetVirtualButton(js, SDL_CONTROLLER_BUTTON_A, 1); break;
    case 33:
        put("space_after_replug", KeyEx_Down(32));
        SDL_JoystickSetVirtualButton(js, SDL_CONTROLLER_BUTTON_A, 0);
        find_window();
        root = std::strtoul(run_capture("xdotool search --maxdepth 0 --name '' | head -n 1").c_str(), nullptr, 10);
        xdo("windowfocus --sync WIN");
        break;
    default: break;
    }
    if (g_frame >= 45) pad_focus_step(root);
    Pr2D_Rect(0, 0, 800, 600, 0x202020, 255, 1);
}

void splash() {
    g_order += 'S';
    Pr2D_Rect(0, 0, 800, 600, 0x00FFFF, 255, 1);  // yellow
}

void load() {
    g_order += 'L';
    // The splash has been presented: it is what the read-back sees now.
    std::vector<uint8_t> rgba(size_t(kScreenW) * kScreenH * 4);
    put("splash_read", OE_ReadFrame(rgba.data()));
    char buf[32];
    const uint8_t *p = &rgba[(size_t(300) * kScreenW + 400) * 4];
    std::snprintf(buf, sizeof buf, "%d,%d,%d", p[0], p[1], p[2]);
    put("splash_pixel", buf);
    put("frames_after_splash", OE_FrameCount());

    g_quad = Tex_LoadFromFile((g_dir + "/quad.tga").c_str(), -1, 264);
    g_cells = Tex_LoadFromFile((g_dir + "/cells.tga").c_str(), -1, 264);
    g_missing = Tex_LoadFromFile("no/such/picture.tga", -1, 264);
    g_dot = Tex_LoadFromFile((g_dir + "/dot.tga").c_str(), -1, 264);
    OE_Texture *spare = Tex_LoadFromFile((g_dir + "/quad.tga").c_str(), -1, 264);
    Tex_Free(&spare);
    Tex_Free(&spare);  // a second free of the cleared handle does nothing
    put("freed_handle_null", spare == nullptr ? "1" : "0");
    g_font = Text_LoadFontFromFile((g_dir + "/font.tga").c_str(), (g_dir + "/font.ofi").c_str(), -1, 266);
    g_camera = Cam2D_Create();
    Cam2D_Set(g_camera);
    put("quad_size", std::to_string(g_quad->width) + "x" + std::to_string(g_quad->height));
    put("missing_size", std::to_string(g_missing->width) + "x" + std::to_string(g_missing->height));
    put("missing_device_texture", g_missing->device_texture ? "1" : "0");
    put("width_AB_1_0", Text_GetWidth(g_font, "AB", 1.0f, 0));
    put("width_AB_2_3", Text_GetWidth(g_font, "AB", 2.0f, 3));
    OE_Options *o = OE_GetOptions();
    put("options", std::to_string(o->width) + "x" + std::to_string(o->height) + " bpp " + std::to_string(o->bpp) +
                       " full " + std::to_string(o->fullscreen) + " window " + std::to_string(o->window_width) +
                       "x" + std::to_string(o->window_height));
    if (g_mode == "sound") {
        Snd_Init();
        g_snd_one = Snd_LoadFromFile((g_dir + "/one.wav").c_str(), 1);
        g_snd_two = Snd_LoadFromFile((g_dir + "/two.wav").c_str(), 6);
        Snd_SetBuffersCount(g_snd_two, 2);
        Snd_LoadFromFile("no/such/sound.wav", 1);  // silent, one warning
    }
    if (g_mode == "term") {
        // SIGTERM in the middle of a long load: the load goes on for up to 20 s; the engine must
        // end the process long before, without the load finishing.
        std::ofstream(g_dir + "/term_sent") << "1\n";
        kill(getpid(), SIGTERM);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        put("load_finished", "1");
    }
    if (g_mode == "input" || g_mode == "close" || g_mode == "fullscreen") find_window();
    if (g_mode == "hostile") {
        OE_Texture *huge = Tex_LoadFromFile((g_dir + "/huge.tga").c_str(), -1, 264);
        put("huge_size", std::to_string(huge->width) + "x" + std::to_string(huge->height));
        Tex_Free(&huge);
        g_cut = Tex_LoadFromFile((g_dir + "/cut.tga").c_str(), -1, 264);
        put("cut_size", std::to_string(g_cut->width) + "x" + std::to_string(g_cut->height));
        OE_Texture *evil = Tex_LoadFromFile((g_dir + "/evil\x1b]0;owned\x07.tga").c_str(), -1, 264);
        Tex_Free(&evil);
        Snd_Init();
        Snd_LoadFromFile((g_dir + "/slow.wav").c_str(), 1);
        put("slow_sound_loaded", "1");
        OE_Font *a = Text_LoadFontFromFile((g_dir + "/font.tga").c_str(), (g_dir + "/bad.ofi").c_str(), -1, 266);
        OE_Font *b = Text_LoadFontFromFile((g_dir + "/font.tga").c_str(), (g_dir + "/bad.ofi").c_str(), -1, 266);
        put("bad_font_widths", std::to_string(Text_GetWidth(a, "AC", 1, 0)) + "," +
                                   std::to_string(Text_GetWidth(b, "AC", 1, 0)));
        Text_LoadFontFromFile((g_dir + "/fifo").c_str(), (g_dir + "/fifo").c_str(), -1, 266);
        put("fifo_font_loaded", "1");
    }
}

void exit_proc() {
    g_order += 'E';
    put("exit_frame", g_frame);
    OE_Options *o = OE_GetOptions();
    put("exit_options_full", o->fullscreen);
}

// The known scene; every position is chosen so that the test can compute its pixels.
void draw_scene() {
    FX_SetBlendMode(0);
    g_camera->camera_on = 0;
    // Row 1: plain, mirrored, flipped, rotated 90, rotated 45, frames, tint.
    SSprite_Draw(g_quad, 20, 20, 64, 64, 255, 0, 1);
    SSprite_Draw(g_quad, 100, 20, 64, 64, 255, 0, 1 + 2);
    SSprite_Draw(g_quad, 180, 20, 64, 64, 255, 0, 1 + 4);
    SSprite_Draw(g_quad, 260, 20, 64, 64, 255, 90, 1);
    SSprite_Draw(g_quad, 340, 20, 64, 64, 255, 45, 1);
    Tex_SetFramesSize(g_cells, 32, 32);
    ASprite_Draw(g_cells, 420, 20, 32, 32, 5, 255, 0, 1);
    ASprite_Draw(g_cells, 460, 20, 32, 32, 4, 255, 0, 1);
    ASprite_Draw(g_cells, 420, 60, 32, 32, 8, 255, 0, 1);   // 6 cells: 8 wraps to cell 2
    FX_SetColorMix(0x00FFFF);                               // yellow (0x00BBGGRR)
    SSprite_Draw(g_quad, 520, 20, 64, 64, 255, 0, 1 + 8);
    FX_SetColorMix(0x808080);
    SSprite_Draw(g_quad, 600, 20, 64, 64, 255, 0, 1 + 8);
    SSprite_Draw(g_quad, 680, 20, 64, 64, 255, 0, 1);       // no flag 8: no tint

    // Row 2: alpha, additive, corner offsets.
    SSprite_Draw(g_quad, 20, 100, 64, 64, 128, 0, 1);
    Pr2D_Rect(100, 100, 64, 64, 0xFFFFFF, 255, 1);
    SSprite_Draw(g_quad, 100, 100, 64, 64, 128, 0, 1);
    Pr2D_Rect(180, 100, 64, 64, 0x0000FF, 255, 1);
    Pr2D_Rect(260, 100, 64, 64, 0x0000FF, 255, 1);
    FX_SetBlendMode(1);
    SSprite_Draw(g_quad, 180, 100, 64, 64, 255, 0, 1);
    SSprite_Draw(g_quad, 260, 100, 64, 64, 128, 0, 1);
    FX_SetBlendMode(0);
    FX_SetVertexes(10, 0, 10, 0, 0, 0, 0, 0);
    SSprite_Draw(g_quad, 340, 100, 64, 64, 255, 0, 1 + 32);
    SSprite_Draw(g_quad, 420, 100, 64, 64, 255, 0, 32);
    SSprite_Draw(g_quad, 500, 100, 64, 64, 255, 0, 1);      // offsets set but flag 32 absent
    FX_SetVertexes(0, 0, 0, 0, 0, 0, 0, 0);

    // Row 3: text.
    Text_Draw(g_font, 20, 200, "AB", 1.0f, 0, 255, 0x00FF00);
    Text_Draw(g_font, 100, 200, "AB", 2.0f, 3, 255, 0xFFFFFF);
    Text_Draw(g_font, 200, 200, "A", 1.0f, 0, 128, 0x0000FF);

    // Row 4: rectangles, device triangles.
    Pr2D_Rect(20, 260, 60, 40, 0xFF0000, 255, 1);
    Pr2D_LineWidth(2);
    Pr2D_Rect(100, 260, 60, 40, 0x00FF00, 255, 0);
    Pr2D_Rect(180, 260, 40, 40, 0xFFFFFF, 64, 1);

    Pr2D_Rect(300, 260, 20, 20, 0xFFFFFF, 255, 1);          // under the device quad: covered
    g_camera->x = 1000;                                     // the camera plays no part in device draws
    g_camera->y = 1000;
    g_camera->camera_on = 1;
    OE_Device *dev = *static_cast<OE_Device **>(P_GetParams(18));
    struct V { float x, y, z, rhw; uint32_t colour; float u, v; };
    const V quad[6] = {{300, 260, 1, 1, 0xFFFFFFFF, 0, 0}, {428, 260, 1, 1, 0xFFFFFFFF, 2, 0},
                       {428, 388, 1, 1, 0xFFFFFFFF, 2, 2}, {300, 260, 1, 1, 0xFFFFFFFF, 0, 0},
                       {428, 388, 1, 1, 0xFFFFFFFF, 2, 2}, {300, 388, 1, 1, 0xFFFFFFFF, 0, 2}};
    dev->vtbl->SetRenderState(dev, OE_RENDERSTATE_EDGEANTIALIAS, 1);
    dev->vtbl->SetVertexShader(dev, OE_VERTEX_FORMAT_XYZRHW_DIFFUSE_TEX1);
    dev->vtbl->SetTexture(dev, 0, g_quad->device_texture);
    const int32_t r1 = dev->vtbl->DrawPrimitiveUP(dev, OE_PRIMITIVE_TRIANGLELIST, 2, quad, 28);
    dev->vtbl->SetTexture(dev, 0, nullptr);
    const V tri[3] = {{450, 260, 1, 1, 0xFF0000FF, 0, 0}, {514, 260, 1, 1, 0xFF0000FF, 0, 0},
                      {450, 324, 1, 1, 0xFF0000FF, 0, 0}};
    const int32_t r2 = dev->vtbl->DrawPrimitiveUP(dev, OE_PRIMITIVE_TRIANGLELIST, 1, tri, 28);
    const int32_t r3 = dev->vtbl->DrawPrimitiveUP(dev, 5, 1, tri, 28);  // strips are not supported
    dev->vtbl->SetRenderState(dev, OE_RENDERSTATE_EDGEANTIALIAS, 0);
    put("device_results", std::to_string(r1) + "," + std::to_string(r2) + "," + std::to_string(r3 != 0));
    g_camera->camera_on = 0;
    Pr2D_Rect(408, 368, 20, 20, 0xFF0000, 255, 1);          // over the device quad: visible

    // Camera: world positions shifted by (100, 50).
    g_camera->x = 100;
    g_camera->y = 50;
    g_camera->camera_on = 1;
    SSprite_Draw(g_quad, 620, 310, 64, 64, 255, 0, 1);      // screen (520, 260)
    Pr2D_Rect(700, 350, 20, 20, 0x00FF00, 255, 1);          // screen (600, 300)
    Text_Draw(g_font, 720, 350, "A", 1.0f, 0, 255, 0xFFFFFF);  // screen (620, 300)
    g_camera->camera_on = 0;
    SSprite_Draw(g_quad, 640, 260, 64, 64, 255, 0, 1);

    // Row 5: the missing picture (checker); a white dot magnified 8 times over white.
    SSprite_Draw(g_missing, 20, 420, 64, 64, 255, 0, 1);
    Pr2D_Rect(600, 420, 64, 64, 0xFFFFFF, 255, 1);
    SSprite_Draw(g_dot, 600, 420, 64, 64, 255, 0, 1);
}

// fullscreen mode: the quad picture fills the logical screen (red, green / blue, white). Alt+Enter
// is pressed, and the screen is photographed once the engine has settled (granted, or back in a
// window); then again.
void fullscreen_frame() {
    static double settle_from = 0;
    static int step = 0;
    SSprite_Draw(g_quad, 0, 0, 800, 600, 255, 0, 1);
    const double now = U_GetTime();
    auto geometry = [](const char *key) {
        put(key, run_capture("xdotool getwindowgeometry --shell " + std::to_string(g_window) +
                             " | tr '\\n' ' '"));
    };
    auto shoot = [](const char *name) {
        const std::string cmd = "import -window root '" + g_dir + "/" + name + "'";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "driver: '%s' failed\n", cmd.c_str());
    };
    auto options = [](const char *key) {
        const OE_Options *o = OE_GetOptions();
        put(key, std::to_string(o->fullscreen) + " " + std::to_string(o->window_width) + "x" +
                     std::to_string(o->window_height));
    };
    constexpr double kSettleMs = 1600;  // longer than the engine waits for full screen to be granted
    if (step == 0 && g_frame == 5) {
        xdo("windowfocus --sync WIN");
        geometry("geometry_before");
        shoot("windowed.png");
        xdo("key alt+Return");
        settle_from = U_GetTime();  // the screenshot took a while
        step = 1;
    } else if (step == 1 && now - settle_from > kSettleMs) {
        options("options_after_first");
        geometry("geometry_after_first");
        shoot("first.png");
        xdo("key alt+Return");
        settle_from = U_GetTime();  // the screenshot took a while
        step = 2;
    } else if (step == 2 && now - settle_from > kSettleMs) {
        options("options_after_second");
        geometry("geometry_after_second");
        shoot("second.png");
        OE_Quit();
    }
}

void frame() {
    g_order += 'F';
    ++g_frame;
    if (g_mode == "hostile") {
        SSprite_Draw(g_cut, 20, 20, 64, 64, 255, 0, 1);
        if (g_frame == 3) {
            std::vector<uint8_t> rgba(size_t(kScreenW) * kScreenH * 4);
            put("read", OE_ReadFrame(rgba.data()));
            std::ofstream(g_dir + "/frame.rgba", std::ios::binary)
                .write(reinterpret_cast<char *>(rgba.data()), std::streamsize(rgba.size()));
            OE_Quit();
        }
        return;
    }
    if (g_mode == "fullscreen") {
        fullscreen_frame();
        return;
    }
    if (g_mode == "scene") {
        if (g_frame == 4) {
            // Frames 1..3 drew the same scene; frame 3 is the last presented one.
            std::vector<uint8_t> rgba(size_t(kScreenW) * kScreenH * 4);
            put("read", OE_ReadFrame(rgba.data()));
            std::ofstream(g_dir + "/frame.rgba", std::ios::binary)
                .write(reinterpret_cast<char *>(rgba.data()), std::streamsize(rgba.size()));
            put("timer_runs_positive", g_timer_runs > 0 ? "1" : "0");
            OE_Quit();
        }
        draw_scene();
        return;
    }
    if (g_mode == "stats") {
        // About 500 sprites of one texture in one blend mode: one batch. SDL_TEST_SPRITES changes
        // the count for measurements.
        // SDL_TEST_STILL=1 draws them unrotated, opaque, 64 x 64 (the picture's own size).
        static const int count = std::getenv("SDL_TEST_SPRITES") ? std::atoi(std::getenv("SDL_TEST_SPRITES")) : 500;
        static const bool still = std::getenv("SDL_TEST_STILL") != nullptr;
        for (int i = 0; i < count; ++i) {
            const float x = float((i * 37) % 760), y = float((i * 53) % 560);
            if (still) SSprite_Draw(g_quad, x, y, 64, 64, 255, 0, 1);  // at its own size
            else SSprite_Draw(g_quad, x, y, 40, 40, 200, float((i * 7 + g_frame) % 360), 1);
        }
        if (U_GetTime() > 4500) OE_Quit();
        return;
    }
    if (g_mode == "sound") {
        static double start = 0;
        static int step = 0;
        if (g_frame == 1) start = U_GetTime();
        const double t = U_GetTime() - start;
        if (step == 0 && t > 300) {          // left only, one copy
            Snd_Play(g_snd_one, -400, 0, 0, 0);
            ++step;
        } else if (step == 1 && t > 900) {   // right only, two copies at once (2 buffers)
            Snd_Play(g_snd_two, 400, 0, 0, 0);
            Snd_Play(g_snd_two, 400, 0, 0, 0);
            ++step;
        } else if (step == 2 && t > 1500) {  // centred, twice, but only 1 buffer: one copy
            Snd_Play(g_snd_one, 0, 0, 0, 0);
            Snd_Play(g_snd_one, 0, 0, 0, 0);
            ++step;
        } else if (step >= 3 && step <= 5 && t > 2100 + 600 * (step - 3)) {
            // The effects' volume: centred at 50 %, at 0 % (not heard), at 250 % (clamped to 100 %).
            const int percents[] = {50, 0, 250};
            Snd_SetVolume(percents[step - 3]);
            Snd_Play(g_snd_one, 0, 0, 0, 0);
            ++step;
        } else if (step == 6 && t > 3900) {
            OE_Quit();
        }
        return;
    }
    if (g_mode == "pad") {
        pad_frame();
        return;
    }
    if (g_mode == "term_idle") {
        if (g_frame == 5) kill(getpid(), SIGTERM);  // between passes: ends like the close button
        if (g_frame > 600) OE_Quit();
        return;
    }
    if (g_mode == "close") {
        if (g_frame == 5) {
            // The closer sends WM_DELETE_WINDOW, as a window manager's close button does.
            const char *closer = std::getenv("SDL_TEST_CLOSER");
            std::string c = std::string(closer ? closer : "false") + " " + std::to_string(g_window);
            put("closer_status", std::system(c.c_str()));
        }
        if (g_frame > 600) OE_Quit();  // the close did not arrive: the test sees exit_frame
        return;
    }
    if (g_mode == "input") {
        static int press_a = 0, click_left = 0, click_right = 0, dbl_left = 0, press_esc = 0;
        static int game_keys[5] = {};                     // the other keys the game asks about
        const int game_vk[5] = {8, 32, 39, 112, 113};     // Backspace, Space, Right, F1, F2
        for (int i = 0; i < 5; ++i) game_keys[i] += Key_Press(game_vk[i]);
        press_a += Key_Press('A');
        press_esc += Key_Press(27);
        click_left += Mouse_Click(1);
        click_right += Mouse_Click(0);
        dbl_left += Mouse_DblClick(1);
        switch (g_frame) {
        case 3:
            xdo("windowfocus --sync WIN");
            xdo("mousemove --window WIN --sync 100 50");
            break;
        case 8:
            put("mouse_at_100_50", std::to_string(Mouse_X()) + "," + std::to_string(Mouse_Y()));
            xdo("keydown Left");
            break;
        case 13:
            put("left_held", KeyEx_Down(37));
            xdo("keyup Left");
            break;
        case 18:
            put("left_after_up", KeyEx_Down(37));
            xdo("key a");
            break;
        case 30:
            put("press_a_count", press_a);
            put("press_a_again", Key_Press('A'));
            xdo("key Escape");
            xdo("key F12");  // the engine's screenshot key
            break;
        case 40:
            put("press_esc_count", press_esc);
            put("escape_held_in_tick", g_escape_held_ticks > 0 ? 1 : 0);
            put("press_f12", Key_Press(123));
            xdo("key BackSpace space Right F1 F2");
            xdo("click 1");
            break;
        case 50:
            put("game_keys", std::to_string(game_keys[0]) + std::to_string(game_keys[1]) +
                                 std::to_string(game_keys[2]) + std::to_string(game_keys[3]) +
                                 std::to_string(game_keys[4]));
            put("click_left_count", click_left);
            xdo("click 3");
            break;
        case 60:
            put("click_right_count", click_right);
            put("right_held_in_tick", g_right_held_ticks > 0 ? 1 : 0);
            put("click_left_after_right", click_left);
            put("dbl_before", dbl_left);
            xdo("mousemove --window WIN --sync 300 200");  // away from the single click
            xdo("click --repeat 2 --delay 60 1");
            break;
        case 75:
            put("dbl_count", dbl_left);
            put("mouse_at_300_200", std::to_string(Mouse_X()) + "," + std::to_string(Mouse_Y()));
            Key_BeginReadText("");
            xdo("type --delay 30 'Hi 5'");
            break;
        case 95:
            put("typed", Key_EndReadText());
            put("typed_after_end", Key_EndReadText());
            Key_BeginReadText("");
            put("typed_cyrillic_sent", type_keysyms({XK_Cyrillic_ZHE, XK_Cyrillic_u, XK_Cyrillic_ka, XK_space}) ? 1 : 0);
            break;
        case 160: {
            std::string hex;
            for (const char *p = Key_EndReadText(); *p; ++p) {
                char b[4];
                std::snprintf(b, sizeof b, "%02X", unsigned(uint8_t(*p)));
                hex += b;
            }
            put("typed_cyrillic_hex", hex);
            xdo("windowsize --sync WIN 1600 600");
            break;
        }
        case 175: {
            OE_Options *o = OE_GetOptions();
            put("resized_window", std::to_string(o->window_width) + "x" + std::to_string(o->window_height));
            xdo("mousemove --window WIN --sync 500 300");
            break;
        }
        case 185:
            put("mouse_letterboxed", std::to_string(Mouse_X()) + "," + std::to_string(Mouse_Y()));
            xdo("key alt+Return");
            break;
        case 200:
            put("press_enter_on_alt_enter", Key_Press(13));  // Alt+Enter is the engine's
            OE_Quit();
            break;
        default:
            break;
        }
        // A steady picture, so that the read-back in any frame has something to show.
        Pr2D_Rect(0, 0, 800, 600, 0x202020, 255, 1);
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: sdl_driver scene|input|close|sound|stats|pad|hostile|fullscreen DIR\n");
        return 2;
    }
    g_mode = argv[1];
    g_dir = argv[2];
    write_assets();
    if (g_mode == "hostile") write_hostile_assets();
    if (g_mode != "stats") OE_KeepFrames(1);  // for OE_ReadFrame; not while measuring
    OE_SetWndName(kCaption);
    OE_SetScreenOptions(800, 600, 32, 0, 0, 1);
    OE_RegProcedure(0, frame);
    OE_RegProcedure(1, load);
    OE_RegProcedure(2, exit_proc);
    OE_RegProcedure(3, splash);
    OE_Timer *timer = Timer_Create(on_timer, 20, 5);
    (void)timer;
    if (g_mode == "pad") g_slow_timer = Timer_Create(on_slow_timer, kSlowTimerMs, 5);
    OE_Init(16, 0);
    put("returned", "1");
    put("frames", g_frame);
    save_results();
    return 0;
}
