// creatures.cpp - enemies, hazards and the cart as 15-frame looping strips of square frames.
//   bee    64 px: hovers; wings beat five times per loop.
//   krot   96 px: the mine mole with a helmet lamp on the side it faces; waddles; feet at the bottom
//                 (its terrain probe, 16 px below the centre with radius 32, meets the ground there).
//   hedge  64 px: hedgehog, sniffing; feet at the bottom.
//   ship   96 px: the deadly thorn cluster, a glint running over it.
//   romash 96 px: the chamomile spring: a flat flower pad on a coiled spring, breathing.
//   vag   128 px: the mine cart; wheels turn a quarter per loop (four spokes: a seamless loop);
//                 wheel bottoms at the frame bottom (probe 32 px below the centre).
//   worm  128 px: crawling worm; its underside rests 24 px below the centre (probe 8 px above).
// All face right; the game mirrors them.
#include <algorithm>
#include <cmath>

#include "art.h"

namespace gfx {
namespace {

constexpr double kTau = 2 * M_PI;
constexpr double kRim = 34;         // cart tub's top edge, in the 128-unit cart frame

// Draw in a `units`-wide design space inside a `size` cell.
void units(cairo_t *cr, double size, double units) { cairo_scale(cr, size / units, size / units); }

// ---- bee --------------------------------------------------------------------------------------

void bee(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 64);
    cairo_translate(cr, 0, std::sin(ph) * 1.5);
    const double flap = std::sin(ph * 5);
    // Back wing, body, front wing.
    auto wing = [&](double cx, double cy, double ang, double a) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_rotate(cr, ang);
        ellipse(cr, 0, -9, 6.5, 11);
        cairo_set_source_rgba(cr, 0.85, 0.95, 1.0, a);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, pal::kOutline.r, pal::kOutline.g, pal::kOutline.b, 0.8);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_restore(cr);
    };
    wing(28, 24, -0.5 + flap * 0.5, 0.55);
    // Stinger.
    cairo_move_to(cr, 13, 34);
    cairo_line_to(cr, 5, 37);
    cairo_line_to(cr, 13, 39);
    cairo_close_path(cr);
    shape(cr, pal::kMask, 1.6);
    // Striped body.
    ellipse(cr, 28, 35, 16, 12);
    fill_lit(cr, pal::kGold);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    cairo_new_path(cr);
    set(cr, pal::kMask);
    for (double x : {19.0, 29.0}) {
        cairo_rectangle(cr, x, 20, 5, 30);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    ellipse(cr, 28, 35, 16, 12);
    outline(cr, 2.0);
    gloss(cr, 23, 29, 6, 3, 0.5);
    // Head.
    ellipse(cr, 45, 31, 9, 8.5);
    shape(cr, pal::kMask, 2.0, 0.2);
    ellipse(cr, 48, 29, 3.2, 3.6);
    set(cr, pal::kWhite);
    cairo_fill(cr);
    ellipse(cr, 49, 29.5, 1.6, 2.2);
    set(cr, hex(0x1A1220));
    cairo_fill(cr);
    // Antennae.
    for (int i = 0; i < 2; ++i) {
        cairo_move_to(cr, 44 + i * 4, 24);
        cairo_curve_to(cr, 45 + i * 4, 18, 48 + i * 5, 16, 50 + i * 5, 15 + std::sin(ph * 2 + i) * 1.0);
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        ellipse(cr, 50 + i * 5, 15 + std::sin(ph * 2 + i) * 1.0, 1.6, 1.6);
        cairo_fill(cr);
    }
    wing(31, 25, 0.2 + flap * 0.55, 0.7);
    cairo_restore(cr);
}

// ---- krot -------------------------------------------------------------------------------------

void krot(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 96);
    const double bob = -std::abs(std::sin(ph)) * 2.0;
    const RGB velvet = hex(0x5A4652);
    // Feet: two paddles stepping.
    for (int i = 0; i < 2; ++i) {
        const double sw = std::sin(ph + i * M_PI);
        ellipse(cr, 40 + i * 16 + sw * 6, 90 - std::max(0.0, std::cos(ph + i * M_PI)) * 3, 9, 4.5);
        shape(cr, i ? pal::kPink : darker(pal::kPink, 0.2), 2.2);
    }
    // Body: a round pear, a little waddle.
    cairo_save(cr);
    cairo_translate(cr, 48, 66 + bob);
    cairo_rotate(cr, std::sin(ph) * 0.05);
    ellipse(cr, 0, 0, 27, 24);
    shape(cr, velvet);
    gloss(cr, -9, -11, 11, 6, 0.3);
    ellipse(cr, 2, 10, 15, 10);
    set(cr, lighter(velvet, 0.2));
    cairo_fill(cr);
    cairo_restore(cr);
    // Head with snout.
    const double hx = 60, hy = 46 + bob;
    ellipse(cr, hx, hy, 17, 15);
    shape(cr, velvet);
    ellipse(cr, hx + 17, hy + 4, 9, 6);
    shape(cr, pal::kPink, 2.2);
    ellipse(cr, hx + 25, hy + 3, 3.5, 3.2);
    set(cr, hex(0xC2456A));
    cairo_fill(cr);
    // Tiny squinting eyes.
    cairo_move_to(cr, hx + 3, hy - 1);
    cairo_curve_to(cr, hx + 5, hy - 4, hx + 9, hy - 4, hx + 11, hy - 1);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    // Front claws, digging motion.
    const double dig = std::sin(ph * 2) * 3;
    ellipse(cr, hx + 8, hy + 22 + dig * 0.3, 8, 5.5);
    shape(cr, pal::kPink, 2.2);
    for (int c = 0; c < 3; ++c) {
        cairo_move_to(cr, hx + 12 + c * 2.5, hy + 24 + dig * 0.3);
        cairo_line_to(cr, hx + 17 + c * 2.5, hy + 28 + dig * 0.3);
    }
    set(cr, pal::kWhite);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    // Miner's helmet and its lamp, on the side the mole faces.
    cairo_move_to(cr, hx - 17, hy - 5);
    cairo_curve_to(cr, hx - 16, hy - 26, hx + 15, hy - 26, hx + 16, hy - 5);
    cairo_close_path(cr);
    shape(cr, pal::kGold);
    cairo_move_to(cr, hx - 20, hy - 5);
    cairo_line_to(cr, hx + 20, hy - 5);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 4.5);
    cairo_stroke(cr);
    cairo_move_to(cr, hx - 20, hy - 5);
    cairo_line_to(cr, hx + 20, hy - 5);
    set(cr, pal::kGoldDark);
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    ellipse(cr, hx + 12, hy - 17, 5, 5);
    shape(cr, pal::kLamp, 2.0, 0.1);
    glow(cr, hx + 12, hy - 17, 10, pal::kWhite, 0.6 + 0.2 * std::sin(ph * 3));
    gloss(cr, hx - 5, hy - 19, 6, 3, 0.5);
    cairo_restore(cr);
}

// ---- hedge ------------------------------------------------------------------------------------

void hedge(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 64);
    const double breathe = std::sin(ph) * 0.8;
    // Feet.
    for (int i = 0; i < 2; ++i) {
        ellipse(cr, 24 + i * 16, 60, 5, 3);
        shape(cr, hex(0x6B4A3A), 1.6);
    }
    // Spiky back: a fan of spines behind a brown body.
    cairo_save(cr);
    cairo_translate(cr, 28, 42);
    const int spikes = 13;
    cairo_move_to(cr, -22, 12);
    for (int i = 0; i <= spikes; ++i) {
        const double a = M_PI + i * M_PI / spikes;
        const double r1 = 17 + breathe, r2 = 26 + breathe + ((i % 2) ? 2 : 0);
        const double am = a + M_PI / spikes / 2;
        cairo_line_to(cr, std::cos(a) * r1 * 1.15, std::sin(a) * r1);
        if (i < spikes) cairo_line_to(cr, std::cos(am) * r2 * 1.15, std::sin(am) * r2);
    }
    cairo_line_to(cr, 22, 12);
    cairo_close_path(cr);
    shape(cr, hex(0x5A3E30), 2.0);
    cairo_restore(cr);
    // Body and face.
    ellipse(cr, 30, 47, 19, 13);
    shape(cr, hex(0x8A6048), 2.0);
    ellipse(cr, 44, 46, 11, 9);
    shape(cr, hex(0xE0B890), 2.0, 0.2);
    const double sniff = std::sin(ph * 3) * 0.8;
    ellipse(cr, 55 + sniff, 45, 3.4, 3.0);
    set(cr, hex(0x1A1220));
    cairo_fill(cr);
    ellipse(cr, 46, 42, 2.2, 2.6);
    cairo_fill(cr);
    ellipse(cr, 45.4, 41.2, 0.8, 0.8);
    set(cr, pal::kWhite);
    cairo_fill(cr);
    gloss(cr, 20, 30, 8, 4, 0.25);
    cairo_restore(cr);
}

// ---- ship -------------------------------------------------------------------------------------

void ship(cairo_t *cr, double size, int f, int n) {
    const double ph = double(f) / n;
    cairo_save(cr);
    units(cr, size, 96);
    // Red warning glow at the base.
    glow(cr, 48, 88, 46, pal::kRed, 0.25 + 0.1 * std::sin(kTau * ph));
    // Base slab.
    rounded_rect(cr, 8, 78, 80, 16, 5);
    shape(cr, pal::kStoneDark);
    // Spikes: steel cones of different heights.
    const double xs[] = {16, 30, 48, 66, 80};
    const double hs[] = {34, 52, 66, 50, 36};
    for (int order : {0, 4, 1, 3, 2}) {
        const double x = xs[order], h = hs[order];
        cairo_move_to(cr, x - 10, 80);
        cairo_line_to(cr, x, 80 - h);
        cairo_line_to(cr, x + 10, 80);
        cairo_close_path(cr);
        shape(cr, pal::kSilver, 2.2, 0.4);
        // A dark shaded right half (light comes from the top left).
        cairo_move_to(cr, x, 80 - h + 3);
        cairo_line_to(cr, x + 8.5, 79);
        cairo_line_to(cr, x + 1, 79);
        cairo_close_path(cr);
        set(cr, pal::kSilverDark, 0.7);
        cairo_fill(cr);
    }
    // A glint travels across the spikes once per loop.
    const double gx = 6 + 84 * ph;
    int nearest = 0;
    for (int i = 1; i < 5; ++i)
        if (std::abs(xs[i] - gx) < std::abs(xs[nearest] - gx)) nearest = i;
    const double tip_y = 80 - hs[nearest] + 6;
    const double a = std::max(0.0, 1 - std::abs(xs[nearest] - gx) / 12);
    glow(cr, xs[nearest] - 1, tip_y, 9, pal::kWhite, 0.9 * a);
    cairo_restore(cr);
}

// ---- romash -----------------------------------------------------------------------------------

void romash(cairo_t *cr, double size, int f, int n) {
    // Seen from a little above, like a trampoline: a wide flat flower head (the pad the hero lands
    // on) on a coiled spring, which breathes up and down.
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 96);
    const double squash = std::sin(ph) * 3;
    const double pad_y = 40 + squash;                // centre of the pad's top face
    constexpr double kPadRx = 40, kPadRy = 11;       // the pad's half width and half depth
    // Leaves at the foot.
    for (int s = -1; s <= 1; s += 2) {
        cairo_save(cr);
        cairo_translate(cr, 48, 92);
        cairo_scale(cr, s, 1);
        cairo_rotate(cr, -0.4 + std::sin(ph + s) * 0.06);
        ellipse(cr, 14, 0, 15, 5.5);
        shape(cr, pal::kLeaf, 2.0);
        cairo_restore(cr);
    }
    // The coil: loops of a steel-green spring from the ground up under the pad.
    const int loops = 5;
    const double coil_top = pad_y + 8, coil_bottom = 90;
    for (int i = 0; i < loops; ++i) {
        const double y = coil_bottom - (coil_bottom - coil_top) * (i + 0.5) / loops;
        ellipse(cr, 48, y, 14, 4.2);
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, 6.0);
        cairo_stroke_preserve(cr);
        set(cr, pal::kLeafDark);
        cairo_set_line_width(cr, 3.0);
        cairo_stroke(cr);
    }
    // The pad's underside (its thickness), then the petals lying flat, back ones first.
    ellipse(cr, 48, pad_y + 4, kPadRx - 2, kPadRy);
    shape(cr, pal::kLeafDark, 2.2, 0.1);
    const int petals = 14;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < petals; ++i) {
            const double a = i * kTau / petals + std::sin(ph) * 0.04;
            if ((std::sin(a) > 0) != (pass == 1)) continue;   // the far half first
            cairo_save(cr);
            cairo_translate(cr, 48, pad_y);
            cairo_scale(cr, 1, kPadRy / kPadRx);             // the flower's plane, seen flat
            cairo_rotate(cr, a);
            ellipse(cr, kPadRx * 0.62, 0, kPadRx * 0.4, 7.5);
            cairo_restore(cr);
            shape(cr, pal::kWhite, 1.6, 0.15);
        }
    // The gold centre, a low dome on the pad.
    ellipse(cr, 48, pad_y - 1, 13, 5.5);
    shape(cr, pal::kGold, 2.0);
    Rng rng(7);
    for (int i = 0; i < 7; ++i) {
        const double a = rng.range(0, kTau), r = rng.range(0, 8);
        ellipse(cr, 48 + std::cos(a) * r, pad_y - 1 + std::sin(a) * r * 0.35, 1.2, 0.8);
        set(cr, pal::kGoldDark);
        cairo_fill(cr);
    }
    gloss(cr, 44, pad_y - 3, 5, 1.6, 0.6);
    cairo_restore(cr);
}

// ---- vag --------------------------------------------------------------------------------------

void wheel(cairo_t *cr, double cx, double cy, double r, double turn) {
    ellipse(cr, cx, cy, r, r);
    shape(cr, pal::kStoneDark, 2.5);
    ellipse(cr, cx, cy, r - 4, r - 4);
    set(cr, pal::kStone);
    cairo_fill(cr);
    for (int i = 0; i < 4; ++i) {
        const double a = turn + i * M_PI / 2;
        cairo_move_to(cr, cx, cy);
        cairo_line_to(cr, cx + std::cos(a) * (r - 3), cy + std::sin(a) * (r - 3));
    }
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 3.0);
    cairo_stroke(cr);
    ellipse(cr, cx, cy, 3.5, 3.5);
    shape(cr, pal::kGold, 1.5);
}

void vag(cairo_t *cr, double size, int f, int n) {
    cairo_save(cr);
    units(cr, size, 128);
    const double turn = (M_PI / 2) * f / n;
    // Tub: a trapezoid of planks with iron bands. Its rim sits just above where a riding hero's
    // feet are (32 px from the top: the hero rides 80 px above the cart's centre).
    cairo_move_to(cr, 10, kRim);
    cairo_line_to(cr, 118, kRim);
    cairo_line_to(cr, 108, 104);
    cairo_line_to(cr, 20, 104);
    cairo_close_path(cr);
    fill_lit(cr, pal::kWood);
    cairo_save(cr);
    cairo_clip(cr);
    set(cr, pal::kWoodDark, 0.7);
    cairo_set_line_width(cr, 1.5);
    for (double y = kRim + 17; y < 104; y += 17) {
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, 128, y);
        cairo_stroke(cr);
    }
    set(cr, pal::kStoneDark);
    for (double x : {30.0, 98.0}) {
        cairo_rectangle(cr, x - 4, kRim - 4, 8, 80);
        cairo_fill(cr);
        for (double y : {kRim + 10, kRim + 35, kRim + 60}) {
            ellipse(cr, x, y, 1.6, 1.6);
            set(cr, pal::kSilver);
            cairo_fill(cr);
            set(cr, pal::kStoneDark);
        }
    }
    cairo_restore(cr);
    cairo_move_to(cr, 10, kRim);
    cairo_line_to(cr, 118, kRim);
    cairo_line_to(cr, 108, 104);
    cairo_line_to(cr, 20, 104);
    cairo_close_path(cr);
    outline(cr, 3.0);
    // Rim.
    rounded_rect(cr, 6, kRim - 6, 116, 9, 3);
    shape(cr, pal::kStone, 2.5);
    wheel(cr, 36, 112, 15, turn);
    wheel(cr, 92, 112, 15, turn);
    cairo_restore(cr);
}

// ---- worm -------------------------------------------------------------------------------------

void worm(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 128);
    const double ground = 88;
    const int segs = 9;
    const RGB body = hex(0xF08A9C);
    // Segments from the tail (left) to the head (right); a hump travels forward.
    for (int i = 0; i < segs; ++i) {
        const double t = double(i) / (segs - 1);
        const double x = 22 + t * 74 + std::sin(ph - t * 4) * 3;
        const double hump = std::max(0.0, std::sin(ph - t * 5)) * 12;
        const double r = 14 + std::sin(t * M_PI) * 4;
        ellipse(cr, x, ground - r - hump, r * 1.05, r);
        shape(cr, (i % 2) ? body : darker(body, 0.12), 2.5, 0.3);
    }
    // Head.
    const double hx = 102 + std::sin(ph - 4) * 3, hy = ground - 20 - std::max(0.0, std::sin(ph - 5)) * 12;
    ellipse(cr, hx, hy, 20, 19);
    shape(cr, body);
    gloss(cr, hx - 6, hy - 8, 7, 4, 0.5);
    for (int e = 0; e < 2; ++e) {
        ellipse(cr, hx + 1 + e * 9, hy - 5, 4.5, 5.5);
        set(cr, pal::kWhite);
        cairo_fill_preserve(cr);
        outline(cr, 1.5);
        ellipse(cr, hx + 2.5 + e * 9, hy - 4.5, 2.2, 3.0);
        set(cr, hex(0x1A1220));
        cairo_fill(cr);
    }
    // Grumpy brow and mouth.
    cairo_move_to(cr, hx - 3, hy - 13);
    cairo_line_to(cr, hx + 7, hy - 10);
    cairo_move_to(cr, hx + 16, hy - 12);
    cairo_line_to(cr, hx + 9, hy - 10);
    cairo_move_to(cr, hx + 3, hy + 7);
    cairo_curve_to(cr, hx + 7, hy + 4, hx + 11, hy + 4, hx + 14, hy + 7);
    set(cr, pal::kOutline);
    cairo_set_line_width(cr, 2.2);
    cairo_stroke(cr);
    cairo_restore(cr);
}

}  // namespace

void add_creature_pictures() {
    add_sheet("bee", 64, {bee});
    add_sheet("krot", 96, {krot});
    add_sheet("hedge", 64, {hedge});
    add_sheet("ship", 96, {ship});
    add_sheet("romash", 96, {romash});
    add_sheet("vag", 128, {vag});
    add_sheet("worm", 128, {worm});
}

}  // namespace gfx
