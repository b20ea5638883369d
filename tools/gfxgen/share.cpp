// share.cpp - the pictures of gfx/share: menus, status bar, cursor, title, and the soft sprites
// drawn additively (light, finn, ray, pball, star, smoke, compass, str) or as a shadow.
// Sizes follow how the game draws them: the picture's aspect matches the drawn box, and its pixel
// size is close to the largest box it is stretched to. Soft sprites are white (the game tints them
// with its colour mix) with alpha falling smoothly to zero well inside the edges.
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "art.h"

namespace gfx {

void raccoon_face(cairo_t *cr, double cx, double cy, double size);   // hero.cpp
void golden_nut(cairo_t *cr, double cx, double cy, double s);        // items.cpp
void valley_backdrop(cairo_t *cr, int w, int h, uint32_t seed, bool dusk);   // scenery.cpp

namespace {

constexpr double kTau = 2 * M_PI;

// ---- Soft additive sprites -----------------------------------------------------------------

// Radial falloff: alpha = peak * (1 - (r/R)^2)^power, white.
void soft_disc(cairo_t *cr, double cx, double cy, double R, double peak, double power) {
    cairo_pattern_t *p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, R);
    for (int i = 0; i <= 16; ++i) {
        const double t = i / 16.0;
        cairo_pattern_add_color_stop_rgba(p, t, 1, 1, 1, peak * std::pow(std::max(0.0, 1 - t * t), power));
    }
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, R, 0, kTau);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void light(cairo_t *cr, int w, int h) { soft_disc(cr, w / 2.0, h / 2.0, w / 2.0 - 1, 1.0, 2.2); }

void pball(cairo_t *cr, int w, int h) {
    soft_disc(cr, w / 2.0, h / 2.0, w / 2.0 - 1, 0.85, 1.4);
    soft_disc(cr, w / 2.0, h / 2.0, w / 4.0, 0.9, 1.0);
}

void shadow(cairo_t *cr, int w, int h) {
    cairo_save(cr);
    cairo_translate(cr, w / 2.0, h / 2.0);
    cairo_scale(cr, 1.0, double(h) / w);
    cairo_pattern_t *p = cairo_pattern_create_radial(0, 0, 0, 0, 0, w / 2.0 - 1);
    for (int i = 0; i <= 12; ++i) {
        const double t = i / 12.0;
        cairo_pattern_add_color_stop_rgba(p, t, 0, 0, 0, 0.75 * std::pow(1 - t * t, 1.5));
    }
    cairo_set_source(cr, p);
    cairo_arc(cr, 0, 0, w / 2.0 - 1, 0, kTau);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
}

// A star of `points` soft spikes around a glowing core.
void spiky(cairo_t *cr, double cx, double cy, double R, int points, double inner, double alpha) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_move_to(cr, R, 0);
    for (int i = 1; i <= points * 2; ++i) {
        const double a = i * M_PI / points;
        const double r = (i % 2) ? R * inner : R;
        cairo_line_to(cr, std::cos(a) * r, std::sin(a) * r);
    }
    cairo_close_path(cr);
    cairo_pattern_t *p = cairo_pattern_create_radial(0, 0, 0, 0, 0, R);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 1, 1, alpha * 0.5);
    cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
}

// Per-pixel soft star: alpha falls off with the distance from the centre measured against the
// star's radius in that direction, so even the spikes fade smoothly.
void soft_star(cairo_t *cr, int w, int h, int points, double inner, double falloff) {
    cairo_surface_t *s = cairo_get_target(cr);
    cairo_surface_flush(s);
    unsigned char *d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const double cx = w / 2.0, cy = h / 2.0, R = w / 2.0 - 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, r = std::hypot(dx, dy);
            const double a = std::atan2(dy, dx) + M_PI / 2;   // a tip points straight up
            // Star outline radius in this direction: between inner*R (valleys) and R (tips).
            const double t = 0.5 + 0.5 * std::cos(a * points);
            const double edge = R * (inner + (1 - inner) * std::pow(t, 1.8));
            const double core = std::max(0.0, 1 - r / (R * 0.5));
            double v = std::max(0.0, 1 - r / edge);
            v = std::max(std::pow(v, falloff), core * core);
            const uint32_t alpha = static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
            reinterpret_cast<uint32_t *>(d + y * stride)[x] = (alpha << 24) | (alpha << 16) | (alpha << 8) | alpha;
        }
    cairo_surface_mark_dirty(s);
}

void star(cairo_t *cr, int w, int h) { soft_star(cr, w, h, 5, 0.3, 1.4); }

void finn(cairo_t *cr, int w, int h) {
    soft_disc(cr, w / 2.0, h / 2.0, w / 2.0 - 1, 0.55, 2.5);
    spiky(cr, w / 2.0, h / 2.0, w / 2.0 - 2, 8, 0.25, 0.9);
    // A thin ring gives the halo its shape when it turns.
    cairo_pattern_t *p = cairo_pattern_create_radial(w / 2.0, h / 2.0, w * 0.22, w / 2.0, h / 2.0, w * 0.34);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 1, 1, 0.45);
    cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
}

// Beams fanning to the right from the middle of the left edge (the game mirrors a second copy).
void ray(cairo_t *cr, int w, int h) {
    const double ox = 0, oy = h / 2.0;
    soft_disc(cr, ox, oy, h * 0.22, 0.9, 1.5);
    const double angles[] = {-0.55, -0.3, -0.08, 0.12, 0.34, 0.58};
    const double widths[] = {0.09, 0.06, 0.1, 0.07, 0.09, 0.06};
    for (int i = 0; i < 6; ++i) {
        const double a = angles[i], wd = widths[i], len = w * (0.8 + 0.2 * ((i * 7) % 3) / 2.0);
        cairo_move_to(cr, ox, oy);
        cairo_line_to(cr, ox + std::cos(a - wd) * len, oy + std::sin(a - wd) * len);
        cairo_line_to(cr, ox + std::cos(a + wd) * len, oy + std::sin(a + wd) * len);
        cairo_close_path(cr);
        cairo_pattern_t *p = cairo_pattern_create_radial(ox, oy, 0, ox, oy, len);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.9);
        cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 1, 1, 0.35);
        cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
}

void smoke(cairo_t *cr, int w, int h) {
    Rng rng(31);
    for (int i = 0; i < 7; ++i) {
        const double a = rng.range(0, kTau), r = rng.range(0, w * 0.14);
        cairo_pattern_t *p;
        const double cx = w / 2.0 + std::cos(a) * r, cy = h / 2.0 + std::sin(a) * r, R = w * rng.range(0.22, 0.32);
        p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, R);
        cairo_pattern_add_color_stop_rgba(p, 0, 0.92, 0.92, 0.95, 0.35);
        cairo_pattern_add_color_stop_rgba(p, 0.6, 0.9, 0.9, 0.93, 0.18);
        cairo_pattern_add_color_stop_rgba(p, 1, 0.9, 0.9, 0.93, 0);
        cairo_set_source(cr, p);
        cairo_arc(cr, cx, cy, R, 0, kTau);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
}

// The menu's turning ornament: a compass rose of light.
void compass(cairo_t *cr, int w, int h) {
    const double c = w / 2.0, R = w / 2.0 - 4;
    // Rings.
    for (double rr : {0.93, 0.78, 0.42}) {
        cairo_pattern_t *p = cairo_pattern_create_radial(c, c, R * rr - 10, c, c, R * rr + 10);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0);
        cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 1, 1, 0.45);
        cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
        cairo_set_source(cr, p);
        cairo_arc(cr, c, c, R * rr + 10, 0, kTau);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    // Tick marks on the outer ring.
    cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
    for (int i = 0; i < 64; ++i) {
        const double a = i * kTau / 64, r0 = R * ((i % 4) ? 0.82 : 0.8), r1 = R * 0.89;
        cairo_move_to(cr, c + std::cos(a) * r0, c + std::sin(a) * r0);
        cairo_line_to(cr, c + std::cos(a) * r1, c + std::sin(a) * r1);
        cairo_set_line_width(cr, (i % 4) ? 2 : 4);
        cairo_stroke(cr);
    }
    // The rose: long points to the four winds, short ones between.
    spiky(cr, c, c, R * 0.76, 4, 0.16, 0.85);
    cairo_save(cr);
    cairo_translate(cr, c, c);
    cairo_rotate(cr, M_PI / 4);
    spiky(cr, 0, 0, R * 0.5, 4, 0.22, 0.6);
    cairo_restore(cr);
    soft_disc(cr, c, c, R * 0.18, 0.9, 1.5);
}

// Sweeping beams, turning faster than the compass.
void str(cairo_t *cr, int w, int h) {
    const double c = w / 2.0, R = w / 2.0 - 4;
    for (int i = 0; i < 12; ++i) {
        const double a = i * kTau / 12, wd = (i % 2) ? 0.035 : 0.06;
        cairo_move_to(cr, c, c);
        cairo_line_to(cr, c + std::cos(a - wd) * R, c + std::sin(a - wd) * R);
        cairo_line_to(cr, c + std::cos(a + wd) * R, c + std::sin(a + wd) * R);
        cairo_close_path(cr);
        cairo_pattern_t *p = cairo_pattern_create_radial(c, c, R * 0.1, c, c, R);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0);
        cairo_pattern_add_color_stop_rgba(p, 0.35, 1, 1, 1, (i % 2) ? 0.3 : 0.5);
        cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
}

// ---- Interface ------------------------------------------------------------------------------

// The menu board: a wooden frame around a deep green panel, leaves at the corners.
void menu(cairo_t *cr, int w, int h) {
    const double m = 10;
    rounded_rect(cr, m, m, w - 2 * m, h - 2 * m, 46);
    shape(cr, pal::kBoardRim, 4, 0.35);
    // Wood grain on the frame.
    cairo_save(cr);
    rounded_rect(cr, m, m, w - 2 * m, h - 2 * m, 46);
    cairo_clip(cr);
    Rng rng(5);
    set(cr, pal::kWoodDark, 0.35);
    cairo_set_line_width(cr, 1.5);
    for (int i = 0; i < 40; ++i) {
        const double y = rng.range(m, h - m), x = rng.range(m, w - m);
        cairo_move_to(cr, x - 40, y);
        cairo_curve_to(cr, x - 10, y - 3, x + 10, y + 3, x + 40, y);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    // Inner panel.
    const double in = 34;
    rounded_rect(cr, in, in, w - 2 * in, h - 2 * in, 28);
    cairo_pattern_t *p = cairo_pattern_create_linear(0, in, 0, h - in);
    const RGB top = hex(0x2F5A34), bottom = hex(0x1C3522);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    outline(cr, 4);
    // Inner light edge, top left.
    rounded_rect(cr, in + 5, in + 5, w - 2 * in - 10, h - 2 * in - 10, 24);
    cairo_set_source_rgba(cr, 1, 1, 0.8, 0.12);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    // Nails.
    for (double x : {22.0, w - 22.0})
        for (double y : {22.0, h - 22.0}) {
            ellipse(cr, x, y, 5, 5);
            shape(cr, pal::kStone, 1.5);
        }
    // Leaves in the top corners.
    for (int s = -1; s <= 1; s += 2) {
        cairo_save(cr);
        cairo_translate(cr, w / 2.0 + s * (w / 2.0 - 46), 52);
        cairo_scale(cr, s, 1);
        for (int i = 0; i < 3; ++i) {
            cairo_save(cr);
            cairo_rotate(cr, -0.6 + i * 0.55);
            ellipse(cr, 0, -20, 9, 20);
            shape(cr, i == 1 ? pal::kGrass : pal::kLeaf, 2.5);
            cairo_move_to(cr, 0, -2);
            cairo_line_to(cr, 0, -34);
            set(cr, pal::kLeafDark);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            cairo_restore(cr);
        }
        ellipse(cr, 6, 4, 7, 7);
        shape(cr, hex(0xE0344E), 2);
        gloss(cr, 4, 2, 3, 2, 0.7);
        cairo_restore(cr);
    }
}

// Button face: stretched to every button, list frame and tooltip halo; also drawn additively
// for the hover glow, so its colours are moderate.
void gbut(cairo_t *cr, int w, int h) {
    // Stretched from 220 x 60 buttons to the 284 x 284 list frame: the corners and the gloss
    // stay small so that neither shape turns into a pill.
    // A clear margin round the face: stacked 60 px buttons get a gap between them, and the
    // stretched list frame keeps clear of the caption above the list.
    const double r = 24, m = 8;
    rounded_rect(cr, m, m, w - 2 * m, h - 2 * m, r);
    cairo_pattern_t *p = cairo_pattern_create_linear(0, m, 0, h - m);
    const RGB a = hex(0x5AA04A), b = hex(0x2E6A32), c = hex(0x1E4A26);
    cairo_pattern_add_color_stop_rgb(p, 0, a.r, a.g, a.b);
    cairo_pattern_add_color_stop_rgb(p, 0.45, b.r, b.g, b.b);
    cairo_pattern_add_color_stop_rgb(p, 1, c.r, c.g, c.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    outline(cr, 3);
    // Golden rim and a glassy strip along the top.
    rounded_rect(cr, m + 5, m + 5, w - 2 * m - 10, h - 2 * m - 10, r - 5);
    set(cr, pal::kGold, 0.55);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    rounded_rect(cr, m + 11, m + 8, w - 2 * m - 22, h * 0.2, 10);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.14);
    cairo_fill(cr);
}

void gstr(cairo_t *cr, int w, int h) {
    // An up arrow in a round golden button (the game flips it for "down").
    ellipse(cr, 32, 32, 26, 26);
    shape(cr, pal::kButton, 3, 0.35);
    cairo_move_to(cr, 32, 13);
    cairo_line_to(cr, 49, 34);
    cairo_line_to(cr, 39, 34);
    cairo_line_to(cr, 39, 49);
    cairo_line_to(cr, 25, 49);
    cairo_line_to(cr, 25, 34);
    cairo_line_to(cr, 15, 34);
    cairo_close_path(cr);
    shape(cr, pal::kGold, 2.5, 0.35);
    gloss(cr, 22, 20, 10, 6, 0.4);
}

void cur(cairo_t *cr, int w, int h) {
    // Arrow pointer, its tip exactly at the top-left corner (the hot spot).
    cairo_move_to(cr, 1.5, 1.5);
    cairo_line_to(cr, 1.5, 38);
    cairo_line_to(cr, 11, 29);
    cairo_line_to(cr, 18, 44);
    cairo_line_to(cr, 25, 41);
    cairo_line_to(cr, 18, 26.5);
    cairo_line_to(cr, 30, 26.5);
    cairo_close_path(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    fill_lit(cr, pal::kGold, 0.4);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_stroke(cr);
    cairo_move_to(cr, 5, 9);
    cairo_line_to(cr, 5, 26);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void title_text(cairo_t *cr, const char *const letters[], int count, double size, double cx, double base_y,
                double wobble) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    double total = 0;
    std::vector<double> adv(count);
    for (int i = 0; i < count; ++i) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, letters[i], &e);
        adv[i] = e.x_advance * 0.94;
        total += adv[i];
    }
    // Pass 0: thick dark outline with a drop shadow; 1: gold fill; 2: gloss.
    for (int pass = 0; pass < 3; ++pass) {
        double x = cx - total / 2;
        for (int i = 0; i < count; ++i) {
            cairo_save(cr);
            const double dy = std::sin(i * 1.3) * wobble, rot = std::sin(i * 2.1) * 0.05;
            cairo_translate(cr, x + adv[i] / 2, base_y + dy);
            cairo_rotate(cr, rot);
            cairo_move_to(cr, -adv[i] / 2 / 0.94, 0);
            cairo_text_path(cr, letters[i]);
            if (pass == 0) {
                cairo_save(cr);
                cairo_translate(cr, 3, 5);
                set(cr, pal::kOutline, 0.5);
                cairo_set_line_width(cr, size * 0.16);
                cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
                cairo_stroke_preserve(cr);
                cairo_restore(cr);
                set(cr, pal::kOutline);
                cairo_set_line_width(cr, size * 0.16);
                cairo_stroke(cr);
            } else if (pass == 1) {
                cairo_pattern_t *p = cairo_pattern_create_linear(0, -size * 0.75, 0, 0);
                cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.95, 0.55);
                cairo_pattern_add_color_stop_rgb(p, 0.5, pal::kGold.r, pal::kGold.g, pal::kGold.b);
                cairo_pattern_add_color_stop_rgb(p, 1, 0.9, 0.5, 0.1);
                cairo_set_source(cr, p);
                cairo_fill_preserve(cr);
                cairo_pattern_destroy(p);
                cairo_set_source_rgba(cr, 0.55, 0.25, 0.05, 1);
                cairo_set_line_width(cr, size * 0.03);
                cairo_stroke(cr);
            } else {
                cairo_clip(cr);
                ellipse(cr, -adv[i] * 0.1, -size * 0.62, adv[i] * 0.5, size * 0.16);
                cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
                cairo_fill(cr);
            }
            cairo_restore(cr);
            x += adv[i];
        }
    }
}

const char *const kTitle[] = {"Т", "а", "р", "в", "е", "л", "о", "к"};

void gtit(cairo_t *cr, int w, int h) {
    // Leaves behind the title, then the letters.
    for (int s = -1; s <= 1; s += 2) {
        cairo_save(cr);
        cairo_translate(cr, w / 2.0 + s * 200, 50);
        cairo_scale(cr, s, 1);
        for (int i = 0; i < 3; ++i) {
            cairo_save(cr);
            cairo_rotate(cr, 0.9 + i * 0.45);
            ellipse(cr, 0, -22, 10, 22);
            shape(cr, i == 1 ? pal::kGrass : pal::kLeaf, 3);
            cairo_restore(cr);
        }
        cairo_restore(cr);
    }
    // The letters keep to the top 80 px: the main menu writes its greeting line from y 74 down.
    title_text(cr, kTitle, 8, 66, w / 2.0, 64, 3);
}

void rnd(cairo_t *cr, int w, int h) {
    rounded_rect(cr, 3, 3, w - 6, h - 6, 18);
    // Light enough that the health bar drawn under the frame keeps its colour.
    cairo_set_source_rgba(cr, 0.10, 0.16, 0.12, 0.38);
    cairo_fill_preserve(cr);
    set(cr, pal::kOutline, 0.8);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    rounded_rect(cr, 6, 6, w - 12, h - 12, 15);
    set(cr, pal::kGold, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void health_bar(cairo_t *cr, int w, int h) {
    rounded_rect(cr, 1, 1, w - 2, h - 2, 6);
    cairo_pattern_t *p = cairo_pattern_create_linear(0, 1, 0, h - 1);
    cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.55, 0.55);
    cairo_pattern_add_color_stop_rgb(p, 0.45, 0.9, 0.2, 0.22);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.55, 0.08, 0.12);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    rounded_rect(cr, 4, 2.5, w - 8, h * 0.3, 3);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
    cairo_fill(cr);
}

void clock(cairo_t *cr, int w, int h) {
    ellipse(cr, 32, 8, 6, 5);
    shape(cr, pal::kGold, 2);
    ellipse(cr, 32, 35, 26, 26);
    shape(cr, pal::kGold, 2.5, 0.4);
    ellipse(cr, 32, 35, 20, 20);
    shape(cr, hex(0xFFF8E8), 2, 0.15);
    for (int i = 0; i < 12; ++i) {
        const double a = i * kTau / 12;
        cairo_move_to(cr, 32 + std::cos(a) * 15, 35 + std::sin(a) * 15);
        cairo_line_to(cr, 32 + std::cos(a) * 18, 35 + std::sin(a) * 18);
    }
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_move_to(cr, 32, 35);
    cairo_line_to(cr, 32, 22);
    cairo_move_to(cr, 32, 35);
    cairo_line_to(cr, 41, 39);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    gloss(cr, 24, 26, 8, 5, 0.5);
}

void coin_icon(cairo_t *cr, int w, int h) {
    ellipse(cr, 32, 32, 26, 26);
    shape(cr, pal::kGold, 3, 0.4);
    ellipse(cr, 32, 32, 19, 19);
    set(cr, pal::kGoldDark, 0.6);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    text_path(cr, "★", 26, 32, 41);
    set(cr, pal::kGoldDark);
    cairo_fill(cr);
    gloss(cr, 22, 20, 9, 6, 0.6);
}

void h1(cairo_t *cr, int w, int h) { raccoon_face(cr, 33, 34, 62); }

void nut_icon(cairo_t *cr, int w, int h) { golden_nut(cr, 32, 34, 60); }

void berry(cairo_t *cr, int w, int h) {
    // Two cherries on joined stems, the menu's bobbing ornaments.
    cairo_move_to(cr, 20, 42);
    cairo_curve_to(cr, 22, 26, 30, 12, 38, 6);
    cairo_move_to(cr, 44, 46);
    cairo_curve_to(cr, 44, 30, 40, 16, 38, 6);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 4.5);
    cairo_stroke_preserve(cr);
    set(cr, pal::kLeafDark);
    cairo_set_line_width(cr, 2.2);
    cairo_stroke(cr);
    ellipse(cr, 46, 10, 10, 5);
    shape(cr, pal::kLeaf, 2);
    for (auto [x, y] : {std::pair{20.0, 46.0}, std::pair{44.0, 49.0}}) {
        ellipse(cr, x, y, 12, 11.5);
        shape(cr, pal::kRed, 2.5, 0.4);
        gloss(cr, x - 4, y - 4, 4, 3, 0.8);
    }
}

void logo(cairo_t *cr, int w, int h) {
    // The studio badge: a leafy plate with a paw print and the name.
    rounded_rect(cr, 3, 3, w - 6, h - 6, 22);
    shape(cr, pal::kBoardRim, 3, 0.35);
    rounded_rect(cr, 10, 10, w - 20, h - 20, 16);
    set(cr, hex(0x2F5A34));
    cairo_fill(cr);
    // Paw print.
    const double px = 42, py = h / 2.0 + 4;
    ellipse(cr, px, py + 6, 13, 11);
    shape(cr, pal::kGold, 2);
    for (int i = 0; i < 4; ++i) {
        const double a = M_PI * (1.15 + i * 0.23);
        ellipse(cr, px + std::cos(a) * 19, py + 4 + std::sin(a) * 18, 5, 6);
        shape(cr, pal::kGold, 2);
    }
    text_path(cr, "Тарвелок", 19, 128, 40);
    set(cr, pal::kGold);
    cairo_fill(cr);
    text_path(cr, "ещё игры", 14, 128, 62);
    set(cr, pal::kFurLight);
    cairo_fill(cr);
}

void emblo(cairo_t *cr, int w, int h) {
    // A ribbon banner with the golden nut in the middle (the bottom quarter falls off screen).
    for (int s = -1; s <= 1; s += 2) {
        cairo_save(cr);
        cairo_translate(cr, w / 2.0, 0);
        cairo_scale(cr, s, 1);
        cairo_move_to(cr, 30, 40);
        cairo_line_to(cr, 118, 46);
        cairo_line_to(cr, 104, 62);
        cairo_line_to(cr, 120, 80);
        cairo_line_to(cr, 30, 76);
        cairo_close_path(cr);
        shape(cr, darker(pal::kRed, 0.15), 3);
        cairo_restore(cr);
    }
    rounded_rect(cr, 48, 34, w - 96, 40, 8);
    shape(cr, pal::kRed, 3, 0.3);
    glow(cr, w / 2.0, 52, 44, pal::kGold, 0.5);
    golden_nut(cr, w / 2.0, 52, 64);
    for (int side = -1; side <= 1; side += 2) {
        const double x = w / 2.0 + side * 70;
        text_path(cr, "★", 22, x, 62);
        set(cr, pal::kGold);
        cairo_fill_preserve(cr);
        outline(cr, 1.5);
    }
}

void plaq(cairo_t *cr, int w, int h) {
    // A strip of grass and flowers that dresses the bottom edge of the button above it; the top
    // half stays clear so the button's caption shows.
    Rng rng(17);
    for (int i = 0; i < 46; ++i) {
        const double x = rng.range(4, w - 4), tall = rng.range(14, 30);
        cairo_move_to(cr, x - 3.5, h);
        cairo_curve_to(cr, x - 2, h - tall * 0.6, x + rng.range(-5, 5), h - tall, x + rng.range(-6, 6), h - tall);
        cairo_line_to(cr, x + 3.5, h);
        cairo_close_path(cr);
        shape(cr, rng.uni() < 0.5 ? pal::kGrass : pal::kGrassLight, 1.3, 0.3);
    }
    for (int i = 0; i < 6; ++i) {
        const double x = 20 + i * 40 + rng.range(-8, 8), y = h - rng.range(16, 24);
        const RGB petal = (i % 2) ? pal::kWhite : pal::kPink;
        for (int k = 0; k < 5; ++k) {
            const double a = k * kTau / 5;
            ellipse(cr, x + std::cos(a) * 4, y + std::sin(a) * 4, 3.5, 3.5);
            shape(cr, petal, 1.2, 0.1);
        }
        ellipse(cr, x, y, 2.5, 2.5);
        set(cr, pal::kGold);
        cairo_fill(cr);
    }
}

void win(cairo_t *cr, int w, int h) {
    // The best golden nut of all, in a burst of light, with the raccoon peeking over.
    const double c = w / 2.0;
    for (int i = 0; i < 16; ++i) {
        const double a = i * kTau / 16, wd = 0.09;
        cairo_move_to(cr, c, c + 20);
        cairo_line_to(cr, c + std::cos(a - wd) * 124, c + 20 + std::sin(a - wd) * 124);
        cairo_line_to(cr, c + std::cos(a + wd) * 124, c + 20 + std::sin(a + wd) * 124);
        cairo_close_path(cr);
        cairo_pattern_t *p = cairo_pattern_create_radial(c, c + 20, 0, c, c + 20, 124);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 0.9, 0.5, 0.8);
        cairo_pattern_add_color_stop_rgba(p, 1, 1, 0.9, 0.5, 0);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    raccoon_face(cr, c + 6, 70, 96);
    golden_nut(cr, c, 160, 150);
    for (auto [x, y, r] : {std::tuple{40.0, 60.0, 10.0}, std::tuple{214.0, 90.0, 12.0}, std::tuple{196.0, 210.0, 8.0},
                           std::tuple{52.0, 196.0, 9.0}}) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_move_to(cr, 0, -r);
        cairo_curve_to(cr, 0, 0, 0, 0, r, 0);
        cairo_curve_to(cr, 0, 0, 0, 0, 0, r);
        cairo_curve_to(cr, 0, 0, 0, 0, -r, 0);
        cairo_curve_to(cr, 0, 0, 0, 0, 0, -r);
        cairo_set_source_rgba(cr, 1, 1, 0.85, 0.95);
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

void bg(cairo_t *cr, int w, int h) { valley_backdrop(cr, w, h, 11, true); }

void splash(cairo_t *cr, int w, int h) {
    const double c = w / 2.0;
    // A round window onto the valley, the raccoon in front, the name on a ribbon.
    cairo_save(cr);
    ellipse(cr, c, c - 8, 110, 110);
    cairo_clip(cr);
    cairo_save(cr);
    cairo_translate(cr, c - 110, c - 118);
    cairo_scale(cr, 220.0 / 800, 220.0 / 600 * 1.0);
    valley_backdrop(cr, 800, 600, 3, false);
    cairo_restore(cr);
    cairo_restore(cr);
    ellipse(cr, c, c - 8, 110, 110);
    set(cr, pal::kBoardRim);
    cairo_set_line_width(cr, 12);
    cairo_stroke_preserve(cr);
    outline(cr, 3);
    raccoon_face(cr, c + 8, c - 18, 120);
    rounded_rect(cr, 18, 176, w - 36, 54, 14);
    shape(cr, pal::kRed, 3, 0.3);
    title_text(cr, kTitle, 8, 40, c, 218, 2);
}

}  // namespace

void add_share_pictures() {
    add("share", "bg", 800, 600, bg, true);
    add("share", "menu", 512, 512, menu);
    add("share", "clock", 64, 64, clock);
    add("share", "gtit", 512, 128, gtit);
    add("share", "gbut", 256, 96, gbut);
    add("share", "gstr", 64, 64, gstr);
    add("share", "cur", 64, 64, cur);
    add("share", "logo", 200, 84, logo);
    add("share", "emblo", 256, 128, emblo);
    add("share", "plaq", 240, 60, plaq);
    add("share", "nut", 64, 64, nut_icon);
    add("share", "win", 256, 256, win);
    add("share", "mon", 64, 64, coin_icon);
    add("share", "h1", 64, 64, h1);
    add("share", "rnd", 192, 64, rnd);
    add("share", "health", 128, 16, health_bar);
    add("share", "compass", 512, 512, compass);
    add("share", "str", 512, 512, str);
    add("share", "shadow", 96, 32, shadow);
    add("share", "light", 128, 128, light);
    add("share", "ray", 128, 128, ray);
    add("share", "finn", 128, 128, finn);
    add("share", "berry", 64, 64, berry);
    add("share", "pball", 64, 64, pball);
    add("share", "star", 32, 32, star);
    add("share", "smoke", 64, 64, smoke);
    add("share", "splash", 256, 256, splash);
}

}  // namespace gfx
