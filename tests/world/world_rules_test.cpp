// world_rules_test.cpp - rules easier to pin down on a hand-built world than through a whole
// level: walking by mouse (dead zone, resting pointer, mouse_off), both arrows, a worm's first turn,
// hits and spikes during the immunity, a bonus later in the layer than the reached sign, the
// respawned hero keeping its speeds; and the shell's way back to the menu when a level cannot be
// started or reloaded, with the profile file left as it was.
#include <gtest/gtest.h>

#include "shell/shell.h"
#include "ui/ui.h"
#include "world/world_fixture.h"

using namespace testsupport;
using namespace worldtest;

namespace {

int32_t g_mouse_x = 0, g_mouse_dx = 0;
int32_t mouse_x() { return g_mouse_x; }
int32_t mouse_dx() { return g_mouse_dx; }

// A floor at y = 500 and a hero standing on it at x = 400 (first object).
struct Floor : WorldGame {
    Floor() {
        add_ground("turf", {{-2000, 500}, {4000, 500}});
        add_object("enot", 400, 452);
        world.level.on_ground = 1;
        world.level.ground_normal_y = -1;
        eng.Mouse_X = mouse_x;
        eng.Mouse_DeltaX = mouse_dx;
        g_mouse_x = g_mouse_dx = 0;
        camera.x = 0;
    }
    tmin &hero() { return world.object_layer[0]; }
};

}  // namespace

TEST(HeroRules, MouseWalksOnlyWhenMovingAwayFromTheDeadZoneAndArrowsLeftWins) {
    Floor game;
    // Pointer 300 px right of the hero on screen, moving right: walks right.
    g_mouse_x = 700;
    g_mouse_dx = 3;
    step_world();
    EXPECT_EQ(world.level.hero_walking, 1);
    EXPECT_EQ(game.hero().mirrored, 0);
    // At rest: no walk.
    g_mouse_dx = 0;
    step_world();
    EXPECT_EQ(world.level.hero_walking, 0);
    // Moving, but within 64 px of the hero (hero_x 400 - camera 0): no walk.
    g_mouse_x = static_cast<int32_t>(world.level.hero_x) + 60;
    g_mouse_dx = -4;
    step_world();
    EXPECT_EQ(world.level.hero_walking, 0);
    // Moving left, far away: walks left.
    g_mouse_x = 100;
    step_world();
    EXPECT_EQ(world.level.hero_walking, 1);
    EXPECT_EQ(game.hero().mirrored, 1);
    // mouse_off: the pointer does nothing.
    settings.mouse_off = 1;
    g_mouse_dx = 5;
    g_mouse_x = 750;
    step_world();
    EXPECT_EQ(world.level.hero_walking, 0);
    // Both arrows held: left.
    fake::keys_down = {37, 39};
    step_world();
    EXPECT_EQ(world.level.hero_walking, 1);
    EXPECT_EQ(game.hero().mirrored, 1);
    EXPECT_EQ(world.level.hero_facing, 1);
}

TEST(CreatureRules, AMirroredWormWalksRightUntilItsFirstTurn) {
    Floor game;
    tmin &w = add_object("worm", 0, 476);
    w.mirrored = 1;
    step_world();
    EXPECT_EQ(w.speed, 2);
    EXPECT_EQ(w.mirrored, 1);  // still facing left
    EXPECT_EQ(w.x, 2);
    for (int t = 1; t < 100; ++t) step_world();
    EXPECT_EQ(w.speed, 2);
    EXPECT_EQ(w.phase, 200);
    step_world();  // the 101st tick: 202 walked, over 200: turn
    EXPECT_EQ(w.speed, -2);
    EXPECT_EQ(w.mirrored, 1);
    EXPECT_EQ(w.phase, 0);
    EXPECT_EQ(w.x, 202);
    for (int t = 0; t < 101; ++t) step_world();
    EXPECT_EQ(w.speed, 2);
    EXPECT_EQ(w.mirrored, 0);
    EXPECT_EQ(w.x, 0);
    EXPECT_EQ(w.y, 476);  // resting on the floor through its probe 8 above its centre
}

TEST(CreatureRules, ImmunityBlocksHitsAndSpikesThenWearsOff) {
    Floor game;
    add_object("hedge", 400, 468);
    fake::now_ms = 1000;
    step_world();
    EXPECT_EQ(world.tallies.damage, 20);
    EXPECT_EQ(world.level.hurt, 1);
    EXPECT_EQ(game.hero().x, 385);  // thrown 15 px against its facing (right)
    world.object_layer[1].kind = "oak";  // the hedgehog becomes scenery
    world.object_layer[1].role = Kind::other;
    // A spike under the hero during the immunity does nothing.
    add_object("ship", game.hero().x, 452);
    fake::now_ms = 3999;
    step_world();
    EXPECT_EQ(world.tallies.damage, 20);
    // Just over 3000 ms after the hit: the spike kills (damage set to 120, no sound of its own).
    fake::now_ms = 4001;
    fake::played.clear();
    step_world();
    EXPECT_EQ(world.tallies.damage, 120);
    EXPECT_TRUE(WorldGame::played().empty());
    // The next step: death, with the hero's speeds and flags left for the respawn.
    step_world();
    EXPECT_EQ(profile.deaths, 1);
    EXPECT_EQ(world.tallies.damage, 0);
    EXPECT_EQ(session.request, Request::respawn);
    EXPECT_EQ(WorldGame::played().front(), "die");
    world.level.start_x = 100;
    world.level.start_y = 452;
    respawn_hero(world);
    EXPECT_EQ(game.hero().x, 100);
    EXPECT_EQ(world.level.hurt, 1);
}

TEST(CollectibleRules, ABonusAfterTheSignInTheLayerIsStillTakenAndHealthStopsAtZero) {
    Floor game;
    add_object("table", 420, 440);
    add_object("health", 400, 452);
    add_object("bapple", 410, 452);
    world.tallies.damage = 30;
    step_world();
    EXPECT_EQ(session.request, Request::results);
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_EQ(world.tallies.level_points, 40);
    EXPECT_EQ(world.tallies.damage, 0);  // 30 - 60, not below 0
    // The hero, the sign, and the second of the two adjacent pick-ups, waiting for the next pass.
    ASSERT_EQ(world.object_count, 3);
    EXPECT_EQ(world.object_layer[1].kind, "table");
    EXPECT_EQ(world.object_layer[2].role, Kind::removed);
    EXPECT_EQ(WorldGame::played(), (std::vector<std::string>{"fin", "ghealth", "bapple"}));
    // Each pick-up bursts into 11 stars, a ball of its colour and size, and a light.
    ASSERT_EQ(world.particles.count, 26);
    EXPECT_EQ(world.particles.effects[11].kind, "pball");
    EXPECT_EQ(world.particles.effects[11].colour, 0xAA55AA);
    EXPECT_EQ(world.particles.effects[12].kind, "light");
    EXPECT_EQ(world.particles.effects[24].colour, 0x33FF33);
}

TEST(CollectibleRules, TheFinalSceneHasNoLevelEndNeitherByF2NorByASign) {
    Floor game;
    add_object("table", 410, 452);
    world.level.final_scene = 1;  // as the shell marks the level at kLastLevel
    fake::keys_pressed.insert(113);  // F2
    step_world();
    EXPECT_NE(session.request, Request::results);
    EXPECT_EQ(session.game_state, GameState::menu);
    EXPECT_TRUE(WorldGame::played().empty());
    // On the last playable level both still end it.
    world.level.final_scene = 0;
    step_world();
    EXPECT_EQ(session.request, Request::results);
}

// The level's bottom is its lowest solid terrain point (or the hero's start when lower); a hero
// more than a screen height (600 px) below it is lost as on spikes.
TEST(FallRules, AHeroFarBelowTheLevelLosesALifeAsOnSpikes) {
    WorldGame game;
    add_ground("turf", {{0, 300}, {200, 500}});      // lowest solid point: y = 500
    add_ground("bgcarst", {{0, 2000}, {200, 2000}}); // drawn, never solid: no bottom
    add_object("enot", 1000, 1100);                  // far right of the terrain, exactly 600 below
    world.level.start_x = 1000;
    world.level.start_y = 100;
    tmin &hero = world.object_layer[0];
    step_world();  // at the limit: still falling
    EXPECT_EQ(world.tallies.damage, 0);
    EXPECT_NE(session.request, Request::respawn);
    EXPECT_GT(hero.y, 1100);
    step_world();  // past it: the life is lost at once, as a spike's damage would
    EXPECT_EQ(profile.deaths, 1);
    EXPECT_EQ(session.request, Request::respawn);
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_EQ(WorldGame::played(), std::vector<std::string>{"die"});

    // No terrain at all: the start point is the bottom.
    clear_world(world);
    reset_settings();
    reset_profile();
    reset_session();
    add_object("enot", 0, 701);
    world.level.start_y = 100;
    step_world();
    EXPECT_EQ(profile.deaths, 1);
    // A start below every terrain point: measured from the start (y 1000 + 600).
    clear_world(world);
    reset_settings();
    reset_profile();
    reset_session();
    add_ground("turf", {{0, 500}, {200, 500}});
    add_object("enot", 1000, 1600);
    world.level.start_y = 1000;
    step_world();
    EXPECT_EQ(profile.deaths, 0);
    step_world();
    EXPECT_EQ(profile.deaths, 1);
}

TEST(FallRules, AHeroRidingACartWithoutRailsIsLostToo) {
    WorldGame game;
    add_ground("turf", {{-200, 500}, {200, 500}});
    add_object("enot", 1000, 900);
    tmin &cart = add_object("vag", 1000, 980);
    cart.phase = cart.speed = 1;  // the hero aboard, rolling
    world.level.riding = 1;
    world.level.start_y = 452;
    // The cart drops 4 px a tick and carries the hero 80 px above its centre: the hero passes
    // y 1100 (500 + 600) after about 50 ticks.
    int ticks = 0;
    while (profile.deaths == 0 && ticks < 200) {
        step_world();
        ++ticks;
    }
    EXPECT_EQ(profile.deaths, 1);
    EXPECT_GT(ticks, 40);
    EXPECT_LT(ticks, 60);
}

TEST(LevelStartFailure, TheShellReturnsToTheMenuWithTheProfileUntouched) {
    ScratchDir dir;
    WorldGame game;
    build_menus();
    write_bytes("cfg/config.txt", "1\r\n0\r\n0\r\n1\r\nTester\r\n");
    const std::string saved = "3\r\n2\r\n500\r\n1\r\n";
    write_bytes("cfg/prf/Tester", saved);
    read_profile();
    // No scene list: the start is refused.
    load_scene_catalogue();
    session.fade_level = 0;
    start_level(scene_file(profile.level_index));
    EXPECT_EQ(session.game_state, GameState::menu);
    EXPECT_TRUE(is_visible("wnd_main"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("scenes.txt"), std::string::npos);
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), saved);
    EXPECT_EQ(profile.level_index, 3);

    // A level that loads, then vanishes before the developer's F1 reload.
    write_bytes("lev.txt", "sky\r\n0\r\n1\r\nturf\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n500\r\n900\r\n500\r\n0\r\n1\r\nenot\r\n100\r\n452\r\n0\r\n0\r\n0\r\n");
    start_level("lev.txt");
    ASSERT_EQ(session.game_state, GameState::playing);
    EXPECT_FALSE(is_visible("wnd_main"));
    EXPECT_EQ(world.object_count, 1);
    EXPECT_EQ(game.camera.x, 0);
    std::filesystem::remove("lev.txt");
    fake::keys_pressed.insert(112);
    session.fade_level = 255;
    logic_tick();
    EXPECT_EQ(session.game_state, GameState::menu);
    EXPECT_EQ(world.object_count + world.ground_count, 0);
    EXPECT_TRUE(is_visible("wnd_main"));
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), saved);
}

// ---- the camera ---------------------------------------------------------------------------------

namespace {
// Runs the camera's follow for `ticks` ticks with the hero held at (x, y), standing.
void settle_camera(int32_t x, int32_t y, int ticks = 600) {
    world.level.hero_x = x;
    world.level.hero_y = y;
    world.level.hero_walking = 0;
    for (int i = 0; i < ticks; ++i) camera_follow();
}
}  // namespace

TEST(Camera, StaysOnTheDrawnTerrainUnlessTheHeroWouldLeaveTheScreen) {
    WorldGame game;
    profile.level_index = 0;
    // Terrain from x = 0 to 3000, its lowest point at y = 700; a pillar's top at y = -400.
    add_ground("turf", {{0, 500}, {3000, 500}, {3000, 700}, {0, 700}, {0, 500}});
    add_ground("earth", {{0, -400}, {64, -400}, {64, 500}, {0, 500}, {0, -400}});
    add_ground("stone", {{1000, 200}, {1100, 200}});  // a line counts as drawn too
    game.camera.x = game.camera.y = 0;
    // Near the left end: the view starts at x = 0, not 400 px left of the hero; the bottom of the
    // view is the terrain's bottom (700 - 600), not 300 px below the hero.
    settle_camera(200, 452);
    EXPECT_EQ(game.camera.x, 0);
    EXPECT_EQ(game.camera.y, 100);
    // Near the right end: the view ends at x = 3000.
    settle_camera(2900, 452);
    EXPECT_EQ(game.camera.x, 3000 - 800);
    // In the middle the hero is centred as before.
    settle_camera(1500, 300);
    EXPECT_NEAR(game.camera.x, 1500 - 400, 17);  // the eased step rounds to 0 within 16.7 px
    EXPECT_NEAR(game.camera.y, 0, 17);
    // High above the terrain's top (y = -400) the view follows: the hero stays 100 px inside.
    settle_camera(1500, -900);
    EXPECT_EQ(game.camera.y, -900 - 100);
    // Off the terrain to the right (falling past its end): kept in view, 100 px from the edge.
    settle_camera(3400, 452);
    EXPECT_EQ(game.camera.x, 3400 + 100 - 800);
}

TEST(Camera, ANarrowLevelIsCentredAndTheFinalSceneKeepsTheHeroOutOfTheMiddle) {
    WorldGame game;
    profile.level_index = 0;
    add_ground("turf", {{100, 500}, {600, 500}, {600, 700}, {100, 700}, {100, 500}});
    game.camera.x = game.camera.y = 0;
    settle_camera(350, 452);
    EXPECT_EQ(game.camera.x, (100 + 600 - 800) / 2);  // 500 px of terrain in the middle of 800
    clear_world(world);
    // The final scene: standing or walking right, the hero a fifth of the screen from the left;
    // walking left, a fifth from the right.
    add_ground("turf", {{0, 500}, {4000, 500}, {4000, 900}, {0, 900}, {0, 500}});
    profile.level_index = kLastLevel;
    settle_camera(2000, 452);
    EXPECT_EQ(session.camera_lead, 160);
    EXPECT_NEAR(2000 - game.camera.x, 160, 17);
    world.level.hero_walking = 1;
    world.level.hero_facing = 1;
    for (int i = 0; i < 600; ++i) camera_follow();
    EXPECT_EQ(session.camera_lead, 640);
    EXPECT_NEAR(2000 - game.camera.x, 640, 17);
    profile.level_index = 0;
    world.level.hero_facing = 0;
}
