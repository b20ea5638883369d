// hero.cpp - the raccoon "enot": a 1440 x 288 sheet of 96 x 96 frames, 15 per row; row 0 walks,
// row 1 is in the air after a jump, row 2 stands. The raccoon faces right (the game mirrors it to
// face left); the frame centre is the hero's position and its feet touch the frame's bottom edge,
// where the hero's terrain probe (centre 16 px below, radius 32) meets the ground. Every row is a
// closed loop: frame 15 flows back into frame 1.
#include <algorithm>
#include <cmath>

#include "art.h"

namespace gfx {
namespace {

constexpr double kUnit = 96.0;        // the raccoon is drawn in a 96-unit cell and scaled
constexpr double kGround = 94.0;      // where the feet rest, in cell units
constexpr double kLegLen = 19.0;      // hip to sole, cell units
constexpr double kStride = 34.0;      // leg swing while walking, degrees each way
constexpr double kFit = 0.92;         // drawing scale that keeps tail and nose inside the cell

struct Pose {
    double leg[4] = {0, 0, 0, 0};     // swing from vertical, degrees (+ forward): near front, far front, near back, far back
    double lift[4] = {0, 0, 0, 0};    // foot raised, cell units
    double body_dy = 0;               // body and head offset, cell units (+ down)
    double tilt = 0;                  // whole-body tilt, degrees (+ nose down)
    double tail = 0;                  // tail swing, degrees (+ up)
    double head_dy = 0;
    double ear = 0;                   // ear twitch, degrees
    bool blink = false;
    bool open_mouth = false;
};

void leg(cairo_t *cr, double hx, double hy, double angle_deg, double lift, bool far) {
    const double a = angle_deg * M_PI / 180.0;
    const double len = kLegLen - lift;
    const double fx = hx + std::sin(a) * len, fy = hy + std::cos(a) * len;
    // Near legs in dark fur, far legs darker still, so the two pairs read apart.
    const RGB fur = far ? pal::kFurDark : mix(pal::kFurDark, pal::kFur, 0.45);
    // The leg: a haunch at the hip tapering into a rounded shank, outline underneath.
    const double kx = hx + std::sin(a) * len * 0.45, ky = hy + std::cos(a) * len * 0.45;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int pass = 0; pass < 2; ++pass) {
        const double grow = pass == 0 ? kOutlineWidth * 2 : 0;
        set(cr, pass == 0 ? pal::kOutline : fur);
        cairo_move_to(cr, hx, hy - 3);
        cairo_line_to(cr, kx, ky);
        cairo_set_line_width(cr, 11.5 + grow);
        cairo_stroke(cr);
        cairo_move_to(cr, kx, ky);
        cairo_line_to(cr, fx, fy - 2);
        cairo_set_line_width(cr, 7.5 + grow);
        cairo_stroke(cr);
    }
    // The paw, flat at the bottom.
    ellipse(cr, fx + 2.0, fy - 2.5, 5.5, 3.4);
    shape(cr, far ? darker(pal::kMask, 0.2) : pal::kMask, kOutlineWidth * 0.9);
}

void tail(cairo_t *cr, double bx, double by, double swing_deg) {
    // A bushy ringed tail: overlapping puffs along a curve from the tip back to the base, the
    // curve swung about the base by `swing_deg`.
    const double s = -swing_deg * M_PI / 180.0;
    auto rot = [&](double x, double y, double &ox, double &oy) {
        const double dx = x - bx, dy = y - by;
        ox = bx + dx * std::cos(s) + dy * std::sin(s);
        oy = by - dx * std::sin(s) + dy * std::cos(s);
    };
    double mx, my, tx, ty;
    rot(bx - 16, by - 2, mx, my);
    rot(bx - 20, by - 24, tx, ty);
    const int puffs = 8;
    for (int i = puffs - 1; i >= 0; --i) {
        const double t = i / double(puffs - 1);             // 0 at the base, 1 at the tip
        const double u = 1 - t;
        const double x = u * u * bx + 2 * u * t * mx + t * t * tx;
        const double y = u * u * by + 2 * u * t * my + t * t * ty;
        const double r = 7.5 + 3.0 * std::sin(t * M_PI * 0.8) - t * 1.5;
        ellipse(cr, x, y, r, r * 0.95);
        const bool ring = (i % 2) == 1;
        shape(cr, ring ? pal::kMask : (i == puffs - 1 ? pal::kFurLight : pal::kFur), kOutlineWidth * 0.9);
    }
}

void head(cairo_t *cr, double cx, double cy, const Pose &p) {
    // Ears behind the head.
    for (int e = 0; e < 2; ++e) {
        const double ex = cx - 9 + e * 11, ey = cy - 12;
        cairo_save(cr);
        cairo_translate(cr, ex, ey);
        cairo_rotate(cr, (-18 + e * 14 + (e ? p.ear : 0)) * M_PI / 180.0);
        cairo_move_to(cr, -6.5, 4);
        cairo_line_to(cr, 0, -11);
        cairo_line_to(cr, 6.5, 4);
        cairo_close_path(cr);
        shape(cr, e ? pal::kFur : darker(pal::kFur, 0.2));
        cairo_move_to(cr, -3.2, 2.5);
        cairo_line_to(cr, 0, -6);
        cairo_line_to(cr, 3.2, 2.5);
        cairo_close_path(cr);
        set(cr, pal::kPink);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    // Skull and cheeks.
    ellipse(cr, cx, cy, 17, 15.5);
    shape(cr, pal::kFur);
    // White face: brow and cheek fluff.
    cairo_move_to(cr, cx - 4, cy + 12);
    cairo_curve_to(cr, cx - 10, cy + 4, cx - 2, cy - 10, cx + 10, cy - 8);
    cairo_curve_to(cr, cx + 20, cy - 6, cx + 22, cy + 8, cx + 10, cy + 13);
    cairo_close_path(cr);
    set(cr, pal::kFurLight);
    cairo_fill(cr);
    // Snout.
    ellipse(cr, cx + 15, cy + 5, 11, 7.5);
    shape(cr, pal::kFurLight, kOutlineWidth, 0.18);
    // The bandit mask across the eye, sweeping back.
    cairo_move_to(cr, cx - 6, cy - 1);
    cairo_curve_to(cr, cx - 2, cy - 8, cx + 8, cy - 8, cx + 13, cy - 3);
    cairo_curve_to(cr, cx + 15, cy + 1, cx + 10, cy + 5, cx + 4, cy + 4);
    cairo_curve_to(cr, cx, cy + 4, cx - 4, cy + 3, cx - 6, cy - 1);
    cairo_close_path(cr);
    set(cr, pal::kMask);
    cairo_fill(cr);
    // Eye.
    if (p.blink) {
        cairo_move_to(cr, cx + 3, cy - 2);
        cairo_curve_to(cr, cx + 5, cy, cx + 9, cy, cx + 11, cy - 2);
        set(cr, pal::kWhite);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
    } else {
        ellipse(cr, cx + 7, cy - 2, 4.2, 4.6);
        set(cr, pal::kWhite);
        cairo_fill(cr);
        ellipse(cr, cx + 8.3, cy - 1.6, 2.4, 3.0);
        set(cr, hex(0x1A1220));
        cairo_fill(cr);
        ellipse(cr, cx + 7.4, cy - 3.2, 1.0, 1.0);
        set(cr, pal::kWhite);
        cairo_fill(cr);
    }
    // Nose and mouth.
    ellipse(cr, cx + 25, cy + 2.5, 3.6, 3.0);
    set(cr, hex(0x1A1220));
    cairo_fill(cr);
    gloss(cr, cx + 24, cy + 1.5, 1.5, 1.0, 0.8);
    if (p.open_mouth) {
        ellipse(cr, cx + 18, cy + 10, 3.5, 2.6);
        set(cr, hex(0x7A2030));
        cairo_fill_preserve(cr);
        outline(cr, 1.2);
    } else {
        cairo_move_to(cr, cx + 14, cy + 9);
        cairo_curve_to(cr, cx + 17, cy + 11, cx + 20, cy + 11, cx + 22, cy + 8);
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, 1.3);
        cairo_stroke(cr);
    }
    gloss(cr, cx - 6, cy - 9, 7, 4, 0.35);
}

void raccoon(cairo_t *cr, double size, const Pose &p) {
    cairo_save(cr);
    cairo_scale(cr, size / kUnit, size / kUnit);
    // Shrunk a little about the middle of the ground line, so the tail and nose stay inside.
    cairo_translate(cr, kUnit / 2, kGround);
    cairo_scale(cr, kFit, kFit);
    cairo_translate(cr, -kUnit / 2, -kGround);
    const double bx = 44, by = kGround - kLegLen - 11 + p.body_dy;   // body centre
    // Tilt about the hips' middle, so the feet stay near the ground.
    cairo_translate(cr, bx, by);
    cairo_rotate(cr, p.tilt * M_PI / 180.0);
    cairo_translate(cr, -bx, -by);
    const double hip_y = by + 8;
    const double front_x = bx + 13, back_x = bx - 12;
    leg(cr, front_x + 3, hip_y, p.leg[1], p.lift[1], true);
    leg(cr, back_x + 3, hip_y, p.leg[3], p.lift[3], true);
    tail(cr, bx - 17, by - 4, p.tail);
    // Body with a lighter belly.
    ellipse(cr, bx, by, 23, 15.5);
    fill_lit(cr, pal::kFur);
    cairo_save(cr);
    cairo_clip(cr);
    ellipse(cr, bx + 4, by + 13, 18, 7);
    set(cr, lighter(pal::kFur, 0.3));
    cairo_fill(cr);
    cairo_restore(cr);
    ellipse(cr, bx, by, 23, 15.5);
    outline(cr);
    gloss(cr, bx - 6, by - 8, 10, 4, 0.3);
    leg(cr, front_x, hip_y, p.leg[0], p.lift[0], false);
    leg(cr, back_x, hip_y, p.leg[2], p.lift[2], false);
    head(cr, 66, 42 + p.body_dy + p.head_dy, p);
    cairo_restore(cr);
}

// Feet stay on kGround: the hip height is tuned so a vertical leg ends exactly there.
void walk(cairo_t *cr, double size, int f, int n) {
    const double ph = 2 * M_PI * f / n;
    Pose p;
    p.leg[0] = kStride * std::sin(ph);
    p.leg[1] = -kStride * std::sin(ph);
    p.leg[2] = -kStride * std::sin(ph);
    p.leg[3] = kStride * std::sin(ph);
    // A leg swinging forward (its angle rising) is lifted off the ground.
    p.lift[0] = std::max(0.0, std::cos(ph)) * 5;
    p.lift[1] = std::max(0.0, -std::cos(ph)) * 5;
    p.lift[2] = std::max(0.0, -std::cos(ph)) * 5;
    p.lift[3] = std::max(0.0, std::cos(ph)) * 5;
    p.body_dy = -std::abs(std::cos(ph)) * 2.5 + 1.5;
    p.head_dy = std::sin(2 * ph) * 0.8;
    p.tail = std::sin(ph) * 10 + 4;
    p.tilt = std::sin(2 * ph) * 1.5;
    raccoon(cr, size, p);
}

void air(cairo_t *cr, double size, int f, int n) {
    const double ph = 2 * M_PI * f / n;
    Pose p;
    // Front paws reach forward, hind legs trail; a little paddling keeps it alive.
    p.leg[0] = 55 + 12 * std::sin(ph);
    p.leg[1] = 40 + 12 * std::sin(ph + 1.2);
    p.leg[2] = -50 + 10 * std::sin(ph + 0.6);
    p.leg[3] = -38 + 10 * std::sin(ph + 2.0);
    p.lift[0] = p.lift[1] = 4;
    p.lift[2] = p.lift[3] = 2;
    p.body_dy = -6 + std::sin(ph) * 1.0;
    p.tilt = -10 + std::sin(ph) * 3;
    p.tail = 28 + std::sin(2 * ph) * 12;
    p.ear = -10;
    p.open_mouth = true;
    raccoon(cr, size, p);
}

void stand(cairo_t *cr, double size, int f, int n) {
    const double ph = 2 * M_PI * f / n;
    Pose p;
    p.leg[0] = 4; p.leg[1] = -3; p.leg[2] = -4; p.leg[3] = 3;
    p.body_dy = std::sin(ph) * 0.8 + 0.8;
    p.head_dy = std::sin(ph + 0.5) * 0.6;
    p.tail = std::sin(ph) * 9 + 2;
    p.blink = f == 11 || f == 12;
    p.ear = (f >= 5 && f <= 6) ? -14 : 0;
    raccoon(cr, size, p);
}

}  // namespace

// The raccoon head alone (lives icon, splash, end picture): centred in a box of `size` pixels.
void raccoon_face(cairo_t *cr, double cx, double cy, double size) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, size / 56.0, size / 56.0);
    Pose p;
    head(cr, -4, 4, p);
    cairo_restore(cr);
}

void add_hero_pictures() { add_sheet("enot", 96, {walk, air, stand}); }

}  // namespace gfx
