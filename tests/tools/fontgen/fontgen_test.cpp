// Tests of the generated bitmap font: the files the build put into GAME_DIR/fnt, and the
// generator itself run into temporary folders (determinism, error paths).
// What the game relies on: every printable code-page-1251 byte has a glyph; the text line is
// 32 px and captions look centred 16 px below their draw position; the plain and the glow
// picture share one layout, so one description serves both.
#include "support/test_files.h"  // declares stb_image; its code: the stb_image library

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cp1251.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExpectedLine = 32;   // line box height the layout is built around
constexpr int kCaptionMiddle = 16;  // captions are drawn 16 px above the middle of their box

struct GlyphRec {
    int x, y, w, h, ox, oy, a;
};

struct Font {
    int tex_w = 0, tex_h = 0, line = 0;
    std::map<int, GlyphRec> glyphs;
    std::string error;
};

Font read_ofi(const fs::path &path) {
    Font f;
    std::ifstream in(path);
    if (!in) { f.error = "cannot open " + path.string(); return f; }
    std::string line;
    bool magic = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        std::string key;
        s >> key;
        if (key == "ofi") { int v = 0; s >> v; magic = v == 1; }
        else if (key == "texture") s >> f.tex_w >> f.tex_h;
        else if (key == "line") s >> f.line;
        else if (key == "glyph") {
            int c; GlyphRec g;
            s >> c >> g.x >> g.y >> g.w >> g.h >> g.ox >> g.oy >> g.a;
            if (!s) { f.error = "bad glyph line: " + line; return f; }
            if (f.glyphs.count(c)) { f.error = "glyph listed twice: " + line; return f; }
            f.glyphs[c] = g;
        } else { f.error = "unknown line: " + line; return f; }
    }
    if (!magic) f.error = "missing 'ofi 1'";
    return f;
}

using test_files::Picture;
const auto load = test_files::load_picture;


const fs::path kFnt = fs::path(TARVELOK_GAME_DIR) / "fnt";

bool is_printable_1251(int c) {
    if (c < 0x20 || c == 0x7F) return false;
    return cp1251::to_unicode(static_cast<unsigned char>(c)) != 0;
}

// Ink rows of one glyph (alpha above a threshold) in line-box coordinates; false when none.
bool ink_rows(const Picture &p, const GlyphRec &g, int &top, int &bottom) {
    top = 1 << 20; bottom = -(1 << 20);
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x)
            if (p.alpha(g.x + x, g.y + y) > 64) { top = std::min(top, g.oy + y); bottom = std::max(bottom, g.oy + y); }
    return bottom >= top;
}

}  // namespace

TEST(FontFiles, DescriptionCoversEveryPrintableByteWithSaneMetrics) {
    const Font f = read_ofi(kFnt / "cyr.ofi");
    ASSERT_TRUE(f.error.empty()) << f.error;
    EXPECT_EQ(f.line, kExpectedLine);
    for (int c = 1; c < 256; ++c) {
        if (is_printable_1251(c)) EXPECT_TRUE(f.glyphs.count(c)) << "no glyph for byte " << c;
        else EXPECT_FALSE(f.glyphs.count(c)) << "glyph for a byte that is not printable: " << c;
    }
    // Cells lie inside the picture and never overlap each other.
    std::vector<const GlyphRec *> cells;
    for (const auto &[c, g] : f.glyphs) {
        EXPECT_GE(g.x, 0); EXPECT_GE(g.y, 0);
        EXPECT_LE(g.x + g.w, f.tex_w) << "byte " << c;
        EXPECT_LE(g.y + g.h, f.tex_h) << "byte " << c;
        EXPECT_GT(g.a, 0) << "byte " << c << " does not advance";
        EXPECT_LT(g.a, kExpectedLine + 8) << "byte " << c << " advances too far";
        for (const GlyphRec *o : cells)
            EXPECT_FALSE(g.x < o->x + o->w && o->x < g.x + g.w && g.y < o->y + o->h && o->y < g.y + g.h)
                << "cell of byte " << c << " overlaps another";
        cells.push_back(&g);
    }
    // Proportional: a wide capital advances further than a narrow lower-case letter, and the
    // Cyrillic letters are as wide as their Latin look-alikes.
    EXPECT_GT(f.glyphs.at('W').a, f.glyphs.at('i').a);
    EXPECT_EQ(f.glyphs.at(0xC0).a, f.glyphs.at('A').a);  // А and A
    EXPECT_EQ(f.glyphs.at(0xEE).a, f.glyphs.at('o').a);  // о and o
}

TEST(FontFiles, PicturesShareTheLayoutAndTextSitsInTheLineBox) {
    const Font f = read_ofi(kFnt / "cyr.ofi");
    ASSERT_TRUE(f.error.empty()) << f.error;
    const Picture plain = load(kFnt / "cyr.tga"), glow = load(kFnt / "cyrl.tga");
    ASSERT_FALSE(plain.rgba.empty()) << "cyr.tga does not load";
    ASSERT_FALSE(glow.rgba.empty()) << "cyrl.tga does not load";
    EXPECT_EQ(plain.w, f.tex_w); EXPECT_EQ(plain.h, f.tex_h);
    EXPECT_EQ(glow.w, f.tex_w); EXPECT_EQ(glow.h, f.tex_h);

    // Nothing is drawn outside the cells (a stray pixel would show under a neighbouring glyph).
    std::vector<char> in_cell(static_cast<size_t>(f.tex_w) * f.tex_h, 0);
    for (const auto &[c, g] : f.glyphs)
        for (int y = g.y; y < g.y + g.h; ++y)
            for (int x = g.x; x < g.x + g.w; ++x) in_cell[static_cast<size_t>(y) * f.tex_w + x] = 1;
    int stray = 0;
    for (int y = 0; y < f.tex_h; ++y)
        for (int x = 0; x < f.tex_w; ++x)
            if (!in_cell[static_cast<size_t>(y) * f.tex_w + x] && (plain.alpha(x, y) || glow.alpha(x, y))) ++stray;
    EXPECT_EQ(stray, 0);

    int glyphs_with_halo = 0, ink_glyphs = 0;
    for (const auto &[c, g] : f.glyphs) {
        // The border row and column of every cell stay clear, so filtering never picks up a neighbour.
        for (int x = 0; x < g.w; ++x) {
            EXPECT_EQ(plain.alpha(g.x + x, g.y), 0); EXPECT_EQ(glow.alpha(g.x + x, g.y + g.h - 1), 0);
        }
        bool halo = false, ink = false;
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                const int a = plain.alpha(g.x + x, g.y + y), b = glow.alpha(g.x + x, g.y + y);
                if (a) {
                    ink = true;
                    const unsigned char *p = plain.px(g.x + x, g.y + y);
                    ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << "glyphs are white, to be tinted";
                }
                EXPECT_GE(b + 1, a) << "the glow picture hides part of glyph " << c;
                if (a == 0 && b > 40) halo = true;
            }
        if (ink) { ++ink_glyphs; if (halo) ++glyphs_with_halo; }
        int top, bottom;
        if (ink_rows(plain, g, top, bottom)) {
            EXPECT_GE(top, 0) << "byte " << c << " pokes above the line box";
            EXPECT_LT(bottom, f.line) << "byte " << c << " hangs below the line box";
        }
    }
    EXPECT_EQ(glyphs_with_halo, ink_glyphs) << "every visible glyph has a glow around it";
    int space_top, space_bottom;
    EXPECT_FALSE(ink_rows(plain, f.glyphs.at(' '), space_top, space_bottom)) << "space has ink";

    // Capitals look centred on the caption line: their middle is about 16 px below the top.
    for (int c : {int('H'), 0xCD /* Н */, 0xD2 /* Т */}) {
        int top, bottom;
        ASSERT_TRUE(ink_rows(plain, f.glyphs.at(c), top, bottom));
        const int height = bottom - top + 1;
        EXPECT_GE(height, 14); EXPECT_LE(height, 20);
        EXPECT_NEAR((top + bottom + 1) / 2.0, kCaptionMiddle, 2.0) << "byte " << c;
    }
}

TEST(FontGenerator, SameBytesEveryRunAndClearErrors) {
    const fs::path tool = fs::path(TARVELOK_GAME_DIR) / "fontgen";
    const fs::path tmp = fs::temp_directory_path() / ("tarvelok_fontgen_" + std::to_string(::getpid()));
    fs::create_directories(tmp / "a");
    fs::create_directories(tmp / "b");
    ASSERT_EQ(std::system((tool.string() + " " + (tmp / "a").string()).c_str()), 0);
    ASSERT_EQ(std::system((tool.string() + " " + (tmp / "b").string()).c_str()), 0);
    for (const char *name : {"cyr.tga", "cyrl.tga", "cyr.ofi"}) {
        const std::string a = test_files::read_file(tmp / "a" / name), b = test_files::read_file(tmp / "b" / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, b) << name << " differs between two runs";
        EXPECT_EQ(a, test_files::read_file(kFnt / name)) << name << " differs from the built one";
    }
    // A missing font file and a folder that cannot be written are reported with a failure status.
    const std::string log = (tmp / "err.txt").string();
    EXPECT_NE(std::system((tool.string() + " " + (tmp / "a").string() + " /nonexistent/font.ttf 2>" + log).c_str()), 0);
    EXPECT_NE(test_files::read_file(log).find("/nonexistent/font.ttf"), std::string::npos) << "the message names the file";
    EXPECT_NE(std::system((tool.string() + " " + (tmp / "missing" / "dir").string() + " 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool.string() + " 2>/dev/null").c_str()), 0);
    fs::remove_all(tmp);
}
