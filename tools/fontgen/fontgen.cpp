// fontgen - renders the game's bitmap font from DejaVu through FreeType.
//
// In:  a TrueType file (default DejaVu Sans Bold) and an output folder (GAME_DIR/fnt).
// Out: cyr.tga  - white glyphs with antialiased alpha; the engine tints them with the text colour;
//      cyrl.tga - the same glyph layout, each glyph wrapped in a soft glow, drawn additively for
//                 glowing captions;
//      cyr.ofi  - the description both pictures share ("ofi 1", "texture W H", "line H",
//                 "glyph C X Y W H OX OY A" per code-page-1251 byte).
// Every printable byte of code page 1251 gets a glyph (0x20..0x7E and 0x80..0xFF except the
// undefined 0x98); control bytes get none and so draw nothing. Output is byte-for-byte the same
// on every run for the same font file. Does not pick a font by name or fall back to another one.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/tga_write.h"
#include "cp1251.h"

namespace {

// ---- Tuning ---------------------------------------------------------------------------------

constexpr int kPixelSize = 22;        // em size in pixels: cap height ~16 px, body ~24 px
constexpr int kLineHeight = 32;       // a text line box: captions sit 16 px above a box's middle
constexpr int kBaseline = 24;         // baseline, pixels below the top of the line box
constexpr int kPad = 6;               // empty pixels around each glyph cell, room for the glow
constexpr int kAtlasWidth = 512;      // picture width; height grows in powers of two
constexpr float kGlowSigma = 1.75f;   // glow blur, Gaussian sigma in pixels (reach ~2.5 sigma)
constexpr float kGlowGain = 1.9f;     // glow brightness before clamping
constexpr float kEdgeSoftness = 0.35f;// share of a 3x3 blur mixed into the plain glyph edge

struct Glyph {
    int code = 0;                     // 1251 byte
    int w = 0, h = 0;                 // bitmap size (without padding)
    int left = 0, top = 0;            // FreeType bearing: bitmap left, baseline to bitmap top
    int advance = 0;                  // pixels
    std::vector<uint8_t> coverage;    // w * h
    int x = 0, y = 0;                 // cell position in the atlas (cell includes padding)
};

// Separable Gaussian blur of a float plane in place.
void blur(std::vector<float> &plane, int w, int h, float sigma) {
    const int r = static_cast<int>(std::ceil(sigma * 2.5f));
    std::vector<float> k(2 * r + 1);
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += k[i + r] = std::exp(-(i * i) / (2 * sigma * sigma));
    for (float &v : k) v /= sum;
    std::vector<float> tmp(plane.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float a = 0;
            for (int i = -r; i <= r; ++i) {
                int xx = x + i;
                if (xx >= 0 && xx < w) a += plane[y * w + xx] * k[i + r];
            }
            tmp[y * w + x] = a;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float a = 0;
            for (int i = -r; i <= r; ++i) {
                int yy = y + i;
                if (yy >= 0 && yy < h) a += tmp[yy * w + x] * k[i + r];
            }
            plane[y * w + x] = a;
        }
}

uint8_t to_byte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fontgen OUT_DIR [FONT.ttf]\n");
        return 2;
    }
    const std::string out_dir = argv[1];
    const std::string font_path = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

    FT_Library lib;
    FT_Face face;
    if (FT_Init_FreeType(&lib)) { std::fprintf(stderr, "fontgen: FreeType failed to start\n"); return 1; }
    if (FT_New_Face(lib, font_path.c_str(), 0, &face)) {
        std::fprintf(stderr, "fontgen: %s: cannot open the font\n", font_path.c_str());
        return 1;
    }
    FT_Set_Pixel_Sizes(face, 0, kPixelSize);

    // Render every printable byte.
    std::vector<Glyph> glyphs;
    for (int c = 0x20; c <= 0xFF; ++c) {
        if (c == 0x7F) continue;
        const uint32_t cp = cp1251::to_unicode(static_cast<unsigned char>(c));
        if (cp == 0) continue;                           // 0x98: undefined in the code page
        FT_UInt index = FT_Get_Char_Index(face, cp);
        if (index == 0) {
            std::fprintf(stderr, "fontgen: %s has no glyph for U+%04X (byte 0x%02X)\n", font_path.c_str(), cp, c);
            return 1;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) {
            std::fprintf(stderr, "fontgen: cannot render U+%04X\n", cp);
            return 1;
        }
        const FT_GlyphSlot slot = face->glyph;
        Glyph g;
        g.code = c;
        g.w = static_cast<int>(slot->bitmap.width);
        g.h = static_cast<int>(slot->bitmap.rows);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        g.coverage.resize(static_cast<size_t>(g.w) * g.h);
        for (int y = 0; y < g.h; ++y)
            std::memcpy(&g.coverage[static_cast<size_t>(y) * g.w], slot->bitmap.buffer + y * slot->bitmap.pitch, g.w);
        glyphs.push_back(std::move(g));
    }

    // Shelf packing in byte order: rows of cells, each cell the bitmap plus the padding.
    int x = 0, y = 0, shelf = 0;
    for (Glyph &g : glyphs) {
        const int cw = g.w + 2 * kPad, ch = g.h + 2 * kPad;
        if (x + cw > kAtlasWidth) { x = 0; y += shelf; shelf = 0; }
        g.x = x; g.y = y;
        x += cw;
        shelf = std::max(shelf, ch);
    }
    const int used_h = y + shelf;
    int atlas_h = 64;
    while (atlas_h < used_h) atlas_h *= 2;
    const int W = kAtlasWidth, H = atlas_h;

    // Plain picture: coverage with a slightly softened edge.
    std::vector<float> plain(static_cast<size_t>(W) * H, 0.0f);
    for (const Glyph &g : glyphs)
        for (int yy = 0; yy < g.h; ++yy)
            for (int xx = 0; xx < g.w; ++xx)
                plain[(g.y + kPad + yy) * W + g.x + kPad + xx] = g.coverage[yy * g.w + xx] / 255.0f;
    std::vector<float> soft = plain;
    // A 3x3 box blur per cell keeps neighbours from bleeding into each other.
    std::vector<float> glow(plain.size(), 0.0f);
    for (const Glyph &g : glyphs) {
        const int cw = g.w + 2 * kPad, ch = g.h + 2 * kPad;
        std::vector<float> cell(static_cast<size_t>(cw) * ch);
        for (int yy = 0; yy < ch; ++yy)
            for (int xx = 0; xx < cw; ++xx) cell[yy * cw + xx] = plain[(g.y + yy) * W + g.x + xx];
        for (int yy = 0; yy < ch; ++yy)
            for (int xx = 0; xx < cw; ++xx) {
                float s = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int px = xx + dx, py = yy + dy;
                        if (px >= 0 && py >= 0 && px < cw && py < ch) s += cell[py * cw + px];
                    }
                const float v = cell[yy * cw + xx];
                soft[(g.y + yy) * W + g.x + xx] = std::max(v, v * (1 - kEdgeSoftness) + (s / 9.0f) * kEdgeSoftness);
            }
        std::vector<float> halo = cell;
        blur(halo, cw, ch, kGlowSigma);
        for (int yy = 0; yy < ch; ++yy)
            for (int xx = 0; xx < cw; ++xx) {
                const float v = cell[yy * cw + xx];
                glow[(g.y + yy) * W + g.x + xx] = std::min(1.0f, std::max(v, halo[yy * cw + xx] * kGlowGain));
            }
    }

    std::vector<uint8_t> rgba_plain(static_cast<size_t>(W) * H * 4), rgba_glow(rgba_plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        rgba_plain[i * 4] = rgba_plain[i * 4 + 1] = rgba_plain[i * 4 + 2] = 255;
        rgba_plain[i * 4 + 3] = to_byte(soft[i]);
        rgba_glow[i * 4] = rgba_glow[i * 4 + 1] = rgba_glow[i * 4 + 2] = 255;
        rgba_glow[i * 4 + 3] = to_byte(glow[i]);
    }

    if (!tools::write_tga(out_dir + "/cyr.tga", W, H, rgba_plain) || !tools::write_tga(out_dir + "/cyrl.tga", W, H, rgba_glow)) {
        std::fprintf(stderr, "fontgen: cannot write the font pictures into %s\n", out_dir.c_str());
        return 1;
    }
    const std::string ofi = out_dir + "/cyr.ofi";
    FILE *f = std::fopen(ofi.c_str(), "wb");
    if (!f) { std::fprintf(stderr, "fontgen: cannot write %s\n", ofi.c_str()); return 1; }
    std::fprintf(f, "ofi 1\n# DejaVu Sans Bold %d px, code page 1251; made by fontgen\n", kPixelSize);
    std::fprintf(f, "texture %d %d\nline %d\n", W, H, kLineHeight);
    for (const Glyph &g : glyphs)
        std::fprintf(f, "glyph %d %d %d %d %d %d %d %d\n", g.code, g.x, g.y, g.w + 2 * kPad, g.h + 2 * kPad,
                     g.left - kPad, kBaseline - g.top - kPad, g.advance);
    if (std::fclose(f) != 0) { std::fprintf(stderr, "fontgen: cannot write %s\n", ofi.c_str()); return 1; }

    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return 0;
}
