// back_buffer.cpp - what the window's back buffer holds when a frame begins: the frame presented
// `age` swaps ago (1: the last one), or nothing known (0). The renderer then draws only the blocks
// that differ from that frame (frame_cache.h) straight into the window, with no copy.
//
// Asked of the window system where it says (GLX_EXT_buffer_age, EGL_EXT_buffer_age: the age of
// each new back buffer). Where it answers "unknown" (Mesa's software renderer under X answers 0,
// though its swap copies the back buffer to the window and leaves it as it was), a probe at the
// window's opening tells: one pixel cleared to two colours in two frames, each presented; a back
// buffer that then holds the second colour keeps the last frame across a swap. The probe's pixel
// lies in the window's corner and is overwritten by the splash.
//
// In: the current context of the window. Out: back_buffer_age(). Does not draw frames.
#include <SDL.h>
#include <dlfcn.h>

#include <cstdint>

#include "gl_api.h"
#include "sdl_engine.h"

namespace sdl_engine {
namespace {

constexpr int kGlxBackBufferAge = 0x20F4;   // GLX_BACK_BUFFER_AGE_EXT
constexpr int kGlxScreen = 0x800C;          // GLX_SCREEN
constexpr int kGlxExtensions = 3;           // GLX_EXTENSIONS (glXGetClientString)
constexpr int kEglDraw = 0x3059;            // EGL_DRAW
constexpr int kEglBufferAge = 0x313D;       // EGL_BUFFER_AGE_EXT
constexpr int kEglExtensions = 0x3055;      // EGL_EXTENSIONS
constexpr int kMaxTrustedAge = 8;           // a larger answer is taken as unknown

using GlxCurrentDisplay = void *(*)();
using GlxCurrentDrawable = unsigned long (*)();
using GlxCurrentContext = void *(*)();
using GlxQueryContext = int (*)(void *, void *, int, int *);
using GlxQueryExtensions = const char *(*)(void *, int);
using GlxQueryDrawable = void (*)(void *, unsigned long, int, unsigned int *);
using EglCurrentDisplay = void *(*)();
using EglCurrentSurface = void *(*)(int32_t);
using EglQueryString = const char *(*)(void *, int32_t);
using EglQuerySurface = unsigned (*)(void *, void *, int32_t, int32_t *);

struct BackBuffer {
    GlxQueryDrawable glx_query = nullptr;  // set when GLX draws the window and has buffer age
    GlxCurrentDisplay glx_display = nullptr;
    GlxCurrentDrawable glx_drawable = nullptr;
    EglQuerySurface egl_query = nullptr;   // the same for EGL
    EglCurrentDisplay egl_display = nullptr;
    EglCurrentSurface egl_surface = nullptr;
    bool kept_by_swap = false;             // the probe saw the last frame kept
};
BackBuffer g_back;

// An entry point of a GL or windowing library the process has already loaded (SDL loads the one
// it draws with), or nullptr: nothing is loaded here, so a library SDL does not use is never asked.
template <typename F> F loaded_proc(const char *const *libraries, const char *name) {
    for (const char *const *lib = libraries; *lib; ++lib)
        if (void *handle = dlopen(*lib, RTLD_LAZY | RTLD_NOLOAD)) {
            void *entry = dlsym(handle, name);
            dlclose(handle);  // only drops the reference NOLOAD took
            if (entry) return reinterpret_cast<F>(entry);
        }
    return nullptr;
}
constexpr const char *kGlxLibraries[] = {"libGLX.so.0", "libGL.so.1", nullptr};
constexpr const char *kEglLibraries[] = {"libEGL.so.1", nullptr};
template <typename F> F glx(const char *name) { return loaded_proc<F>(kGlxLibraries, name); }
template <typename F> F egl(const char *name) { return loaded_proc<F>(kEglLibraries, name); }

bool has_word(const char *list, const char *word) { return list && SDL_strstr(list, word); }

// GLX with GLX_EXT_buffer_age on the window's screen, or EGL with EGL_EXT_buffer_age.
void find_age_query() {
    auto display = glx<GlxCurrentDisplay>("glXGetCurrentDisplay");
    auto drawable = glx<GlxCurrentDrawable>("glXGetCurrentDrawable");
    auto context = glx<GlxCurrentContext>("glXGetCurrentContext");
    auto query_context = glx<GlxQueryContext>("glXQueryContext");
    auto extensions = glx<GlxQueryExtensions>("glXQueryExtensionsString");
    auto query = glx<GlxQueryDrawable>("glXQueryDrawable");
    if (display && drawable && context && query_context && extensions && query && display() && drawable() &&
        context()) {
        int screen = 0;
        query_context(display(), context(), kGlxScreen, &screen);
        if (has_word(extensions(display(), screen), "GLX_EXT_buffer_age")) {
            g_back.glx_query = query;
            g_back.glx_display = display;
            g_back.glx_drawable = drawable;
        }
        return;  // GLX draws the window: EGL does not
    }
    auto egl_display = egl<EglCurrentDisplay>("eglGetCurrentDisplay");
    auto egl_surface = egl<EglCurrentSurface>("eglGetCurrentSurface");
    auto egl_string = egl<EglQueryString>("eglQueryString");
    auto egl_query = egl<EglQuerySurface>("eglQuerySurface");
    if (egl_display && egl_surface && egl_string && egl_query && egl_display() && egl_surface(kEglDraw) &&
        has_word(egl_string(egl_display(), kEglExtensions), "EGL_EXT_buffer_age")) {
        g_back.egl_query = egl_query;
        g_back.egl_display = egl_display;
        g_back.egl_surface = egl_surface;
    }
}

// The window system's own answer: the age, or 0 when it does not know or cannot be asked.
int asked_age() {
    if (g_back.glx_query) {
        unsigned int age = 0;
        const unsigned long drawable = g_back.glx_drawable();
        if (drawable) g_back.glx_query(g_back.glx_display(), drawable, kGlxBackBufferAge, &age);
        return age <= unsigned(kMaxTrustedAge) ? int(age) : 0;
    }
    if (g_back.egl_query) {
        int32_t age = 0;
        void *surface = g_back.egl_surface(kEglDraw);
        if (!surface || !g_back.egl_query(g_back.egl_display(), surface, kEglBufferAge, &age)) return 0;
        return age >= 0 && age <= kMaxTrustedAge ? int(age) : 0;
    }
    return 0;
}

// Clears the window's bottom-left pixel to `grey` (0..255) alone.
void clear_probe_pixel(int grey) {
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    gl.Enable(GL_SCISSOR_TEST);
    gl.Scissor(0, 0, 1, 1);
    gl.ClearColor(float(grey) / 255.0f, float(grey) / 255.0f, float(grey) / 255.0f, 1.0f);
    gl.Clear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

void back_buffer_open(SDL_Window *window) {
    g_back = BackBuffer{};
    find_age_query();
    if (asked_age() > 0) return;  // the window system knows
    // Two frames, each presented with its own grey in the corner; then what the back buffer holds.
    constexpr int kFirstGrey = 40, kSecondGrey = 200;
    clear_probe_pixel(kFirstGrey);
    SDL_GL_SwapWindow(window);
    clear_probe_pixel(kSecondGrey);
    SDL_GL_SwapWindow(window);
    uint8_t pixel[4] = {};
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.ReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    g_back.kept_by_swap = pixel[0] == kSecondGrey && pixel[1] == kSecondGrey && pixel[2] == kSecondGrey;
}

int back_buffer_age() {
    const int age = asked_age();
    if (age > 0) return age;
    return g_back.kept_by_swap ? 1 : 0;
}

}  // namespace sdl_engine
