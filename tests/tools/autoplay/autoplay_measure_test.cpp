// autoplay_measure_test - `autoplay --measure` on two test levels and hand-written routes: on a flat
// one with hazards placed at known distances from the hero's path, what it counts as a hazard on
// the route (creatures within 160 px of the path, thorns within 130 px of each other as one patch),
// a jump on open ground (free: the widest window), a route without a jump, and a route that does
// not finish; on one with two thorn pits, each jump's take-off window, which must come from the pit
// and not from the moment the route happened to jump. The levels are built by levelbuild and
// played in a scratch game folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <vector>
#include <sys/wait.h>

#include "shell/test_support.h"

using namespace testsupport;

namespace {

// The hero stands with its centre 48 px above the ground (768): at y 720 all along the walk.
// Bees: one 150 px above the path (on the route), one 165 px (off it); a bee dips 116 px below its
// place, so neither reaches the hero (touch 32 px). Thorns 145 px above the path: the first two
// 100 px apart (one patch), the third 140 px from the second (a patch of its own); a fourth 180 px
// above the path is off the route. Expected: 1 creature + 2 patches = 3 hazards.
const char *const kLevel = R"(backdrop sky_valley
[ground]
poly earth 0,0 64,0 64,1024 0,1024
land turf bottom=1024  64,768 3000,768
poly earth 3000,0 3064,0 3064,1024 3000,1024
[objects]
enot 200 g
bnut 120 400
bee 1100 570
bee 1400 555
ship 1700 575
ship 1800 575
ship 1940 575
ship 2300 540
table 2700 g
)";

// Two thorn pits in flat ground at y 768: 120 px wide (x 900..1020) and 180 px (x 1600..1780).
// At full speed the hero runs 4 px a tick and a jump comes back to its take-off height after 51
// ticks (rising 10 px a tick, 0.4 less every tick), 204 px on. So a take-off that clears a pit of
// width G on a plain floor has a window of (204 - G) / 4 ticks; the probe circle's rounding over
// the rims (a jump still goes up to 21 px past the near rim, a landing is caught up to 32 px short
// of the far one) widens it by at most (21 + 32) / 4 = 13 ticks: 21..34 ticks for the first pit,
// 6..19 for the second.
const char *const kPits = R"(backdrop sky_valley
[ground]
poly earth 0,0 64,0 64,1024 0,1024
land turf bottom=1024  64,768 900,768 904,900 1016,900 1020,768 1600,768 1604,900 1776,900 1780,768 3000,768
poly earth 3000,0 3064,0 3064,1024 3000,1024
[objects]
enot 200 g
bnut 120 400
ship 960 g
ship 1690 g
table 2700 g
)";

// Right held until well past the table (the level ends there); frames of 1/60 s.
const char *const kWalk = "4 key-down 39\n1000 key-up 39\n";
// The same with one jump on open ground, far from the bees: moved up to half a second (25 ticks)
// either way it still lands on the same ground within reach, so its window is the whole 51 ticks.
const char *const kJump = "4 key-down 39\n100 key-down 32\n106 key-up 32\n1000 key-up 39\n";
// Right held all the way over the pits; the jump key tapped before each (frames of 1/60 s): the
// first pit taken about 70 px before its rim (x 828) or at the rim itself (x 908), the second
// alike in both.
const char *const kPitsEarly = "4 key-down 39\n198 key-down 32\n204 key-up 32\n431 key-down 32\n437 key-up 32\n1000 key-up 39\n";
const char *const kPitsLate = "4 key-down 39\n222 key-down 32\n228 key-up 32\n431 key-down 32\n437 key-up 32\n1000 key-up 39\n";
// Right released at frame 300: the hero stops half way.
const char *const kShort = "4 key-down 39\n300 key-up 39\n";

struct Measured {
    int status = -1;
    std::string out;
};

// A scratch game folder: the built game's files linked in, cfg/ with the test level as scene 0.
void make_game_folder() {
    const fs::path game = TARVELOK_GAME_DIR;
    for (const auto &e : fs::directory_iterator(game))
        if (e.path().filename() != "cfg") fs::create_symlink(e.path(), e.path().filename());
    fs::create_directories("cfg");
    fs::copy_file(game / "cfg" / "config.txt", "cfg/config.txt");
    write_bytes("src/t.lvs", kLevel);
    write_bytes("src/pits.lvs", kPits);
    write_bytes("src/scenes.list", "t.lvs\npits.lvs\n");
    const std::string build = "./levelbuild --pictures gfx/obj --out . src > build.txt 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0) << read_bytes("build.txt");
}

Measured measure(const std::string &route, int level = 0) {
    write_bytes("route.txt", route);
    Measured m;
    const std::string cmd = "./autoplay --level " + std::to_string(level) + " --measure route.txt > out.txt 2>&1";
    const int rc = std::system(cmd.c_str());
    m.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    m.out = read_bytes("out.txt");
    return m;
}

}  // namespace

TEST(AutoplayMeasure, CountsHazardsNearThePathAndThornPatchesAndJumpWindows) {
    ScratchDir dir;
    make_game_folder();
    if (HasFatalFailure()) return;

    const Measured walk = measure(kWalk);
    ASSERT_EQ(walk.status, 0) << walk.out;
    EXPECT_NE(walk.out.find("hazards 3,"), std::string::npos) << walk.out;
    EXPECT_NE(walk.out.find("narrowest jump none (no jump needed)"), std::string::npos) << walk.out;

    const Measured jump = measure(kJump);
    ASSERT_EQ(jump.status, 0) << jump.out;
    EXPECT_NE(jump.out.find("hazards 3,"), std::string::npos) << jump.out;
    EXPECT_NE(jump.out.find("narrowest jump 51 ticks"), std::string::npos) << jump.out;
    EXPECT_NE(jump.out.find("(every jump lands alike a second off)"), std::string::npos) << jump.out;

    const Measured stops = measure(kShort);
    EXPECT_EQ(stops.status, 1) << stops.out;
    EXPECT_NE(stops.out.find("does not finish level 0"), std::string::npos) << stops.out;
}

namespace {

// The windows of the jumps of a measured route, in order.
std::vector<int> windows(const std::string &out) {
    std::vector<int> w;
    const std::regex re("window ([0-9]+) ticks");
    for (std::sregex_iterator it(out.begin(), out.end(), re), end; it != end; ++it) w.push_back(std::stoi((*it)[1]));
    return w;
}

}  // namespace

TEST(AutoplayMeasure, AJumpsWindowComesFromThePitNotFromTheRoutesOwnTakeOff) {
    ScratchDir dir;
    make_game_folder();
    if (HasFatalFailure()) return;
    // Two routes over the same pits: the first jumps the first pit early (about 70 px before its
    // rim), the second at the last moment; both take the second pit alike.
    const Measured early = measure(kPitsEarly, 1);
    ASSERT_EQ(early.status, 0) << early.out;
    const Measured late = measure(kPitsLate, 1);
    ASSERT_EQ(late.status, 0) << late.out;
    const std::vector<int> a = windows(early.out), b = windows(late.out);
    ASSERT_EQ(a.size(), 2u) << early.out;
    ASSERT_EQ(b.size(), 2u) << late.out;
    EXPECT_EQ(a, b) << early.out << late.out;
    EXPECT_GE(a[0], 21) << early.out;
    EXPECT_LE(a[0], 34) << early.out;
    EXPECT_GE(a[1], 6) << early.out;
    EXPECT_LE(a[1], 19) << early.out;
    EXPECT_NE(early.out.find("narrowest jump " + std::to_string(a[1]) + " ticks"), std::string::npos) << early.out;
}
