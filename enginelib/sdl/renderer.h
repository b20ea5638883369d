// renderer.h - the OpenGL 3.3 core renderer behind the SDL engine's drawing operations.
//
// Everything is drawn into an 800 x 600 off-screen picture (the logical screen); presenting scales
// it into the window with its aspect kept (black bars) and keeps it for read-back. Geometry arrives
// as textured, coloured triangles in logical pixels; consecutive triangles that share a texture,
// a wrap mode and a blend mode go out in one draw call from one streamed vertex buffer. This file
// knows nothing of sprites, fonts or cameras: the drawing operations compute the corners.
#pragma once

#include <cstdint>

namespace sdl_engine {

constexpr int kLogicalWidth = 800;   // logical screen width in pixels
constexpr int kLogicalHeight = 600;  // logical screen height in pixels

// One vertex of the stream: logical pixel position, texture coordinates (0..1 across the texture,
// beyond 1 when repeating) and a colour multiplied with the texel (bytes r, g, b, a in memory).
struct Vertex {
    float x, y;
    float u, v;
    uint8_t r, g, b, a;
};

enum class Wrap { Clamp, Repeat };

// Creates the shader, the vertex stream, the two off-screen pictures and a white texture for
// untextured shapes. Needs a current 3.3 core context and a loaded `gl`. False on failure (the
// reason is on stderr).
bool renderer_init();
void renderer_shutdown();

// A texture from RGBA8 pixels, rows top-down. Returns the GL name (never 0 on success).
unsigned renderer_create_texture(const uint8_t *rgba, int width, int height);
void renderer_delete_texture(unsigned texture);
// The 1 x 1 white texture used for filled shapes.
unsigned renderer_white_texture();

// Starts a frame: draws go into the logical picture, cleared to black.
void renderer_begin_frame();
// 0 ordinary alpha blending, 1 additive; a change flushes the pending triangles.
void renderer_set_blend(int mode);
// Queues `count` vertices (a multiple of 3, a triangle list) with that texture and wrap mode.
void renderer_triangles(unsigned texture, Wrap wrap, const Vertex *vertices, int count);
// Sends what is queued.
void renderer_flush();
// Ends the frame: scales the logical picture into the drawable (drawable_w x drawable_h real
// pixels) with its aspect kept; the caller swaps buffers afterwards.
void renderer_present(int drawable_w, int drawable_h);
// The letterbox rectangle of the last present, in real pixels from the window's top left.
void renderer_viewport(int &x, int &y, int &w, int &h);
// Copies the last presented logical picture as RGBA8, rows top-down, 800 x 600 x 4 bytes.
// Before the first present it yields black.
void renderer_read_frame(uint8_t *rgba);
// Draw calls issued since the last call of this function.
int renderer_take_draw_calls();

}  // namespace sdl_engine
