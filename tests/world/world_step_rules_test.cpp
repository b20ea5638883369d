// world_step_rules_test.cpp - rules easier to pin down on a hand-built World than through a whole
// level, stepped with world_step and input given as data, on the world library alone (no shell,
// no engine table, no catalogues): walking by the pointer (dead zone, a resting pointer, steering
// off) and both arrows, a worm's first turn, hits and spikes during the immunity, a bonus later in
// the layer than the reached sign, the final scene without a level end, and a hero lost far below
// the level, on foot or in a cart. What the shell makes of the events (the profile, the requests,
// the sounds played) is the shell's tests' part.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "world/world.h"
#include "world/world_items.h"

namespace {

using worlditems::add_item;

tmin &add_ground(World &w, const std::string &kind, std::vector<OE_Point> points) {
    terrain_changed(w);
    return add_item(w.ground_layer, w.ground_count, kind, 0, 0, std::move(points));
}
tmin &add_object(World &w, const std::string &kind, int32_t x, int32_t y) {
    return add_item(w.object_layer, w.object_count, kind, x, y);
}

std::vector<std::string> sounds(const WorldEvents &ev) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < ev.sound_count; ++i) out.emplace_back(ev.sounds[std::size_t(i)]);
    return out;
}

// A floor at y = 500 and a hero standing on it at x = 400 (the first object).
World floor_world() {
    World w;
    add_ground(w, "turf", {{-2000, 500}, {4000, 500}});
    add_object(w, "enot", 400, 452);
    w.level.on_ground = 1;
    w.level.ground_normal_y = -1;
    return w;
}

TickInput at(double ms) {
    TickInput in;
    in.time_ms = ms;
    return in;
}

// The pointer steering, at (x) moving by dx, with the camera at 0.
TickInput pointer(int32_t x, int32_t dx) {
    TickInput in;
    in.mouse_steers = 1;
    in.mouse_x = x;
    in.mouse_dx = dx;
    return in;
}

}  // namespace

TEST(HeroRules, ThePointerWalksOnlyWhenMovingAwayFromTheDeadZoneAndArrowsLeftWins) {
    World w = floor_world();
    const tmin &hero = w.object_layer[0];
    // Pointer 300 px right of the hero on screen, moving right: walks right.
    world_step(w, pointer(700, 3));
    EXPECT_EQ(w.level.hero_walking, 1);
    EXPECT_EQ(hero.mirrored, 0);
    // At rest: no walk.
    world_step(w, pointer(700, 0));
    EXPECT_EQ(w.level.hero_walking, 0);
    // Moving, but within 64 px of the hero (hero_x - camera 0): no walk.
    world_step(w, pointer(static_cast<int32_t>(w.level.hero_x) + 60, -4));
    EXPECT_EQ(w.level.hero_walking, 0);
    // Moving left, far away: walks left.
    world_step(w, pointer(100, -4));
    EXPECT_EQ(w.level.hero_walking, 1);
    EXPECT_EQ(hero.mirrored, 1);
    // The camera counts: the same pointer with the camera 600 px on is right of the hero.
    TickInput moved = pointer(100, 4);
    moved.camera_x = 600;
    world_step(w, moved);
    EXPECT_EQ(w.level.hero_walking, 1);
    EXPECT_EQ(hero.mirrored, 0);
    // Steering off (mouse control off): the pointer's motion does nothing.
    TickInput off = pointer(750, 5);
    off.mouse_steers = 0;
    world_step(w, off);
    EXPECT_EQ(w.level.hero_walking, 0);
    // Both arrows held: left.
    TickInput both;
    both.left = both.right = 1;
    world_step(w, both);
    EXPECT_EQ(w.level.hero_walking, 1);
    EXPECT_EQ(hero.mirrored, 1);
    EXPECT_EQ(w.level.hero_facing, 1);
}

TEST(CreatureRules, AMirroredWormWalksRightUntilItsFirstTurn) {
    World w = floor_world();
    add_object(w, "worm", 0, 476).mirrored = 1;
    const tmin &worm = w.object_layer[1];
    world_step(w, at(0));
    EXPECT_EQ(worm.speed, 2);
    EXPECT_EQ(worm.mirrored, 1);  // still facing left
    EXPECT_EQ(worm.x, 2);
    for (int t = 1; t < 100; ++t) world_step(w, at(0));
    EXPECT_EQ(worm.speed, 2);
    EXPECT_EQ(worm.phase, 200);
    world_step(w, at(0));  // the 101st tick: 202 walked, over 200: turn
    EXPECT_EQ(worm.speed, -2);
    EXPECT_EQ(worm.mirrored, 1);
    EXPECT_EQ(worm.phase, 0);
    EXPECT_EQ(worm.x, 202);
    for (int t = 0; t < 101; ++t) world_step(w, at(0));
    EXPECT_EQ(worm.speed, 2);
    EXPECT_EQ(worm.mirrored, 0);
    EXPECT_EQ(worm.x, 0);
    EXPECT_EQ(worm.y, 476);  // resting on the floor through its probe 8 above its centre
}

TEST(CreatureRules, ImmunityBlocksHitsAndSpikesThenWearsOff) {
    World w = floor_world();
    add_object(w, "hedge", 400, 468);
    WorldEvents ev = world_step(w, at(1000));
    EXPECT_EQ(w.tallies.damage, 20);
    EXPECT_EQ(w.level.hurt, 1);
    EXPECT_EQ(w.object_layer[0].x, 385);  // thrown 15 px against its facing (right)
    EXPECT_EQ(sounds(ev), std::vector<std::string>{"kill"});  // a hedgehog is never stomped
    w.object_layer[1].kind = "oak";  // the hedgehog becomes scenery
    w.object_layer[1].role = Kind::other;
    // A spike under the hero during the immunity does nothing.
    add_object(w, "ship", w.object_layer[0].x, 452);
    world_step(w, at(3999));
    EXPECT_EQ(w.tallies.damage, 20);
    // Just over 3000 ms after the hit: the spike kills (damage set to 120, no sound of its own).
    ev = world_step(w, at(4001));
    EXPECT_EQ(w.tallies.damage, 120);
    EXPECT_TRUE(sounds(ev).empty());
    EXPECT_EQ(ev.died, 0);
    // The next step: the death, with the hero's speeds and flags left for the respawn.
    ev = world_step(w, at(4021));
    EXPECT_EQ(ev.died, 1);
    EXPECT_EQ(w.tallies.damage, 0);
    ASSERT_FALSE(sounds(ev).empty());
    EXPECT_EQ(sounds(ev).front(), "die");
    w.level.start_x = 100;
    w.level.start_y = 452;
    respawn_hero(w);
    EXPECT_EQ(w.object_layer[0].x, 100);
    EXPECT_EQ(w.level.hurt, 1);
}

TEST(CollectibleRules, ABonusAfterTheSignInTheLayerIsStillTakenAndHealthStopsAtZero) {
    World w = floor_world();
    add_object(w, "table", 420, 440);
    add_object(w, "health", 400, 452);
    add_object(w, "bapple", 410, 452);
    w.tallies.damage = 30;
    const WorldEvents ev = world_step(w, at(0));
    EXPECT_EQ(ev.level_end, 1);
    EXPECT_EQ(w.tallies.level_points, 40);
    EXPECT_EQ(w.tallies.damage, 0);  // 30 - 60, not below 0
    // The hero, the sign, and the second of the two adjacent pick-ups, waiting for the next pass.
    ASSERT_EQ(w.object_count, 3);
    EXPECT_EQ(w.object_layer[1].kind, "table");
    EXPECT_EQ(w.object_layer[2].role, Kind::removed);
    EXPECT_EQ(sounds(ev), (std::vector<std::string>{"fin", "ghealth", "bapple"}));
    // Each pick-up bursts into 11 stars, a ball of its colour and size, and a light.
    ASSERT_EQ(w.particles.count, 26);
    EXPECT_EQ(w.particles.effects[11].kind, "pball");
    EXPECT_EQ(w.particles.effects[11].colour, 0xAA55AA);
    EXPECT_EQ(w.particles.effects[12].kind, "light");
    EXPECT_EQ(w.particles.effects[24].colour, 0x33FF33);
}

TEST(CollectibleRules, TheFinalSceneHasNoLevelEndNeitherByF2NorByASign) {
    World w = floor_world();
    add_object(w, "table", 410, 452);
    w.level.final_scene = 1;  // as the shell marks the level at kLastLevel
    TickInput f2;
    f2.finish = 1;
    WorldEvents ev = world_step(w, f2);
    EXPECT_EQ(ev.level_end, 0);
    EXPECT_TRUE(sounds(ev).empty());
    // On the last playable level both still end it.
    w.level.final_scene = 0;
    ev = world_step(w, at(0));
    EXPECT_EQ(ev.level_end, 1);
    World by_f2 = floor_world();
    ev = world_step(by_f2, f2);
    EXPECT_EQ(ev.level_end, 1);
}

// The level's bottom is its lowest solid terrain point (or the hero's start when lower); a hero
// more than a screen height (600 px) below it is lost as on spikes.
TEST(FallRules, AHeroFarBelowTheLevelLosesALifeAsOnSpikes) {
    World w;
    add_ground(w, "turf", {{0, 300}, {200, 500}});      // lowest solid point: y = 500
    add_ground(w, "bgcarst", {{0, 2000}, {200, 2000}}); // drawn, never solid: no bottom
    add_object(w, "enot", 1000, 1100);                  // far right of the terrain, exactly 600 below
    w.level.start_x = 1000;
    w.level.start_y = 100;
    WorldEvents ev = world_step(w, at(0));  // at the limit: still falling
    EXPECT_EQ(w.tallies.damage, 0);
    EXPECT_EQ(ev.died, 0);
    EXPECT_GT(w.object_layer[0].y, 1100);
    ev = world_step(w, at(20));  // past it: the life is lost at once, as a spike's damage would
    EXPECT_EQ(ev.died, 1);
    EXPECT_EQ(sounds(ev), std::vector<std::string>{"die"});

    // No terrain at all: the start point is the bottom.
    World bare;
    add_object(bare, "enot", 0, 701);
    bare.level.start_y = 100;
    EXPECT_EQ(world_step(bare, at(0)).died, 1);
    // A start below every terrain point: measured from the start (y 1000 + 600).
    World deep;
    add_ground(deep, "turf", {{0, 500}, {200, 500}});
    add_object(deep, "enot", 1000, 1600);
    deep.level.start_y = 1000;
    EXPECT_EQ(world_step(deep, at(0)).died, 0);
    EXPECT_EQ(world_step(deep, at(20)).died, 1);
}

TEST(FallRules, AHeroRidingACartWithoutRailsIsLostToo) {
    World w;
    add_ground(w, "turf", {{-200, 500}, {200, 500}});
    add_object(w, "enot", 1000, 900);
    tmin &cart = add_object(w, "vag", 1000, 980);
    cart.phase = cart.speed = 1;  // the hero aboard, rolling
    w.level.riding = 1;
    w.level.start_y = 452;
    // The cart drops 4 px a tick and carries the hero 80 px above its centre: the hero passes
    // y 1100 (500 + 600) after about 50 ticks.
    int ticks = 0;
    bool died = false;
    while (!died && ticks < 200) {
        died = world_step(w, at(20.0 * ticks)).died != 0;
        ++ticks;
    }
    EXPECT_TRUE(died);
    EXPECT_GT(ticks, 40);
    EXPECT_LT(ticks, 60);
}
