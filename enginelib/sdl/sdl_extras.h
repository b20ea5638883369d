/*
 * sdl_extras.h - what libengine.so (the SDL2 + OpenGL engine) offers beyond the engine contract,
 * for tests, tools and players. Exported with C linkage; the game itself never needs them.
 *
 *   OE_KeepFrames(on)    1: from now on every presented frame is copied out of the GPU so that
 *                        OE_ReadFrame can return it (costs a few ms per frame on software
 *                        renderers, hence off by default); 0: stop. May be called before OE_Init.
 *   OE_ReadFrame(rgba)   copies the last frame presented while keeping frames, at the logical
 *                        size, 800 x 600, RGBA8, rows top-down (800 * 600 * 4 bytes; a larger
 *                        window is sampled down, nearest pixel). Alpha is 255. Call it on the
 *                        engine's thread (from a procedure or a timer). Returns 1, or 0 when there
 *                        is no such frame (rgba is then black).
 *   OE_FrameCount()      frames presented since OE_Init started (the splash counts as one).
 *
 * Keys handled by the engine itself, not passed to the game:
 *   Alt+Enter            toggles between the resizable window and desktop full screen
 *                        (OE_GetOptions()->fullscreen follows).
 *   F12                  writes the next presented frame (800 x 600) as a PNG screenshot into the
 *                        working folder, named tarvelok-YYYYMMDD-HHMMSS.png (-2, -3 ... when taken twice
 *                        in a second).
 *
 * Environment:
 *   TARVELOK_ENGINE_STATS=1  once a second on stderr: frames per second, process CPU
 *                            milliseconds per frame, draw calls per frame.
 *   TARVELOK_NO_DIALOGS=1    OE_MessageBox writes to stderr only (no window that waits for a
 *                            click).
 *   SDL_VIDEODRIVER, SDL_AUDIODRIVER, ... as SDL reads them.
 *
 * Game controllers (SDL game controller database, hot-plugged): left stick or D-pad = arrow keys,
 * the south button (A / Cross) = Space, Start = Escape.
 */
#ifndef TARVELOK_SDL_EXTRAS_H
#define TARVELOK_SDL_EXTRAS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

__attribute__((visibility("default"))) void OE_KeepFrames(int32_t on);
__attribute__((visibility("default"))) int32_t OE_ReadFrame(uint8_t *rgba800x600);
__attribute__((visibility("default"))) int32_t OE_FrameCount(void);

typedef void (*OE_KeepFramesFn)(int32_t on);
typedef int32_t (*OE_ReadFrameFn)(uint8_t *rgba800x600);
typedef int32_t (*OE_FrameCountFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* TARVELOK_SDL_EXTRAS_H */
