// world_core_test.cpp - the world as a value, built from the world's own sources and the text
// reader only: no engine table, no shell, no catalogues are linked, so a world file that reached
// for any of them would not link. A level read from text is stepped with input given as data; a
// copy of a World steps on its own and, given the same input, exactly like the original; what a
// step does outside the World comes back in its events.
#include <gtest/gtest.h>

#include <string>

#include "world/level_file.h"
#include "world/world_text.h"
#include "world/world_internal.h"

namespace {

std::string lines(std::initializer_list<const char *> l) {
    std::string s;
    for (const char *x : l) s += std::string(x) + "\r\n";
    return s;
}

// A floor at y 500 from x -2000 to 4000, the hero standing on it at x 100, an apple 160 px to its
// right, a bee far away, and the sign at x 700.
const std::string kLevel = lines({
    "",
    "0",
    "1",
    "turf", "0", "0", "0", "0", "1", "-2000", "500", "4000", "500",
    "0",
    "4",
    "enot", "100", "452", "0", "0", "0",
    "bapple", "260", "452", "0", "0", "0",
    "bee", "3000", "300", "0", "0", "0",
    "table", "700", "452", "0", "0", "0",
});

using worldtext::read;

TickInput right_at(double ms) {
    TickInput in;
    in.right = 1;
    in.time_ms = ms;
    return in;
}

const tmin *hero(const World &w) {
    for (int32_t i = 0; i < w.object_count; ++i)
        if (w.object_layer[i].role == Kind::enot) return &w.object_layer[i];
    return nullptr;
}

}  // namespace

TEST(WorldValue, StepsFromInputAsDataAndReportsWhatHappened) {
    World w = read(kLevel);
    ASSERT_EQ(w.object_count, 4);
    // Kinds are resolved when read; the names stay for the pictures.
    EXPECT_EQ(w.object_layer[1].role, Kind::bapple);
    EXPECT_EQ(w.object_layer[1].kind, "bapple");
    int apple_tick = -1, end_tick = -1;
    for (int t = 0; t < 400 && end_tick < 0; ++t) {
        const WorldEvents ev = world_step(w, right_at(1000 + 20.0 * t));
        for (int32_t i = 0; i < ev.sound_count; ++i) {
            if (std::string(ev.sounds[std::size_t(i)]) == "bapple") apple_tick = t;
        }
        if (ev.level_end) end_tick = t;
        EXPECT_EQ(ev.died, 0);
    }
    // The hero walked right: the apple first (40 points), then the sign.
    ASSERT_GE(apple_tick, 0);
    ASSERT_GT(end_tick, apple_tick);
    EXPECT_EQ(w.tallies.level_points, 40);
    EXPECT_EQ(w.object_count, 3);  // the apple is gone, the sign stays
    // The clock of the input is the hero's clock.
    EXPECT_FLOAT_EQ(w.level.world_time, float(1000 + 20.0 * end_tick));
    EXPECT_EQ(w.steps, end_tick + 1);
}

TEST(WorldValue, ACopyStepsOnItsOwnAndLikeTheOriginal) {
    World a = read(kLevel);
    for (int t = 0; t < 10; ++t) world_step(a, right_at(20.0 * t));
    World b = a;  // the automatic player's snapshot
    World c = a;
    // b walks on to the apple; a stands still: neither changes the other.
    for (int t = 10; t < 60; ++t) {
        world_step(b, right_at(20.0 * t));
        world_step(a, TickInput{});
    }
    ASSERT_NE(hero(a)->x, hero(b)->x);
    EXPECT_EQ(b.tallies.level_points, 40);
    EXPECT_EQ(a.tallies.level_points, 0);
    EXPECT_EQ(a.object_count, 4);
    // c, from the same snapshot with the same input, ends exactly where b did, particles and the
    // generator's draws included.
    for (int t = 10; t < 60; ++t) world_step(c, right_at(20.0 * t));
    EXPECT_EQ(hero(c)->x, hero(b)->x);
    EXPECT_EQ(hero(c)->y, hero(b)->y);
    EXPECT_EQ(c.random_state, b.random_state);
    ASSERT_EQ(c.particles.count, b.particles.count);
    for (int32_t i = 0; i < c.particles.count; ++i) {
        EXPECT_EQ(c.particles.effects[std::size_t(i)].angle, b.particles.effects[std::size_t(i)].angle);
        EXPECT_EQ(c.particles.effects[std::size_t(i)].vx, b.particles.effects[std::size_t(i)].vx);
    }
    // A copy whose terrain is edited stops on its own terrain, not the original's.
    World d = a;
    d.ground_layer.edit()[0].outline.points = {{-2000, 560}, {4000, 560}};
    terrain_changed(d);
    for (int t = 0; t < 40; ++t) {
        world_step(d, TickInput{});
        world_step(a, TickInput{});
    }
    EXPECT_EQ(hero(a)->y, 452);
    EXPECT_EQ(hero(d)->y, 512);
}

TEST(WorldValue, ACopySharesTheUnchangingLayersUntilOneIsWritten) {
    World a = read(kLevel);
    for (int t = 0; t < 10; ++t) world_step(a, right_at(20.0 * t));
    World b = a;
    // Stepping reads the terrain and writes the objects: the copies still share the terrain,
    // never the objects.
    for (int t = 10; t < 20; ++t) world_step(b, right_at(20.0 * t));
    EXPECT_TRUE(b.ground_layer.shares_with(a.ground_layer));
    EXPECT_TRUE(b.back_layer.shares_with(a.back_layer));
    EXPECT_TRUE(b.front_layer.shares_with(a.front_layer));
    EXPECT_NE(b.object_layer.data(), a.object_layer.data());
    // A write to one copy's layer is its own: the other keeps its entries.
    const std::vector<OE_Point> before = a.ground_layer[0].outline.points;
    b.ground_layer.edit()[0].outline.points[0].y += 100;
    b.ground_layer.edit()[0].kind = "rock";
    EXPECT_FALSE(b.ground_layer.shares_with(a.ground_layer));
    EXPECT_EQ(a.ground_layer[0].kind, "turf");
    EXPECT_FLOAT_EQ(a.ground_layer[0].outline.points[0].y, before[0].y);
    EXPECT_FLOAT_EQ(b.ground_layer[0].outline.points[0].y, before[0].y + 100);
    // Emptying a copy's layers leaves the other's whole.
    World c = a;
    clear_layers(c);
    EXPECT_EQ(c.ground_count, 0);
    EXPECT_EQ(a.ground_count, 1);
    EXPECT_EQ(a.ground_layer.size(), 1u);
    EXPECT_EQ(a.ground_layer[0].kind, "turf");
}

TEST(WorldValue, ADeathAndAnExtraLifeComeBackAsEvents) {
    World w = read(lines({"", "0", "1", "turf", "0", "0", "0", "0", "1", "-2000", "500", "4000", "500", "0", "2",
                          "enot", "100", "452", "0", "0", "0", "life", "120", "452", "0", "0", "0"}));
    WorldEvents ev = world_step(w, TickInput{});
    EXPECT_EQ(ev.lives_gained, 1);  // the shell lowers the profile's deaths
    EXPECT_EQ(ev.died, 0);
    w.tallies.damage = 111;
    ev = world_step(w, TickInput{});
    EXPECT_EQ(ev.died, 1);  // the shell raises deaths, fades out and respawns
    EXPECT_EQ(w.tallies.damage, 0);
    ASSERT_GE(ev.sound_count, 1);
    EXPECT_EQ(std::string(ev.sounds[0]), "die");
}
