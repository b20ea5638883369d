// leveloverview - draws a whole level into one PNG: terrain filled with its textures, scenery and
// objects by their pictures, outlines of the solid terrain, rings around hazards and the golden
// nut, a grid every 512 world pixels, and optionally a path (the automatic player's route).
// With --opening it compares the levels' opening screens instead (opening.h): a table of the
// overlap of every pair, then the largest.
//
//   leveloverview LEVEL.lvl OUT.png [--game GAME_DIR] [--scale S] [--path FILE]
//   leveloverview --opening [--max M] LEVEL.lvl...
//
// GAME_DIR (default: the folder of this program) holds gfx/obj. The path file holds "x y" world
// positions, one a line ('#' lines skipped). The back layer, drawn by the game at half the
// camera's speed, is left out. Exit status 0 when written, 1 when a file cannot be read or
// written (the message names it), 2 on a bad command line; with --opening, 1 also when a pair's
// overlap is over M.
#include <cairo.h>

#include <stb/stb_image.h>  // its code: the stb_image library

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/own_folder.h"
#include "level_core.h"
#include "opening.h"

namespace fs = std::filesystem;

namespace {

constexpr double kMargin = 256;        // world px of air drawn around the level
constexpr double kGrid = 512;          // world px between grid lines

using tools::own_folder;

// Pictures of gfx/obj as Cairo surfaces, loaded on first use; missing ones stay null.
class PictureCache {
public:
    explicit PictureCache(fs::path dir) : dir_(std::move(dir)) {}
    ~PictureCache() {
        for (auto &[name, s] : cache_)
            if (s) cairo_surface_destroy(s);
    }
    cairo_surface_t *get(const std::string &name) {
        auto it = cache_.find(name);
        if (it != cache_.end()) return it->second;
        cairo_surface_t *s = nullptr;
        int w = 0, h = 0, comp = 0;
        unsigned char *px = stbi_load((dir_ / (name + ".tga")).string().c_str(), &w, &h, &comp, 4);
        if (px) {
            s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
            unsigned char *dst = cairo_image_surface_get_data(s);
            const int stride = cairo_image_surface_get_stride(s);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const unsigned char *p = px + (y * w + x) * 4;
                    const unsigned a = p[3];
                    uint32_t v = (a << 24) | ((p[0] * a / 255) << 16) | ((p[1] * a / 255) << 8) | (p[2] * a / 255);
                    std::memcpy(dst + y * stride + x * 4, &v, 4);
                }
            cairo_surface_mark_dirty(s);
            stbi_image_free(px);
        }
        cache_[name] = s;
        return s;
    }

private:
    fs::path dir_;
    std::map<std::string, cairo_surface_t *> cache_;
};

// The frame side of an object's picture, as the game draws it.
int frame_side(const std::string &kind, cairo_surface_t *s) {
    if (kind == "enot") return 96;
    if (kind == "worm") return 128;
    if (kind == "fonar") return s ? cairo_image_surface_get_height(s) / 2 : 64;  // unlit and lit rows
    return s ? cairo_image_surface_get_height(s) : 64;
}

// Draws `cell` (0-based, 15 to a row) of a strip, or the whole picture when cell < 0, centred at
// (x, y) with the item's angle and mirror flag.
void draw_picture(cairo_t *cr, cairo_surface_t *s, double x, double y, double w, double h, int cell, int angle,
                  bool mirror) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle * M_PI / 180);
    if (mirror) cairo_scale(cr, -1, 1);
    const double sx = cell < 0 ? 0 : (cell % 15) * w, sy = cell < 0 ? 0 : (cell / 15) * h;
    cairo_rectangle(cr, -w / 2, -h / 2, w, h);
    cairo_clip(cr);
    cairo_set_source_surface(cr, s, -w / 2 - sx, -h / 2 - sy);
    cairo_paint(cr);
    cairo_restore(cr);
}

void fill_outline(cairo_t *cr, const lv::Item &it, cairo_surface_t *tex) {
    cairo_new_path(cr);
    for (size_t i = 0; i < it.pts.size(); ++i)
        (i ? cairo_line_to : cairo_move_to)(cr, it.pts[i].x, it.pts[i].y);
    cairo_close_path(cr);
    if (tex) {
        cairo_pattern_t *p = cairo_pattern_create_for_surface(tex);
        cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
    } else {
        cairo_set_source_rgb(cr, 0.5, 0.4, 0.3);
        cairo_fill_preserve(cr);
    }
    cairo_new_path(cr);
}

void ring(cairo_t *cr, double x, double y, double r, double red, double green, double blue, double width) {
    cairo_new_path(cr);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, red, green, blue, 0.9);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

int usage() {
    std::fprintf(stderr, "usage: leveloverview LEVEL.lvl OUT.png [--game GAME_DIR] [--scale S] [--path FILE]\n"
                         "       leveloverview --opening [--max M] LEVEL.lvl...\n");
    return 2;
}

bool read_level(const std::string &path, lv::Level &level) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string error;
    if (!in || !lv::read_level_file(ss.str(), level, error)) {
        std::fprintf(stderr, "%s: cannot read the level file%s%s\n", path.c_str(), error.empty() ? "" : ": ",
                     error.c_str());
        return false;
    }
    return true;
}

// --opening: a Markdown table of the overlap of every pair of the levels' openings (the upper
// half; the diagonal is 1 by definition), then the largest pair. Levels are named by file stem.
int compare_openings(const std::vector<std::string> &paths, double max) {
    std::vector<lv::OpeningSet> sets;
    std::vector<std::string> names;
    for (const std::string &p : paths) {
        lv::Level level;
        if (!read_level(p, level)) return 1;
        sets.push_back(lv::opening_set(level));
        names.push_back(fs::path(p).stem().string());
    }
    std::printf("| |");
    for (const std::string &n : names) std::printf(" %s |", n.c_str());
    std::printf("\n|---|");
    for (size_t i = 0; i < names.size(); ++i) std::printf("---|");
    std::printf("\n");
    double worst = -1;
    size_t wa = 0, wb = 0;
    for (size_t a = 0; a < sets.size(); ++a) {
        std::printf("| %s |", names[a].c_str());
        for (size_t b = 0; b < sets.size(); ++b) {
            if (b <= a) {
                std::printf(" |");
                continue;
            }
            const double o = lv::opening_overlap(sets[a], sets[b]);
            std::printf(" %.2f |", o);
            if (o > worst) worst = o, wa = a, wb = b;
        }
        std::printf("\n");
    }
    if (worst < 0) return 0;
    std::printf("largest overlap %.2f: %s and %s\n", worst, names[wa].c_str(), names[wb].c_str());
    if (worst > max) {
        std::fprintf(stderr, "%s and %s open alike: overlap %.2f is over %.2f\n", names[wa].c_str(), names[wb].c_str(),
                     worst, max);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::string(argv[1]) == "--opening") {
        double max = 1;
        std::vector<std::string> paths;
        for (int i = 2; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--max" && i + 1 < argc) max = std::atof(argv[++i]);
            else if (!a.empty() && a[0] == '-') return usage();
            else paths.push_back(a);
        }
        return paths.size() < 2 ? usage() : compare_openings(paths, max);
    }
    fs::path game = own_folder();
    double scale = 0.25;
    std::string level_path, out_path, path_file;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--game" && i + 1 < argc) game = argv[++i];
        else if (a == "--scale" && i + 1 < argc) scale = std::atof(argv[++i]);
        else if (a == "--path" && i + 1 < argc) path_file = argv[++i];
        else if (!a.empty() && a[0] == '-') return usage();
        else if (level_path.empty()) level_path = a;
        else if (out_path.empty()) out_path = a;
        else return usage();
    }
    if (level_path.empty() || out_path.empty() || !(scale > 0.01 && scale <= 2)) return usage();

    lv::Level level;
    if (!read_level(level_path, level)) return 1;
    std::vector<lv::Point> route;
    if (!path_file.empty()) {
        std::ifstream pf(path_file);
        if (!pf) {
            std::fprintf(stderr, "%s: cannot read the path file\n", path_file.c_str());
            return 1;
        }
        std::string line;
        while (std::getline(pf, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream ls(line);
            lv::Point p;
            if (ls >> p.x >> p.y) route.push_back(p);
        }
    }

    // The world box: every ground outline point and every item of the other layers.
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    auto grow = [&](double x, double y) {
        x0 = std::min(x0, x); y0 = std::min(y0, y); x1 = std::max(x1, x); y1 = std::max(y1, y);
    };
    for (int l = lv::kGround; l < lv::kLayerCount; ++l)
        for (const lv::Item &it : level.layers[l]) {
            if (it.pts.empty()) grow(it.x, it.y);
            for (const lv::Point &p : it.pts) grow(p.x, p.y);
        }
    if (x0 > x1) { x0 = y0 = 0; x1 = y1 = 800; }
    y1 = std::min(y1, y0 + 4000);   // deep filler below the play area is cut off
    x0 -= kMargin; y0 -= kMargin; x1 += kMargin; y1 += kMargin / 2;
    const int W = int((x1 - x0) * scale), H = int((y1 - y0) * scale);

    cairo_surface_t *surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
    cairo_t *cr = cairo_create(surf);
    PictureCache pics(game / "gfx" / "obj");

    // Backdrop stretched over the whole picture.
    if (cairo_surface_t *bd = level.backdrop.empty() ? nullptr : pics.get(level.backdrop)) {
        cairo_save(cr);
        cairo_scale(cr, double(W) / cairo_image_surface_get_width(bd), double(H) / cairo_image_surface_get_height(bd));
        cairo_set_source_surface(cr, bd, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
    } else {
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.25);
        cairo_paint(cr);
    }

    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -x0, -y0);

    // Ground: outlines filled, then plants and rocks; front layer; objects.
    for (const lv::Item &it : level.layers[lv::kGround]) {
        if (it.pts.size() >= 3) fill_outline(cr, it, pics.get(it.kind));
        else if (cairo_surface_t *s = pics.get(it.kind))
            draw_picture(cr, s, it.x, it.y, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s), -1,
                         it.angle, it.mirror);
    }
    // Solid edges as thin dark lines (the closing edge of an outline is not solid).
    cairo_set_line_width(cr, 2 / scale * 0.5);
    for (const lv::Item &it : level.layers[lv::kGround]) {
        if (it.pts.size() < 2 || it.kind == "bgcarst") continue;
        cairo_new_path(cr);
        for (size_t i = 0; i < it.pts.size(); ++i) (i ? cairo_line_to : cairo_move_to)(cr, it.pts[i].x, it.pts[i].y);
        cairo_set_source_rgba(cr, 0.1, 0.05, 0.1, 0.6);
        cairo_stroke(cr);
    }
    for (const lv::Item &it : level.layers[lv::kObjects]) {
        cairo_surface_t *s = pics.get(it.kind);
        if (!s) {
            ring(cr, it.x, it.y, 32, 1, 0, 1, 6);
            continue;
        }
        const int side = frame_side(it.kind, s);
        draw_picture(cr, s, it.x, it.y, side, side, it.kind == "enot" ? 30 : 0, it.angle, it.mirror);
        if (it.kind == "ship") ring(cr, it.x, it.y, 64, 0.9, 0.1, 0.1, 5);
        if (it.kind == "bnut") ring(cr, it.x, it.y, 60, 1, 0.85, 0.1, 8);
        if (it.kind == "table") ring(cr, it.x, it.y, 90, 0.2, 0.9, 0.2, 8);
    }
    for (const lv::Item &it : level.layers[lv::kFront])
        if (cairo_surface_t *s = pics.get(it.kind))
            draw_picture(cr, s, it.x, it.y, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s), -1,
                         it.angle, it.mirror);

    // The route.
    if (route.size() >= 2) {
        cairo_new_path(cr);
        for (size_t i = 0; i < route.size(); ++i) (i ? cairo_line_to : cairo_move_to)(cr, route[i].x, route[i].y);
        cairo_set_source_rgba(cr, 0.95, 0.1, 0.1, 0.85);
        cairo_set_line_width(cr, 3 / scale);
        cairo_stroke(cr);
    }

    // Grid with x labels.
    cairo_set_line_width(cr, 1 / scale);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 12 / scale);
    for (double gx = std::ceil(x0 / kGrid) * kGrid; gx < x1; gx += kGrid) {
        cairo_move_to(cr, gx, y0);
        cairo_line_to(cr, gx, y1);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
        cairo_stroke(cr);
        cairo_move_to(cr, gx + 4 / scale, y0 + 16 / scale);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
        cairo_show_text(cr, std::to_string(int(gx)).c_str());
    }
    for (double gy = std::ceil(y0 / kGrid) * kGrid; gy < y1; gy += kGrid) {
        cairo_move_to(cr, x0, gy);
        cairo_line_to(cr, x1, gy);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
        cairo_stroke(cr);
        cairo_move_to(cr, x0 + 4 / scale, gy - 4 / scale);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
        cairo_show_text(cr, std::to_string(int(gy)).c_str());
    }

    cairo_destroy(cr);
    const cairo_status_t st = cairo_surface_write_to_png(surf, out_path.c_str());
    cairo_surface_destroy(surf);
    if (st != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "%s: cannot write the picture (%s)\n", out_path.c_str(), cairo_status_to_string(st));
        return 1;
    }
    return 0;
}
