// items.cpp - things the hero picks up, and the level end, as 15-frame looping strips.
//   health 64: a beating heart;            life 64: the raccoon's head in a golden bubble;
//   bapple 48: a green apple, rocking;     bberry 48: a raspberry, rocking;
//   bnut 64: the golden nut, turning;      bgold / bsilver 64: coins, spinning;
//   table 128: the finish signpost with a waving flag, standing on the frame's bottom edge.
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "art.h"

namespace gfx {

void raccoon_face(cairo_t *cr, double cx, double cy, double size);   // hero.cpp

namespace {

constexpr double kTau = 2 * M_PI;

void units(cairo_t *cr, double size, double u) { cairo_scale(cr, size / u, size / u); }

void sparkle(cairo_t *cr, double x, double y, double r, double a) {
    if (a <= 0.01) return;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_move_to(cr, 0, -r);
    cairo_curve_to(cr, 0, 0, 0, 0, r, 0);
    cairo_curve_to(cr, 0, 0, 0, 0, 0, r);
    cairo_curve_to(cr, 0, 0, 0, 0, -r, 0);
    cairo_curve_to(cr, 0, 0, 0, 0, 0, -r);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1, 1, 0.9, a);
    cairo_fill(cr);
    cairo_restore(cr);
}

void heart_path(cairo_t *cr, double cx, double cy, double s) {
    cairo_move_to(cr, cx, cy + s * 0.9);
    cairo_curve_to(cr, cx - s * 1.4, cy - s * 0.1, cx - s * 0.9, cy - s * 1.2, cx, cy - s * 0.45);
    cairo_curve_to(cr, cx + s * 0.9, cy - s * 1.2, cx + s * 1.4, cy - s * 0.1, cx, cy + s * 0.9);
    cairo_close_path(cr);
}

void health(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 64);
    // A double beat, then a slow breath between beats; the glow swells all the time.
    const double beat = 1 + 0.08 * std::pow(std::max(0.0, std::sin(ph)), 3) + 0.02 * std::cos(ph);
    glow(cr, 32, 32, 30, pal::kPink, 0.3 + 0.1 * std::cos(ph));
    heart_path(cr, 32, 34, 21 * beat);
    shape(cr, pal::kRed, 2.5, 0.35);
    gloss(cr, 23, 24, 6, 4, 0.7);
    // A white cross: this one heals.
    cairo_rectangle(cr, 29, 25, 6, 16);
    cairo_rectangle(cr, 24, 30, 16, 6);
    set(cr, pal::kWhite, 0.95);
    cairo_fill(cr);
    cairo_restore(cr);
}

void life(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 64);
    cairo_translate(cr, 0, std::sin(ph) * 2);
    ellipse(cr, 32, 32, 28, 28);
    cairo_pattern_t *p = cairo_pattern_create_radial(24, 22, 2, 32, 32, 28);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 0.85, 0.9);
    cairo_pattern_add_color_stop_rgba(p, 1, pal::kGold.r, pal::kGold.g, pal::kGold.b, 0.75);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    outline(cr, 2.5);
    raccoon_face(cr, 32, 32, 40);
    gloss(cr, 20, 16, 9, 5, 0.6);
    sparkle(cr, 50, 14, 6, 0.5 + 0.5 * std::sin(ph * 2));
    cairo_restore(cr);
}

void apple(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 48);
    cairo_translate(cr, 24, 44);
    cairo_rotate(cr, std::sin(ph) * 0.12);
    cairo_translate(cr, -24, -44);
    cairo_move_to(cr, 24, 13);
    cairo_curve_to(cr, 10, 6, 2, 18, 6, 30);
    cairo_curve_to(cr, 9, 40, 18, 46, 24, 42);
    cairo_curve_to(cr, 30, 46, 39, 40, 42, 30);
    cairo_curve_to(cr, 46, 18, 38, 6, 24, 13);
    cairo_close_path(cr);
    shape(cr, hex(0x8CD43A), 2.2, 0.4);
    ellipse(cr, 36, 32, 5, 4);
    set(cr, hex(0xF2C14A), 0.6);
    cairo_fill(cr);
    gloss(cr, 15, 19, 5, 3.5, 0.75);
    // Stem and leaf.
    cairo_move_to(cr, 24, 14);
    cairo_curve_to(cr, 24, 9, 25, 6, 27, 4);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    ellipse(cr, 32, 7, 6, 3);
    shape(cr, pal::kLeaf, 1.6);
    cairo_restore(cr);
}

void berry(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 48);
    cairo_translate(cr, 24, 10);
    cairo_rotate(cr, std::sin(ph) * 0.15);
    cairo_translate(cr, -24, -10);
    // Drupelets in rows, a raspberry.
    const double rows[][3] = {{16, 4, 5.5}, {23, 5, 5.5}, {30, 4, 5.2}, {37, 3, 4.8}, {42, 1, 4.0}};
    for (const auto &row : rows) {
        const int count = static_cast<int>(row[1]);
        for (int i = 0; i < count; ++i) {
            const double x = 24 + (i - (count - 1) / 2.0) * row[2] * 1.6;
            ellipse(cr, x, row[0], row[2], row[2]);
            shape(cr, hex(0xE0344E), 1.6, 0.35);
            gloss(cr, x - 1.5, row[0] - 1.8, 1.8, 1.3, 0.7);
        }
    }
    // Calyx.
    for (int i = 0; i < 5; ++i) {
        cairo_save(cr);
        cairo_translate(cr, 24, 10);
        cairo_rotate(cr, -1.2 + i * 0.6);
        ellipse(cr, 0, -5, 2.8, 6);
        shape(cr, pal::kLeaf, 1.4);
        cairo_restore(cr);
    }
    cairo_restore(cr);
}

// A coin or nut seen turning: x squeezed by |cos|, with a rim showing while edge-on.
void spin(cairo_t *cr, double ph, double cx, const std::function<void()> &face) {
    const double c = std::cos(ph);
    const double squeeze = std::max(std::abs(c), 0.12);
    // The rim: a dark copy of the silhouette peeking out on the side turning away, thicker the
    // more edge-on the face is.
    const double rim = (1 - std::abs(c)) * 3.5 * (c * std::sin(ph) >= 0 ? 1 : -1);
    for (int pass = 0; pass < 2; ++pass) {
        cairo_save(cr);
        cairo_translate(cr, cx + (pass == 0 ? rim : 0), 0);
        cairo_scale(cr, squeeze, 1);
        cairo_translate(cr, -cx, 0);
        if (pass == 0) {
            cairo_push_group(cr);
            face();
            cairo_pattern_t *silhouette = cairo_pop_group(cr);
            set(cr, pal::kOutline);
            cairo_mask(cr, silhouette);
            cairo_pattern_destroy(silhouette);
        } else {
            face();
        }
        cairo_restore(cr);
    }
}

void coin(cairo_t *cr, double size, int f, int n, RGB metal, RGB dark, const char *mark) {
    const double ph = M_PI * f / n;   // half a turn per loop: the coin looks the same from behind
    cairo_save(cr);
    units(cr, size, 64);
    spin(cr, ph, 32, [&] {
        ellipse(cr, 32, 32, 24, 24);
        shape(cr, metal, 2.8, 0.35);
        ellipse(cr, 32, 32, 18, 18);
        set(cr, dark, 0.6);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        text_path(cr, mark, 22, 32, 40);
        set(cr, dark);
        cairo_fill(cr);
        gloss(cr, 24, 22, 8, 5, 0.7);
    });
    sparkle(cr, 46, 16, 7, std::max(0.0, std::sin(ph * 2 + 0.4)));
    cairo_restore(cr);
}

void gold(cairo_t *cr, double size, int f, int n) { coin(cr, size, f, n, pal::kGold, pal::kGoldDark, "★"); }
void silver(cairo_t *cr, double size, int f, int n) { coin(cr, size, f, n, pal::kSilver, pal::kSilverDark, "★"); }

}  // namespace

// The golden hazelnut (also the records icon and the end picture).
void golden_nut(cairo_t *cr, double cx, double cy, double s) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, s / 64.0, s / 64.0);
    // Nut body.
    cairo_move_to(cr, 0, 26);
    cairo_curve_to(cr, -22, 22, -24, -2, -18, -8);
    cairo_line_to(cr, 18, -8);
    cairo_curve_to(cr, 24, -2, 22, 22, 0, 26);
    cairo_close_path(cr);
    shape(cr, pal::kGold, 2.6, 0.4);
    gloss(cr, -9, 3, 5, 8, 0.7);
    // Cap with a cross-hatch.
    cairo_move_to(cr, -22, -6);
    cairo_curve_to(cr, -22, -22, 22, -22, 22, -6);
    cairo_close_path(cr);
    shape(cr, pal::kGoldDark, 2.6, 0.3);
    cairo_move_to(cr, 0, -19);
    cairo_curve_to(cr, 0, -24, 3, -27, 6, -28);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_restore(cr);
}

namespace {

void nut(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 64);
    glow(cr, 32, 32, 30, pal::kGold, 0.45);
    spin(cr, ph / 2, 32, [&] { golden_nut(cr, 32, 34, 56); });
    sparkle(cr, 14, 14, 6, std::max(0.0, std::sin(ph)));
    sparkle(cr, 50, 46, 5, std::max(0.0, -std::sin(ph)));
    cairo_restore(cr);
}

void table(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 128);
    // Post.
    rounded_rect(cr, 58, 30, 12, 96, 3);
    shape(cr, pal::kWood);
    // Flag on top, waving.
    cairo_move_to(cr, 70, 10);
    for (int i = 0; i <= 10; ++i) {
        const double t = i / 10.0;
        cairo_line_to(cr, 70 + t * 44, 10 + std::sin(ph - t * 4) * 4 * t);
    }
    for (int i = 10; i >= 0; --i) {
        const double t = i / 10.0;
        cairo_line_to(cr, 70 + t * 44, 36 + std::sin(ph - t * 4) * 4 * t - t * 4);
    }
    cairo_close_path(cr);
    shape(cr, pal::kRed, 2.5, 0.3);
    cairo_move_to(cr, 64, 4);
    cairo_line_to(cr, 64, 40);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    ellipse(cr, 64, 6, 5, 5);
    shape(cr, pal::kGold, 2);
    // Signboard.
    cairo_save(cr);
    cairo_translate(cr, 64, 66);
    cairo_rotate(cr, -0.05);
    rounded_rect(cr, -46, -18, 92, 36, 7);
    shape(cr, pal::kWood, 3);
    rounded_rect(cr, -40, -12, 80, 24, 4);
    set(cr, pal::kWoodDark, 0.35);
    cairo_fill(cr);
    text_path(cr, "ФИНИШ", 17, 0, 6.5);
    set(cr, pal::kFurLight);
    cairo_fill_preserve(cr);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
    grass_blades(cr, 46, 6, 7, 128, 114, ph);  // at the foot
    cairo_restore(cr);
}

}  // namespace

void add_item_pictures() {
    add_sheet("health", 64, {health});
    add_sheet("life", 64, {life});
    add_sheet("bapple", 48, {apple});
    add_sheet("bberry", 48, {berry});
    add_sheet("bnut", 64, {nut});
    add_sheet("bgold", 64, {gold});
    add_sheet("bsilver", 64, {silver});
    add_sheet("table", 128, {table});
}

}  // namespace gfx
