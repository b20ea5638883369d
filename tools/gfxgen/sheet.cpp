// sheet.cpp - the contact sheet: reads the written TGA files back (so the sheet shows exactly what
// the game loads), lays them out on checker tiles with their names, adds a font sample drawn from
// the glyph pictures and their description, and writes a PNG. Review aid only; the game never
// reads it.
#include "sheet.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "art.h"
#include "cp1251.h"

namespace fs = std::filesystem;

namespace gfx {
namespace {

constexpr int kSheetWidth = 1600;    // pixels
constexpr int kTileW = 250, kTileH = 200;  // small pictures: box per picture including its label
constexpr int kLabel = 18;           // label strip under each picture
constexpr int kMargin = 10;
constexpr int kWideMaxH = 300;       // wide pictures (sheets, backdrops): tallest drawn height

struct Loaded {
    std::string label;
    cairo_surface_t *surface = nullptr;
    int w = 0, h = 0;
};

// Straight-alpha RGBA -> premultiplied Cairo surface.
cairo_surface_t *surface_from_rgba(const unsigned char *rgba, int w, int h) {
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    unsigned char *d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char *p = rgba + (static_cast<size_t>(y) * w + x) * 4;
            const uint32_t a = p[3];
            const uint32_t r = p[0] * a / 255, g = p[1] * a / 255, b = p[2] * a / 255;
            reinterpret_cast<uint32_t *>(d + static_cast<size_t>(y) * stride)[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    cairo_surface_mark_dirty(s);
    return s;
}

bool load(const fs::path &file, const std::string &label, Loaded &out) {
    int w, h, n;
    unsigned char *data = stbi_load(file.c_str(), &w, &h, &n, 4);
    if (!data) {
        std::fprintf(stderr, "gfxgen: %s: cannot read the picture\n", file.c_str());
        return false;
    }
    out.label = label;
    out.w = w; out.h = h;
    out.surface = surface_from_rgba(data, w, h);
    stbi_image_free(data);
    return true;
}

void checker(cairo_t *cr, double x, double y, double w, double h) {
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    for (int cy = 0; cy * 10 < h; ++cy)
        for (int cx = 0; cx * 10 < w; ++cx) {
            const double v = ((cx + cy) & 1) ? 0.55 : 0.40;
            cairo_set_source_rgb(cr, v, v, v + 0.03);
            cairo_rectangle(cr, x + cx * 10, y + cy * 10, 10, 10);
            cairo_fill(cr);
        }
    cairo_restore(cr);
}

void label(cairo_t *cr, const std::string &text, double x, double y) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

void draw_scaled(cairo_t *cr, const Loaded &p, double x, double y, double scale) {
    checker(cr, x, y, p.w * scale, p.h * scale);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, p.surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

// Font sample: draws 1251 text with the glyph picture and the description, as the engine would.
struct FontSample {
    cairo_surface_t *plain = nullptr, *glow = nullptr;
    std::map<int, std::vector<int>> glyphs;   // byte -> x y w h ox oy a
    int line = 0;
};

bool load_font(const fs::path &fnt, FontSample &f) {
    Loaded a, b;
    if (!fs::exists(fnt / "cyr.ofi")) return false;
    if (!load(fnt / "cyr.tga", "", a) || !load(fnt / "cyrl.tga", "", b)) return false;
    f.plain = a.surface; f.glow = b.surface;
    std::ifstream in(fnt / "cyr.ofi");
    std::string ln;
    while (std::getline(in, ln)) {
        std::istringstream s(ln);
        std::string key;
        s >> key;
        if (key == "line") s >> f.line;
        if (key == "glyph") {
            int c; std::vector<int> v(7);
            s >> c;
            for (int &k : v) s >> k;
            f.glyphs[c] = v;
        }
    }
    return true;
}

void draw_text(cairo_t *cr, const FontSample &f, cairo_surface_t *pic, const std::string &cp1251_text, double x,
               double y, RGB colour, double alpha) {
    double pen = x;
    for (unsigned char c : cp1251_text) {
        auto it = f.glyphs.find(c);
        if (it == f.glyphs.end()) continue;
        const std::vector<int> &g = it->second;
        cairo_save(cr);
        cairo_rectangle(cr, pen + g[4], y + g[5], g[2], g[3]);
        cairo_clip(cr);
        // The glyph is white: the text colour is a mask filled through its alpha.
        set(cr, colour, alpha);
        cairo_mask_surface(cr, pic, pen + g[4] - g[0], y + g[5] - g[1]);
        cairo_restore(cr);
        pen += g[6];
    }
}

}  // namespace

bool contact_sheet(const fs::path &game_dir, const std::string &png_path) {
    std::vector<Loaded> small, wide;
    for (const char *folder : {"share", "obj"}) {
        const fs::path dir = game_dir / "gfx" / folder;
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto &e : fs::directory_iterator(dir, ec))
            if (e.path().extension() == ".tga") files.push_back(e.path());
        if (ec) {
            std::fprintf(stderr, "gfxgen: %s: cannot list the folder\n", dir.c_str());
            return false;
        }
        std::sort(files.begin(), files.end());
        for (const fs::path &f : files) {
            Loaded p;
            if (!load(f, std::string(folder) + "/" + f.stem().string(), p)) return false;
            p.label += " " + std::to_string(p.w) + "x" + std::to_string(p.h);
            (p.w > 2 * kTileW || p.h > 2 * kTileH ? wide : small).push_back(p);
        }
    }
    FontSample font;
    const bool have_font = load_font(game_dir / "fnt", font);

    // Height: rows of small tiles, then each wide picture on its own line, then the font.
    const int per_row = (kSheetWidth - kMargin) / kTileW;
    int height = kMargin + ((static_cast<int>(small.size()) + per_row - 1) / per_row) * kTileH;
    std::vector<double> wide_scale;
    for (const Loaded &p : wide) {
        const double s = std::min({1.0, double(kSheetWidth - 2 * kMargin) / p.w, double(kWideMaxH) / p.h});
        wide_scale.push_back(s);
        height += static_cast<int>(p.h * s) + kLabel + kMargin;
    }
    if (have_font) height += 6 * 40 + 300 + kMargin;

    cairo_surface_t *sheet = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSheetWidth, height);
    cairo_t *cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.13, 0.13, 0.16);
    cairo_paint(cr);

    int y = kMargin;
    for (size_t i = 0; i < small.size(); ++i) {
        const Loaded &p = small[i];
        const int col = static_cast<int>(i) % per_row;
        if (col == 0 && i) y += kTileH;
        const double box_w = kTileW - kMargin, box_h = kTileH - kLabel - kMargin;
        const double s = std::min({box_w / p.w, box_h / p.h, 2.0});
        const double x = kMargin + col * kTileW + (box_w - p.w * s) / 2;
        draw_scaled(cr, p, x, y + (box_h - p.h * s) / 2, s);
        label(cr, p.label, kMargin + col * kTileW, y + box_h + 13);
    }
    y += kTileH;
    for (size_t i = 0; i < wide.size(); ++i) {
        const Loaded &p = wide[i];
        draw_scaled(cr, p, kMargin, y, wide_scale[i]);
        y += static_cast<int>(p.h * wide_scale[i]);
        label(cr, p.label + (wide_scale[i] < 1 ? " (scaled)" : ""), kMargin, y + 13);
        y += kLabel + kMargin;
    }
    if (have_font) {
        const std::string lines[] = {
            cp1251::from_utf8("Тарвелок: Начать игру  Продолжить  Настройки  Прогресс  Выйти"),
            cp1251::from_utf8("Очки: 12840   x3   Загрузка   Поздравляем! Пауза Результаты"),
            cp1251::from_utf8("Прыгайте на голову врагам, чтобы победить их. ЁёЙйЩщЪъЭэЮюЯя"),
            cp1251::from_utf8("The quick brown fox jumps over the lazy dog 0123456789 !?.,;:"),
        };
        // Caption lines on a button-coloured strip, with the game's shadow, and a glow line.
        for (int i = 0; i < 4; ++i) {
            set(cr, i % 2 ? pal::kBoard : pal::kButtonDark);
            cairo_rectangle(cr, kMargin, y, kSheetWidth - 2 * kMargin, 40);
            cairo_fill(cr);
            const double ty = y + 20 - 16;  // the game draws captions 16 px above the middle
            draw_text(cr, font, font.plain, lines[i], kMargin + 21, ty + 1, hex(0x333333), 1);
            draw_text(cr, font, font.plain, lines[i], kMargin + 20, ty, i == 0 ? hex(0xFFCC11) : pal::kWhite, 1);
            y += 40;
        }
        set(cr, pal::kButtonDark);
        cairo_rectangle(cr, kMargin, y, kSheetWidth - 2 * kMargin, 80);
        cairo_fill(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
        draw_text(cr, font, font.plain, lines[0], kMargin + 20, y + 4, hex(0xFFCC11), 1);
        draw_text(cr, font, font.glow, lines[0], kMargin + 20, y + 4, hex(0xFFCC11), 0.5);
        draw_text(cr, font, font.glow, lines[2], kMargin + 20, y + 44, pal::kWhite, 1);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        y += 80 + kMargin;
        Loaded pl{"fnt/cyr.tga", font.plain, cairo_image_surface_get_width(font.plain),
                  cairo_image_surface_get_height(font.plain)};
        Loaded gl{"fnt/cyrl.tga", font.glow, pl.w, pl.h};
        const double s = std::min(1.0, 280.0 / pl.h);
        draw_scaled(cr, pl, kMargin, y, s);
        draw_scaled(cr, gl, kMargin + pl.w * s + 20, y, s);
    }
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(sheet, png_path.c_str()) == CAIRO_STATUS_SUCCESS;
    if (!ok) std::fprintf(stderr, "gfxgen: %s: cannot write the contact sheet\n", png_path.c_str());
    cairo_surface_destroy(sheet);
    for (Loaded &p : small) cairo_surface_destroy(p.surface);
    for (Loaded &p : wide) cairo_surface_destroy(p.surface);
    if (font.plain) cairo_surface_destroy(font.plain);
    if (font.glow) cairo_surface_destroy(font.glow);
    return ok;
}

}  // namespace gfx
