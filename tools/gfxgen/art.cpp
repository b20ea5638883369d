// art.cpp - the generator's toolkit: registry, noise, drawing helpers, RGBA conversion, TGA output.
#include "art.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gfx {

RGB mix(RGB a, RGB b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
RGB lighter(RGB c, double t) { return mix(c, pal::kWhite, t); }
RGB darker(RGB c, double t) { return mix(c, pal::kOutline, t); }

std::vector<Picture> &registry() {
    static std::vector<Picture> pictures;
    return pictures;
}

void add(const std::string &folder, const std::string &name, int w, int h, DrawFn draw, bool opaque) {
    registry().push_back({folder, name, w, h, std::move(draw), opaque});
}

void add_sheet(const std::string &name, int cell, const std::vector<FrameFn> &row_fns, int cols) {
    const int rows = static_cast<int>(row_fns.size());
    add("obj", name, cell * cols, cell * rows, [row_fns, cell, cols, rows](cairo_t *cr, int, int) {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                cairo_save(cr);
                cairo_translate(cr, c * cell, r * cell);
                cairo_rectangle(cr, 0, 0, cell, cell);
                cairo_clip(cr);
                row_fns[r](cr, cell, c, cols);
                cairo_restore(cr);
            }
    });
}

// ---- Noise ----------------------------------------------------------------------------------

static double lattice(int x, int y, int period, uint32_t seed) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 65535.0;
}

double noise2(double x, double y, int period, uint32_t seed) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    double fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const double a = lattice(xi, yi, period, seed), b = lattice(xi + 1, yi, period, seed);
    const double c = lattice(xi, yi + 1, period, seed), d = lattice(xi + 1, yi + 1, period, seed);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double fbm(double x, double y, int period, uint32_t seed, int octaves) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise2(x, y, period, seed + i * 101);
        norm += amp;
        x *= 2; y *= 2; period *= 2; amp *= 0.5;
    }
    return sum / norm;
}

// ---- Drawing helpers ------------------------------------------------------------------------

void set(cairo_t *cr, RGB c, double a) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void ellipse(cairo_t *cr, double cx, double cy, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, std::max(rx, 0.01), std::max(ry, 0.01));
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void rounded_rect(cairo_t *cr, double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

void fill_lit(cairo_t *cr, RGB base, double contrast) {
    double x0, y0, x1, y1;
    cairo_path_extents(cr, &x0, &y0, &x1, &y1);
    cairo_pattern_t *p = cairo_pattern_create_linear(x0, y0, x0 + (x1 - x0) * 0.45, y1);
    const RGB hi = lighter(base, contrast * 0.8), lo = darker(base, contrast);
    cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(p, 0.45, base.r, base.g, base.b);
    cairo_pattern_add_color_stop_rgb(p, 1, lo.r, lo.g, lo.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
}

void outline(cairo_t *cr, double width) {
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void shape(cairo_t *cr, RGB base, double width, double contrast) {
    fill_lit(cr, base, contrast);
    outline(cr, width);
}

void gloss(cairo_t *cr, double cx, double cy, double rx, double ry, double alpha) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, std::max(rx, 0.01), std::max(ry, 0.01));
    cairo_pattern_t *p = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, alpha);
    cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
}

void glow(cairo_t *cr, double cx, double cy, double r, RGB c, double alpha) {
    cairo_pattern_t *p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.4, c.r, c.g, c.b, alpha * 0.45);
    cairo_pattern_add_color_stop_rgba(p, 1, c.r, c.g, c.b, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void text_path(cairo_t *cr, const char *utf8, double size, double cx, double y) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, utf8, &e);
    cairo_move_to(cr, cx - e.x_advance / 2, y);
    cairo_text_path(cr, utf8);
}

// ---- Output ---------------------------------------------------------------------------------

std::vector<uint8_t> to_rgba(cairo_surface_t *s) {
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint8_t *data = cairo_image_surface_get_data(s);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const uint32_t *row = reinterpret_cast<const uint32_t *>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = row[x];
            const int a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            uint8_t *o = &out[(static_cast<size_t>(y) * w + x) * 4];
            if (a) {
                o[0] = static_cast<uint8_t>(std::min(255, (r * 255 + a / 2) / a));
                o[1] = static_cast<uint8_t>(std::min(255, (g * 255 + a / 2) / a));
                o[2] = static_cast<uint8_t>(std::min(255, (b * 255 + a / 2) / a));
            }
            o[3] = static_cast<uint8_t>(a);
        }
    }
    // Bleed colour two pixels into the transparent surroundings (alpha stays 0).
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<uint8_t> filled(static_cast<size_t>(w) * h, 0);
        for (size_t i = 0; i < filled.size(); ++i) filled[i] = out[i * 4 + 3] != 0 || out[i * 4] || out[i * 4 + 1] || out[i * 4 + 2];
        std::vector<uint8_t> next = out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                if (filled[i]) continue;
                int sr = 0, sg = 0, sb = 0, n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int xx = x + dx, yy = y + dy;
                        if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                        const size_t j = static_cast<size_t>(yy) * w + xx;
                        if (!filled[j]) continue;
                        sr += out[j * 4]; sg += out[j * 4 + 1]; sb += out[j * 4 + 2]; ++n;
                    }
                if (n) {
                    next[i * 4] = static_cast<uint8_t>(sr / n);
                    next[i * 4 + 1] = static_cast<uint8_t>(sg / n);
                    next[i * 4 + 2] = static_cast<uint8_t>(sb / n);
                }
            }
        out.swap(next);
    }
    return out;
}

}  // namespace gfx

namespace gfx {

void line(cairo_t *cr, double x0, double y0, double x1, double y1, RGB c, double width) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    set(cr, c);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void grass_blades(cairo_t *cr, double x0, double dx, int n, double bottom, double top, double phase) {
    for (int i = 0; i < n; ++i) {
        const double x = x0 + i * dx;
        cairo_move_to(cr, x - 3, bottom);
        cairo_line_to(cr, x + std::sin(phase + i) * 2, top - (i % 3) * 3);
        cairo_line_to(cr, x + 3, bottom);
        cairo_close_path(cr);
        shape(cr, pal::kGrass, 1.5);
    }
}

}  // namespace gfx
