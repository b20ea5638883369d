// scenery.cpp - backdrops, terrain fill textures and the scenery sprites of the valley and the mine.
//
// Backdrops (800 x 600, opaque; the game stretches them over the screen): "sky_valley" (day),
// "sky_dawn", "sky_dusk" (the valley at other hours), "sky_mine", "sky_ochre", "sky_slate" (caverns
// of three rocks), "sky_final". Fill textures (256 x 256, opaque, seamless in both directions; the
// game repeats them across terrain outlines, anchored in the world): "earth", "turf" (grass-topped
// earth: the grass band repeats every 256 px downwards), "steppe" and "clover" (the same with dry
// golden grass, with a flowering lawn),
// "stone", "crag" (far mountain rock for the back layer), "minerock", "ochrerock", "slaterock"
// (the mines' rocks: purple, rusty, blue-grey),
// "bgcarst" (the dim cave rock for outlines nothing collides with). Sprites stand on their picture's bottom edge,
// except the lamps, whose flame sits at the picture's centre (the game centres its glow there).
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "art.h"

namespace gfx {
namespace {

constexpr double kTau = 2 * M_PI;
constexpr int kTile = 256;          // fill texture side, pixels

// ---- Backdrops --------------------------------------------------------------------------------

void sky(cairo_t *cr, int w, int h, RGB top, RGB low, double horizon) {
    cairo_pattern_t *p = cairo_pattern_create_linear(0, 0, 0, h * horizon);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, low.r, low.g, low.b);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
}

// A band of hills: a smooth ridge through random heights, filled down to the bottom.
void hills(cairo_t *cr, int w, int h, double base, double amp, int bumps, RGB colour, uint32_t seed, bool lit) {
    Rng rng(seed);
    std::vector<double> ys(bumps + 3);
    for (double &y : ys) y = base - rng.uni() * amp;
    const double step = double(w) / bumps;
    cairo_move_to(cr, -step, ys[0]);
    for (int i = 0; i < bumps + 2; ++i) {
        const double x0 = -step + i * step, x1 = x0 + step;
        cairo_curve_to(cr, x0 + step * 0.5, ys[i], x1 - step * 0.5, ys[i + 1], x1, ys[i + 1]);
    }
    cairo_line_to(cr, w + step, h + 10);
    cairo_line_to(cr, -step, h + 10);
    cairo_close_path(cr);
    if (lit) {
        fill_lit(cr, colour, 0.2);
        cairo_new_path(cr);
    } else {
        set(cr, colour);
        cairo_fill(cr);
    }
}

void cloud(cairo_t *cr, double x, double y, double s, double alpha) {
    // Puffs merged into one shape first, so their overlaps do not show through.
    const double puffs[][3] = {{0, 0, 1}, {-0.9, 0.25, 0.7}, {0.95, 0.2, 0.75}, {0.4, -0.45, 0.7}, {-0.4, -0.35, 0.6}};
    cairo_push_group(cr);
    for (const auto &p : puffs) ellipse(cr, x + p[0] * s, y + p[1] * s, p[2] * s * 1.1, p[2] * s * 0.8);
    cairo_pattern_t *shade = cairo_pattern_create_linear(0, y - s, 0, y + s);
    cairo_pattern_add_color_stop_rgb(shade, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(shade, 1, 0.82, 0.86, 0.94);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, alpha);
}

void tree_silhouette(cairo_t *cr, double x, double y, double s, RGB c) {
    cairo_rectangle(cr, x - s * 0.08, y - s * 0.5, s * 0.16, s * 0.5);
    set(cr, darker(c, 0.2));
    cairo_fill(cr);
    for (auto [dx, dy, r] : {std::tuple{0.0, -0.75, 0.38}, std::tuple{-0.25, -0.55, 0.28}, std::tuple{0.25, -0.58, 0.3}}) {
        ellipse(cr, x + dx * s, y + dy * s, r * s, r * s);
        set(cr, c);
        cairo_fill(cr);
    }
}

}  // namespace

// The green valley, by day (levels, the splash) or at dusk (the menu backdrop "bg": its deep sky
// lets the menu's additive ornaments and the loading screen's white title show).
void valley_backdrop(cairo_t *cr, int w, int h, uint32_t seed, bool dusk) {
    Rng rng(seed);
    if (dusk) {
        sky(cr, w, h, hex(0x1B2F66), hex(0xE89A6A), 0.78);
        for (int i = 0; i < 70; ++i) {
            const double x = rng.range(0, w), y = rng.range(0, h * 0.45);
            glow(cr, x, y, rng.range(1.5, 4), pal::kWhite, rng.range(0.3, 0.8) * (1 - y / (h * 0.5)));
        }
        glow(cr, w * 0.84, h * 0.2, h * 0.22, hex(0xFFF0C0), 0.35);
        // A crescent moon: the disc with a second disc cut out of it.
        cairo_push_group(cr);
        ellipse(cr, w * 0.84, h * 0.2, 30, 30);
        set(cr, hex(0xFFF4D0));
        cairo_fill(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        ellipse(cr, w * 0.84 + 12, h * 0.2 - 6, 26, 26);
        cairo_fill(cr);
        cairo_pop_group_to_source(cr);
        cairo_paint(cr);
        for (int i = 0; i < 4; ++i) {
            const double x = rng.range(0.1, 0.95) * w, y = rng.range(0.3, 0.5) * h;
            cloud(cr, x, y, rng.range(22, 36), 0.18);
        }
        hills(cr, w, h, h * 0.56, h * 0.14, 5, hex(0x4A5A8A), seed + 1, false);
        hills(cr, w, h, h * 0.66, h * 0.1, 6, hex(0x3F6E58), seed + 2, false);
        Rng trees(seed + 9);
        for (int i = 0; i < 9; ++i)
            tree_silhouette(cr, trees.range(0, w), h * trees.range(0.64, 0.72), trees.range(30, 46), hex(0x335E48));
        hills(cr, w, h, h * 0.82, h * 0.1, 4, hex(0x2F6A3A), seed + 3, true);
        hills(cr, w, h, h * 0.96, h * 0.08, 3, hex(0x24552E), seed + 4, true);
        return;
    }
    sky(cr, w, h, pal::kSkyTop, pal::kSkyLow, 0.75);
    glow(cr, w * 0.16, h * 0.14, h * 0.5, hex(0xFFF6C0), 0.8);
    ellipse(cr, w * 0.16, h * 0.14, 38, 38);
    set(cr, hex(0xFFF8D8));
    cairo_fill(cr);
    for (int i = 0; i < 5; ++i) cloud(cr, rng.range(0.1, 0.95) * w, rng.range(0.08, 0.35) * h, rng.range(26, 46), 0.75);
    hills(cr, w, h, h * 0.52, h * 0.16, 5, hex(0x9CC8D8), seed + 1, false);      // far blue mountains
    hills(cr, w, h, h * 0.64, h * 0.1, 6, hex(0x8CC86A), seed + 2, false);
    Rng trees(seed + 9);
    for (int i = 0; i < 9; ++i)
        tree_silhouette(cr, trees.range(0, w), h * trees.range(0.62, 0.7), trees.range(30, 46), hex(0x6AAA52));
    hills(cr, w, h, h * 0.8, h * 0.1, 4, pal::kGrass, seed + 3, true);
    hills(cr, w, h, h * 0.95, h * 0.08, 3, hex(0x4A9A30), seed + 4, true);
}

namespace {

void sky_valley(cairo_t *cr, int w, int h) { valley_backdrop(cr, w, h, 21, false); }

// The valley at another hour: the sky's gradient, the sun (or its glow low in the haze), the
// clouds' colour and the four bands of hills from far to near, with a row of trees in the middle.
struct ValleyHour {
    RGB sky_top, sky_low;
    double horizon;                 // share of the height where the gradient ends
    double sun_x, sun_y, sun_r;     // shares of the width and height; radius in pixels
    RGB sun, sun_glow;
    double glow_r, glow_alpha;      // share of the height; 0..1
    RGB cloud;
    double cloud_alpha;
    RGB haze;                       // a band of mist over the far hills
    double haze_alpha;
    RGB far, mid, trees, near, front;
};

void valley_hour(cairo_t *cr, int w, int h, uint32_t seed, const ValleyHour &v) {
    Rng rng(seed);
    sky(cr, w, h, v.sky_top, v.sky_low, v.horizon);
    glow(cr, w * v.sun_x, h * v.sun_y, h * v.glow_r, v.sun_glow, v.glow_alpha);
    ellipse(cr, w * v.sun_x, h * v.sun_y, v.sun_r, v.sun_r);
    set(cr, v.sun);
    cairo_fill(cr);
    for (int i = 0; i < 5; ++i) {
        const double x = rng.range(0.05, 0.95) * w, y = rng.range(0.06, 0.38) * h, s = rng.range(24, 44);
        // A flat cloud in the hour's colour: three puffs and a long base.
        cairo_push_group(cr);
        for (auto [dx, dy, r] : {std::tuple{0.0, 0.0, 1.0}, std::tuple{-0.9, 0.3, 0.65}, std::tuple{0.9, 0.25, 0.7}})
            ellipse(cr, x + dx * s, y + dy * s, r * s * 1.2, r * s * 0.6);
        set(cr, v.cloud);
        cairo_fill(cr);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, v.cloud_alpha);
    }
    hills(cr, w, h, h * 0.52, h * 0.16, 5, v.far, seed + 1, false);
    cairo_pattern_t *mist = cairo_pattern_create_linear(0, h * 0.45, 0, h * 0.66);
    cairo_pattern_add_color_stop_rgba(mist, 0, v.haze.r, v.haze.g, v.haze.b, 0);
    cairo_pattern_add_color_stop_rgba(mist, 0.7, v.haze.r, v.haze.g, v.haze.b, v.haze_alpha);
    cairo_pattern_add_color_stop_rgba(mist, 1, v.haze.r, v.haze.g, v.haze.b, 0);
    cairo_rectangle(cr, 0, h * 0.45, w, h * 0.21);
    cairo_set_source(cr, mist);
    cairo_fill(cr);
    cairo_pattern_destroy(mist);
    hills(cr, w, h, h * 0.64, h * 0.1, 6, v.mid, seed + 2, false);
    Rng trees(seed + 9);
    for (int i = 0; i < 9; ++i) tree_silhouette(cr, trees.range(0, w), h * trees.range(0.62, 0.7), trees.range(30, 46), v.trees);
    hills(cr, w, h, h * 0.8, h * 0.1, 4, v.near, seed + 3, true);
    hills(cr, w, h, h * 0.95, h * 0.08, 3, v.front, seed + 4, true);
}

// Early morning: a pale sky warming at the horizon, the sun just up on the left, mist in the dales.
void sky_dawn(cairo_t *cr, int w, int h) {
    valley_hour(cr, w, h, 31,
                {hex(0x7896D0), hex(0xFFD2A8), 0.8, 0.14, 0.58, 30, hex(0xFFF0C8), hex(0xFFC890), 0.55, 0.9,
                 hex(0xFFE4D8), 0.8, hex(0xFFF4EC), 0.75, hex(0xB4A6C8), hex(0x98BC8C), hex(0x78A868),
                 hex(0x68AC46), hex(0x4E9634)});
}

// Evening: a deep violet sky over an orange horizon, a large low sun on the right, hills in shade.
void sky_dusk(cairo_t *cr, int w, int h) {
    valley_hour(cr, w, h, 41,
                {hex(0x3C3C8C), hex(0xF8A060), 0.78, 0.76, 0.5, 44, hex(0xFFD890), hex(0xFF9A50), 0.6, 0.85,
                 hex(0xF0A0A0), 0.55, hex(0xF0B090), 0.35, hex(0x8A6A9C), hex(0x6C8458), hex(0x4C6A44),
                 hex(0x4E7E34), hex(0x3C6A2A)});
}

// A cave's far rock written straight into the surface: noise between `dark` and `light`, a little
// lighter towards the top.
void cave_rock_noise(cairo_t *cr, int w, int h, RGB dark, RGB light, uint32_t seed) {
    cairo_surface_t *s = cairo_get_target(cr);
    cairo_surface_flush(s);
    unsigned char *d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double n = fbm(x / 90.0, y / 90.0, 64, seed, 5);
            const double v = std::clamp(n * 1.4 - 0.2 + (1 - double(y) / h) * 0.15, 0.0, 1.0);
            const RGB c = mix(dark, light, v);
            reinterpret_cast<uint32_t *>(d + y * stride)[x] = 0xFF000000u | (uint32_t(c.r * 255) << 16) |
                                                            (uint32_t(c.g * 255) << 8) | uint32_t(c.b * 255);
        }
    cairo_surface_mark_dirty(s);
}

// A cavern of another rock: the deep-mine backdrop's noise between two colours, far lamp glows,
// crystal glints, distant timber arches in `timber` and a dark floor ridge.
void cavern(cairo_t *cr, int w, int h, RGB light, RGB dark, RGB timber, RGB floor, RGB glint_a, RGB glint_b,
            uint32_t seed) {
    cave_rock_noise(cr, w, h, dark, light, seed);
    Rng rng(seed + 1);
    for (int i = 0; i < 6; ++i) glow(cr, rng.range(0, w), rng.range(h * 0.2, h * 0.7), rng.range(60, 120), pal::kLamp, 0.25);
    for (int i = 0; i < 14; ++i) {
        const double x = rng.range(0, w), y = rng.range(0, h * 0.8), r = rng.range(1.5, 3.5);
        glow(cr, x, y, r * 3, i % 3 ? glint_a : glint_b, 0.35);
    }
    for (int i = 0; i < 4; ++i) {
        const double x = 40 + i * 210 + rng.range(-20, 20), top = h * rng.range(0.3, 0.4);
        set(cr, timber);
        cairo_rectangle(cr, x, top, 14, h - top);
        cairo_rectangle(cr, x + 120, top, 14, h - top);
        cairo_rectangle(cr, x - 10, top - 2, 154, 16);
        cairo_fill(cr);
    }
    hills(cr, w, h, h * 0.9, h * 0.08, 5, floor, seed + 2, false);
}

// The ochre mine: iron-stained rock, warm and rusty, with amber and green glints.
void sky_ochre(cairo_t *cr, int w, int h) {
    cavern(cr, w, h, hex(0x6A4A30), hex(0x24160E), hex(0x1C120A), hex(0x2C1C12), hex(0xFFB040), hex(0x9CE07A), 51);
}

// The slate mine: cold blue-grey rock with ice-blue glints.
void sky_slate(cairo_t *cr, int w, int h) {
    cavern(cr, w, h, hex(0x3E4E62), hex(0x141A24), hex(0x10141C), hex(0x1A222E), hex(0xA0E8FF), hex(0xFFFFFF), 61);
}

void sky_mine(cairo_t *cr, int w, int h) {
    // A deep cavern: rock with a noisy texture, crystal glints and far lamp glows.
    cave_rock_noise(cr, w, h, hex(0x1A1420), hex(0x3A2E44), 5);
    Rng rng(8);
    for (int i = 0; i < 6; ++i) glow(cr, rng.range(0, w), rng.range(h * 0.2, h * 0.7), rng.range(60, 120), pal::kLamp, 0.25);
    for (int i = 0; i < 14; ++i) {
        const double x = rng.range(0, w), y = rng.range(0, h * 0.8), r = rng.range(1.5, 3.5);
        glow(cr, x, y, r * 3, i % 3 ? pal::kCyan : pal::kMagenta, 0.35);
    }
    // Timber arches in the distance.
    for (int i = 0; i < 4; ++i) {
        const double x = 60 + i * 220 + rng.range(-20, 20);
        set(cr, hex(0x2A2026));
        cairo_rectangle(cr, x, h * 0.35, 14, h * 0.65);
        cairo_rectangle(cr, x + 120, h * 0.35, 14, h * 0.65);
        cairo_rectangle(cr, x - 10, h * 0.33, 154, 16);
        cairo_fill(cr);
    }
    hills(cr, w, h, h * 0.9, h * 0.08, 5, hex(0x241C2A), 44, false);
}

void sky_final(cairo_t *cr, int w, int h) {
    sky(cr, w, h, hex(0x3A3A80), hex(0xFFB070), 0.8);
    Rng rng(2);
    for (int i = 0; i < 60; ++i) {
        const double x = rng.range(0, w), y = rng.range(0, h * 0.35);
        glow(cr, x, y, rng.range(2, 5), pal::kWhite, rng.range(0.4, 0.9));
    }
    glow(cr, w * 0.62, h * 0.62, h * 0.6, hex(0xFFD080), 0.9);
    ellipse(cr, w * 0.62, h * 0.62, 60, 60);
    set(cr, hex(0xFFE8A0));
    cairo_fill(cr);
    hills(cr, w, h, h * 0.66, h * 0.12, 5, hex(0x7A5A88), 61, false);
    hills(cr, w, h, h * 0.78, h * 0.1, 4, hex(0x4A6A4A), 62, false);
    for (int i = 0; i < 7; ++i) tree_silhouette(cr, rng.range(0, w), h * rng.range(0.78, 0.84), rng.range(40, 60), hex(0x34503A));
    hills(cr, w, h, h * 0.93, h * 0.06, 3, hex(0x2E4A30), 63, false);
}

// ---- Fill textures ----------------------------------------------------------------------------

// Writes a seamless noise texture straight into the surface: colour = ramp(fbm).
void noise_fill(cairo_t *cr, int w, int h, RGB lo, RGB hi, double cells, uint32_t seed, double contrast) {
    cairo_surface_t *s = cairo_get_target(cr);
    cairo_surface_flush(s);
    unsigned char *d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const int period = static_cast<int>(cells);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double n = fbm(x * cells / w, y * cells / h, period, seed, 5);
            const double v = std::clamp(0.5 + (n - 0.5) * contrast, 0.0, 1.0);
            const RGB c = mix(lo, hi, v);
            reinterpret_cast<uint32_t *>(d + y * stride)[x] = 0xFF000000u | (uint32_t(c.r * 255) << 16) |
                                                            (uint32_t(c.g * 255) << 8) | uint32_t(c.b * 255);
        }
    cairo_surface_mark_dirty(s);
}

// Calls fn at (x, y) and at its wrapped copies, so shapes crossing an edge continue on the other side.
template <class Fn>
void wrapped(int w, int h, double x, double y, Fn fn) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) fn(x + dx * w, y + dy * h);
}

void pebbles(cairo_t *cr, int w, int h, int count, RGB c, double rmin, double rmax, uint32_t seed, double y0 = 0) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        const double x = rng.range(0, w), y = rng.range(y0, h), rx = rng.range(rmin, rmax), ry = rx * rng.range(0.6, 0.9);
        const RGB col = mix(c, pal::kWhite, rng.range(0, 0.2));
        wrapped(w, h, x, y, [&](double px, double py) {
            if (py - ry < y0 && y0 > 0) return;
            ellipse(cr, px, py, rx, ry);
            fill_lit(cr, col, 0.35);
            cairo_set_source_rgba(cr, pal::kOutline.r, pal::kOutline.g, pal::kOutline.b, 0.5);
            cairo_set_line_width(cr, 1.2);
            cairo_stroke(cr);
        });
    }
}

void earth(cairo_t *cr, int w, int h) {
    noise_fill(cr, w, h, pal::kEarthDark, pal::kEarth, 8, 101, 1.6);
    pebbles(cr, w, h, 26, hex(0xB89870), 3, 7, 102);
    // Roots.
    Rng rng(103);
    set(cr, hex(0x5A3418), 0.6);
    cairo_set_line_width(cr, 1.8);
    for (int i = 0; i < 6; ++i) {
        const double x = rng.range(0, w), y = rng.range(0, h), dx = rng.range(-30, 30);
        wrapped(w, h, x, y, [&](double px, double py) {
            cairo_move_to(cr, px, py);
            cairo_curve_to(cr, px + dx * 0.3, py + 10, px + dx * 0.7, py + 14, px + dx, py + 26);
            cairo_stroke(cr);
        });
    }
}

void turf(cairo_t *cr, int w, int h) {
    earth(cr, w, h);
    // The grass band: a wavy lower edge with blades hanging over the soil.
    const double band = 44;
    auto wavy_edge = [&] {
        for (int i = 32; i >= 0; --i) {
            const double x = w * i / 32.0;
            cairo_line_to(cr, x, band + 6 * std::sin(x / w * kTau * 4) + ((i % 2) ? 8 : 0));
        }
    };
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, w, 0);
    cairo_line_to(cr, w, band);
    wavy_edge();
    cairo_close_path(cr);
    cairo_pattern_t *p = cairo_pattern_create_linear(0, 0, 0, band + 12);
    cairo_pattern_add_color_stop_rgb(p, 0, pal::kGrassLight.r, pal::kGrassLight.g, pal::kGrassLight.b);
    cairo_pattern_add_color_stop_rgb(p, 1, pal::kGrassDark.r, pal::kGrassDark.g, pal::kGrassDark.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Only the wavy edge is outlined: a line down the tile's sides would show as a seam every
    // tile width once the texture repeats.
    cairo_move_to(cr, w, band);
    wavy_edge();
    set(cr, pal::kOutline, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // Blade strokes in the band.
    Rng rng(104);
    for (int i = 0; i < 90; ++i) {
        const double x = rng.range(0, w), y = rng.range(6, band);
        wrapped(w, h, x, y, [&](double px, double py) {
            cairo_move_to(cr, px, py);
            cairo_line_to(cr, px + rng.range(-2, 2), py - rng.range(5, 10));
        });
        set(cr, rng.uni() < 0.5 ? pal::kGrassLight : pal::kGrassDark, 0.8);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
}

void stone(cairo_t *cr, int w, int h) {
    noise_fill(cr, w, h, pal::kStoneDark, pal::kStone, 8, 201, 1.5);
    // Cobbles on a staggered grid (seamless: 4 x 5 cells of a 256 tile).
    Rng rng(202);
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 4; ++col) {
            const double cw = w / 4.0, ch = h / 5.0;
            // A quarter-cell shift keeps every joint away from the tile's edges.
            const double x = col * cw + (row % 2) * cw / 2 + cw / 4 + rng.range(-4, 4), y = row * ch + ch / 4 + rng.range(-3, 3);
            const RGB c = mix(pal::kStone, pal::kStoneDark, rng.range(0, 0.5));
            wrapped(w, h, x, y, [&](double px, double py) {
                rounded_rect(cr, px + 3, py + 3, cw - 6, ch - 6, 10);
                fill_lit(cr, c, 0.3);
                cairo_set_source_rgba(cr, pal::kOutline.r, pal::kOutline.g, pal::kOutline.b, 0.6);
                cairo_set_line_width(cr, 2);
                cairo_stroke(cr);
            });
        }
}

// Mine rock: noise between two colours, pebbles, ore veins and crystal chips of two colours.
void coloured_rock(cairo_t *cr, int w, int h, RGB dark, RGB light, RGB pebble, RGB vein, RGB chip_a, RGB chip_b,
                   uint32_t seed) {
    noise_fill(cr, w, h, dark, light, 8, seed, 1.8);
    pebbles(cr, w, h, 14, pebble, 5, 12, seed + 1);
    Rng rng(seed + 2);
    for (int i = 0; i < 5; ++i) {
        const double x = rng.range(0, w), y = rng.range(0, h);
        wrapped(w, h, x, y, [&](double px, double py) {
            cairo_move_to(cr, px, py);
            cairo_curve_to(cr, px + 20, py + 10, px + 30, py - 8, px + 60, py + 4);
        });
        set(cr, vein, 0.6);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 8; ++i) {
        const double x = rng.range(0, w), y = rng.range(0, h);
        wrapped(w, h, x, y, [&](double px, double py) {
            cairo_move_to(cr, px, py - 5);
            cairo_line_to(cr, px + 3, py);
            cairo_line_to(cr, px, py + 5);
            cairo_line_to(cr, px - 3, py);
            cairo_close_path(cr);
            set(cr, (i % 2) ? chip_a : chip_b, 0.9);
            cairo_fill(cr);
        });
    }
}

void minerock(cairo_t *cr, int w, int h) {
    coloured_rock(cr, w, h, pal::kMineDark, pal::kMineRock, hex(0x6E5C74), pal::kGoldDark, pal::kCyan, pal::kMagenta, 301);
}

void ochrerock(cairo_t *cr, int w, int h) {
    coloured_rock(cr, w, h, hex(0x3A2414), hex(0x8A5A34), hex(0xA87A4E), hex(0xE0A040), hex(0xFFB040), hex(0x9CE07A), 311);
}

void slaterock(cairo_t *cr, int w, int h) {
    coloured_rock(cr, w, h, hex(0x1E2630), hex(0x56687C), hex(0x7A8C9E), hex(0xC8D4E0), hex(0xA0E8FF), hex(0xFFFFFF), 321);
}

// A grass-topped fill of another season: the turf's earth under a band of grass in other
// colours (gradient from `top` to `low`, blades in `blade_a` and `blade_b`), with `flowers` little
// blossoms of five petals in the band.
struct GrassBand {
    double band;        // pixels
    RGB top, low, blade_a, blade_b;
    int flowers;
    uint32_t seed;
};

void grass_band_fill(cairo_t *cr, int w, int h, const GrassBand &g) {
    earth(cr, w, h);
    auto wavy_edge = [&] {
        for (int i = 32; i >= 0; --i) {
            const double x = w * i / 32.0;
            cairo_line_to(cr, x, g.band + 5 * std::sin(x / w * kTau * 3) + ((i % 2) ? 7 : 0));
        }
    };
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, w, 0);
    cairo_line_to(cr, w, g.band);
    wavy_edge();
    cairo_close_path(cr);
    cairo_pattern_t *p = cairo_pattern_create_linear(0, 0, 0, g.band + 12);
    cairo_pattern_add_color_stop_rgb(p, 0, g.top.r, g.top.g, g.top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, g.low.r, g.low.g, g.low.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Only the wavy edge is outlined, as on the turf (no seam down the tile's sides).
    cairo_move_to(cr, w, g.band);
    wavy_edge();
    set(cr, pal::kOutline, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    Rng rng(g.seed);
    for (int i = 0; i < 90; ++i) {
        const double x = rng.range(0, w), y = rng.range(6, g.band);
        wrapped(w, h, x, y, [&](double px, double py) {
            cairo_move_to(cr, px, py);
            cairo_line_to(cr, px + rng.range(-3, 3), py - rng.range(5, 11));
        });
        set(cr, rng.uni() < 0.5 ? g.blade_a : g.blade_b, 0.8);
        cairo_set_line_width(cr, 1.4);
        cairo_stroke(cr);
    }
    for (int i = 0; i < g.flowers; ++i) {
        const double x = rng.range(0, w), y = rng.range(8, g.band - 6);
        const RGB petal = (i % 3 == 0) ? pal::kPink : (i % 3 == 1) ? pal::kWhite : hex(0xFFE066);
        wrapped(w, h, x, y, [&](double px, double py) {
            if (px < -6 || px > w + 6) return;
            for (int k = 0; k < 5; ++k) {
                const double a = k * kTau / 5;
                ellipse(cr, px + std::cos(a) * 2.6, py + std::sin(a) * 2.6, 2.2, 2.2);
                set(cr, petal);
                cairo_fill(cr);
            }
            ellipse(cr, px, py, 1.4, 1.4);
            set(cr, pal::kGold);
            cairo_fill(cr);
        });
    }
}

// Late summer: dry, golden grass.
void steppe(cairo_t *cr, int w, int h) {
    grass_band_fill(cr, w, h, {40, hex(0xDECC6A), hex(0x8C8C34), hex(0xF0DC8A), hex(0x8A8A34), 0, 105});
}

// A garden's lawn: deep green clover with white, pink and yellow blossoms.
void clover(cairo_t *cr, int w, int h) {
    grass_band_fill(cr, w, h, {46, hex(0x7CC850), hex(0x2A7030), hex(0x9ADC64), hex(0x3A8A34), 22, 106});
}

// Distant mountain rock for the back layer: smooth blue-grey faces with a few pale streaks of
// weathering running down them (no cobbles: at half size, tinted grey, it reads as far crags).
void crag(cairo_t *cr, int w, int h) {
    noise_fill(cr, w, h, hex(0x4E5666), hex(0x9AA2B4), 5, 501, 1.5);
    Rng rng(502);
    for (int i = 0; i < 9; ++i) {
        const double x = rng.range(0, w), y = rng.range(0, h), len = rng.range(30, 80);
        wrapped(w, h, x, y, [&](double px, double py) {
            cairo_move_to(cr, px, py);
            cairo_curve_to(cr, px + 4, py + len * 0.3, px - 4, py + len * 0.6, px + 2, py + len);
        });
        set(cr, hex(0xD8DEE8), 0.35);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
    }
}

void bgcarst(cairo_t *cr, int w, int h) {
    noise_fill(cr, w, h, hex(0x1E1824), hex(0x3E3248), 6, 401, 1.5);
    pebbles(cr, w, h, 10, hex(0x4A3E54), 8, 16, 402);
}

// ---- Plants -------------------------------------------------------------------------------------

void leaf_ball(cairo_t *cr, double x, double y, double r, RGB c, uint32_t seed, int count) {
    Rng rng(seed);
    ellipse(cr, x, y, r, r * 0.85);
    shape(cr, c, kOutlineWidth, 0.35);
    // Little leaves over the crown: lit ones up and to the left, shaded ones down and right.
    cairo_save(cr);
    ellipse(cr, x, y, r - 2, r * 0.85 - 2);
    cairo_clip(cr);
    for (int i = 0; i < count * 2; ++i) {
        const double a = rng.range(0, kTau), d = std::sqrt(rng.uni()) * r * 0.85;
        const double lx = x + std::cos(a) * d, ly = y + std::sin(a) * d * 0.85;
        const double lit = ((x - lx) + (y - ly)) / (2 * r);      // > 0 towards the top left
        const RGB lc = lit > 0 ? lighter(c, 0.12 + lit * 0.35) : darker(c, 0.1 - lit * 0.3);
        cairo_save(cr);
        cairo_translate(cr, lx, ly);
        cairo_rotate(cr, rng.range(-0.8, 0.8));
        ellipse(cr, 0, 0, r * 0.13 + 2, r * 0.08 + 1.5);
        set(cr, lc, 0.85);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_restore(cr);
}

void mush(cairo_t *cr, int w, int h) {
    // Stem.
    cairo_move_to(cr, 24, 62);
    cairo_curve_to(cr, 22, 48, 25, 36, 27, 30);
    cairo_line_to(cr, 37, 30);
    cairo_curve_to(cr, 39, 36, 42, 48, 40, 62);
    cairo_close_path(cr);
    shape(cr, hex(0xF4EAD8));
    // Cap.
    cairo_move_to(cr, 4, 34);
    cairo_curve_to(cr, 4, 8, 60, 8, 60, 34);
    cairo_curve_to(cr, 44, 38, 20, 38, 4, 34);
    cairo_close_path(cr);
    shape(cr, pal::kRed, kOutlineWidth, 0.35);
    for (auto [x, y, r] : {std::tuple{20.0, 22.0, 4.5}, std::tuple{36.0, 17.0, 3.5}, std::tuple{47.0, 26.0, 4.0},
                           std::tuple{12.0, 30.0, 2.5}}) {
        ellipse(cr, x, y, r, r * 0.8);
        set(cr, pal::kWhite);
        cairo_fill(cr);
    }
    gloss(cr, 20, 16, 8, 4, 0.4);
    // Grass at the foot.
    for (int i = 0; i < 5; ++i) {
        const double x = 16 + i * 8;
        cairo_move_to(cr, x - 3, 64);
        cairo_line_to(cr, x + (i % 2 ? 2 : -2), 52 + (i % 3) * 2);
        cairo_line_to(cr, x + 3, 64);
        cairo_close_path(cr);
        shape(cr, pal::kGrass, 1.2);
    }
}

void bush(cairo_t *cr, int w, int h) {
    leaf_ball(cr, 36, 62, 30, pal::kLeafDark, 1, 10);
    leaf_ball(cr, 92, 60, 32, pal::kLeafDark, 2, 10);
    leaf_ball(cr, 64, 46, 38, pal::kGrass, 3, 16);
    Rng rng(4);
    for (int i = 0; i < 6; ++i) {
        const double x = rng.range(28, 100), y = rng.range(32, 80);
        ellipse(cr, x, y, 4, 4);
        shape(cr, hex(0xE0344E), 1.2);
    }
}

void kust(cairo_t *cr, int w, int h) {
    // A tall shrub: woody stems rising into three leafy crowns with white blossoms.
    for (int s = -1; s <= 1; ++s) {
        cairo_move_to(cr, 64 + s * 4, 128);
        cairo_curve_to(cr, 64 + s * 8, 100, 64 + s * 24, 80, 64 + s * 30, 56);
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, 7);
        cairo_stroke_preserve(cr);
        set(cr, pal::kWoodDark);
        cairo_set_line_width(cr, 3.5);
        cairo_stroke(cr);
    }
    leaf_ball(cr, 34, 56, 28, pal::kLeafDark, 5, 10);
    leaf_ball(cr, 94, 54, 28, pal::kLeafDark, 6, 10);
    leaf_ball(cr, 64, 38, 34, pal::kLeaf, 7, 14);
    Rng rng(8);
    for (int i = 0; i < 8; ++i) {
        const double x = rng.range(20, 108), y = rng.range(16, 74);
        for (int k = 0; k < 5; ++k) {
            const double a = k * kTau / 5;
            ellipse(cr, x + std::cos(a) * 3, y + std::sin(a) * 3, 2.6, 2.6);
            set(cr, pal::kWhite);
            cairo_fill(cr);
        }
        ellipse(cr, x, y, 1.6, 1.6);
        set(cr, pal::kGold);
        cairo_fill(cr);
    }
}

void oak(cairo_t *cr, int w, int h) {
    // Trunk with roots and two branches.
    cairo_move_to(cr, 96, 320);
    cairo_curve_to(cr, 110, 300, 112, 250, 110, 200);
    cairo_curve_to(cr, 100, 170, 80, 150, 60, 140);
    cairo_line_to(cr, 72, 130);
    cairo_curve_to(cr, 96, 140, 112, 160, 122, 176);
    cairo_curve_to(cr, 130, 150, 160, 130, 190, 124);
    cairo_line_to(cr, 194, 136);
    cairo_curve_to(cr, 160, 150, 146, 176, 146, 200);
    cairo_curve_to(cr, 144, 250, 146, 300, 162, 320);
    cairo_close_path(cr);
    shape(cr, hex(0x8A5A32), 3, 0.35);
    set(cr, hex(0x5A3418), 0.6);
    cairo_set_line_width(cr, 2);
    for (double x : {120.0, 132.0, 140.0}) {
        cairo_move_to(cr, x, 310);
        cairo_curve_to(cr, x - 3, 280, x + 3, 250, x, 215);
        cairo_stroke(cr);
    }
    // Crown: overlapping leaf balls, darker at the back and bottom.
    leaf_ball(cr, 60, 120, 56, pal::kLeafDark, 11, 18);
    leaf_ball(cr, 196, 116, 56, pal::kLeafDark, 12, 18);
    leaf_ball(cr, 128, 132, 60, pal::kLeafDark, 13, 18);
    leaf_ball(cr, 90, 76, 64, pal::kGrass, 14, 24);
    leaf_ball(cr, 170, 80, 62, pal::kGrass, 15, 24);
    leaf_ball(cr, 128, 50, 50, lighter(pal::kGrass, 0.15), 16, 18);
    // Acorns.
    Rng rng(17);
    for (int i = 0; i < 7; ++i) {
        const double x = rng.range(50, 210), y = rng.range(60, 150);
        ellipse(cr, x, y + 3, 4, 5);
        shape(cr, hex(0xC08A3A), 1.3);
        ellipse(cr, x, y - 1, 4.5, 2.5);
        shape(cr, hex(0x6A4A2A), 1.3);
    }
}

void rast(cairo_t *cr, int w, int h) {
    // A fern-like plant: curved fronds with paired leaflets.
    const double angles[] = {-0.32, -0.12, 0.08, 0.28};
    for (int f = 0; f < 4; ++f) {
        const double a = angles[f], len = 62 + (f % 2) * 12;
        const double tx = 32 + std::sin(a) * len, ty = 96 - std::cos(a) * len;
        cairo_move_to(cr, 32, 96);
        cairo_curve_to(cr, 32, 70, tx - std::sin(a) * 20, ty + 24, tx, ty);
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, 4);
        cairo_stroke_preserve(cr);
        set(cr, pal::kLeafDark);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        for (int k = 1; k <= 6; ++k) {
            const double t = k / 7.0;
            const double x = 32 + (tx - 32) * t, y = 96 + (ty - 96) * t;
            const double r = 8 * (1 - t * 0.6);
            for (int s = -1; s <= 1; s += 2) {
                cairo_save(cr);
                cairo_translate(cr, x, y);
                cairo_rotate(cr, a + s * 1.1);
                ellipse(cr, 0, -r, r * 0.4, r);
                shape(cr, f % 2 ? pal::kGrass : pal::kLeaf, 1.4, 0.3);
                cairo_restore(cr);
            }
        }
    }
}

void grass(cairo_t *cr, int w, int h, uint32_t seed, int blades) {
    // A tuft: a solid mound at the foot with broad blades fanning out of it, back ones darker.
    Rng rng(seed);
    for (int layer = 0; layer < 2; ++layer)
        for (int i = 0; i < blades / 3 + 1; ++i) {
            const double x = rng.range(w * 0.15, w * 0.85), tall = rng.range(h * 0.55, h * 0.95) * (layer ? 0.85 : 1);
            const double lean = (x - w / 2.0) * 0.35 + rng.range(-5, 5), half = rng.range(5.0, 8.0) * h / 40.0;
            cairo_move_to(cr, x - half, h);
            cairo_curve_to(cr, x - half, h - tall * 0.5, x + lean * 0.5, h - tall * 0.85, x + lean, h - tall);
            cairo_curve_to(cr, x + lean * 0.4 + half * 0.4, h - tall * 0.6, x + half, h - tall * 0.3, x + half, h);
            cairo_close_path(cr);
            const RGB c = layer ? (rng.uni() < 0.5 ? pal::kGrass : pal::kGrassLight) : mix(pal::kGrass, pal::kGrassDark, 0.5);
            shape(cr, c, 1.4, 0.25);
        }
    ellipse(cr, w / 2.0, h + 2, w * 0.38, 6);
    shape(cr, pal::kGrass, 1.6, 0.2);
}

// ---- Rocks, fences ------------------------------------------------------------------------------

void rock(cairo_t *cr, int w, int h, uint32_t seed, RGB c) {
    Rng rng(seed);
    const int n = 9;
    std::vector<std::pair<double, double>> pts{{4, h - 1.5}};
    for (int i = 1; i < n; ++i) {
        const double a = M_PI + i * M_PI / n;
        const double rx = (w / 2.0 - 4) * rng.range(0.85, 1.0), ry = (h - 6) * rng.range(0.8, 1.0);
        pts.push_back({w / 2.0 + std::cos(a) * rx, h - 1.5 + std::sin(a) * ry});
    }
    pts.push_back({w - 4, h - 1.5});
    auto path = [&] {
        cairo_move_to(cr, pts[0].first, pts[0].second);
        for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].first, pts[i].second);
        cairo_close_path(cr);
    };
    path();
    fill_lit(cr, c, 0.45);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    // Cracks and a cap of moss, kept inside the rock.
    cairo_new_path(cr);
    cairo_move_to(cr, w * 0.6, h * 0.35);
    cairo_line_to(cr, w * 0.55, h * 0.55);
    cairo_line_to(cr, w * 0.62, h * 0.7);
    set(cr, pal::kOutline, 0.6);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    ellipse(cr, w * 0.38, 0, w * 0.3, h * 0.3);
    set(cr, pal::kGrass, 0.9);
    cairo_fill(cr);
    cairo_restore(cr);
    path();
    outline(cr);
    gloss(cr, w * 0.3, h * 0.45, w * 0.12, h * 0.1, 0.3);
}

void fence1(cairo_t *cr, int w, int h) {
    for (double y : {26.0, 46.0}) {
        rounded_rect(cr, 2, y, w - 4, 8, 3);
        shape(cr, pal::kWood, 2);
    }
    for (int i = 0; i < 5; ++i) {
        const double x = 6 + i * 26;
        cairo_move_to(cr, x, h);
        cairo_line_to(cr, x, 10);
        cairo_line_to(cr, x + 7, 3);
        cairo_line_to(cr, x + 14, 10);
        cairo_line_to(cr, x + 14, h);
        cairo_close_path(cr);
        shape(cr, lighter(pal::kWood, 0.1), 2);
    }
}

void fence2(cairo_t *cr, int w, int h) {
    // A split-rail fence post with two rails.
    for (double y : {18.0, 38.0}) {
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, w, y + 3);
        cairo_line_to(cr, w, y + 11);
        cairo_line_to(cr, 0, y + 8);
        cairo_close_path(cr);
        shape(cr, pal::kWood, 2);
    }
    rounded_rect(cr, w / 2.0 - 6, 6, 12, h - 6, 3);
    shape(cr, pal::kWoodDark, 2);
}

// ---- Mine -------------------------------------------------------------------------------------

void plank(cairo_t *cr, double x, double y, double w, double h, uint32_t seed) {
    rounded_rect(cr, x, y, w, h, 3);
    fill_lit(cr, pal::kWood, 0.3);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    cairo_new_path(cr);
    Rng rng(seed);
    set(cr, pal::kWoodDark, 0.5);
    cairo_set_line_width(cr, 1.3);
    const bool tall = h > w;
    for (int i = 0; i < 5; ++i) {
        const double o = rng.range(0.15, 0.85);
        if (tall) {
            cairo_move_to(cr, x + w * o, y);
            cairo_curve_to(cr, x + w * o + 3, y + h * 0.3, x + w * o - 3, y + h * 0.6, x + w * o, y + h);
        } else {
            cairo_move_to(cr, x, y + h * o);
            cairo_curve_to(cr, x + w * 0.3, y + h * o + 3, x + w * 0.6, y + h * o - 3, x + w, y + h * o);
        }
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    outline(cr, 2.5);
}

void beam1(cairo_t *cr, int w, int h) {
    plank(cr, 14, 10, 36, h - 10, 1);
    plank(cr, 4, 2, 56, 16, 2);
}

void beam2(cairo_t *cr, int w, int h) {
    plank(cr, 2, 8, w - 4, 32, 3);
    for (double x : {20.0, w - 20.0}) {
        ellipse(cr, x, 24, 4, 4);
        shape(cr, pal::kStone, 1.5);
    }
}

void beam3(cairo_t *cr, int w, int h) {
    // A timber frame holding up the mine's ceiling: two posts, a cap beam and braces.
    plank(cr, 24, 24, 30, h - 24, 4);
    plank(cr, w - 54, 24, 30, h - 24, 5);
    cairo_move_to(cr, 54, 70);
    cairo_line_to(cr, 90, 36);
    cairo_move_to(cr, w - 54, 70);
    cairo_line_to(cr, w - 90, 36);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 12);
    cairo_stroke_preserve(cr);
    set(cr, pal::kWoodDark);
    cairo_set_line_width(cr, 7);
    cairo_stroke(cr);
    plank(cr, 4, 8, w - 8, 32, 6);
}

void rail1(cairo_t *cr, int w, int h) {
    for (int i = 0; i < 4; ++i) {
        rounded_rect(cr, 10 + i * 64, 14, 40, 16, 3);
        shape(cr, pal::kWoodDark, 2);
    }
    rounded_rect(cr, 0, 8, w, 8, 2);
    shape(cr, pal::kStone, 2, 0.45);
}

void crystal(cairo_t *cr, int w, int h, RGB c, uint32_t seed) {
    Rng rng(seed);
    glow(cr, w / 2.0, h * 0.65, w * 0.5, c, 0.35);
    const int n = 5;
    for (int i = 0; i < n; ++i) {
        const double a = -0.45 + i * 0.9 / (n - 1) + rng.range(-0.06, 0.06);
        const double len = h * rng.range(0.5, 0.85) * (i == n / 2 ? 1.1 : 0.85), wd = rng.range(6, 9);
        cairo_save(cr);
        cairo_translate(cr, w / 2.0, h - 4);
        cairo_rotate(cr, a);
        cairo_move_to(cr, -wd, 0);
        cairo_line_to(cr, -wd, -len + wd);
        cairo_line_to(cr, 0, -len);
        cairo_line_to(cr, wd, -len + wd);
        cairo_line_to(cr, wd, 0);
        cairo_close_path(cr);
        shape(cr, c, 2, 0.5);
        cairo_move_to(cr, 0, -len);
        cairo_line_to(cr, 0, -2);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    ellipse(cr, w / 2.0, h - 4, w * 0.35, 5);
    shape(cr, pal::kMineRock, 2);
}

// ---- Lamps ------------------------------------------------------------------------------------

void flame(cairo_t *cr, double x, double y, double s) {
    glow(cr, x, y, s * 2.2, pal::kLamp, 0.8);
    cairo_move_to(cr, x, y - s);
    cairo_curve_to(cr, x + s * 0.7, y - s * 0.2, x + s * 0.6, y + s * 0.6, x, y + s * 0.6);
    cairo_curve_to(cr, x - s * 0.6, y + s * 0.6, x - s * 0.7, y - s * 0.2, x, y - s);
    set(cr, hex(0xFFF4C0));
    cairo_fill(cr);
}

void lantern(cairo_t *cr, int w, int h) {
    // A hanging lantern: chain from the top, the glass (and flame) at the picture's centre.
    const double cx = w / 2.0, cy = h / 2.0;
    for (int i = 0; i < 5; ++i) {
        ellipse(cr, cx, 4 + i * 7, 2.5, 4);
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, 1.8);
        cairo_stroke(cr);
    }
    cairo_move_to(cr, cx - 14, cy - 22);
    cairo_line_to(cr, cx, cy - 32);
    cairo_line_to(cr, cx + 14, cy - 22);
    cairo_close_path(cr);
    shape(cr, pal::kStoneDark, 2);
    rounded_rect(cr, cx - 13, cy - 22, 26, 40, 4);
    cairo_set_source_rgba(cr, 1.0, 0.93, 0.7, 0.85);
    cairo_fill_preserve(cr);
    outline(cr, 2.5);
    flame(cr, cx, cy, 8);
    for (double x : {cx - 13, cx + 13}) {
        cairo_move_to(cr, x, cy - 22);
        cairo_line_to(cr, x, cy + 18);
    }
    set(cr, pal::kStoneDark);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    rounded_rect(cr, cx - 16, cy + 16, 32, 8, 3);
    shape(cr, pal::kStoneDark, 2);
}

void sslamp(cairo_t *cr, int w, int h) {
    // A small miner's oil lamp hanging from a wall bracket, the flame at the centre: a board
    // bolted to the rock on the left, an iron arm braced from below, the lamp on its hook.
    const double cx = w / 2.0, cy = h / 2.0;
    rounded_rect(cr, 2, cy - 26, 13, 54, 3);
    fill_lit(cr, pal::kWood, 0.3);
    outline(cr, 2);
    for (double y : {cy - 18, cy + 18}) {
        ellipse(cr, 8.5, y, 2.6, 2.6);
        shape(cr, pal::kStoneDark, 1.2);
    }
    auto iron = [&](double width) {
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, width + 2.5);
        cairo_stroke_preserve(cr);
        set(cr, pal::kStoneDark);
        cairo_set_line_width(cr, width);
        cairo_stroke(cr);
    };
    cairo_move_to(cr, 14, cy - 19);            // the arm, out to the hook above the lamp
    cairo_line_to(cr, cx + 3, cy - 19);
    iron(3);
    cairo_move_to(cr, 14, cy + 8);             // the brace under it
    cairo_line_to(cr, cx - 8, cy - 18);
    iron(2.5);
    cairo_move_to(cr, cx, cy - 19);            // the hook
    cairo_line_to(cr, cx, cy - 14);
    iron(1.5);
    ellipse(cr, cx, cy + 14, 12, 6);
    shape(cr, pal::kGold, 2);
    rounded_rect(cr, cx - 8, cy - 10, 16, 22, 6);
    cairo_set_source_rgba(cr, 1.0, 0.93, 0.7, 0.8);
    cairo_fill_preserve(cr);
    outline(cr, 2);
    flame(cr, cx, cy, 6);
    ellipse(cr, cx, cy - 12, 8, 3.5);
    shape(cr, pal::kGoldDark, 2);
}

}  // namespace

void add_scenery_pictures() {
    add("obj", "sky_valley", 800, 600, sky_valley, true);
    add("obj", "sky_mine", 800, 600, sky_mine, true);
    add("obj", "sky_final", 800, 600, sky_final, true);
    add("obj", "sky_dawn", 800, 600, sky_dawn, true);
    add("obj", "sky_dusk", 800, 600, sky_dusk, true);
    add("obj", "sky_ochre", 800, 600, sky_ochre, true);
    add("obj", "sky_slate", 800, 600, sky_slate, true);
    add("obj", "earth", kTile, kTile, earth, true);
    add("obj", "turf", kTile, kTile, turf, true);
    add("obj", "steppe", kTile, kTile, steppe, true);
    add("obj", "clover", kTile, kTile, clover, true);
    add("obj", "stone", kTile, kTile, stone, true);
    add("obj", "crag", kTile, kTile, crag, true);
    add("obj", "minerock", kTile, kTile, minerock, true);
    add("obj", "ochrerock", kTile, kTile, ochrerock, true);
    add("obj", "slaterock", kTile, kTile, slaterock, true);
    add("obj", "bgcarst", kTile, kTile, bgcarst, true);
    add("obj", "lantern", 64, 128, lantern);
    add("obj", "sslamp", 64, 64, sslamp);
    add("obj", "mush", 64, 64, mush);
    add("obj", "bush", 128, 96, bush);
    add("obj", "kust", 128, 128, kust);
    add("obj", "oak", 256, 320, oak);
    add("obj", "rast", 64, 96, rast);
    add("obj", "rock1", 96, 64, [](cairo_t *cr, int w, int h) { rock(cr, w, h, 1, pal::kStone); });
    add("obj", "rock2", 128, 80, [](cairo_t *cr, int w, int h) { rock(cr, w, h, 2, hex(0xA8A090)); });
    add("obj", "rock3", 64, 48, [](cairo_t *cr, int w, int h) { rock(cr, w, h, 3, pal::kMineRock); });
    add("obj", "grass1", 64, 32, [](cairo_t *cr, int w, int h) { grass(cr, w, h, 1, 9); });
    add("obj", "grass2", 96, 40, [](cairo_t *cr, int w, int h) { grass(cr, w, h, 2, 14); });
    add("obj", "grass3", 128, 48, [](cairo_t *cr, int w, int h) { grass(cr, w, h, 3, 20); });
    add("obj", "fence1", 128, 64, fence1);
    add("obj", "fence2", 64, 64, fence2);
    add("obj", "beam1", 64, 256, beam1);
    add("obj", "beam2", 256, 48, beam2);
    add("obj", "beam3", 256, 256, beam3);
    add("obj", "rail1", 256, 32, rail1);
    add("obj", "crystal1", 64, 64, [](cairo_t *cr, int w, int h) { crystal(cr, w, h, pal::kCyan, 1); });
    add("obj", "crystal2", 64, 96, [](cairo_t *cr, int w, int h) { crystal(cr, w, h, pal::kMagenta, 2); });
}

}  // namespace gfx
