// Tests of the generated pictures (GAME_DIR/gfx as the build wrote it) and of the generator.
// What the game relies on: every share name it looks up exists; object sheets have the frame
// grid the drawing uses (15 frames a row; the hero 96 px, the worm 128 px, every other object
// frames as high as its picture); a kind loads every obj picture whose name starts with it, so no
// name may be the start of another; soft sprites blend (transparent edges, bright middles);
// backdrops and fill textures are opaque and the textures repeat without seams.
#include "support/test_files.h"  // declares stb_image; its code: the stb_image library

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const fs::path kGame = TARVELOK_GAME_DIR;
const fs::path kShare = kGame / "gfx" / "share";
const fs::path kObj = kGame / "gfx" / "obj";

constexpr int kFramesPerRow = 15;

using test_files::Picture;
const auto load = test_files::load_picture;


std::vector<std::string> stems(const fs::path &dir) {
    std::vector<std::string> out;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().extension() == ".tga") out.push_back(e.path().stem().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Sum of |difference| of all channels between two cells of a sheet.
double cell_difference(const Picture &p, int side, int a_col, int a_row, int b_col, int b_row) {
    double sum = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const unsigned char *a = p.px(a_col * side + x, a_row * side + y);
            const unsigned char *b = p.px(b_col * side + x, b_row * side + y);
            // Colour only counts where something is drawn.
            for (int c = 0; c < 3; ++c) sum += std::abs(a[c] * a[3] - b[c] * b[3]) / 255.0;
            sum += std::abs(a[3] - b[3]);
        }
    return sum;
}

// Lowest row (cell coordinates) holding a clearly visible pixel; -1 when the cell is empty.
int lowest_ink(const Picture &p, int side, int col, int row) {
    for (int y = side - 1; y >= 0; --y)
        for (int x = 0; x < side; ++x)
            if (p.alpha(col * side + x, row * side + y) > 128) return y;
    return -1;
}

const char *const kShareNames[] = {"bg",    "menu",  "clock",  "gtit",    "gbut",  "gstr",   "cur",
                                   "logo",  "emblo", "plaq",   "nut",     "win",   "mon",    "h1",
                                   "rnd",   "health", "compass", "str",   "shadow", "light", "ray",
                                   "finn",  "berry", "pball",  "star",    "smoke", "splash"};

// Object kinds with behaviour or a special drawing rule: each must have its picture.
const char *const kObjectKinds[] = {"enot",   "bee",     "worm",  "krot",  "hedge",  "ship",  "romash",
                                    "vag",    "health",  "life",  "bapple", "bberry", "bnut", "bgold",
                                    "bsilver", "table",  "lantern", "sslamp", "mush", "bush", "kust",
                                    "oak",    "rast",    "bgcarst"};

// Frame side of each animated object: the hero and the worm are fixed by the drawing code, every
// other object's frames are as high as its picture, so that is what these sizes check.
struct Sheet {
    const char *name;
    int side;
    int rows;
};
const Sheet kSheets[] = {{"enot", 96, 3},   {"worm", 128, 1},  {"bee", 64, 1},    {"krot", 96, 1},
                         {"hedge", 64, 1},  {"ship", 96, 1},   {"romash", 96, 1}, {"vag", 128, 1},
                         {"health", 64, 1}, {"life", 64, 1},   {"bapple", 48, 1}, {"bberry", 48, 1},
                         {"bnut", 64, 1},   {"bgold", 64, 1},  {"bsilver", 64, 1}, {"table", 128, 1}};

const char *const kOpaque[] = {"sky_valley", "sky_dawn", "sky_dusk", "sky_mine", "sky_ochre", "sky_slate",
                               "sky_final",  "earth",    "turf",     "steppe",   "clover",    "stone",
                               "crag",       "minerock", "ochrerock", "slaterock", "bgcarst"};
const char *const kFills[] = {"earth", "turf",     "steppe",    "clover",    "stone",
                              "crag",  "minerock", "ochrerock", "slaterock", "bgcarst"};

}  // namespace

TEST(Pictures, EveryShareNameTheGameLooksUpExistsAsA32BitTga) {
    for (const char *name : kShareNames) {
        const fs::path path = kShare / (std::string(name) + ".tga");
        const std::string bytes = test_files::read_file(path);
        ASSERT_GE(bytes.size(), 18u) << path;
        EXPECT_EQ(bytes[2], 2) << name << ": uncompressed true colour";
        EXPECT_EQ(static_cast<unsigned char>(bytes[16]), 32) << name << ": 32 bits per pixel";
        EXPECT_EQ(static_cast<unsigned char>(bytes[17]), 0x28) << name << ": 8 alpha bits, top-left origin";
        const Picture p = load(path);
        ASSERT_TRUE(p.ok()) << name << " does not load";
        EXPECT_EQ(bytes.size(), 18u + static_cast<size_t>(p.w) * p.h * 4) << name;
    }
    // The cursor is drawn 64 x 64 with its hot spot at the top-left corner: the arrow's tip.
    const Picture cur = load(kShare / "cur.tga");
    EXPECT_EQ(cur.w, 64);
    EXPECT_EQ(cur.h, 64);
    EXPECT_GT(cur.alpha(2, 2), 128) << "the pointer's tip is at the hot spot";
    EXPECT_EQ(cur.alpha(63, 63), 0);
    EXPECT_EQ(cur.alpha(63, 0), 0);
    // Aspect of pictures stretched to fixed boxes: within 15% of the drawn box.
    const struct { const char *name; double box_w, box_h; } boxes[] = {
        {"bg", 800, 600}, {"gtit", 512, 128}, {"logo", 199, 83}, {"emblo", 256, 128}, {"plaq", 240, 60},
        {"health", 128, 16}, {"shadow", 96, 32}, {"splash", 256, 256}, {"menu", 512, 512}, {"win", 256, 256}};
    for (const auto &b : boxes) {
        const Picture p = load(kShare / (std::string(b.name) + ".tga"));
        ASSERT_TRUE(p.ok()) << b.name;
        EXPECT_NEAR(double(p.w) / p.h, b.box_w / b.box_h, 0.15 * b.box_w / b.box_h) << b.name;
    }
}

TEST(Pictures, SheetsHaveTheFrameGridAndLoopSmoothly) {
    for (const Sheet &s : kSheets) {
        const Picture p = load(kObj / (std::string(s.name) + ".tga"));
        ASSERT_TRUE(p.ok()) << s.name;
        EXPECT_EQ(p.w, s.side * kFramesPerRow) << s.name;
        EXPECT_EQ(p.h, s.side * s.rows) << s.name;
        if (p.w != s.side * kFramesPerRow || p.h != s.side * s.rows) continue;
        for (int r = 0; r < s.rows; ++r) {
            double largest_step = 0;
            for (int f = 0; f < kFramesPerRow; ++f) {
                EXPECT_GE(lowest_ink(p, s.side, f, r), 0) << s.name << " frame " << f << " of row " << r << " is empty";
                if (f + 1 < kFramesPerRow) {
                    const double d = cell_difference(p, s.side, f, r, f + 1, r);
                    EXPECT_GT(d, 0) << s.name << ": frames " << f << " and " << f + 1 << " of row " << r << " are the same";
                    largest_step = std::max(largest_step, d);
                }
            }
            // The loop closes: the last frame leads into the first as smoothly as any other step.
            const double wrap = cell_difference(p, s.side, kFramesPerRow - 1, r, 0, r);
            EXPECT_LE(wrap, largest_step * 1.6 + 1) << s.name << " row " << r << " jumps when the loop restarts";
        }
    }
}

TEST(Pictures, WalkersTouchTheGroundWhereTheirTerrainProbeDoes) {
    // The terrain probe is a circle of radius 32 whose centre sits below (or above) the object's
    // centre; the ground settles where the circle's bottom is: centre + offset + 32.
    const struct { const char *name; int side, probe_offset, rows; } walkers[] = {
        {"enot", 96, 16, 3}, {"worm", 128, -8, 1}, {"krot", 96, 16, 1}, {"vag", 128, 32, 1}};
    for (const auto &w : walkers) {
        const Picture p = load(kObj / (std::string(w.name) + ".tga"));
        ASSERT_TRUE(p.ok()) << w.name;
        const int ground = std::min(w.side / 2 + w.probe_offset + 32, w.side) - 1;
        for (int r = 0; r < w.rows; ++r) {
            if (std::string(w.name) == "enot" && r == 1) continue;   // in the air: feet tucked up
            for (int f = 0; f < kFramesPerRow; ++f) {
                const int low = lowest_ink(p, w.side, f, r);
                EXPECT_NEAR(low, ground, 4) << w.name << " frame " << f << " row " << r;
            }
        }
    }
}

TEST(Pictures, NoObjectFamilySwallowsAnother) {
    // A kind loads every obj picture whose name starts with it. No such pairs are intended, so
    // no name may begin with another.
    const std::vector<std::string> names = stems(kObj);
    ASSERT_FALSE(names.empty());
    for (const std::string &a : names)
        for (const std::string &b : names) {
            if (a != b) {
                EXPECT_NE(b.rfind(a, 0), 0u) << "kind \"" << a << "\" would also load \"" << b << "\"";
            }
        }
    const std::set<std::string> present(names.begin(), names.end());
    for (const char *kind : kObjectKinds) EXPECT_TRUE(present.count(kind)) << "no picture for the kind " << kind;
    // Names are lower case: lookups are case-sensitive.
    for (const std::string &n : names)
        EXPECT_TRUE(std::none_of(n.begin(), n.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) << n;
}

TEST(Pictures, SoftSpritesFadeToTransparentEdgesAroundABrightMiddle) {
    // Additive and shadow sprites: any hard edge would show as a square when they are scaled.
    for (const char *name : {"light", "finn", "pball", "star", "smoke", "compass", "str", "shadow", "ray"}) {
        const std::string n = name;
        const Picture p = load(kShare / (n + ".tga"));
        ASSERT_TRUE(p.ok()) << name;
        for (auto [x, y] : {std::pair{0, 0}, std::pair{p.w - 1, 0}, std::pair{0, p.h - 1}, std::pair{p.w - 1, p.h - 1}})
            EXPECT_EQ(p.alpha(x, y), 0) << name << " corner " << x << "," << y;
        if (n == "ray") continue;   // it starts at its left edge (below)
        int border_max = 0;
        for (int x = 0; x < p.w; ++x) border_max = std::max({border_max, p.alpha(x, 0), p.alpha(x, p.h - 1)});
        for (int y = 0; y < p.h; ++y) border_max = std::max({border_max, p.alpha(0, y), p.alpha(p.w - 1, y)});
        EXPECT_LE(border_max, 8) << name;
        if (n != "shadow") {
            // White (or near it) wherever visible: the game tints these with its colour mix.
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x)
                    if (p.alpha(x, y) > 32) {
                        const unsigned char *c = p.px(x, y);
                        ASSERT_GE(std::min({c[0], c[1], c[2]}), 200) << name << " at " << x << "," << y;
                    }
        }
        if (n == "compass" || n == "str") continue;   // ornaments with crisp lines, drawn large
        // The particles: a bright middle and a smooth falloff along the middle row.
        EXPECT_GE(p.alpha(p.w / 2, p.h / 2), n == "smoke" || n == "shadow" ? 64 : 160) << name;
        int jump = 0;
        if (n == "star") {
            // Its spikes have crisp sides at 16 px; the fade runs along each spike, so follow the
            // one pointing up from the tip to the middle.
            for (int y = 1; y <= p.h / 2; ++y) jump = std::max(jump, std::abs(p.alpha(p.w / 2, y) - p.alpha(p.w / 2, y - 1)));
        } else {
            for (int x = 1; x < p.w; ++x) jump = std::max(jump, std::abs(p.alpha(x, p.h / 2) - p.alpha(x - 1, p.h / 2)));
        }
        EXPECT_LE(jump, 48) << name;
    }
    // The ray starts bright at the middle of its left edge and spreads to the right.
    const Picture ray = load(kShare / "ray.tga");
    ASSERT_TRUE(ray.ok());
    EXPECT_GT(ray.alpha(2, ray.h / 2), 160);
    EXPECT_EQ(ray.alpha(ray.w - 1, 0), 0);
    EXPECT_EQ(ray.alpha(ray.w - 1, ray.h - 1), 0);
}

TEST(Pictures, BackdropsAndFillsAreOpaqueAndFillsTileWithoutSeams) {
    for (const char *name : kOpaque) {
        const Picture p = load(kObj / (std::string(name) + ".tga"));
        ASSERT_TRUE(p.ok()) << name;
        int min_alpha = 255;
        for (size_t i = 3; i < p.rgba.size(); i += 4) min_alpha = std::min<int>(min_alpha, p.rgba[i]);
        EXPECT_EQ(min_alpha, 255) << name;
    }
    const Picture bg = load(kShare / "bg.tga");
    ASSERT_TRUE(bg.ok());
    for (size_t i = 3; i < bg.rgba.size(); i += 4) ASSERT_EQ(bg.rgba[i], 255) << "bg is opaque";

    auto column_gap = [](const Picture &p, int a, int b) {
        double sum = 0;
        for (int y = 0; y < p.h; ++y)
            for (int c = 0; c < 3; ++c) sum += std::abs(p.px(a, y)[c] - p.px(b, y)[c]);
        return sum / p.h;
    };
    auto row_gap = [](const Picture &p, int a, int b) {
        double sum = 0;
        for (int x = 0; x < p.w; ++x)
            for (int c = 0; c < 3; ++c) sum += std::abs(p.px(x, a)[c] - p.px(x, b)[c]);
        return sum / p.w;
    };
    for (const char *name : kFills) {
        const Picture p = load(kObj / (std::string(name) + ".tga"));
        ASSERT_TRUE(p.ok()) << name;
        // The seam between the last and the first column differs no more than neighbouring
        // columns inside the picture do (on average over the picture).
        double inner = 0;
        for (int x = 1; x < p.w; ++x) inner += column_gap(p, x - 1, x);
        inner /= p.w - 1;
        EXPECT_LE(column_gap(p, p.w - 1, 0), inner * 2.0 + 2) << name << " shows a vertical seam";
        // Grass on top: its band repeats downwards by design.
        if (std::string(name) == "turf" || std::string(name) == "steppe" || std::string(name) == "clover") continue;
        double inner_rows = 0;
        for (int y = 1; y < p.h; ++y) inner_rows += row_gap(p, y - 1, y);
        inner_rows /= p.h - 1;
        EXPECT_LE(row_gap(p, p.h - 1, 0), inner_rows * 2.0 + 2) << name << " shows a horizontal seam";
    }
    // Sprites that are blended have both clear and solid pixels.
    for (const std::string &n : stems(kObj)) {
        if (std::find(std::begin(kOpaque), std::end(kOpaque), n) != std::end(kOpaque)) {
            continue;
        }
        const Picture p = load(kObj / (n + ".tga"));
        ASSERT_TRUE(p.ok()) << n;
        int clear = 0, solid = 0;
        for (size_t i = 3; i < p.rgba.size(); i += 4) { clear += p.rgba[i] == 0; solid += p.rgba[i] == 255; }
        EXPECT_GT(clear, 0) << n << " has no transparent pixel";
        EXPECT_GT(solid, 0) << n << " has no solid pixel";
    }
}

TEST(Generator, ListMatchesTheFilesAndRunsAreByteIdentical) {
    const fs::path tool = kGame / "gfxgen";
    const fs::path tmp = fs::temp_directory_path() / ("tarvelok_gfxgen_" + std::to_string(::getpid()));
    fs::create_directories(tmp);
    // --list names exactly the pictures in the game folder.
    ASSERT_EQ(std::system((tool.string() + " --list > " + (tmp / "list.txt").string()).c_str()), 0);
    std::istringstream list(test_files::read_file(tmp / "list.txt"));
    std::set<std::string> listed, found;
    std::string folder, name;
    int w, h;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream s(line);
        s >> folder >> name >> w >> h;
        listed.insert(folder + "/" + name);
        const Picture p = load(kGame / "gfx" / folder / (name + ".tga"));
        EXPECT_EQ(p.w, w) << name;
        EXPECT_EQ(p.h, h) << name;
    }
    for (const char *f : {"share", "obj"})
        for (const std::string &n : stems(kGame / "gfx" / f)) found.insert(std::string(f) + "/" + n);
    EXPECT_EQ(listed, found);

    ASSERT_EQ(std::system((tool.string() + " --out " + (tmp / "a").string()).c_str()), 0);
    ASSERT_EQ(std::system((tool.string() + " --out " + (tmp / "b").string()).c_str()), 0);
    for (const std::string &entry : listed) {
        const std::string rel = "gfx/" + entry + ".tga";
        const std::string a = test_files::read_file(tmp / "a" / rel), b = test_files::read_file(tmp / "b" / rel);
        EXPECT_FALSE(a.empty()) << rel;
        EXPECT_TRUE(a == b) << rel << " differs between two runs";
        EXPECT_TRUE(a == test_files::read_file(kGame / rel)) << rel << " differs from the built one";
    }

    // The contact sheet renders what is on disk into a PNG.
    const fs::path sheet_tool = kGame / "gfxsheet";
    ASSERT_EQ(std::system((sheet_tool.string() + " --out " + (tmp / "a").string() + " " +
                           (tmp / "sheet.png").string()).c_str()), 0);
    const Picture sheet = load(tmp / "sheet.png");
    EXPECT_TRUE(sheet.ok());
    EXPECT_GT(sheet.h, sheet.w / 2);

    // Failures: an output folder that cannot be made, a contact sheet with no pictures, a bad option.
    const fs::path blocker = tmp / "blocker";
    std::ofstream(blocker) << "a file where a folder should be";
    const std::string err = (tmp / "err.txt").string();
    EXPECT_NE(std::system((tool.string() + " --out " + blocker.string() + " 2>" + err).c_str()), 0);
    EXPECT_NE(test_files::read_file(err).find("blocker"), std::string::npos) << "the message names the path: " << test_files::read_file(err);
    EXPECT_NE(std::system((sheet_tool.string() + " --out " + (tmp / "empty").string() + " " +
                           (tmp / "x.png").string() + " 2>/dev/null").c_str()), 0);
    EXPECT_EQ(WEXITSTATUS(std::system((tool.string() + " --bogus 2>/dev/null").c_str())), 2);
    EXPECT_EQ(WEXITSTATUS(std::system((sheet_tool.string() + " --bogus x.png 2>/dev/null").c_str())), 2);
    fs::remove_all(tmp);
}
