// world_lifecycle_test.cpp - what each step of a level's lifecycle resets and what it keeps, on
// World values with the world library alone (no shell, no engine table filled): the full load
// (a new level), the developer's reload (F1), the respawn after a death, and the clearing that the
// loads begin with. Each rule is checked by giving every field a non-zero value first, so that a
// reset that is forgotten, or one that reaches too far, shows.
#include <gtest/gtest.h>

#include <string>

#include "shell/test_support.h"
#include "world/world.h"

using namespace testsupport;

namespace {

std::string lines(std::initializer_list<const char *> l) {
    std::string s;
    for (const char *x : l) s += std::string(x) + "\r\n";
    return s;
}

// A floor at y 500, the hero at (100, 452), an apple and the sign; the second level has its hero
// at (300, 352).
const std::string kFirst = lines({"", "0", "1", "turf", "0", "0", "0", "0", "1", "-2000", "500", "4000", "500", "0",
                                  "3", "enot", "100", "452", "0", "0", "0", "bapple", "260", "452", "0", "0", "0",
                                  "table", "700", "452", "0", "0", "0"});
const std::string kSecond = lines({"", "0", "1", "turf", "0", "0", "0", "0", "1", "-2000", "400", "4000", "400", "0",
                                   "2", "enot", "300", "352", "0", "0", "0", "table", "900", "352", "0", "0", "0"});

const tmin *hero(const World &w) {
    for (int32_t i = 0; i < w.object_count; ++i)
        if (w.object_layer[i].role == Kind::enot) return &w.object_layer[i];
    return nullptr;
}

// Every field of the level state and the tallies given a value no load or reset would give it.
void dirty(World &w) {
    LevelState &l = w.level;
    l.hero_x = 11, l.hero_y = 12, l.hero_facing = 1, l.hero_walking = 1, l.walk_speed = 0.75f, l.fall_speed = -3.5f;
    l.on_ground = 1, l.ground_normal_x = 0.25f, l.ground_normal_y = -0.5f, l.ground_depth = 1.5f, l.jumping = 1;
    l.hurt = 1, l.hurt_time = 1234.5f, l.world_time = 5678.25f, l.riding = 1, l.start_x = 13, l.start_y = 14;
    l.shadow_x = 15.5f, l.shadow_y = 16.5f, l.shadow_alpha = 17.5f, l.level_file = "old.txt", l.final_scene = 1;
    w.tallies.level_points = 120, w.tallies.damage = 40, w.tallies.gold_nut_found = 1;
    w.steps = 99;
    add_effect(w.particles, "star", 0x123456, 1, 2, 3, 4, 5, 6, 7);
}

// The fields that carry over a load, reload and respawn alike: the hero's motion and contact, its
// hurt state and clocks, its shadow, and whether this is the final scene (set by the loader's caller).
void expect_carried(const World &w) {
    const LevelState &l = w.level;
    EXPECT_EQ(l.hero_facing, 1);
    EXPECT_EQ(l.hero_walking, 1);
    EXPECT_FLOAT_EQ(l.walk_speed, 0.75f);
    EXPECT_FLOAT_EQ(l.fall_speed, -3.5f);
    EXPECT_EQ(l.on_ground, 1);
    EXPECT_FLOAT_EQ(l.ground_normal_x, 0.25f);
    EXPECT_FLOAT_EQ(l.ground_normal_y, -0.5f);
    EXPECT_FLOAT_EQ(l.ground_depth, 1.5f);
    EXPECT_EQ(l.jumping, 1);
    EXPECT_EQ(l.hurt, 1);
    EXPECT_FLOAT_EQ(l.hurt_time, 1234.5f);
    EXPECT_FLOAT_EQ(l.world_time, 5678.25f);
    EXPECT_FLOAT_EQ(l.shadow_x, 15.5f);
    EXPECT_FLOAT_EQ(l.shadow_y, 16.5f);
    EXPECT_FLOAT_EQ(l.shadow_alpha, 17.5f);
    EXPECT_EQ(l.final_scene, 1);
    // Effects outlive a level until they fade.
    ASSERT_EQ(w.particles.count, 1);
    EXPECT_EQ(w.particles.effects[0].kind, "star");
}

}  // namespace

TEST(LevelLifecycle, AFullLoadResetsTheLevelsTalliesRidingStepsAndStartAndKeepsTheHerosMotion) {
    ScratchDir dir;
    write_bytes("a.txt", kFirst);
    write_bytes("b.txt", kSecond);
    World w;
    world_seed(w, 3);
    ASSERT_TRUE(load_level(w, "a.txt", nullptr));
    dirty(w);
    clear_world(w);
    ASSERT_TRUE(load_level(w, "b.txt", nullptr));
    // Reset by the load: the tallies of the level (its points, the damage, its golden nut), the
    // cart, the step count; set by it: the start point and the file.
    EXPECT_EQ(w.tallies.level_points, 0);
    EXPECT_EQ(w.tallies.damage, 0);
    EXPECT_EQ(w.tallies.gold_nut_found, 0);
    EXPECT_EQ(w.level.riding, 0);
    EXPECT_EQ(w.steps, 0);
    EXPECT_EQ(w.level.start_x, 300);
    EXPECT_EQ(w.level.start_y, 352);
    EXPECT_EQ(w.level.level_file, "b.txt");
    ASSERT_NE(hero(w), nullptr);
    EXPECT_EQ(hero(w)->x, 300);
    EXPECT_EQ(w.object_count, 2);
    expect_carried(w);
}

TEST(LevelLifecycle, TheDevelopersReloadKeepsTheGoldenNutAndTheStartPointButNotThePoints) {
    ScratchDir dir;
    write_bytes("a.txt", kFirst);
    World w;
    world_seed(w, 3);
    ASSERT_TRUE(load_level(w, "a.txt", nullptr));
    dirty(w);
    w.level.start_x = 150, w.level.start_y = 440;  // a start point of its own, kept by the reload
    clear_world(w);
    ASSERT_TRUE(reload_level(w, "a.txt"));
    EXPECT_EQ(w.tallies.level_points, 0);
    EXPECT_EQ(w.tallies.damage, 0);
    EXPECT_EQ(w.tallies.gold_nut_found, 1);
    EXPECT_EQ(w.level.riding, 0);
    EXPECT_EQ(w.level.start_x, 150);
    EXPECT_EQ(w.level.start_y, 440);
    EXPECT_EQ(w.object_count, 3);  // the apple is back
    expect_carried(w);
}

TEST(LevelLifecycle, ARespawnPutsOnlyTheHeroBackAtTheStart) {
    ScratchDir dir;
    write_bytes("a.txt", kFirst);
    World w;
    world_seed(w, 3);
    ASSERT_TRUE(load_level(w, "a.txt", nullptr));
    const World loaded = w;
    dirty(w);
    w.level.start_x = 100, w.level.start_y = 452;
    w.object_layer[0].x = 640, w.object_layer[0].y = 900;  // the hero fell into a pit
    w.object_layer[1].x = 261;                              // the apple moved (it does not)
    respawn_hero(w);
    EXPECT_EQ(hero(w)->x, 100);
    EXPECT_EQ(hero(w)->y, 452);
    // Nothing else: the tallies (the step that killed zeroed the damage already), the rest of the
    // objects, the step count and the level state stay.
    EXPECT_EQ(w.object_layer[1].x, 261);
    EXPECT_EQ(w.object_count, loaded.object_count);
    EXPECT_EQ(w.tallies.level_points, 120);
    EXPECT_EQ(w.tallies.damage, 40);
    EXPECT_EQ(w.tallies.gold_nut_found, 1);
    EXPECT_EQ(w.steps, 99);
    EXPECT_EQ(w.level.riding, 1);
    EXPECT_EQ(w.level.level_file, "old.txt");
    expect_carried(w);
}

TEST(LevelLifecycle, AFailedLoadLeavesTheWorldEmptyAndTheNutTallyCleared) {
    ScratchDir dir;
    World w;
    dirty(w);
    EXPECT_FALSE(load_level(w, "missing.txt", nullptr));
    EXPECT_EQ(w.object_count, 0);
    EXPECT_EQ(w.ground_count, 0);
    EXPECT_EQ(w.tallies.level_points, 0);
    EXPECT_EQ(w.tallies.damage, 0);
    EXPECT_EQ(w.tallies.gold_nut_found, 0);
}

TEST(LevelLifecycle, ALitCheckpointHoldsTheRespawnUntilTheNextLoadOrReload) {
    ScratchDir dir;
    write_bytes("a.txt", kFirst);
    World w;
    world_seed(w, 3);
    ASSERT_TRUE(load_level(w, "a.txt", nullptr));
    EXPECT_EQ(w.level.checkpoint_lit, 0);
    // As lighting a post at (500, 436) leaves it.
    w.level.checkpoint_lit = 1, w.level.checkpoint_x = 500, w.level.checkpoint_y = 436;
    w.object_layer[0].x = 640, w.object_layer[0].y = 900;
    respawn_hero(w);
    EXPECT_EQ(hero(w)->x, 500);
    EXPECT_EQ(hero(w)->y, 436);
    EXPECT_EQ(w.level.checkpoint_lit, 1) << "a respawn keeps the checkpoint";
    respawn_hero(w);
    EXPECT_EQ(hero(w)->x, 500);
    // The reload reads the posts again unlit: the respawn goes back to the start.
    clear_world(w);
    ASSERT_TRUE(reload_level(w, "a.txt"));
    EXPECT_EQ(w.level.checkpoint_lit, 0);
    respawn_hero(w);
    EXPECT_EQ(hero(w)->x, 100);
    // So does a full load.
    w.level.checkpoint_lit = 1, w.level.checkpoint_x = 500, w.level.checkpoint_y = 436;
    clear_world(w);
    ASSERT_TRUE(load_level(w, "a.txt", nullptr));
    EXPECT_EQ(w.level.checkpoint_lit, 0);
    EXPECT_EQ(w.level.checkpoint_x, 0);
    respawn_hero(w);
    EXPECT_EQ(hero(w)->x, 100);
    EXPECT_EQ(hero(w)->y, 452);
}
