// game_frames_test.cpp - the real game on the real engine under Xvfb shows the same pictures with
// the engine's hidden-pixel cuts, its unblended opaque pieces, its nearest sampling of pictures
// drawn texel for pixel and its kept picture of what did not change, as drawn the reference way
// (everything, blended, filtered): the main menu, the cave of the last level and the first valley
// level. In compare mode (TARVELOK_ENGINE_COMPARE_DIR) the engine draws one frame
// whole, reads it back, draws the same frame with hidden, off-screen and transparent parts left
// out, and reads that back too; game_frames.sh drives the game to the scene and collects the
// pair. The two must agree to within rounding (a pixel whose centre lies on an edge may show the
// colour from the other side of it), and the cut frame must shade less.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr size_t kFrameBytes = size_t(kW) * kH * 4;
// Colour steps two drawings of one pixel may differ by: a cut moves where the rasterizer
// interpolates from, which can change the last bit of a filtered or blended value.
constexpr int kRounding = 2;
constexpr int kMovedPixels = 48;  // pixels (0.01 % of the screen) that may take a neighbour's colour
// Pixels that may differ otherwise: where two separately cut triangles share an edge that runs
// through a pixel centre, that pixel may be drawn by both or by neither.
constexpr int kStrayPixels = 10;

using test_files::have_tool;
using test_files::read_file;

struct Pair {
    std::string whole, cut;   // RGBA frames
    double whole_area = 0;    // pixels' worth of triangles queued and sent, from the trailer
    double cut_area = 0;
    std::string menu;         // a level's run: the menu drawn whole before the level
    std::string err;          // the game's stderr
};

// Runs the game to `scene` (menu or level-NN) and takes its compare pair; empty frames on failure.
Pair take_pair(const std::string &scene) {
    Pair p;
    char tmpl[] = "/tmp/tarvelok-frames-XXXXXX";
    if (!mkdtemp(tmpl)) return p;
    const std::string work = tmpl;
    // An X screen of its own: the three scenes may run at once, and beside other display tests.
    const std::string cmd = "timeout 200 '" TARVELOK_SOURCE_DIR "/tests/support/own_xvfb.sh' 1024x768x24 bash '"
                            TARVELOK_SOURCE_DIR "/tests/enginelib/sdl/game_frames.sh' '" TARVELOK_GAME_DIR "' '" +
                            work + "' " + scene + " > '" + work + "/xvfb.txt' 2>&1";
    std::system(cmd.c_str());
    const std::string bytes = read_file(work + "/pair.rgba");
    p.menu = read_file(work + "/menu-pair.rgba").substr(0, kFrameBytes);
    p.err = read_file(work + "/err.txt");
    if (bytes.size() == 2 * kFrameBytes + 2 * sizeof(double)) {
        p.whole = bytes.substr(0, kFrameBytes);
        p.cut = bytes.substr(kFrameBytes, kFrameBytes);
        std::memcpy(&p.whole_area, bytes.data() + 2 * kFrameBytes, sizeof(double));
        std::memcpy(&p.cut_area, bytes.data() + 2 * kFrameBytes + sizeof(double), sizeof(double));
    }
    std::system(("rm -rf '" + work + "'").c_str());
    return p;
}

// Pixels of the cut frame that match neither their own pixel of the whole frame nor, being on an
// edge, one of its four neighbours there (all within kRounding), and the largest difference of
// those; plus how many pixels took a neighbour's colour.
struct Difference {
    int wrong = 0;
    int moved = 0;
    int largest = 0;
    int first_x = -1, first_y = -1;
};
Difference compare(const std::string &whole, const std::string &cut) {
    auto distance = [&](int x, int y, int wx, int wy) {
        int worst = 0;
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(int(uint8_t(cut[(size_t(y) * kW + x) * 4 + c])) -
                                             int(uint8_t(whole[(size_t(wy) * kW + wx) * 4 + c]))));
        return worst;
    };
    Difference d;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const int own = distance(x, y, x, y);
            if (own <= kRounding) continue;
            bool neighbour = false;
            const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
            for (int i = 0; i < 4; ++i)
                if (nx[i] >= 0 && nx[i] < kW && ny[i] >= 0 && ny[i] < kH && distance(x, y, nx[i], ny[i]) <= kRounding)
                    neighbour = true;
            if (neighbour) {
                ++d.moved;
                continue;
            }
            d.largest = std::max(d.largest, own);
            if (d.wrong++ == 0) d.first_x = x, d.first_y = y;
        }
    return d;
}

// How far apart two frames are on average (0..255): tells a level from the menu.
double mean_difference(const std::string &a, const std::string &b) {
    double sum = 0;
    for (size_t i = 0; i < size_t(kW) * kH * 4; ++i)
        if (i % 4 != 3) sum += std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i])));
    return sum / (double(kW) * kH * 3);
}

#define SKIP_WITHOUT_DISPLAY_TOOLS()                                                                   \
    do {                                                                                               \
        if (!have_tool("Xvfb") || !have_tool("xdotool"))                                               \
            GTEST_SKIP() << "Xvfb or xdotool is missing: the real game cannot be run here";            \
    } while (0)

void expect_same_picture(const Pair &p, const char *what) {
    ASSERT_EQ(p.whole.size(), kFrameBytes) << what << ": no frame pair; the game said:\n" << p.err;
    const Difference d = compare(p.whole, p.cut);
    EXPECT_LE(d.wrong, kStrayPixels) << what << ": " << d.wrong << " pixels differ by more than " << kRounding
                          << " from the whole frame and its neighbours (largest " << d.largest << ", first at "
                          << d.first_x << ", " << d.first_y << ")";
    // A pixel whose centre lies on a triangle's edge may go to the other side once the triangle is
    // cut (its cut edge runs through other vertices, equal to the old ones only to within float
    // rounding): a few along the edges of a frame.
    EXPECT_LE(d.moved, kMovedPixels) << what;
}

}  // namespace

// The number before `what` in the game's last statistics line that has it (" % of the screen
// drawn": the share of the screen drawn per frame; " % of the frames over the kept back buffer"),
// or -1 when there is none.
double last_stat(const std::string &err, const char *what) {
    double share = -1;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find(what);
        if (line.rfind("engine: ", 0) != 0 || at == std::string::npos) continue;
        const size_t start = line.rfind(' ', at - 1);
        share = std::atof(line.substr(start + 1, at - start - 1).c_str());
    }
    return share;
}
double last_share_drawn(const std::string &err) { return last_stat(err, " % of the screen drawn"); }
double last_share_over_kept(const std::string &err) {
    return last_stat(err, " % of the frames over the kept back buffer");
}

TEST(GameFrames, MainMenuLooksTheSameAndShadesLess) {
    SKIP_WITHOUT_DISPLAY_TOOLS();
    const Pair menu = take_pair("menu");
    // The frame compared comes through the kept picture: the blocks kept from earlier frames must
    // show what drawing the whole frame shows.
    expect_same_picture(menu, "main menu");
    // The board hides most of the backdrop, the compass and the rays under it.
    EXPECT_LT(menu.cut_area, 0.8 * menu.whole_area);
    // Only what changes is drawn again: the turning compass and the particles change the blocks
    // around the board; the board (over half the screen: 512 x 510 of 800 x 600), its buttons and
    // their captions stay. Were every frame drawn whole, the share would be 100 %.
    const double share = last_share_drawn(menu.err);
    EXPECT_GE(share, 0) << "no statistics line; the game said:\n" << menu.err;
    EXPECT_LT(share, 75) << menu.err;
    // Drawn over the window's back buffer, which holds the frame before (the swap of Mesa's
    // software renderer keeps it), in every frame of the last second: no copy of a whole screen
    // from an off-screen picture.
    EXPECT_EQ(last_share_over_kept(menu.err), 100) << menu.err;
}

TEST(GameFrames, MainMenuThroughTheOffScreenPictureLooksTheSame) {
    SKIP_WITHOUT_DISPLAY_TOOLS();
    // Where the back buffer's contents are not known the blocks kept come from an off-screen
    // picture, copied to the window every frame (a screen of pixels).
    const Pair menu = take_pair("menu-copy");
    expect_same_picture(menu, "main menu through the off-screen picture");
    EXPECT_GE(menu.cut_area, double(kW) * kH);
    EXPECT_LT(last_share_drawn(menu.err), 75) << menu.err;
    EXPECT_EQ(last_share_over_kept(menu.err), 0) << menu.err;
}

TEST(GameFrames, CaveOfTheLastLevelLooksTheSameAndShadesLess) {
    SKIP_WITHOUT_DISPLAY_TOOLS();
    const Pair cave = take_pair("level-09");
    expect_same_picture(cave, "level 9");
    ASSERT_EQ(cave.menu.size(), kFrameBytes);
    EXPECT_GT(mean_difference(cave.whole, cave.menu), 20) << "level 9 did not start";
    // The cave's rock, an opaque outline over the whole screen, covers the sky picture (the
    // screen and its 8-pixel overlap) behind it: at least a screen less, whatever else is cut.
    EXPECT_GE(cave.whole_area - cave.cut_area, double(kW) * kH);
}

TEST(GameFrames, FirstValleyLevelLooksTheSame) {
    SKIP_WITHOUT_DISPLAY_TOOLS();
    const Pair valley = take_pair("level-00");
    expect_same_picture(valley, "level 0");
    ASSERT_EQ(valley.menu.size(), kFrameBytes);
    EXPECT_GT(mean_difference(valley.whole, valley.menu), 20) << "level 0 did not start";
    EXPECT_LT(valley.cut_area, valley.whole_area);
}
