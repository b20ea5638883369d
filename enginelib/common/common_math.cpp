// common_math.cpp - the engines' maths and text helpers (M_Cos, M_Sin, M_Round, M_Distance,
// U_IntToStr, ColEx_PolyCenter) and the sprite geometry shared by the real renderer and the
// tests: four screen corners and texture coordinates from a sprite call. Contracts are in
// engine_common.h.
#include <algorithm>
#include <cmath>
#include <utility>
#include <cstdio>
#include <limits>

#include "engine_common.h"
#include "engine_math.h"

namespace ec {

// The maths is engine_math.h's, so that game code without an engine computes the same.
float math_sin(int32_t degrees) { return engine_math::sin_deg(degrees); }
float math_cos(int32_t degrees) { return engine_math::cos_deg(degrees); }
int32_t math_round(float value) { return engine_math::round(value); }
float math_distance(float x1, float y1, float x2, float y2) { return engine_math::distance(x1, y1, x2, y2); }

char *int_to_str(int32_t value, char *buf) {
    std::snprintf(buf, 12, "%d", int(value));
    return buf;
}

void poly_center(OE_PolyLine *polyline) { engine_math::poly_center(polyline); }

// ==== Sprite geometry ===========================================================================

void sprite_geometry(const SpriteInput &in, SpriteQuad &out) {
    // Corners before rotation: TL, TR, BR, BL.
    float px[4] = {in.x, in.x + in.w, in.x + in.w, in.x};
    float py[4] = {in.y, in.y, in.y + in.h, in.y + in.h};
    if (in.flags & OE_FX_VERTEX)
        for (int i = 0; i < 4; ++i) {
            px[i] += float(in.corner[2 * i]);
            py[i] += float(in.corner[2 * i + 1]);
        }
    const double cx = double(in.x) + double(in.w) / 2, cy = double(in.y) + double(in.h) / 2;
    const double rad = double(in.angle) * engine_math::kPi / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    for (int i = 0; i < 4; ++i) {
        const double dx = px[i] - cx, dy = py[i] - cy;
        // y grows downwards, so this turns clockwise on screen for positive angles.
        out.x[i] = in.angle == 0.0f ? px[i] : float(cx + dx * c - dy * s);
        out.y[i] = in.angle == 0.0f ? py[i] : float(cy + dx * s + dy * c);
    }

    // Texture cell.
    double u0 = 0, v0 = 0, u1 = 1, v1 = 1;
    if (in.frame >= 1 && in.frame_w > 0 && in.frame_h > 0 && in.texture_w > 0 && in.texture_h > 0) {
        const int cols = std::max(1, in.texture_w / in.frame_w);
        const int rows = std::max(1, in.texture_h / in.frame_h);
        const int cell = (in.frame - 1) % (cols * rows);
        const int col = cell % cols, row = cell / cols;
        u0 = double(col) * in.frame_w / in.texture_w;
        u1 = double(col + 1) * in.frame_w / in.texture_w;
        v0 = double(row) * in.frame_h / in.texture_h;
        v1 = double(row + 1) * in.frame_h / in.texture_h;
    }
    if (in.flags & OE_FX_MIRROR) std::swap(u0, u1);
    if (in.flags & OE_FX_FLIP) std::swap(v0, v1);
    const double us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    for (int i = 0; i < 4; ++i) {
        out.u[i] = float(us[i]);
        out.v[i] = float(vs[i]);
    }
}

}  // namespace ec
