// renderer.h - the GL renderer behind the drawing operations of the windowed engines (OpenGL 3.3
// core for the SDL engine, WebGL 2 for the page; one source, see gl_api.h).
//
// Everything is drawn straight into the window's back buffer: the 800 x 600 logical screen is
// mapped onto the largest centred 4:3 rectangle of the window (black bars elsewhere). Geometry arrives
// as textured, coloured triangles in logical pixels and is kept until the frame is presented;
// then what opaque triangles drawn later hide, and what lies off the screen, is left out
// (frame_cull.h), and consecutive triangles that share a texture and a sampler go out in one draw
// call from one streamed vertex buffer, whatever their blend modes (the mode rides on each
// vertex). This file knows nothing of sprites, fonts or cameras: the drawing operations compute
// the corners and say which triangles are opaque.
#pragma once

#include <cstdint>

namespace gl_engine {

constexpr int kLogicalWidth = 800;   // logical screen width in pixels
constexpr int kLogicalHeight = 600;  // logical screen height in pixels

// One vertex of the stream: logical pixel position, texture coordinates (0..1 across the texture,
// beyond 1 when repeating) and a colour multiplied with the texel (bytes r, g, b, a in memory),
// premultiplied: r, g, b already multiplied by a (see premultiply()). `additive` is the renderer's
// own: it records the blend mode in force when the vertex was queued.
struct Vertex {
    float x, y;
    float u, v;
    uint8_t r, g, b, a;
    float additive = 0;  // 1 for blend mode 1
};

// How a texture is sampled. Nearest is for pictures drawn unrotated at their own size (each screen
// pixel then covers one texel, so it looks the same as filtering, and software renderers draw it
// about twice as fast); Linear filters anything scaled or rotated; Repeat filters and tiles.
enum class Sampler { Linear = 0, Nearest = 1, Repeat = 2 };
constexpr int kSamplerCount = 3;

// A vertex colour from straight r, g, b and alpha (0..255), premultiplied as the renderer wants.
inline void premultiply(Vertex &v, unsigned r, unsigned g, unsigned b, unsigned a) {
    v.r = uint8_t((r * a + 127) / 255);
    v.g = uint8_t((g * a + 127) / 255);
    v.b = uint8_t((b * a + 127) / 255);
    v.a = uint8_t(a);
}

// Creates the shader, the vertex stream, the samplers and a white texture for untextured shapes. Needs a current 3.3 core (or WebGL 2) context and a loaded `gl`. False on failure (the
// reason is on stderr).
bool renderer_init();
void renderer_shutdown();

// A texture from straight (not premultiplied) RGBA8 pixels, rows top-down; it is stored
// premultiplied. The pixels are premultiplied in place (no copy): the caller drops them after.
// Returns the GL name (never 0 on success).
unsigned renderer_create_texture(uint8_t *rgba, int width, int height);
void renderer_delete_texture(unsigned texture);
// (Re)specifies `texture` from pixels already premultiplied, creating it when it is 0.
void renderer_upload_premultiplied(unsigned &texture, const uint8_t *rgba, int width, int height);
// The 1 x 1 white texture used for filled shapes.
unsigned renderer_white_texture();

// Starts a frame in a drawable of drawable_w x drawable_h real pixels and maps the logical screen
// onto its letterbox rectangle (nothing is drawn outside it). `back_age`: the back buffer holds
// the frame presented that many swaps ago (1: the last one), 0 when that is not known; the frame
// is then drawn over it, only where it differs (frame_cache.h), else over black.
void renderer_begin_frame(int drawable_w, int drawable_h, int back_age = 0);
// 0 ordinary alpha blending, 1 additive, for the triangles queued from now on (no flush).
void renderer_set_blend(int mode);
// Queues `count` vertices (a multiple of 3, a triangle list) with that texture and sampler.
// `opaque`: every texel they read has alpha 255, so where their vertex alpha is 255 and the blend
// mode 0 they replace what is under them (and what is under them need not be drawn). The
// triangles of one call are judged together when hidden parts are cut away: give triangles that
// share edges (a quad, the tiles of one triangle) in one call.
// `joins_previous`: these triangles belong with those of the call before (pieces of one sprite,
// the tiles of one terrain outline).
void renderer_triangles(unsigned texture, Sampler sampler, const Vertex *vertices, int count,
                        bool opaque = false, bool joins_previous = false);
// Sends what is queued (hidden and off-screen parts left out).
void renderer_flush();
// Ends the frame (sends what is queued); the caller swaps buffers right afterwards.
void renderer_present();
// The letterbox rectangle of the current frame, in real pixels from the window's top left.
void renderer_viewport(int &x, int &y, int &w, int &h);
// Keeping frames: while on, every present first copies the frame out of the GPU (a few ms per
// frame on software renderers, hence off by default).
void renderer_keep_frames(bool on);
// The last frame presented while keeping frames, at the logical size, RGBA8, rows top-down,
// 800 x 600 x 4 bytes, alpha 255 (nearest pixel when the window is larger). False, and black,
// when there is none.
bool renderer_read_frame(uint8_t *rgba);
// The frame drawn so far (the back buffer), the same way; call it before the swap.
void renderer_read_back_buffer(uint8_t *rgba);
// Draw calls issued since the last call of this function (the copy of the kept picture counts).
int renderer_take_draw_calls();
// 16 x 16-pixel blocks the last frame drew (1900 for a whole screen; fewer while the frame cache
// keeps the rest from the frame before).
int renderer_last_redrawn_blocks();
// Whether the last frame was drawn over the window's kept back buffer (only its changed blocks,
// no clear, no copy).
bool renderer_last_over_kept_back_buffer();

}  // namespace gl_engine
