// waymarks.cpp - what marks the way through a level: the checkpoint post, the teaching sign and the
// speech bubble its text is shown in.
//   fonar 128 (obj): a wooden post with an iron lantern on an arm, two rows of 15 frames: unlit
//                    (a cold glass, the post's little flag furled), then lit (a flickering flame,
//                    a warm halo, the flag flying); it stands on the frame's bottom edge.
//   znak 96 (obj):   a small wooden board on a stake with a white "!" plate, its grass swaying;
//                    one row of 15 frames, standing on the bottom edge.
//   bubble (share):  four cells of 32 x 64: the bubble's left end, its middle (stretched by the
//                    game to the text's width), its right end, and the middle with a tail pointing
//                    down to the sign. Cream paper with the dark outline; the body is the top 52 px.
#include <cmath>

#include "art.h"

namespace gfx {

namespace {

constexpr double kTau = 2 * M_PI;
constexpr double kBubbleBodyBottom = 50;   // px: the bubble's lower edge in its 64-px cell
constexpr double kBubbleTop = 4;           // px: its upper edge
constexpr double kBubbleRadius = 14;       // px: the ends' rounding
constexpr RGB kPaper = hex(0xFFF6DC);

void units(cairo_t *cr, double size, double u) { cairo_scale(cr, size / u, size / u); }

// The post, its arm and the lantern; `lit` 0..1 with `flicker` the flame's sway this frame.
void post(cairo_t *cr, double size, int f, int n, bool lit) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 128);
    if (lit) glow(cr, 82, 42, 46, pal::kLamp, 0.35 + 0.06 * std::sin(ph * 2));
    // Stones at the foot.
    ellipse(cr, 56, 122, 20, 7);
    shape(cr, pal::kStone, 2);
    // The post.
    rounded_rect(cr, 50, 22, 12, 102, 3);
    shape(cr, pal::kWood);
    cairo_move_to(cr, 54, 30);
    cairo_line_to(cr, 54, 112);
    set(cr, pal::kWoodDark, 0.5);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);  // the grain
    // The arm, with a brace.
    rounded_rect(cr, 56, 22, 34, 8, 2);
    shape(cr, pal::kWood, 2);
    line(cr, 60, 46, 76, 30, pal::kOutline, 5);
    line(cr, 60, 46, 76, 30, pal::kWood, 2.5);
    // A pennant on the top: furled along the post when unlit, flying when lit.
    if (lit) {
        cairo_move_to(cr, 56, 6);
        for (int i = 0; i <= 8; ++i) {
            const double t = i / 8.0;
            cairo_line_to(cr, 56 - t * 30, 6 + std::sin(ph - t * 4) * 3 * t);
        }
        cairo_line_to(cr, 56, 20);
        cairo_close_path(cr);
        shape(cr, pal::kRed, 2, 0.3);
    } else {
        cairo_move_to(cr, 52, 6);
        cairo_line_to(cr, 47, 9);
        cairo_line_to(cr, 48, 22);
        cairo_line_to(cr, 52, 20);
        cairo_close_path(cr);
        shape(cr, darker(pal::kRed, 0.3), 2, 0.3);
    }
    line(cr, 56, 4, 56, 24, pal::kOutline, 3);
    // The lantern hanging from the arm's end.
    line(cr, 82, 30, 82, 36, pal::kOutline, 2);
    cairo_move_to(cr, 74, 40);
    cairo_line_to(cr, 90, 40);
    cairo_line_to(cr, 86, 35);
    cairo_line_to(cr, 78, 35);
    cairo_close_path(cr);
    shape(cr, pal::kMineDark, 2);
    rounded_rect(cr, 74, 40, 16, 20, 2);
    if (lit) {
        cairo_pattern_t *p = cairo_pattern_create_radial(82, 52, 1, 82, 50, 12);
        cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 0.85);
        cairo_pattern_add_color_stop_rgb(p, 1, pal::kLamp.r, pal::kLamp.g * 0.85, pal::kLamp.b * 0.5);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
    } else {
        set(cr, mix(pal::kStoneDark, pal::kCyan, 0.15));
        cairo_fill_preserve(cr);
    }
    outline(cr, 2);
    // The flame, swaying, or a cold wick.
    if (lit) {
        const double sway = std::sin(ph * 3) * 1.5, tall = 9 + std::sin(ph * 2 + 1) * 1.5;
        cairo_move_to(cr, 82 + sway, 56 - tall);
        cairo_curve_to(cr, 87, 50, 86, 57, 82, 57);
        cairo_curve_to(cr, 78, 57, 77, 50, 82 + sway, 56 - tall);
        set(cr, hex(0xFF9A2E));
        cairo_fill(cr);
        ellipse(cr, 82, 54, 2, 3);
        set(cr, pal::kWhite, 0.9);
        cairo_fill(cr);
    } else {
        line(cr, 82, 57, 82, 52, pal::kOutline, 1.5);
        gloss(cr, 78, 45, 2, 4, 0.5);
    }
    // Bars over the glass, the cap's ring and the bottom.
    for (double x : {78.5, 85.5}) {
        cairo_move_to(cr, x, 40);
        cairo_line_to(cr, x, 60);
    }
    set(cr, pal::kOutline, 0.8);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    rounded_rect(cr, 72, 59, 20, 4, 1.5);
    shape(cr, pal::kMineDark, 1.5);
    cairo_restore(cr);
}

void post_unlit(cairo_t *cr, double size, int f, int n) { post(cr, size, f, n, false); }
void post_lit(cairo_t *cr, double size, int f, int n) { post(cr, size, f, n, true); }

void sign(cairo_t *cr, double size, int f, int n) {
    const double ph = kTau * f / n;
    cairo_save(cr);
    units(cr, size, 96);
    // The stake.
    rounded_rect(cr, 44, 40, 8, 56, 2);
    shape(cr, pal::kWood, 2);
    // The board, a little askew.
    cairo_save(cr);
    cairo_translate(cr, 48, 36);
    cairo_rotate(cr, 0.06);
    rounded_rect(cr, -30, -22, 60, 40, 6);
    shape(cr, pal::kWood, 2.5);
    for (double y : {-8.0, 5.0}) {
        cairo_move_to(cr, -26, y);
        cairo_line_to(cr, 26, y);
    }
    set(cr, pal::kWoodDark, 0.45);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // A white plate with "!".
    ellipse(cr, 0, -2, 13, 13);
    shape(cr, pal::kFurLight, 2);
    rounded_rect(cr, -2.5, -11, 5, 12, 2);
    ellipse(cr, 0, 6, 2.8, 2.8);
    set(cr, pal::kRed);
    cairo_fill(cr);
    cairo_restore(cr);
    grass_blades(cr, 36, 5, 6, 96, 84, ph);  // at the foot
    cairo_restore(cr);
}

// The bubble's outline within one cell; `cell` 0..3 as the picture's cells are laid out.
void bubble_cell(cairo_t *cr, int cell) {
    const double l = cell == 0 ? 3 : -10, r = cell == 2 ? 29 : 42;  // the middle runs past its cell
    const double t = kBubbleTop, b = kBubbleBodyBottom, k = kBubbleRadius;
    cairo_new_path(cr);
    if (cell == 0) {
        cairo_move_to(cr, r, t);
        cairo_line_to(cr, l + k, t);
        cairo_arc_negative(cr, l + k, t + k, k, -M_PI / 2, -M_PI);
        cairo_line_to(cr, l, b - k);
        cairo_arc_negative(cr, l + k, b - k, k, M_PI, M_PI / 2);
        cairo_line_to(cr, r, b);
    } else if (cell == 2) {
        cairo_move_to(cr, l, t);
        cairo_line_to(cr, r - k, t);
        cairo_arc(cr, r - k, t + k, k, -M_PI / 2, 0);
        cairo_line_to(cr, r, b - k);
        cairo_arc(cr, r - k, b - k, k, 0, M_PI / 2);
        cairo_line_to(cr, l, b);
    } else {
        cairo_move_to(cr, l, t);
        cairo_line_to(cr, r, t);
        cairo_move_to(cr, r, b);
        if (cell == 3) {  // the tail: down to a point at the cell's bottom middle
            cairo_line_to(cr, 24, b);
            cairo_line_to(cr, 16, 62);
            cairo_line_to(cr, 8, b);
        }
        cairo_line_to(cr, l, b);
    }
}

void bubble(cairo_t *cr, int, int) {
    for (int cell = 0; cell < 4; ++cell) {
        cairo_save(cr);
        cairo_translate(cr, cell * 32, 0);
        cairo_rectangle(cr, 0, 0, 32, 64);
        cairo_clip(cr);
        // The paper: a filled box through the cell (ends rounded), the tail added below.
        cairo_new_path(cr);
        if (cell == 0) rounded_rect(cr, 3, kBubbleTop, 60, kBubbleBodyBottom - kBubbleTop, kBubbleRadius);
        else if (cell == 2) rounded_rect(cr, -31, kBubbleTop, 60, kBubbleBodyBottom - kBubbleTop, kBubbleRadius);
        else cairo_rectangle(cr, -10, kBubbleTop, 52, kBubbleBodyBottom - kBubbleTop);
        set(cr, kPaper);
        cairo_fill(cr);
        if (cell == 3) {
            cairo_move_to(cr, 24, kBubbleBodyBottom - 1);
            cairo_line_to(cr, 16, 62);
            cairo_line_to(cr, 8, kBubbleBodyBottom - 1);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
        bubble_cell(cr, cell);
        set(cr, pal::kOutline);
        cairo_set_line_width(cr, 2.5);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

}  // namespace

void add_waymark_pictures() {
    add_sheet("fonar", 128, {post_unlit, post_lit});
    add_sheet("znak", 96, {sign});
    add("share", "bubble", 128, 64, bubble);
}

}  // namespace gfx
