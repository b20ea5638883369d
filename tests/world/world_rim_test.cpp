// world_rim_test.cpp - rims that hold: a hero that stops at a pit's edge, or comes down with its
// feet just over it, stays on it; one that walks out over the drop, or stands farther out than the
// rim can hold, falls; a steep slope still slides. Built from the world's own sources and the text
// reader, stepped with input given as data.
//
// The numbers: the hero's probe is a circle of radius 32 whose centre is 16 px below the hero's,
// so a hero standing on flat ground at y 500 has y 452. On a corner the contact's normal points
// from the corner to the probe's centre; at 16 px out (normal x 0.5) a plain floor stops holding,
// and the rim holds up to a normal y of -0.6, 32 x 0.8 = 25.6 px out. A hero let go at full speed
// (walk speed 1.2, 3 px per tick per unit, falling by 0.1 a tick) glides 3+3+3+2+2+2+2+1+1+1 = 20
// px before it stands. A hero resting on a corner d px out sits 32 - sqrt(32^2 - d^2) px lower than
// on the flat: at most 12.8 px at the hold's limit, so its y stays below 452 + 13 = 465.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "world/level_file.h"
#include "world/world_text.h"
#include "world/world_internal.h"

namespace {

std::string lines(std::initializer_list<std::string> l) {
    std::string s;
    for (const std::string &x : l) s += x + "\r\n";
    return s;
}

// Floor at y 500 left of x 1000 and right of x 1120 (a pit 120 px wide, 500 px deep between), a
// 45-degree slope far to the right; the hero at (x, y).
std::string pit_level(int x, int y) {
    return lines({"", "0", "3",
                  "turf", "0", "0", "0", "0", "2", "-2000", "500", "1000", "500", "1000", "1000",
                  "turf", "0", "0", "0", "0", "2", "1120", "1000", "1120", "500", "3000", "500",
                  "turf", "0", "0", "0", "0", "2", "3000", "500", "3400", "100", "3400", "1000",
                  "0", "1",
                  "enot", std::to_string(x), std::to_string(y), "0", "0", "0"});
}

using worldtext::read;

tmin &hero(World &w) { return w.object_layer[0]; }

int g_tick = 0;
void step(World &w, bool left, bool right, bool jump = false) {
    TickInput in;
    in.left = left;
    in.right = right;
    in.jump = jump;
    in.time_ms = 20.0 * ++g_tick;
    world_step(w, in);
}
void rest(World &w, int ticks) {
    for (int t = 0; t < ticks; ++t) step(w, false, false);
}

}  // namespace

TEST(Rims, AHeroLetGoAtTheEdgeGlidesOntoTheRimAndStaysThere) {
    World w = read(pit_level(800, 452));
    rest(w, 5);
    ASSERT_EQ(hero(w).y, 452);
    // Full speed to the right; let go the moment the centre is over the corner (x 1000).
    while (hero(w).x < 1000) step(w, false, true);
    ASSERT_LE(hero(w).x, 1004);
    rest(w, 50);
    const int32_t x_held = hero(w).x, y_held = hero(w).y;
    rest(w, 100);   // 2 s more: nothing moves
    EXPECT_EQ(hero(w).x, x_held);
    EXPECT_EQ(hero(w).y, y_held);
    EXPECT_LE(hero(w).y, 465) << "x " << hero(w).x;
    EXPECT_GE(hero(w).x, 1012);   // it glid past where a floor holds (16 px) ...
    EXPECT_LE(hero(w).x, 1025);   // ... and stopped within the rim's hold
    // From the rim a jump still goes (the rim counts as firm ground), and so does a walk back.
    step(w, false, false, true);
    EXPECT_LT(hero(w).y, 452);
    rest(w, 80);
    EXPECT_LE(hero(w).y, 465);   // back down on the rim or the top
    for (int t = 0; t < 20; ++t) step(w, true, false);
    EXPECT_LT(hero(w).x, 1000);
    EXPECT_EQ(hero(w).y, 452);
}

TEST(Rims, WalkingOutOverTheDropOrStandingBeyondTheHoldFalls) {
    // Stopped on the rim, then walking on to the right: into the pit.
    World w = read(pit_level(800, 452));
    while (hero(w).x < 1000) step(w, false, true);
    rest(w, 40);
    ASSERT_LE(hero(w).y, 465);
    for (int t = 0; t < 40; ++t) step(w, false, true);
    EXPECT_GT(hero(w).y, 500);
    // Resting on the corner 28 px past it (probe centre 15.5 px above it: normal (0.875, -0.484),
    // beyond the hold), no key held: slides off. 22 px past it (normal y -0.726): held.
    auto resting = [](int out, float ny) {
        World r = read(pit_level(1000 + out, 484 - 16 + (out == 28 ? 0 : -7)));
        r.level.on_ground = 1;
        r.level.ground_corner = 1;
        r.level.ground_normal_x = std::sqrt(1 - ny * ny);
        r.level.ground_normal_y = ny;
        rest(r, 60);
        return r;
    };
    World far = resting(28, -0.484f);
    EXPECT_GT(hero(far).y, 500);
    World near = resting(22, -0.726f);
    EXPECT_LE(hero(near).y, 465);
    EXPECT_LE(hero(near).x, 1025);
}

TEST(Rims, AJumpComingDownWithTheFeetJustShortOfTheFarRimLandsOnIt) {
    // Falling from 40 px above, centre 20 px short of the far rim (x 1120), 4 px farther out than
    // a floor holds: caught by the rim, with no key held and with the way on held.
    for (const bool right : {false, true}) {
        World w = read(pit_level(1100, 412));
        for (int t = 0; t < 60; ++t) step(w, false, right);
        EXPECT_LE(hero(w).y, right ? 452 : 465) << (right ? "right held" : "no key");
        if (right) EXPECT_GT(hero(w).x, 1150);
        else EXPECT_GE(hero(w).x, 1094);
    }
}

TEST(Rims, ASteepSlopeStillSlidesAHeroThatStandsOnIt) {
    // On the 45-degree slope (the inside of a segment, not a corner): slides back down.
    World w = read(pit_level(3200, 240));
    rest(w, 5);
    const int32_t x0 = hero(w).x;
    rest(w, 60);
    EXPECT_LT(hero(w).x, x0 - 40);
    EXPECT_GT(hero(w).y, 300);
}
