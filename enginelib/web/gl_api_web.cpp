// gl_api_web.cpp - fills the shared GL entry-point table (enginelib/gl/gl_api.h) with WebGL 2
// through Emscripten's OpenGL ES 3.0 functions, which are linked in, so nothing can be missing.
//
// In: a current WebGL 2 context. Out: `gl`. Nothing else.
#include "gl_api.h"

GlApi gl;

bool gl_api_load() {
#define TARVELOK_GL_LOAD(type, member, name) gl.member = &name;
    TARVELOK_GL_FUNCTIONS(TARVELOK_GL_LOAD)
#undef TARVELOK_GL_LOAD
    return true;
}
