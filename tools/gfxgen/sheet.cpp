// sheet.cpp - the contact sheet: reads the written TGA files back (so the sheet shows exactly what
// the game loads), lays them out on checker tiles with their names, adds a font sample drawn from
// the glyph pictures and their description, and writes a PNG. Review aid only; the game never
// reads it.
#include "sheet.h"

#include <stb/stb_image.h>  // its code: the stb_image library

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


// ---- Mock-ups: the main menu and a level composed the way the game draws them ------------------

struct Catalogue {
    std::map<std::string, const Loaded *> pics;
    const Loaded *get(const std::string &name) const {
        auto it = pics.find(name);
        return it == pics.end() ? nullptr : it->second;
    }
};

// One sprite draw: the picture (or frame `cell` of a sheet with square frames of `frame` px,
// 1-based as the engine counts) stretched over the box; `add` for additive blending; `tint` >= 0
// multiplies a white picture by that 0xRRGGBB colour (only the picture's alpha is kept).
void sprite(cairo_t *cr, const Loaded *p, double x, double y, double w, double h, double alpha = 1, bool add = false,
            long tint = -1, int frame = 0, int cell = 1, bool mirror = false) {
    if (!p) return;
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_translate(cr, x, y);
    if (mirror) {
        cairo_translate(cr, w, 0);
        cairo_scale(cr, -1, 1);
    }
    double sx = w / p->w, sy = h / p->h, ox = 0, oy = 0;
    if (frame) {
        const int cols = p->w / frame, c = cell - 1;
        sx = w / frame; sy = h / frame;
        ox = -(c % cols) * frame; oy = -(c / cols) * frame;
    }
    cairo_scale(cr, sx, sy);
    if (add) cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    if (tint >= 0) {
        cairo_set_source_rgba(cr, ((tint >> 16) & 255) / 255.0, ((tint >> 8) & 255) / 255.0, (tint & 255) / 255.0, alpha);
        cairo_mask_surface(cr, p->surface, ox, oy);
    } else {
        cairo_set_source_surface(cr, p->surface, ox, oy);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_restore(cr);
}

double text_width(const FontSample &f, const std::string &t) {
    double w = 0;
    for (unsigned char c : t)
        if (f.glyphs.count(c)) w += f.glyphs.at(c)[6];
    return w;
}

// A caption centred in a box, 16 px above its middle, with the game's shadow.
void caption(cairo_t *cr, const FontSample &f, const char *utf8, double x, double y, double w, double h, RGB colour,
             RGB shadow = hex(0x333333)) {
    if (!f.plain) return;
    const std::string t = cp1251::from_utf8(utf8);
    const double left = x + std::floor(w / 2) - text_width(f, t) / 2, top = y + std::floor(h / 2) - 16;
    draw_text(cr, f, f.plain, t, left + 1, top + 1, shadow, 1);
    draw_text(cr, f, f.plain, t, left, top, colour, 1);
}

void mock_menu(cairo_t *cr, const Catalogue &c, const FontSample &f) {
    const double sway = 3;
    sprite(cr, c.get("share/bg"), 0, 0, 800, 600);
    // The turning ornaments (drawn unrotated here), additive, the big one tinted olive.
    sprite(cr, c.get("share/compass"), -112, -212, 1024, 1024, 128 / 255.0, true, 0xAAAA00);
    sprite(cr, c.get("share/compass"), 144, 90, 512, 512, 1, true);
    sprite(cr, c.get("share/str"), 144, 90, 512, 512, 1, true);
    sprite(cr, c.get("share/menu"), 144, 90, 512, 512);
    sprite(cr, c.get("share/gtit"), 140, 0, 512, 128);
    sprite(cr, c.get("share/berry"), 120, 50 + sway, 48, 48);
    sprite(cr, c.get("share/berry"), 625, 50 - sway, 48, 48);
    sprite(cr, c.get("share/logo"), 601, 517, 199, 83);
    sprite(cr, c.get("share/emblo"), 272, 504, 256, 128);
    const RGB gold = hex(0xFFCC11), shade = hex(0x002222);
    const char *side[] = {"ЕЩЕ ИГРЫ", "СКАЗАТЬ ДРУГУ", "Подписаться"};
    for (int i = 0; i < 3; ++i) {
        sprite(cr, c.get("share/gbut"), 20, 400 + i * 60, 240, 60);
        caption(cr, f, side[i], 20, 400 + i * 60, 240, 60, gold, shade);
    }
    sprite(cr, c.get("share/plaq"), 20, 536, 240, 60);
    const char *main[] = {"Начать игру", "Продолжить", "Настройки", "Прогресс", "Выйти"};
    for (int i = 0; i < 5; ++i) {
        const double y = 200 + i * 60;
        if (i == 1) {   // hovered: pressed in, glowing
            sprite(cr, c.get("share/gbut"), 294, y + 4, 212, 52);
            sprite(cr, c.get("share/gbut"), 290, y, 220, 60, 0.5, true);
        } else {
            sprite(cr, c.get("share/gbut"), 290, y, 220, 60);
        }
        caption(cr, f, main[i], 290, y, 220, 60, gold, shade);
    }
    caption(cr, f, "Приветсвуем тебя, Игрок", 290, 60, 220, 60, pal::kWhite, shade);
    sprite(cr, c.get("share/cur"), 400, 270, 64, 64);
}

void mock_level(cairo_t *cr, const Catalogue &c, const FontSample &f) {
    sprite(cr, c.get("obj/sky_valley"), -8, -8, 816, 616);
    // Terrain: a turf-filled outline, the texture anchored in the world.
    if (const Loaded *turf = c.get("obj/turf")) {
        cairo_move_to(cr, -10, 470);
        cairo_curve_to(cr, 150, 440, 300, 430, 420, 455);
        cairo_curve_to(cr, 520, 475, 640, 420, 810, 400);
        cairo_line_to(cr, 810, 610);
        cairo_line_to(cr, -10, 610);
        cairo_close_path(cr);
        cairo_pattern_t *pat = cairo_pattern_create_for_surface(turf->surface);
        cairo_pattern_set_extend(pat, CAIRO_EXTEND_REPEAT);
        cairo_matrix_t m;
        cairo_matrix_init_translate(&m, 0, -430);
        cairo_pattern_set_matrix(pat, &m);
        cairo_set_source(cr, pat);
        cairo_fill(cr);
        cairo_pattern_destroy(pat);
    }
    sprite(cr, c.get("obj/oak"), 40, 150, 256, 320);
    sprite(cr, c.get("obj/bush"), 250, 372, 128, 96);
    sprite(cr, c.get("obj/fence1"), 520, 410, 128, 64);
    sprite(cr, c.get("obj/mush"), 700, 350, 64, 64);
    sprite(cr, c.get("obj/grass2"), 380, 422, 96, 40);
    sprite(cr, c.get("obj/rock1"), 640, 362, 96, 64);
    sprite(cr, c.get("obj/lantern"), 470, 250, 64, 128);
    sprite(cr, c.get("share/light"), 502 - 128, 314 - 128, 256, 256, 0.5, true, 0xAAAA11);
    // The hero standing, its shadow below.
    sprite(cr, c.get("share/shadow"), 200 - 48, 446 - 20, 96, 32, 0.8, false, 0);
    sprite(cr, c.get("obj/enot"), 200 - 48, 446 - 96, 96, 96, 1, false, -1, 96, 31);
    sprite(cr, c.get("obj/bee"), 330, 270, 64, 64, 1, false, -1, 64, 3, true);
    sprite(cr, c.get("obj/worm"), 560, 440 - 24 - 64, 128, 128, 1, false, -1, 128, 5, true);
    // A gold bonus with its rays and halo.
    const double gx = 420, gy = 330;
    sprite(cr, c.get("share/ray"), gx, gy - 64, 128, 128, 0.5, true, 0xAAAA11);
    sprite(cr, c.get("share/ray"), gx - 128, gy - 64, 128, 128, 0.5, true, 0xAAAA11, 0, 1, true);
    sprite(cr, c.get("share/finn"), gx - 64, gy - 64, 128, 128, 0.5, true, 0xAAAA11);
    sprite(cr, c.get("obj/bgold"), gx - 32, gy - 32, 64, 64, 1, false, -1, 64, 2);
    sprite(cr, c.get("obj/bapple"), 300, 320, 48, 48, 1, false, -1, 48, 4);
    sprite(cr, c.get("obj/bberry"), 350, 330, 48, 48, 1, false, -1, 48, 9);
    sprite(cr, c.get("share/star"), 440, 250, 16, 16, 0.9, true, 0xFFFFFF);
    sprite(cr, c.get("share/pball"), 240, 300, 40, 40, 0.6, true, 0x33FF33);
    // Status bar.
    sprite(cr, c.get("share/health"), 54, 544, 128 - 40, 16);
    sprite(cr, c.get("share/rnd"), 22, 520, 192, 64);
    sprite(cr, c.get("share/rnd"), 640, 8, 128, 64);
    sprite(cr, c.get("share/h1"), 672, 24, 32, 32);
    if (f.plain) {
        const std::string lives = "x3";
        draw_text(cr, f, f.plain, lives, 703, 25, hex(0x333333), 1);
        draw_text(cr, f, f.plain, lives, 704, 24, pal::kWhite, 1);
    }
    sprite(cr, c.get("share/rnd"), 272, 8, 256, 64);
    sprite(cr, c.get("share/mon"), 304, 24, 32, 32);
    sprite(cr, c.get("share/mon"), 464, 24, 32, 32);
    if (f.plain) {
        const std::string pts = cp1251::from_utf8("Очки: 1240");
        const double x = 400 - text_width(f, pts) / 2;
        draw_text(cr, f, f.plain, pts, x + 1, 25, hex(0x333333), 1);
        draw_text(cr, f, f.plain, pts, x, 24, pal::kWhite, 1);
    }
}

void mock_mine(cairo_t *cr, const Catalogue &c, const FontSample &f) {
    sprite(cr, c.get("obj/sky_mine"), -8, -8, 816, 616);
    // A distant ledge in the back layer: half size, tinted grey.
    if (const Loaded *rock = c.get("obj/minerock")) {
        for (int layer = 0; layer < 2; ++layer) {
            cairo_save(cr);
            if (layer == 0) {
                cairo_move_to(cr, -10, 330); cairo_line_to(cr, 260, 300); cairo_line_to(cr, 300, 610); cairo_line_to(cr, -10, 610);
            } else {
                cairo_move_to(cr, -10, 470); cairo_curve_to(cr, 200, 455, 420, 480, 600, 460);
                cairo_line_to(cr, 810, 450); cairo_line_to(cr, 810, 610); cairo_line_to(cr, -10, 610);
            }
            cairo_close_path(cr);
            cairo_clip(cr);
            cairo_pattern_t *pat = cairo_pattern_create_for_surface(rock->surface);
            cairo_pattern_set_extend(pat, CAIRO_EXTEND_REPEAT);
            cairo_matrix_t m;
            cairo_matrix_init_scale(&m, layer == 0 ? 2 : 1, layer == 0 ? 2 : 1);
            cairo_pattern_set_matrix(pat, &m);
            cairo_set_source(cr, pat);
            cairo_paint(cr);
            if (layer == 0) {
                cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
                cairo_paint(cr);
            }
            cairo_pattern_destroy(pat);
            cairo_restore(cr);
        }
    }
    sprite(cr, c.get("obj/beam3"), 330, 210, 256, 256);
    sprite(cr, c.get("obj/rail1"), 0, 452, 256, 32);
    sprite(cr, c.get("obj/rail1"), 256, 456, 256, 32);
    sprite(cr, c.get("obj/crystal1"), 620, 398, 64, 64);
    sprite(cr, c.get("obj/crystal2"), 690, 368, 64, 96);
    sprite(cr, c.get("obj/rock3"), 560, 420, 64, 48);
    sprite(cr, c.get("obj/sslamp"), 360, 240, 64, 64);
    sprite(cr, c.get("share/light"), 392 - 128, 272 - 128, 256, 256, 0.5, true, 0xAAAA11);
    sprite(cr, c.get("obj/lantern"), 120, 120, 64, 128);
    sprite(cr, c.get("share/light"), 152 - 128, 184 - 128, 256, 256, 0.5, true, 0xAAAA11);
    // The hero in a cart, a mole with its lamp, a silver bonus.
    sprite(cr, c.get("obj/enot"), 250 - 48, 330 - 48, 96, 96, 1, false, -1, 96, 16 + 5);
    sprite(cr, c.get("obj/vag"), 250 - 64, 410 - 64, 128, 128, 1, false, -1, 128, 3);
    sprite(cr, c.get("obj/krot"), 520 - 48, 418 - 48, 96, 96, 1, false, -1, 96, 6, true);
    sprite(cr, c.get("share/light"), 520 - 16 - 32, 418 - 64, 64, 64, 0.5, true, 0xAAAA11, 0, 1, true);
    sprite(cr, c.get("share/finn"), 660 - 64, 300 - 64, 128, 128, 0.5, true, 0xAAAA11);
    sprite(cr, c.get("obj/bsilver"), 660 - 32, 300 - 32, 64, 64, 1, false, -1, 64, 1);
    sprite(cr, c.get("obj/ship"), 60, 430 - 48 + 8, 96, 96, 1, false, -1, 96, 1);
    sprite(cr, c.get("obj/life"), 740 - 32, 200 - 32, 64, 64, 1, false, -1, 64, 1);
    sprite(cr, c.get("obj/health"), 460 - 32, 200 - 32, 64, 64, 1, false, -1, 64, 1);
}

void mock_loading(cairo_t *cr, const Catalogue &c, const FontSample &f) {
    sprite(cr, c.get("share/bg"), 0, 0, 800, 600);
    sprite(cr, c.get("share/menu"), 272, 236, 256, 192);
    sprite(cr, c.get("share/clock"), 368, 284, 64, 64);
    sprite(cr, c.get("share/gtit"), 140, 64, 512, 128);
    caption(cr, f, "Загрузка", 300, 348, 200, 32, pal::kWhite);
    if (f.plain) {
        const std::string title = cp1251::from_utf8("Глава 1: Зелёная долина");
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
        draw_text(cr, f, f.plain, title, 400 - text_width(f, title) / 2, 140, pal::kWhite, 1);
        cairo_restore(cr);
    }
    sprite(cr, c.get("share/gbut"), 76, 472, 648, 74);
    if (f.plain) {
        const std::string hint = cp1251::from_utf8("Ромашка может подбросить вас выше чем обычно.");
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
        draw_text(cr, f, f.plain, hint, 400 - text_width(f, hint) / 2, 494, hex(0xFFCC11), 1);
        cairo_restore(cr);
    }
    // Over it, as on the pause screen: the board at full size with a button.
    sprite(cr, c.get("share/splash"), 20, 300, 160, 160);
}

// The menu backdrop with the board, as state 0 draws it under every menu window.
void menu_base(cairo_t *cr, const Catalogue &c) {
    sprite(cr, c.get("share/bg"), 0, 0, 800, 600);
    sprite(cr, c.get("share/compass"), -112, -212, 1024, 1024, 128 / 255.0, true, 0xAAAA00);
    sprite(cr, c.get("share/compass"), 144, 90, 512, 512, 1, true);
    sprite(cr, c.get("share/str"), 144, 90, 512, 512, 1, true);
    sprite(cr, c.get("share/menu"), 144, 90, 512, 512);
    sprite(cr, c.get("share/gtit"), 140, 0, 512, 128);
}

void button(cairo_t *cr, const Catalogue &c, const FontSample &f, const char *text, double x, double y, double w, double h) {
    sprite(cr, c.get("share/gbut"), x, y, w, h);
    caption(cr, f, text, x, y, w, h, hex(0xFFCC11), hex(0x002222));
}

void mock_records(cairo_t *cr, const Catalogue &c, const FontSample &f) {
    menu_base(cr, c);
    caption(cr, f, "Конец игры", 290, 140, 220, 60, pal::kWhite);
    // The list: its frame is the button face stretched 32 px beyond the box on every side.
    sprite(cr, c.get("share/gbut"), 290 - 32, 200 - 32, 220 + 64, 220 + 64);
    const char *rows[] = {"", "    Игрок", "    12840", "    7"};
    for (int k = 0; k < 4; ++k) {
        if (!f.plain) break;
        const std::string t = cp1251::from_utf8(rows[k]);
        draw_text(cr, f, f.plain, t, 311, 205 + 40 * k, hex(0x333333), 1);
        draw_text(cr, f, f.plain, t, 310, 204 + 40 * k, pal::kWhite, 1);
    }
    sprite(cr, c.get("share/h1"), 300, 242, 32, 32);
    sprite(cr, c.get("share/mon"), 300, 282, 32, 32);
    sprite(cr, c.get("share/nut"), 300, 322, 32, 32);
    button(cr, c, f, "Назад", 290, 440, 220, 60);
    sprite(cr, c.get("share/cur"), 330, 455, 64, 64);
}

void mock_profiles(cairo_t *cr, const Catalogue &c, const FontSample &f) {
    menu_base(cr, c);
    // The profile chooser: frame, arrows, the highlight bar on the selected row, rows.
    sprite(cr, c.get("share/gbut"), 290 - 32, 220 - 32, 220 + 64, 130 + 64);
    sprite(cr, c.get("share/gstr"), 446, 220, 64, 64);
    cairo_save(cr);
    cairo_translate(cr, 0, 220 + 64 + 64);
    cairo_scale(cr, 1, -1);
    sprite(cr, c.get("share/gstr"), 446, 0, 64, 64);
    cairo_restore(cr);
    sprite(cr, c.get("share/gbut"), 290, 260, 220 - 48, 40, 1, true);
    const char *rows[] = {"Маша", "Игрок", "Петя"};
    for (int k = 0; k < 3 && f.plain; ++k) {
        const std::string t = cp1251::from_utf8(rows[k]);
        draw_text(cr, f, f.plain, t, 311, 225 + 40 * k, hex(0x333333), 1);
        draw_text(cr, f, f.plain, t, 310, 224 + 40 * k, pal::kWhite, 1);
    }
    button(cr, c, f, "Новый", 290, 380, 220, 60);
    button(cr, c, f, "Назад", 290, 440, 220, 60);
    // A tooltip growing out of the pointer over a button (glow 200).
    const double mx = 420, my = 400, g = 200;
    cairo_set_source_rgba(cr, 0x55 / 255.0, 0x55 / 255.0, 0xAA / 255.0, g * 0.8 / 255);
    cairo_rectangle(cr, mx - g + 64, my + 80, 2 * g - 128, 64);
    cairo_fill(cr);
    sprite(cr, c.get("share/gbut"), mx - g, my + 48, 2 * g, 128, g / 255, true);
    sprite(cr, c.get("share/cur"), mx, my, 64, 64);
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

    Catalogue cat;
    for (const Loaded &p : small) cat.pics[p.label.substr(0, p.label.find(' '))] = &p;
    for (const Loaded &p : wide) cat.pics[p.label.substr(0, p.label.find(' '))] = &p;

    // Wide pictures flow left to right in rows; their heights are capped.
    struct Place { double x, y, s; };
    std::vector<Place> places;
    const int per_row = (kSheetWidth - kMargin) / kTileW;
    const int mock_h = 3 * (600 + kLabel + kMargin);
    const int small_h = ((static_cast<int>(small.size()) + per_row - 1) / per_row) * kTileH;
    int height = kMargin + mock_h + small_h;
    {
        double x = kMargin, y = height, row_h = 0;
        for (const Loaded &p : wide) {
            const double s = std::min({1.0, double(kSheetWidth - 2 * kMargin) / p.w, double(kWideMaxH) / p.h});
            if (x + p.w * s > kSheetWidth - kMargin) { x = kMargin; y += row_h + kLabel + kMargin; row_h = 0; }
            places.push_back({x, y, s});
            x += p.w * s + kMargin;
            row_h = std::max(row_h, p.h * s);
        }
        height = static_cast<int>(y + row_h + kLabel + kMargin);
    }
    if (have_font) height += 6 * 40 + 300 + kMargin;

    cairo_surface_t *sheet = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSheetWidth, height);
    cairo_t *cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.13, 0.13, 0.16);
    cairo_paint(cr);

    int y = kMargin;
    const char *mock_names[] = {"mock-up: main menu", "mock-up: a valley level with the status bar",
                                "mock-up: a mine level", "mock-up: loading screen (splash at the left)",
                                "mock-up: records after a game over", "mock-up: profiles, list arrows, a tooltip"};
    for (int m = 0; m < 6; ++m) {
        const double mx = (m % 2) * 800, my = y + (m / 2) * (600 + kLabel + kMargin);
        cairo_save(cr);
        cairo_rectangle(cr, mx, my, 800, 600);
        cairo_clip(cr);
        cairo_translate(cr, mx, my);
        if (m == 0) mock_menu(cr, cat, font);
        else if (m == 1) mock_level(cr, cat, font);
        else if (m == 2) mock_mine(cr, cat, font);
        else if (m == 3) mock_loading(cr, cat, font);
        else if (m == 4) mock_records(cr, cat, font);
        else mock_profiles(cr, cat, font);
        cairo_restore(cr);
        label(cr, mock_names[m], mx + kMargin, my + 600 + 13);
    }
    y += mock_h;
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
    for (size_t i = 0; i < wide.size(); ++i) {
        const Loaded &p = wide[i];
        draw_scaled(cr, p, places[i].x, places[i].y, places[i].s);
        label(cr, p.label + (places[i].s < 1 ? " (scaled)" : ""), places[i].x, places[i].y + p.h * places[i].s + 13);
    }
    y = height - (have_font ? 6 * 40 + 300 + kMargin : 0);
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
