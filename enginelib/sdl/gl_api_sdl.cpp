// gl_api_sdl.cpp - fills the shared GL entry-point table (enginelib/gl/gl_api.h) from the current
// SDL context.
//
// In: a current OpenGL 3.3 core context. Out: `gl`. Nothing else.
#include "gl_api.h"

#include <SDL.h>
#include <cstdio>

GlApi gl;

bool gl_api_load() {
    bool ok = true;
#define TARVELOK_GL_LOAD(type, member, name)                                                     \
    gl.member = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));                          \
    if (!gl.member) {                                                                          \
        std::fprintf(stderr, "engine: OpenGL entry point %s is missing\n", #name);            \
        ok = false;                                                                            \
    }
    TARVELOK_GL_FUNCTIONS(TARVELOK_GL_LOAD)
#undef TARVELOK_GL_LOAD
    return ok;
}
