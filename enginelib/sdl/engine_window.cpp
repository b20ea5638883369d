// engine_window.cpp - the SDL engine's window, main loop and input: OE_* operations, timers,
// keyboard / mouse / text / game-controller input, frame statistics, the clock.
//
// In: the game's registrations and options, SDL events. Out: the loop of OE_Init (splash, load,
// then per pass events, due timers, frame procedure, present), input answers through
// enginelib/common, the letterboxed window. Drawing itself is engine_draw.cpp and renderer.cpp;
// sound is engine_audio.cpp.
#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>
#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#define ENGINE_API_DECLARE_EXPORTS
#include "cp1251.h"
#include "engine_api.h"
#include "engine_common.h"
#include "frame_cache.h"
#include "gl_api.h"
#include "keymap.h"
#include "renderer.h"
#include "sdl_engine.h"
#include "sdl_extras.h"

namespace sdl_engine {

bool write_screenshot(const uint8_t *rgba, int width, int height);  // screenshot.cpp

namespace {

// Built with AddressSanitizer only: Mesa unloads its software GL driver when the display closes,
// before the leak check runs, and the few blocks that only the driver's own globals point to then
// look leaked, with no library name a suppression could match. Pinning the loaded driver
// (RTLD_NODELETE) keeps those pointers mapped, so the blocks stay reachable. Called once the GL
// context exists; loads nothing, and does nothing in an ordinary build or with another driver.
void keep_gl_driver_for_leak_check() {
#if defined(__SANITIZE_ADDRESS__)
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "/usr/lib/dri/swrast_dri.so"})
        if (dlopen(path, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) return;
#endif
}

constexpr int kWindowMinWidth = 200;          // smallest resizable window, real pixels
constexpr int kWindowMinHeight = 150;
constexpr int kDefaultRefreshHz = 60;         // frame cap when the display reports no rate
constexpr int kInactiveFrameDelayMs = 50;     // pause between frames while minimised/unfocused
constexpr int kStickPress = 16000;            // stick deflection (of 32767) that presses an arrow
constexpr int kStickRelease = 12000;          // deflection below which a pressed arrow lets go
constexpr int kPadCapacity = 8;               // game controllers open at once
constexpr double kStatsPeriodMs = 1000.0;     // TARVELOK_ENGINE_STATS report period
// How long a window manager may take to make the window cover the screen after a request for
// desktop full screen; after that the engine goes back to a window. Milliseconds.
constexpr double kFullscreenGrantMs = 1000.0;
// After SIGTERM (or SIGINT) the loop ends as after the close button; a game step that keeps the
// loop from coming round (a long load) gets this long before the process is ended where it
// stands. The game's saves are written whole or not at all, so nothing saved is torn. Milliseconds.
constexpr int kTerminationGraceMs = 1500;

constexpr int kVkSpace = 32, kVkEscape = 27;
constexpr int kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40;

struct Pad {
    SDL_GameController *controller = nullptr;
    SDL_JoystickID id = -1;
    bool stick[4] = {};   // left, up, right, down held by the stick (with hysteresis)
};

// The run of OE_Init: window, context, loop flags, input sources, statistics.
struct Run {
    SDL_Window *window = nullptr;
    SDL_GLContext context = nullptr;
    std::string caption = "Tarvelok";      // UTF-8
    bool running = false;                  // inside OE_Init
    bool quit = false;                     // OE_Quit or the close button
    bool minimised = false, unfocused = false;
    bool video_ready = false;
    bool screenshot_pending = false;       // F12 seen: the next present is saved as a PNG
    // The window as it really is (SDL's own idea may be wrong where full screen was not
    // granted): size in window coordinates and in drawable pixels.
    int window_w = 0, window_h = 0;
    int drawable_w = 0, drawable_h = 0;
    int windowed_w = 0, windowed_h = 0;    // the window's size before full screen was asked
    double fullscreen_asked_at = -1;       // <0: no request waiting to be granted
    bool told_not_granted = false;         // the one "full screen not granted" message
    double frame_budget_ms = 1000.0 / kDefaultRefreshHz;
    int frames_presented = 0;
    // Key sources: a virtual key is down while the keyboard or any controller holds it.
    uint8_t keyboard_down[ec::kKeyCount] = {};
    uint8_t pad_down[ec::kKeyCount] = {};
    Pad pads[kPadCapacity];
    // TARVELOK_ENGINE_STATS
    bool stats = false;
    double stats_since = 0;
    double stats_cpu_since = 0;
    double stats_busy_ms = 0;
    int stats_frames = 0;
    double stats_blocks = 0;  // 16 x 16 blocks drawn, summed over the period's frames
    int stats_over_kept = 0;  // frames drawn over the kept back buffer
};
Run g_run;

const auto g_clock_start = std::chrono::steady_clock::now();

double process_cpu_ms() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

std::string to_utf8(const char *text_1251) {
    return text_1251 ? cp1251::to_utf8(text_1251) : std::string();
}

// ---- Input sources --------------------------------------------------------------------------

void set_key_source(uint8_t *source, int vk, bool down) {
    if (vk <= 0 || vk >= ec::kKeyCount) return;
    const bool before = g_run.keyboard_down[vk] || g_run.pad_down[vk];
    source[vk] = down ? 1 : 0;
    const bool after = g_run.keyboard_down[vk] || g_run.pad_down[vk];
    if (!before && after) ec::input_key_down(vk, now_ms());
    if (before && !after) ec::input_key_up(vk);
}

// Recomputes what the controllers hold together and passes the changes on.
void update_pad_keys() {
    bool want[4] = {};  // left, up, right, down
    bool space = false, escape = false;
    for (Pad &p : g_run.pads) {
        if (!p.controller) continue;
        const int ax = SDL_GameControllerGetAxis(p.controller, SDL_CONTROLLER_AXIS_LEFTX);
        const int ay = SDL_GameControllerGetAxis(p.controller, SDL_CONTROLLER_AXIS_LEFTY);
        auto hyst = [](bool held, int value) { return held ? value > kStickRelease : value > kStickPress; };
        p.stick[0] = hyst(p.stick[0], -ax);
        p.stick[1] = hyst(p.stick[1], -ay);
        p.stick[2] = hyst(p.stick[2], ax);
        p.stick[3] = hyst(p.stick[3], ay);
        const SDL_GameControllerButton dpad[4] = {SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_UP,
                                                 SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_CONTROLLER_BUTTON_DPAD_DOWN};
        for (int i = 0; i < 4; ++i)
            want[i] = want[i] || p.stick[i] || SDL_GameControllerGetButton(p.controller, dpad[i]);
        space = space || SDL_GameControllerGetButton(p.controller, SDL_CONTROLLER_BUTTON_A);
        escape = escape || SDL_GameControllerGetButton(p.controller, SDL_CONTROLLER_BUTTON_START);
    }
    const int arrows[4] = {kVkLeft, kVkUp, kVkRight, kVkDown};
    for (int i = 0; i < 4; ++i) set_key_source(g_run.pad_down, arrows[i], want[i]);
    set_key_source(g_run.pad_down, kVkSpace, space);
    set_key_source(g_run.pad_down, kVkEscape, escape);
}

void pad_added(int device_index) {
    if (!SDL_IsGameController(device_index)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
    for (Pad &p : g_run.pads)
        if (p.controller && p.id == id) return;  // already open (added at start and by event)
    for (Pad &p : g_run.pads) {
        if (p.controller) continue;
        p.controller = SDL_GameControllerOpen(device_index);
        if (!p.controller) {
            std::fprintf(stderr, "engine: game controller %d cannot be opened: %s\n", device_index, SDL_GetError());
            return;
        }
        p.id = id;
        return;
    }
}

void pad_removed(SDL_JoystickID id) {
    for (Pad &p : g_run.pads)
        if (p.controller && p.id == id) {
            SDL_GameControllerClose(p.controller);
            p = Pad{};
        }
    update_pad_keys();
}

void release_all_input() {
    std::memset(g_run.keyboard_down, 0, sizeof g_run.keyboard_down);
    std::memset(g_run.pad_down, 0, sizeof g_run.pad_down);
    for (Pad &p : g_run.pads) std::memset(p.stick, 0, sizeof p.stick);
    ec::input_release_all();
}

// Window pixels -> logical pixels through the letterbox, clamped to the logical screen.
void mouse_to_logical(int wx, int wy, int &lx, int &ly) {
    const int ww = g_run.window_w, wh = g_run.window_h, dw = g_run.drawable_w, dh = g_run.drawable_h;
    int vx, vy, vw, vh;
    renderer_viewport(vx, vy, vw, vh);
    const double px = double(wx) * dw / std::max(ww, 1);
    const double py = double(wy) * dh / std::max(wh, 1);
    lx = int((px - vx) * kLogicalWidth / std::max(vw, 1));
    ly = int((py - vy) * kLogicalHeight / std::max(vh, 1));
    lx = std::clamp(lx, 0, kLogicalWidth - 1);
    ly = std::clamp(ly, 0, kLogicalHeight - 1);
}

int button_number(uint8_t sdl_button) {
    switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 0;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return -1;
    }
}

// ---- Window ---------------------------------------------------------------------------------

// The X window's real size, asked of the X server (through the libX11 SDL has loaded). False
// when the window is not an X11 one. Without a window manager SDL believes a request for desktop
// full screen was granted and reports the screen's size although the window kept its own.
bool x11_window_size(int &w, int &h) {
    using GetAttributes = int (*)(Display *, Window, XWindowAttributes *);
    static GetAttributes get_attributes = [] {
        void *x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
        return x11 ? reinterpret_cast<GetAttributes>(dlsym(x11, "XGetWindowAttributes")) : nullptr;
    }();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!get_attributes || !SDL_GetWindowWMInfo(g_run.window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    XWindowAttributes a{};
    if (!get_attributes(info.info.x11.display, info.info.x11.window, &a)) return false;
    w = a.width;
    h = a.height;
    return true;
}

// Takes the window's size as it is now (after every size event and mode change) into the run
// record and the options record.
void update_window_size() {
    int ww = 0, wh = 0, dw = 0, dh = 0;
    if (x11_window_size(ww, wh)) {
        dw = ww;  // X11 has no scaling between window coordinates and pixels
        dh = wh;
    } else {
        SDL_GetWindowSize(g_run.window, &ww, &wh);
        SDL_GL_GetDrawableSize(g_run.window, &dw, &dh);
    }
    g_run.window_w = std::max(ww, 1);
    g_run.window_h = std::max(wh, 1);
    g_run.drawable_w = std::max(dw, 1);
    g_run.drawable_h = std::max(dh, 1);
    OE_Options *o = ec::options();
    o->window_width = dw;
    o->window_height = dh;
}

// True when the window covers its whole display.
bool covers_display() {
    SDL_Rect bounds{};
    const int display = SDL_GetWindowDisplayIndex(g_run.window);
    if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) return true;  // nothing to compare
    return g_run.window_w >= bounds.w && g_run.window_h >= bounds.h;
}

void apply_fullscreen() {
    if (!g_run.window) return;
    const bool full = ec::options()->fullscreen != 0;
    const bool was_full = (SDL_GetWindowFlags(g_run.window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (full && !was_full) {
        update_window_size();
        g_run.windowed_w = g_run.window_w;
        g_run.windowed_h = g_run.window_h;
    }
    if (SDL_SetWindowFullscreen(g_run.window, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        std::fprintf(stderr, "engine: cannot switch to %s: %s\n", full ? "full screen" : "a window", SDL_GetError());
    if (!full && was_full && g_run.windowed_w > 0) {
        // SDL may still hold the screen's size as the window's: give it the size it had.
        SDL_SetWindowSize(g_run.window, g_run.windowed_w, g_run.windowed_h);
    }
    g_run.fullscreen_asked_at = full && !was_full ? now_ms() : -1;
    update_window_size();
}

// While a request for full screen waits: granted once the window covers its display; not
// granted within kFullscreenGrantMs (no window manager to do it), the window mode comes back,
// OE_GetOptions says so, and one message tells why. Called once per pass.
void check_fullscreen_granted() {
    if (g_run.fullscreen_asked_at < 0) return;
    update_window_size();
    if (covers_display()) {
        g_run.fullscreen_asked_at = -1;
        return;
    }
    if (now_ms() - g_run.fullscreen_asked_at < kFullscreenGrantMs) return;
    if (!g_run.told_not_granted) {
        g_run.told_not_granted = true;
        std::fprintf(stderr, "engine: full screen was not granted (no window manager?); staying in a window\n");
    }
    OE_Options *o = ec::options();
    ec::options_set(o->width, o->height, o->bpp, o->refresh, 0, o->vsync);
    apply_fullscreen();
}

void toggle_fullscreen() {
    OE_Options *o = ec::options();
    ec::options_set(o->width, o->height, o->bpp, o->refresh, o->fullscreen ? 0 : 1, o->vsync);
    apply_fullscreen();
}

// Minimised or unfocused: timers stop; back: they resume without catching up.
void update_pause() {
    const bool inactive = g_run.minimised || g_run.unfocused;
    if (inactive && !ec::timers_paused()) ec::timers_pause(now_ms());
    if (!inactive && ec::timers_paused()) ec::timers_resume(now_ms());
}


void handle_event(const SDL_Event &e) {
    switch (e.type) {
    case SDL_QUIT:
        g_run.quit = true;
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: g_run.quit = true; break;
        case SDL_WINDOWEVENT_MINIMIZED: g_run.minimised = true; break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SHOWN: g_run.minimised = false; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: g_run.unfocused = true; release_all_input(); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: g_run.unfocused = false; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED: update_window_size(); break;
        default: break;
        }
        update_pause();
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool down = e.type == SDL_KEYDOWN;
        if (down && e.key.keysym.scancode == SDL_SCANCODE_RETURN && (e.key.keysym.mod & KMOD_ALT)) {
            if (!e.key.repeat) toggle_fullscreen();
            break;
        }
        if (e.key.keysym.scancode == SDL_SCANCODE_F12) {
            if (down && !e.key.repeat) g_run.screenshot_pending = true;
            break;
        }
        if (down && e.key.repeat) break;  // a held key is one press
        const VkCodes vk = vk_from_sdl(e.key.keysym.sym, e.key.keysym.scancode);
        set_key_source(g_run.keyboard_down, vk.first, down);
        set_key_source(g_run.keyboard_down, vk.second, down);
        break;
    }
    case SDL_TEXTINPUT:
        ec::input_text_utf8(e.text.text);
        break;
    case SDL_MOUSEMOTION: {
        int x, y;
        mouse_to_logical(e.motion.x, e.motion.y, x, y);
        ec::input_mouse_move(x, y);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int b = button_number(e.button.button);
        if (b < 0) break;
        int x, y;
        mouse_to_logical(e.button.x, e.button.y, x, y);
        ec::input_mouse_move(x, y);
        ec::input_mouse_button(b, e.type == SDL_MOUSEBUTTONDOWN, now_ms());
        break;
    }
    case SDL_CONTROLLERDEVICEADDED:
        pad_added(e.cdevice.which);
        update_pad_keys();
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        pad_removed(e.cdevice.which);
        break;
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        update_pad_keys();
        break;
    default:
        break;
    }
}

// ---- Termination by signal --------------------------------------------------------------------

std::atomic<int> g_termination_signal{0};  // SIGTERM or SIGINT once one has come, else 0
sem_t g_termination_wake;                  // posted by the handler for the watchdog

// Async-signal-safe: notes the signal and wakes the watchdog; the loop sees the note at its next
// pass and ends as after the close button.
void on_termination_signal(int sig) {
    int none = 0;
    if (g_termination_signal.compare_exchange_strong(none, sig)) sem_post(&g_termination_wake);
}

// Waits for a termination signal, then gives the loop kTerminationGraceMs to end the process by
// itself; after that ends it where it stands.
void termination_watchdog() {
    while (sem_wait(&g_termination_wake) != 0) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kTerminationGraceMs));
    static const char kText[] = "engine: a termination signal came while the game was busy; it ends now\n";
    const ssize_t ignored = write(STDERR_FILENO, kText, sizeof kText - 1);
    (void)ignored;
    _exit(128 + g_termination_signal.load());
}

// Takes SIGTERM and SIGINT from SDL's handlers (which only queue a quit event, unseen while a game
// step runs long) once per process.
void install_termination_handlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    sem_init(&g_termination_wake, 0, 0);
    std::thread(termination_watchdog).detach();
    struct sigaction sa {};
    sa.sa_handler = on_termination_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

void pump_events() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) handle_event(e);
    if (g_termination_signal.load() != 0) g_run.quit = true;
}

void begin_frame() { renderer_begin_frame(g_run.drawable_w, g_run.drawable_h, back_buffer_age()); }

void present() {
    renderer_present();
    if (g_run.screenshot_pending) {
        // Taken from the back buffer before the swap: exactly the frame about to be shown.
        g_run.screenshot_pending = false;
        std::vector<uint8_t> rgba(size_t(kLogicalWidth) * kLogicalHeight * 4);
        renderer_read_back_buffer(rgba.data());
        write_screenshot(rgba.data(), kLogicalWidth, kLogicalHeight);
    }
    SDL_GL_SwapWindow(g_run.window);
    ++g_run.frames_presented;
}

void report_stats(double busy_ms) {
    if (!g_run.stats) return;
    ++g_run.stats_frames;
    g_run.stats_busy_ms += busy_ms;
    g_run.stats_blocks += renderer_last_redrawn_blocks();
    g_run.stats_over_kept += renderer_last_over_kept_back_buffer() ? 1 : 0;
    const double now = now_ms();
    const double elapsed = now - g_run.stats_since;
    if (elapsed < kStatsPeriodMs) return;
    const double cpu = process_cpu_ms();
    const int frames = std::max(g_run.stats_frames, 1);
    std::fprintf(stderr,
                 "engine: %.1f fps, %.2f ms CPU per frame, %.1f draw calls per frame (%.2f ms busy per frame, "
                 "%.0f %% of the screen drawn, %.0f %% of the frames over the kept back buffer)\n",
                 g_run.stats_frames * 1000.0 / elapsed, (cpu - g_run.stats_cpu_since) / frames,
                 double(renderer_take_draw_calls()) / frames, g_run.stats_busy_ms / frames,
                 100.0 * g_run.stats_blocks / (double(frames) * kCacheBlocks), 100.0 * g_run.stats_over_kept / frames);
    g_run.stats_since = now;
    g_run.stats_cpu_since = cpu;
    g_run.stats_frames = 0;
    g_run.stats_busy_ms = 0;
    g_run.stats_blocks = 0;
    g_run.stats_over_kept = 0;
}

// Opens SDL video, the window and the 3.3 core context; false (with a message) on failure.
bool open_window() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "engine: SDL video cannot start: %s\n", SDL_GetError());
        return false;
    }
    g_run.video_ready = true;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        std::fprintf(stderr, "engine: game controllers unavailable: %s\n", SDL_GetError());
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (ec::options()->fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    g_run.window = SDL_CreateWindow(g_run.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    kLogicalWidth, kLogicalHeight, flags);
    if (!g_run.window) {
        std::fprintf(stderr, "engine: the window cannot be opened: %s\n", SDL_GetError());
        return false;
    }
    SDL_SetWindowMinimumSize(g_run.window, kWindowMinWidth, kWindowMinHeight);
    g_run.context = SDL_GL_CreateContext(g_run.window);
    if (!g_run.context) {
        std::fprintf(stderr, "engine: no OpenGL 3.3 core context: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_MakeCurrent(g_run.window, g_run.context);
    keep_gl_driver_for_leak_check();
    if (!gl_api_load() || !renderer_init()) return false;
    back_buffer_open(g_run.window);
    GLint max_texture = 0;
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
    ec::image_set_side_limit(max_texture);  // pictures the GPU cannot hold are refused at load
    // Vsync may be refused (virtual displays): the frame cap below then paces the loop.
    SDL_GL_SetSwapInterval(ec::options()->vsync ? 1 : 0);
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(g_run.window);
    int hz = kDefaultRefreshHz;
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        hz = mode.refresh_rate;
    g_run.frame_budget_ms = 1000.0 / hz;
    update_window_size();
    g_run.windowed_w = kLogicalWidth;
    g_run.windowed_h = kLogicalHeight;
    g_run.fullscreen_asked_at = ec::options()->fullscreen ? now_ms() : -1;
    SDL_ShowCursor(SDL_DISABLE);  // the game draws its own cursor sprite at Mouse_X, Mouse_Y
    SDL_StartTextInput();
    for (int i = 0; i < SDL_NumJoysticks(); ++i) pad_added(i);
    return true;
}

void close_window() {
    for (Pad &p : g_run.pads)
        if (p.controller) {
            SDL_GameControllerClose(p.controller);
            p = Pad{};
        }
    if (g_run.context) {
        draw_context_lost();
        renderer_shutdown();
        SDL_GL_DeleteContext(g_run.context);
        g_run.context = nullptr;
    }
    if (g_run.window) {
        SDL_DestroyWindow(g_run.window);
        g_run.window = nullptr;
    }
    if (g_run.video_ready) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        g_run.video_ready = false;
    }
}

}  // namespace

double now_ms() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_clock_start).count();
}

}  // namespace sdl_engine

using namespace sdl_engine;

// ---- Exports: window and loop -----------------------------------------------------------------

extern "C" void OE_SetWndName(const char *caption) {
    g_run.caption = to_utf8(caption);
    if (g_run.window) SDL_SetWindowTitle(g_run.window, g_run.caption.c_str());
}

extern "C" void OE_SetScreenOptions(int32_t width, int32_t height, int32_t bpp, int32_t refresh,
                                    int32_t fullscreen, int32_t vsync) {
    ec::options_set(width, height, bpp, refresh, fullscreen, vsync);
    if (g_run.window) apply_fullscreen();
}

extern "C" void OE_ChangeScreenOptions(int32_t width, int32_t height, int32_t bpp, int32_t refresh,
                                       int32_t fullscreen, int32_t vsync) {
    ec::options_set(width, height, bpp, refresh, fullscreen, vsync);
    apply_fullscreen();
}

extern "C" OE_Options *OE_GetOptions(void) { return ec::options(); }

extern "C" void OE_SetAdvancedOptions(int32_t, int32_t, int32_t) {}  // accepted; nothing to set

extern "C" void OE_Disable(int32_t) {}  // accepted; nothing to disable

extern "C" void OE_RegProcedure(int32_t id, OE_Proc proc) { ec::procedure_register(id, proc); }

extern "C" OE_Timer *Timer_Create(OE_Proc proc, int32_t interval_ms, int32_t flags) {
    return ec::timer_create(proc, interval_ms, flags, now_ms());
}

extern "C" void OE_Init(int32_t, int32_t) {
    if (g_run.running) return;  // the loop is already running
    g_run.running = true;
    g_run.quit = false;
    g_run.minimised = g_run.unfocused = false;
    g_run.frames_presented = 0;
    const char *stats = std::getenv("TARVELOK_ENGINE_STATS");
    g_run.stats = stats && std::strcmp(stats, "1") == 0;
    if (!open_window()) {
        std::fprintf(stderr, "engine: cannot start; the game ends\n");
        close_window();
        g_run.running = false;
        return;
    }
    install_termination_handlers();  // after SDL's own, which opening the window installed
    draw_context_created();
    draw_reset_frame_state();

    begin_frame();
    ec::procedure_run(ec::PROC_SPLASH);
    present();
    ec::procedure_run(ec::PROC_LOAD);
    ec::timers_restart(now_ms());

    g_run.stats_since = now_ms();
    g_run.stats_cpu_since = process_cpu_ms();
    renderer_take_draw_calls();
    while (!g_run.quit) {
        const double pass_start = now_ms();
        pump_events();
        if (g_run.quit) break;
        check_fullscreen_granted();
        ec::timers_run_due(now_ms(), nullptr);
        begin_frame();
        ec::procedure_run(ec::PROC_FRAME);
        present();
        ec::input_end_pass(now_ms());
        const double busy = now_ms() - pass_start;
        report_stats(busy);
        if (g_run.minimised || g_run.unfocused) {
            SDL_Delay(kInactiveFrameDelayMs);
        } else if (busy < g_run.frame_budget_ms) {
            SDL_Delay(Uint32(g_run.frame_budget_ms - busy));
        }
    }
    ec::procedure_run(ec::PROC_EXIT);
    audio_shutdown();
    close_window();
    if (ec::timers_paused()) ec::timers_resume(now_ms());
    g_run.running = false;
}

extern "C" void OE_Quit(void) { g_run.quit = true; }

extern "C" void OE_MessageBox(const char *text, const char *caption, int32_t style) {
    const std::string t = to_utf8(text), c = to_utf8(caption);
    std::fprintf(stderr, "%s: %s\n", ec::quote_for_log(c).c_str(), ec::quote_for_log(t, true).c_str());
    const char *no_dialogs = std::getenv("TARVELOK_NO_DIALOGS");
    if (no_dialogs && std::strcmp(no_dialogs, "1") == 0) return;
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((style & 0xF0) == 0x10) flags = SDL_MESSAGEBOX_ERROR;
    else if ((style & 0xF0) == 0x30) flags = SDL_MESSAGEBOX_WARNING;
    if (SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), g_run.window) != 0)
        std::fprintf(stderr, "engine: the message box cannot be shown: %s\n", SDL_GetError());
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

// ---- Exports: clock and extras ----------------------------------------------------------------

extern "C" double U_GetTime(void) { return now_ms(); }

extern "C" void OE_KeepFrames(int32_t on) { renderer_keep_frames(on != 0); }

extern "C" int32_t OE_ReadFrame(uint8_t *rgba800x600) {
    if (!rgba800x600) return 0;
    return renderer_read_frame(rgba800x600) ? 1 : 0;
}

extern "C" int32_t OE_FrameCount(void) { return g_run.frames_presented; }
