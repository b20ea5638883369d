// icon.cpp - the game's application icon (menu entries, window lists, software centres): the
// raccoon's head on a rounded tile of valley sky and meadow, drawn with the same helpers as the
// game's pictures at every size the desktop asks for, so that small sizes are drawn, not shrunk.
// Out: OUT_DIR/<N>x<N>/apps/tarvelok.png, the hicolor theme's layout. Deterministic like the rest.
#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "art.h"

namespace gfx {

void raccoon_face(cairo_t *cr, double cx, double cy, double size);  // hero.cpp

namespace {

constexpr double kTileCorner = 0.18;    // corner radius, fraction of the size
constexpr double kTileInset = 0.03;     // margin around the tile, fraction of the size
constexpr double kMeadowTop = 0.68;     // where the grass begins, fraction of the size
constexpr double kFaceSize = 0.78;      // the head's box, fraction of the size
constexpr double kFaceCentreY = 0.50;   // the head's centre, fraction of the size

void draw_icon(cairo_t *cr, int size) {
    const double s = size;
    const double inset = s * kTileInset;
    const double edge = s - 2 * inset;
    rounded_rect(cr, inset, inset, edge, edge, s * kTileCorner);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    cairo_pattern_t *sky = cairo_pattern_create_linear(0, inset, 0, s * kMeadowTop);
    cairo_pattern_add_color_stop_rgb(sky, 0, pal::kSkyTop.r, pal::kSkyTop.g, pal::kSkyTop.b);
    cairo_pattern_add_color_stop_rgb(sky, 1, pal::kSkyLow.r, pal::kSkyLow.g, pal::kSkyLow.b);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
    // A meadow hill across the bottom.
    cairo_move_to(cr, 0, s * kMeadowTop + s * 0.06);
    cairo_curve_to(cr, s * 0.3, s * (kMeadowTop - 0.05), s * 0.7, s * (kMeadowTop - 0.03), s, s * kMeadowTop + s * 0.04);
    cairo_line_to(cr, s, s);
    cairo_line_to(cr, 0, s);
    cairo_close_path(cr);
    fill_lit(cr, pal::kGrass);
    cairo_new_path(cr);
    cairo_restore(cr);
    raccoon_face(cr, s * 0.5, s * kFaceCentreY, s * kFaceSize);
    // The tile's rim, thin enough for 16 px.
    rounded_rect(cr, inset, inset, edge, edge, s * kTileCorner);
    outline(cr, std::max(1.0, s / 64.0));
}

}  // namespace

bool write_icons(const std::string &out_dir) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const std::string folder = out_dir + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
        cairo_t *cr = cairo_create(surface);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
        draw_icon(cr, size);
        cairo_destroy(cr);
        const std::string path = folder + "/tarvelok.png";
        const cairo_status_t st = cairo_surface_write_to_png(surface, path.c_str());
        cairo_surface_destroy(surface);
        if (st != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "gfxgen: %s: cannot write the icon: %s\n", path.c_str(), cairo_status_to_string(st));
            return false;
        }
    }
    return true;
}

}  // namespace gfx
