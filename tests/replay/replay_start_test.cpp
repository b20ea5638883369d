// replay_start_test.cpp - a level start through the replay file and back: every value that
// carries into a level (the hero's motion and contact, its hurt state and clocks, its shadow, the
// running effects, the profile's values and the seed) non-zero, written, read, and put into a
// world freshly loaded from the same level file, which must then hold exactly what the recorded
// world held. And the recorder: F9 in a second level records that level from its own start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replay/replay.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

const char *const kLevel =
    "\r\n0\r\n1\r\nturf\r\n0\r\n0\r\n0\r\n0\r\n1\r\n-2000\r\n500\r\n4000\r\n500\r\n0\r\n"
    "2\r\nenot\r\n100\r\n452\r\n0\r\n0\r\n0\r\ntable\r\n700\r\n452\r\n0\r\n0\r\n0\r\n";

// A World just loaded from level.txt, as a level start finds it.
World loaded() {
    World w;
    world_seed(w, 77);
    EXPECT_TRUE(load_level(w, "level.txt", nullptr));
    return w;
}

}  // namespace

TEST(ReplayStart, EveryCarriedValueSurvivesTheFileAndTheRestore) {
    ScratchDir dir;
    write_bytes("level.txt", kLevel);
    World played = loaded();
    // Every value a level carries in from the one before, non-zero and unlike its neighbours.
    LevelState &l = played.level;
    l.hero_facing = 1, l.hero_walking = 1, l.walk_speed = 0.625f, l.fall_speed = -7.25f, l.on_ground = 1;
    l.ground_normal_x = 0.375f, l.ground_normal_y = -0.875f, l.ground_depth = 2.125f, l.jumping = 1, l.hurt = 1;
    l.hurt_time = 12345.5f, l.world_time = 23456.75f, l.riding = 1, l.shadow_x = 101.5f, l.shadow_y = 502.25f;
    l.shadow_alpha = 200.5f;
    add_effect(played.particles, "star", 0x00ABCDEF, 11.5f, 12.5f, 1.25f, -2.5f, 32, 4.5f, 30);
    played.particles.effects[0].age = 0.75f;
    played.particles.effects[0].alpha = 201;
    add_effect(played.particles, "berry", 7, -1, -2, 0.5f, 3, 16, 1, -45);

    const replay::LevelStart start = replay::start_of(played, 7, "level.txt", 0xFEDCBA9876543210ull, 2, 4567, 5);
    std::vector<replay::Section> read;
    std::string error;
    ASSERT_TRUE(replay::parse(std::string(replay::kVersionLine) + "\n" + replay::format_start(start), "s.txt", read, error))
        << error;
    ASSERT_EQ(read.size(), 1u);
    const replay::LevelStart &back = read[0].start;
    EXPECT_EQ(back.level_index, 7);
    EXPECT_EQ(back.path, "level.txt");
    EXPECT_EQ(back.seed, 0xFEDCBA9876543210ull);
    EXPECT_EQ(back.deaths, 2);
    EXPECT_EQ(back.total_points, 4567);
    EXPECT_EQ(back.total_nuts, 5);

    World replayed = loaded();
    replay::restore_start(replayed, back);
    const LevelState &r = replayed.level;
    EXPECT_EQ(r.hero_facing, l.hero_facing);
    EXPECT_EQ(r.hero_walking, l.hero_walking);
    EXPECT_EQ(r.walk_speed, l.walk_speed);
    EXPECT_EQ(r.fall_speed, l.fall_speed);
    EXPECT_EQ(r.on_ground, l.on_ground);
    EXPECT_EQ(r.ground_normal_x, l.ground_normal_x);
    EXPECT_EQ(r.ground_normal_y, l.ground_normal_y);
    EXPECT_EQ(r.ground_depth, l.ground_depth);
    EXPECT_EQ(r.jumping, l.jumping);
    EXPECT_EQ(r.hurt, l.hurt);
    EXPECT_EQ(r.hurt_time, l.hurt_time);
    EXPECT_EQ(r.world_time, l.world_time);
    EXPECT_EQ(r.riding, l.riding);
    EXPECT_EQ(r.shadow_x, l.shadow_x);
    EXPECT_EQ(r.shadow_y, l.shadow_y);
    EXPECT_EQ(r.shadow_alpha, l.shadow_alpha);
    // The carried part as a whole (a field the file's table lacked would differ here).
    EXPECT_EQ(static_cast<const HeroCarry &>(r), static_cast<const HeroCarry &>(l));
    // What the load sets stays the load's.
    EXPECT_EQ(r.start_x, 100);
    EXPECT_EQ(r.start_y, 452);
    EXPECT_EQ(r.level_file, "level.txt");
    ASSERT_EQ(replayed.particles.count, 2);
    for (int i = 0; i < 2; ++i) {
        const TEffect2d &a = played.particles.effects[std::size_t(i)], &b = replayed.particles.effects[std::size_t(i)];
        EXPECT_EQ(b.kind, a.kind);
        EXPECT_EQ(b.colour, a.colour);
        EXPECT_EQ(b.x, a.x);
        EXPECT_EQ(b.y, a.y);
        EXPECT_EQ(b.vx, a.vx);
        EXPECT_EQ(b.vy, a.vy);
        EXPECT_EQ(b.size, a.size);
        EXPECT_EQ(b.fade_step, a.fade_step);
        EXPECT_EQ(b.age, a.age);
        EXPECT_EQ(b.alpha, a.alpha);
        EXPECT_EQ(b.angle, a.angle);
    }
    // And the two worlds step alike from there.
    TickInput in;
    in.right = 1;
    for (int t = 0; t < 50; ++t) {
        in.time_ms = 24000 + 20.0 * t;
        world_step(played, in);
        world_step(replayed, in);
    }
    EXPECT_EQ(replayed.level.hero_x, played.level.hero_x);
    EXPECT_EQ(replayed.level.hero_y, played.level.hero_y);
    EXPECT_EQ(replayed.level.walk_speed, played.level.walk_speed);
}

TEST(Recorder, F9InASecondLevelRecordsThatLevelFromItsOwnStartOnly) {
    ScratchDir dir;
    write_bytes("level.txt", kLevel);
    replay::reset_recorder();
    World w = loaded();
    replay::level_started(replay::start_of(w, 0, "first.txt", 1, 0, 0, 0));
    TickInput in;
    for (int t = 0; t < 3; ++t) {
        in.time_ms = 100 + t;
        replay::stepped(in);
    }
    replay::respawned();
    // The second level: two steps and a reload, then F9.
    replay::level_started(replay::start_of(w, 1, "second.txt", 2, 1, 300, 1));
    in.right = 1;
    for (int t = 0; t < 2; ++t) {
        in.time_ms = 500 + t;
        replay::stepped(in);
    }
    replay::reloaded();
    bool started = false;
    const std::string name = replay::toggle(started);
    ASSERT_TRUE(started);
    ASSERT_EQ(name, "replay-000.txt");
    in.time_ms = 600;
    replay::stepped(in);  // recorded while F9 is on
    replay::toggle(started);
    EXPECT_FALSE(started);
    replay::reset_recorder();

    std::vector<replay::Section> s;
    std::string error;
    ASSERT_TRUE(replay::parse(read_bytes(name), name, s, error)) << error;
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].start.level_index, 1);
    EXPECT_EQ(s[0].start.path, "second.txt");
    EXPECT_EQ(s[0].start.seed, 2u);
    EXPECT_EQ(s[0].start.total_points, 300);
    ASSERT_EQ(s[0].entries.size(), 4u);
    EXPECT_EQ(s[0].entries[0].kind, replay::EntryKind::tick);
    EXPECT_DOUBLE_EQ(s[0].entries[0].input.time_ms, 500);
    EXPECT_DOUBLE_EQ(s[0].entries[1].input.time_ms, 501);
    EXPECT_EQ(s[0].entries[2].kind, replay::EntryKind::reload);
    EXPECT_DOUBLE_EQ(s[0].entries[3].input.time_ms, 600);
}
