// world_checkpoint_test.cpp - checkpoints and signs on World values, with the world library alone: a post lights when the hero's centre comes within 64 px of its centre, once, with its sound
// and sparks, and from then on a respawn puts the hero at the post lit last; what was taken stays
// taken. A sign's name line carries its text, bounded; other name lines are read as before.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "world/level_file.h"
#include "world/world_internal.h"
#include "world/world_text.h"

namespace {

std::string lines(std::initializer_list<std::string> l) {
    std::string s;
    for (const std::string &x : l) s += x + "\r\n";
    return s;
}

// A floor at y 500 from x -2000 to 4000; the hero standing at x 100 (y 452), an apple at 260, a
// post at 600 and another at 1400 (their 128-px frames standing on the floor: centres at y 436).
const std::string kPosts = lines({"", "0", "1", "turf", "0", "0", "0", "0", "1", "-2000", "500", "4000", "500", "0",
                                  "4", "enot", "100", "452", "0", "0", "0", "bapple", "260", "452", "0", "0", "0",
                                  "fonar", "600", "436", "0", "0", "0", "fonar", "1400", "436", "0", "0", "0"});

TickInput walk(bool right, double ms) {
    TickInput in;
    in.right = right ? 1 : 0;
    in.time_ms = ms;
    return in;
}

tmin *hero(World &w) {
    for (int32_t i = 0; i < w.object_count; ++i)
        if (w.object_layer[i].role == Kind::enot) return &w.object_layer[i];
    return nullptr;
}

int lamp_sounds(const WorldEvents &ev) {
    int n = 0;
    for (int32_t i = 0; i < ev.sound_count; ++i) n += std::string(ev.sounds[std::size_t(i)]) == "lamp";
    return n;
}

// The hero's x at its turn's start (what the touch uses) at which a post at x 600 is first touched
// from the left: less than 48 px across.
constexpr int kFirstTouchX = 600 - 47;

}  // namespace

TEST(Checkpoints, APostLightsOnceWhenTouchedAndARespawnThenComesBackThereWithWhatWasTaken) {
    World w = worldtext::read(kPosts);
    ASSERT_EQ(w.object_count, 4);
    EXPECT_EQ(w.object_layer[2].role, Kind::fonar);
    EXPECT_EQ(w.object_layer[2].phase, 0);
    int lit_step = -1, lamps = 0, prev_x = 0;
    for (int t = 0; t < 300 && w.level.hero_x < 1000; ++t) {
        const int32_t particles = w.particles.count;
        const WorldEvents ev = world_step(w, walk(true, 1000 + 20.0 * t));
        lamps += lamp_sounds(ev);
        if (lit_step < 0 && w.level.checkpoint_lit) {
            lit_step = t;
            // At the boundary of the 64-px reach, standing on the floor.
            EXPECT_GE(w.level.hero_x, kFirstTouchX);
            EXPECT_LT(prev_x, kFirstTouchX);
            EXPECT_EQ(w.level.hero_y, 452);
            EXPECT_EQ(lamp_sounds(ev), 1);
            EXPECT_EQ(w.particles.count, particles + 16);  // 14 sparks, the flame's ball and its light
        }
        prev_x = w.level.hero_x;
    }
    ASSERT_GE(lit_step, 0) << "the post was never lit";
    EXPECT_EQ(lamps, 1) << "a lit post lights only once";
    EXPECT_EQ(w.level.checkpoint_x, 600);
    EXPECT_EQ(w.level.checkpoint_y, 436);
    // The post stays, lit (its lit picture row), the apple is gone, the second post not yet lit.
    ASSERT_EQ(w.object_count, 3);
    EXPECT_EQ(w.object_layer[1].role, Kind::fonar);
    EXPECT_EQ(w.object_layer[1].phase, 1);
    EXPECT_EQ(w.object_layer[1].row, 1);
    EXPECT_EQ(w.object_layer[2].phase, 0);
    const int32_t points = w.tallies.level_points;
    EXPECT_EQ(points, 40);

    // A death: back at the post, not at the start; the apple stays taken, the points stay.
    respawn_hero(w);
    EXPECT_EQ(hero(w)->x, 600);
    EXPECT_EQ(hero(w)->y, 436);
    for (int t = 0; t < 60; ++t) EXPECT_EQ(lamp_sounds(world_step(w, walk(false, 9000 + 20.0 * t))), 0);
    EXPECT_EQ(hero(w)->y, 452) << "the hero comes to stand on the post's ground";
    EXPECT_EQ(w.object_count, 3);
    EXPECT_EQ(w.tallies.level_points, points);
    EXPECT_EQ(w.level.start_x, 100) << "the start point itself does not move";

    // The second post, lit later, is where the next respawn goes.
    for (int t = 0; t < 400 && !w.object_layer[2].phase; ++t) world_step(w, walk(true, 20000 + 20.0 * t));
    ASSERT_EQ(w.object_layer[2].phase, 1);
    respawn_hero(w);
    EXPECT_EQ(hero(w)->x, 1400);
    EXPECT_EQ(w.level.checkpoint_x, 1400);
}

TEST(Checkpoints, ThePostsReachEndsAt48PxAcrossAnd112PxUpOrDown) {
    // One step from a place: the touch is tested where the hero stood at its turn's start.
    const auto lit_from = [](int x, int y) {
        World w = worldtext::read(kPosts);
        hero(w)->x = x;
        hero(w)->y = y;
        world_step(w, walk(false, 1000));
        return w.level.checkpoint_lit == 1;
    };
    EXPECT_FALSE(lit_from(600 + 48, 452));
    EXPECT_TRUE(lit_from(600 + 47, 452));
    EXPECT_FALSE(lit_from(600 - 48, 452));
    EXPECT_TRUE(lit_from(600 - 47, 452));
    // Right over the post: its centre is at 436.
    EXPECT_FALSE(lit_from(600, 436 - 112));
    EXPECT_TRUE(lit_from(600, 436 - 111));
    // The top of a full jump from the post's ground (the centre 130 px above a standing hero's 452)
    // passes over it.
    EXPECT_FALSE(lit_from(600, 452 - 130));
}

TEST(Signs, ASignsNameLineCarriesItsTextWithinABoundAndOtherNamesAreWhole) {
    const std::string text(kSignTextCapacity, '\xCF');  // "П" x 64 in 1251
    const auto level = [](const std::string &name) {
        return lines({"", "0", "0", "0", "2", "enot", "100", "452", "0", "0", "0", name, "300", "452", "0", "0", "0"});
    };
    World w = worldtext::read(level("znak " + text));
    ASSERT_EQ(w.object_count, 2);
    EXPECT_EQ(w.object_layer[1].kind, "znak");
    EXPECT_EQ(w.object_layer[1].text, text);
    EXPECT_EQ(w.object_layer[1].role, Kind::other);
    // Names that are not a sign's stay whole, spaces and all; no other item has a text.
    w = worldtext::read(level("znakx y"));
    EXPECT_EQ(w.object_layer[1].kind, "znakx y");
    EXPECT_TRUE(w.object_layer[1].text.empty());
    EXPECT_TRUE(w.object_layer[0].text.empty());
    // One byte over the bound: refused, naming the sign's name line (line 12).
    World bad;
    const LevelReadReport r = read_level_text(bad, level("znak " + text + "!"), true, LevelReadHooks{});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 12);
    EXPECT_NE(r.problem.find("65 bytes"), std::string::npos) << r.problem;
}

// Every shipped level from level 1 on has checkpoints, about a third of the way apart, and each is
// a safe place to come back to: lit, then a respawn there, the hero left alone for 3 s is never
// hurt, with the creatures as the level's start leaves them and 1.5 s further on their paths.
TEST(Checkpoints, EveryShippedLevelsCheckpointsAreSafePlacesToComeBackTo) {
    constexpr int kLevels = 10, kSafeTicks = 150, kCreatureHeadStarts[] = {0, 75};
    for (int level = 0; level < kLevels; ++level) {
        char path[96];
        std::snprintf(path, sizeof path, "%s/cfg/levels/level-%02d.lvl", TARVELOK_GAME_DIR, level);
        World loaded;
        world_seed(loaded, 5);
        ASSERT_TRUE(load_level(loaded, path, nullptr)) << path;
        std::vector<int32_t> posts;
        int32_t table_x = 0;
        for (int32_t i = 0; i < loaded.object_count; ++i) {
            if (loaded.object_layer[i].role == Kind::fonar) posts.push_back(i);
            if (loaded.object_layer[i].role == Kind::table) table_x = loaded.object_layer[i].x;
        }
        if (level == 0) {
            EXPECT_TRUE(posts.empty()) << "level 0 is short and has none";
            continue;
        }
        ASSERT_GE(posts.size(), 2u) << path;
        for (const int32_t p : posts) {
            const tmin &post = loaded.object_layer[std::size_t(p)];
            // Within the level's way, between its start and its table.
            EXPECT_GT(post.x, loaded.level.start_x + 500) << path;
            EXPECT_LT(post.x, table_x - 500) << path;
            for (const int head_start : kCreatureHeadStarts) {
                World w = loaded;
                double ms = 1000;
                for (int t = 0; t < head_start; ++t, ms += 20) world_step(w, walk(false, ms));
                ASSERT_EQ(w.tallies.damage, 0) << path;
                // Lit as a touch leaves it: the hero beside it for one step.
                hero(w)->x = post.x;
                hero(w)->y = post.y;
                world_step(w, walk(false, ms));
                ms += 20;
                ASSERT_EQ(w.level.checkpoint_lit, 1) << path << ", post at x " << post.x;
                respawn_hero(w);
                for (int t = 0; t < kSafeTicks; ++t, ms += 20) {
                    const WorldEvents ev = world_step(w, walk(false, ms));
                    ASSERT_EQ(w.tallies.damage, 0) << path << ": hurt " << t * 20 << " ms after coming back to the post at x "
                                                   << post.x;
                    ASSERT_EQ(ev.died, 0) << path;
                }
                // It stands by the post.
                EXPECT_NEAR(hero(w)->x, post.x, 32) << path;
                EXPECT_EQ(w.level.on_ground, 1) << path << ", post at x " << post.x;
            }
        }
    }
}
