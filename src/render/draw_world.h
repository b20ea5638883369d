// draw_world.h - drawing of the current level: the swaying backdrop, the half-speed grey back layer,
// the ground layer with its textured terrain fills, swaying plants and lamp glows, the hero's
// shadow, the animated objects with the hurt blink, bonus rays, the mole's lamp and the lit
// checkpoints' flames, the front layer, and over everything the bubbles of the signs the hero is
// near (their text through tr(), in the language shown).
//
// In: the World (world.h), a draw context (the level's pictures, the camera, the device stand-in for
// the terrain fills, the sway) and share_textures. Out: engine draw calls only. The only
// state written is the camera's camera_on (left at 1). Nothing here moves anything or decides what
// is in the level.
#pragma once

#include <cstddef>
#include <cstdint>

#include "world/world.h"

// Triangles of a terrain fan built without allocating (outlines of up to this many + 2 points; the
// shipped levels' have at most 6).
constexpr std::size_t kFanInlineTriangles = 32;

// What the drawing reads besides the World.
struct DrawContext {
    const TBase &pictures;        // the level's pictures, looked up by kind and backdrop name
    OE_Camera *camera = nullptr;  // its position is read, its camera_on written; null: at (0, 0)
    OE_Device *device = nullptr;  // the terrain fills go to it; null: no terrain is drawn
    float sway_offset = 0;        // pixels the backdrop's corners sway (the presentation's sway_offset)
    OE_Font *font = nullptr;      // the signs' bubbles are written in it; null: no bubble is drawn
};

// Draws the level once; called by the frame procedure while a level is on screen. Leaves camera_on
// at 1 and the blend mode at 0.
void draw_world(const World &w, const DrawContext &context);

// Fills an outline's polygon, as a fan around its first point, with `texture` repeated across it
// every (texture size / scale) pixels and anchored in the world, tinted by `colour` (0x00BBGGRR).
// (ox, oy) is subtracted from every point to give screen pixels; vertices far off screen are pulled
// to half a screen beyond its edges. A null texture fills it in the plain colour (none is set on
// the device). An outline of fewer than three points, or no device, draws nothing. Allocates nothing for outlines of up to kFanInlineTriangles + 2 points.
void fill_outline(OE_Device *device, const TPolyLine2D &outline, const OE_Texture *texture, int32_t colour, float ox,
                  float oy, float scale);

// Whether a box given in screen pixels can show on the screen (generous margins, strict tests).
bool on_screen(float x, float y, float w, float h);
// The same for a box in world pixels, through the context's camera position.
bool on_screen_world(const DrawContext &context, float x, float y, float w, float h);

// The device's vertex colour for a 0x00BBGGRR colour and an alpha: 0xAARRGGBB.
uint32_t colour_to_argb(int32_t colour, int32_t alpha);
