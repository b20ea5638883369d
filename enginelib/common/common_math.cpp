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

namespace ec {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Sine of whole degrees, exact at multiples of 90 and symmetric by construction.
double sine_degrees(int32_t degrees) {
    int d = int(degrees % 360);
    if (d < 0) d += 360;
    const int quadrant = d / 90;
    const int r = d % 90;
    double s;
    switch (quadrant) {
        case 0: s = r == 0 ? 0.0 : std::sin(r * kPi / 180.0); break;
        case 1: s = r == 0 ? 1.0 : std::cos(r * kPi / 180.0); break;
        case 2: s = r == 0 ? 0.0 : -std::sin(r * kPi / 180.0); break;
        default: s = r == 0 ? -1.0 : -std::cos(r * kPi / 180.0); break;
    }
    return s;
}

}  // namespace

float math_sin(int32_t degrees) { return float(sine_degrees(degrees)); }

float math_cos(int32_t degrees) {
    // cos(d) = sin(d + 90), computed without overflowing the argument.
    return float(sine_degrees(int32_t((int64_t(degrees) % 360) + 90)));
}

int32_t math_round(float value) {
    if (std::isnan(value)) return 0;
    const double r = std::round(double(value));  // halves away from zero
    if (r >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (r <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(r);
}

float math_distance(float x1, float y1, float x2, float y2) {
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    return float(std::sqrt(dx * dx + dy * dy));
}

char *int_to_str(int32_t value, char *buf) {
    std::snprintf(buf, 12, "%d", int(value));
    return buf;
}

void poly_center(OE_PolyLine *polyline) {
    if (!polyline || !polyline->points || polyline->count < 0) return;
    double sx = 0, sy = 0;
    const int n = polyline->count + 1;
    for (int i = 0; i < n; ++i) {
        sx += polyline->points[i].x;
        sy += polyline->points[i].y;
    }
    polyline->cx = float(sx / n);
    polyline->cy = float(sy / n);
}

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
    const double rad = double(in.angle) * kPi / 180.0;
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
