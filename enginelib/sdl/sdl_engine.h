// sdl_engine.h - internal records shared by the files of the SDL engine (not installed).
//
// The run state (window, GL context, clock, statistics) lives in engine_window.cpp; sounds in
// engine_audio.cpp. Drawing (textures, fonts, blend, tint, the renderer) is enginelib/gl, shared
// with the page's engine. Timers, input, options, cameras, fonts, pictures and WAV parsing come
// from enginelib/common.
#pragma once

#include <cstdint>

#include "engine_api.h"
#include "engine_common.h"
#include "gl_engine.h"

struct SDL_Window;

namespace sdl_engine {

// The drawing code (textures, fonts, the renderer) is the shared GL engine's.
using namespace gl_engine;

// Milliseconds since the library was loaded (U_GetTime).
double now_ms();

// back_buffer.cpp: called once the window's context is current and the renderer is ready (it
// presents two frames of its own to probe the swap).
void back_buffer_open(::SDL_Window *window);
// Swaps since the window's back buffer was last drawn, as the next frame begins (1: it holds the
// frame presented last); 0 when that is not known.
int back_buffer_age();

// engine_audio.cpp: closes the device (end of OE_Init).
void audio_shutdown();

}  // namespace sdl_engine
