// world_rules_test.cpp - the world in the shell: how the shell reads a step's input (mouse control
// off) and applies its events (the profile, the requests, the sounds), the shell's way back to the
// menu when a level cannot be started or reloaded with the profile file left as it was, and the
// camera's follow. The step's own rules are tested on World values (world_step_rules_test.cpp).
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

// What the shell makes of a step's input and events: the pointer is read only with mouse control
// on; a death counts in the profile and asks for the respawn, the level's end asks for the results,
// each behind the frozen state; the step's sounds are played in order. (The rules of the step
// itself are tested on World values: world_step_rules_test.cpp.)
TEST(StepInShell, MouseControlOffReadsNoPointerAndEventsBecomeRequestsAndSounds) {
    Floor game;
    g_mouse_x = 700;
    g_mouse_dx = 3;
    EXPECT_EQ(read_tick_input(0).mouse_steers, 1);
    EXPECT_EQ(read_tick_input(0).mouse_x, 700);
    settings.mouse_off = 1;
    const TickInput off = read_tick_input(0);
    EXPECT_EQ(off.mouse_steers, 0);
    EXPECT_EQ(off.mouse_dx, 0);
    step_world();
    EXPECT_EQ(world.level.hero_walking, 0);

    WorldEvents died;
    died.died = 1;
    died.sounds[0] = "die";
    died.sound_count = 1;
    apply_world_events(died);
    EXPECT_EQ(profile.deaths, 1);
    EXPECT_EQ(session.request, Request::respawn);
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_EQ(WorldGame::played(), std::vector<std::string>{"die"});

    reset_session();
    WorldEvents end;
    end.level_end = 1;
    end.sounds[0] = "fin";
    end.sounds[1] = "bapple";
    end.sound_count = 2;
    apply_world_events(end);
    EXPECT_EQ(session.request, Request::results);
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_EQ(WorldGame::played(), (std::vector<std::string>{"die", "fin", "bapple"}));
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
    EXPECT_EQ(presentation.camera_lead, 160);
    EXPECT_NEAR(2000 - game.camera.x, 160, 17);
    world.level.hero_walking = 1;
    world.level.hero_facing = 1;
    for (int i = 0; i < 600; ++i) camera_follow();
    EXPECT_EQ(presentation.camera_lead, 640);
    EXPECT_NEAR(2000 - game.camera.x, 640, 17);
    profile.level_index = 0;
    world.level.hero_facing = 0;
}
