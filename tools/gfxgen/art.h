// art.h - the picture generator's shared toolkit: the palette, the picture registry, the drawing
// helpers that keep one look (dark outline, light from the top left, soft shading) and the TGA
// writer. Every picture is a function drawing into a Cairo context of its final size; the
// generator runs them all and writes 32-bit TGA files with straight (not premultiplied) alpha.
// Nothing here reads the clock or any global random source: the same build gives the same bytes.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gfx {

// ---- Palette (see content/art/ART.md) ------------------------------------------------------

struct RGB {
    double r, g, b;
};
constexpr RGB hex(uint32_t v) {
    return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}
RGB mix(RGB a, RGB b, double t);
RGB lighter(RGB c, double t);   // towards white by t (0..1)
RGB darker(RGB c, double t);    // towards the outline colour by t (0..1)

namespace pal {
constexpr RGB kOutline = hex(0x2A1E2C);      // every outline: dark plum brown
constexpr RGB kSkyTop = hex(0x4FA8E0), kSkyLow = hex(0xD4F0FA);
constexpr RGB kGrassLight = hex(0x9AD85A), kGrass = hex(0x5DAA34), kGrassDark = hex(0x2F7A2A);
constexpr RGB kEarth = hex(0xA8703F), kEarthDark = hex(0x6B4226);
constexpr RGB kStone = hex(0x9CA3AC), kStoneDark = hex(0x5F6670);
constexpr RGB kMineRock = hex(0x5C4B62), kMineDark = hex(0x2E2433);
constexpr RGB kWood = hex(0xB47C44), kWoodDark = hex(0x70461F);
constexpr RGB kGold = hex(0xFFCC33), kGoldDark = hex(0xC98A12);
constexpr RGB kSilver = hex(0xDCE4EE), kSilverDark = hex(0x8E9AAA);
constexpr RGB kFur = hex(0x8E8C98), kFurDark = hex(0x4A4452), kFurLight = hex(0xEAE6DE);
constexpr RGB kMask = hex(0x35303D);
constexpr RGB kRed = hex(0xE2483A), kLeaf = hex(0x4CAF50), kLeafDark = hex(0x2E7D32);
constexpr RGB kBerry = hex(0x7B3FB0), kPink = hex(0xF58FB0);
constexpr RGB kLamp = hex(0xFFD98A), kCyan = hex(0x6FF0FF), kMagenta = hex(0xD070FF);
constexpr RGB kBoard = hex(0x4E3320), kBoardRim = hex(0x9A6434);
constexpr RGB kButton = hex(0x3F8A3C), kButtonDark = hex(0x1F4A24);
constexpr RGB kWhite = hex(0xFFFFFF), kBlack = hex(0x000000);
}  // namespace pal

constexpr double kOutlineWidth = 2.5;   // outline in pixels for pictures drawn at ~96 px

// ---- Registry --------------------------------------------------------------------------------

using DrawFn = std::function<void(cairo_t *cr, int w, int h)>;
// A sheet frame: draws frame `frame` (0..frames-1) of `frames` into a size x size cell at the origin.
using FrameFn = std::function<void(cairo_t *cr, double size, int frame, int frames)>;

struct Picture {
    std::string folder;   // "share" or "obj"
    std::string name;     // file stem: what the game looks up
    int w, h;
    DrawFn draw;
    bool opaque = false;  // backdrops and fill textures: no transparency anywhere
};

std::vector<Picture> &registry();
void add(const std::string &folder, const std::string &name, int w, int h, DrawFn draw, bool opaque = false);
// A strip or grid of square frames: cols x rows cells of `cell` pixels; fn(cr, cell, col, cols)
// is called per cell with the row passed through `row_fns`.
void add_sheet(const std::string &name, int cell, const std::vector<FrameFn> &row_fns, int cols = 15);

void add_share_pictures();
void add_hero_pictures();
void add_creature_pictures();
void add_item_pictures();
void add_scenery_pictures();
void add_waymark_pictures();   // checkpoint post, sign, the sign's bubble (waymarks.cpp)

// ---- Deterministic noise ---------------------------------------------------------------------

struct Rng {
    uint32_t s;
    explicit Rng(uint32_t seed) : s(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t next() { s ^= s << 13; s ^= s >> 17; s ^= s << 5; return s; }
    double uni() { return (next() & 0xFFFFFF) / double(0x1000000); }       // 0..1
    double range(double a, double b) { return a + (b - a) * uni(); }
};
// Smooth value noise in 0..1, periodic with period `period` cells in both directions.
double noise2(double x, double y, int period, uint32_t seed);
double fbm(double x, double y, int period, uint32_t seed, int octaves = 4);

// ---- Drawing helpers ---------------------------------------------------------------------------

void set(cairo_t *cr, RGB c, double a = 1.0);
void ellipse(cairo_t *cr, double cx, double cy, double rx, double ry);
void rounded_rect(cairo_t *cr, double x, double y, double w, double h, double r);
// Fills the current path lit from the top left (lighter there, darker bottom right) and keeps it.
void fill_lit(cairo_t *cr, RGB base, double contrast = 0.28);
// Strokes the current path with the outline colour and clears it.
void outline(cairo_t *cr, double width = kOutlineWidth);
// fill_lit + outline.
void shape(cairo_t *cr, RGB base, double width = kOutlineWidth, double contrast = 0.28);
// A soft white highlight ellipse (the top-left gloss).
void gloss(cairo_t *cr, double cx, double cy, double rx, double ry, double alpha = 0.55);
// Soft radial glow in colour c.
void glow(cairo_t *cr, double cx, double cy, double r, RGB c, double alpha);
// A straight stroke from (x0, y0) to (x1, y1) in colour c, `width` pixels wide; the path is cleared.
void line(cairo_t *cr, double x0, double y0, double x1, double y1, RGB c, double width);
// A row of n grass blades at the foot of a picture: blade i stands at x0 + i * dx on `bottom`, its
// tip swaying by sin(phase + i) * 2 and reaching up to `top` - (i % 3) * 3.
void grass_blades(cairo_t *cr, double x0, double dx, int n, double bottom, double top, double phase);
// Text centred on (cx, baseline y) with the toy API, DejaVu Sans Bold.
void text_path(cairo_t *cr, const char *utf8, double size, double cx, double y);

// The application icon at every size the desktop uses, as OUT_DIR/<N>x<N>/apps/tarvelok.png
// (icon.cpp); false after a message naming the file that cannot be written.
bool write_icons(const std::string &out_dir);

// ---- Output -------------------------------------------------------------------------------------

// Converts a Cairo ARGB32 surface to straight-alpha RGBA rows; colours of fully transparent
// pixels are borrowed from their neighbours so that filtering never shows dark fringes.
std::vector<uint8_t> to_rgba(cairo_surface_t *s);

}  // namespace gfx
