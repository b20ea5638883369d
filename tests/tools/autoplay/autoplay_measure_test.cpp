// autoplay_measure_test - `autoplay --measure` on a flat test level with hazards placed at known
// distances from the hero's path and hand-written routes: what it counts as a hazard on the route
// (creatures within 160 px of the path, thorns within 130 px of each other as one patch), the
// window of a jump that lands alike however it is moved, a route without a jump, and a route that
// does not finish. The level is built by levelbuild and played in a scratch game folder.
#include <gtest/gtest.h>

#include <cstdio>
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

// Right held until well past the table (the level ends there); frames of 1/60 s.
const char *const kWalk = "4 key-down 39\n1000 key-up 39\n";
// The same with one jump on open ground, far from the bees: moved up to half a second (25 ticks)
// either way it still lands on the same ground within reach, so its window is the whole 51 ticks.
const char *const kJump = "4 key-down 39\n100 key-down 32\n106 key-up 32\n1000 key-up 39\n";
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
    write_bytes("src/scenes.list", "t.lvs\n");
    const std::string build = "./levelbuild --pictures gfx/obj --out . src > build.txt 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0) << read_bytes("build.txt");
}

Measured measure(const std::string &route) {
    write_bytes("route.txt", route);
    Measured m;
    const int rc = std::system("./autoplay --level 0 --measure route.txt > out.txt 2>&1");
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
    EXPECT_NE(jump.out.find("(every jump lands alike half a second off)"), std::string::npos) << jump.out;

    const Measured stops = measure(kShort);
    EXPECT_EQ(stops.status, 1) << stops.out;
    EXPECT_NE(stops.out.find("does not finish level 0"), std::string::npos) << stops.out;
}
