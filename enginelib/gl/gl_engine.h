// gl_engine.h - internal records of the GL drawing code that every windowed engine shares (the
// SDL engine over OpenGL 3.3 core, the page over WebGL 2); not installed.
//
// engine_draw.cpp implements the drawing operations of engine_api.h (textures, sprites,
// rectangles, blending, text, camera, the device stand-in) on top of renderer.h. The engine that
// owns the window calls the three draw_context_* hooks below around its GL context's life, and
// gl_api_load() once the context is current. Timers, input, fonts and pictures come from
// enginelib/common.
#pragma once

#include <cstdint>

#include "engine_api.h"
#include "engine_common.h"
#include "frame_cull.h"

namespace gl_engine {

// A texture as the engine keeps it. `rec` comes first, so an OE_Texture* handed to the game is
// the address of the whole record; rec.device_texture points back at it for the device stand-in.
struct Texture {
    OE_Texture rec;
    unsigned gl_name = 0;      // OpenGL texture name
    int32_t frame_w = 0;       // cell size from Tex_SetFramesSize; 0 = whole picture
    int32_t frame_h = 0;
    uint32_t magic = 0;        // kTextureMagic while alive: catches foreign or freed pointers
    ec::Pixels pixels;         // RGBA kept until a GL context exists to take it (then freed)
    struct AtlasPage *page = nullptr;  // shared page the sprites draw from (engine_draw.cpp), or null
    int32_t atlas_x = 0, atlas_y = 0;  // the picture's top-left texel in that page
    struct AtlasPage *wrap_page = nullptr;  // copy with wrapped edges for repeating (made on first use)
    int32_t wrap_x = 0, wrap_y = 0;
    CoverGrid cover;           // which cells of the picture are empty or opaque (made at load)
};
constexpr uint32_t kTextureMagic = 0x54455852u;  // "TEXR"

inline Texture *texture_of(const OE_Texture *t) {
    Texture *tex = reinterpret_cast<Texture *>(const_cast<OE_Texture *>(t));
    return (tex && tex->magic == kTextureMagic) ? tex : nullptr;
}

struct Font {
    ec::FontDesc desc;
    Texture *picture = nullptr;
};

// engine_draw.cpp: GL-side state that must be made or dropped with the context.
void draw_context_created();    // after renderer_init: uploads textures loaded before it
void draw_context_lost();       // before the context goes: frees every GL texture name
void draw_reset_frame_state();  // start of OE_Init: blend 0, no tint, no corner offsets

}  // namespace gl_engine
