// shell_logic_test.cpp - the logic tick: the fade, the jump input, the state machine's transitions
// (start, pause, death, game over, level end, reload), the continue hint, the camera follow and the
// slow tick; run against a recording engine table.
#include <gtest/gtest.h>

#include "cp1251.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {
void ticks(int n) {
    for (int i = 0; i < n; ++i) logic_tick();
}
}  // namespace

TEST(LogicTick, MenuFadesInFromBlackIn26Ticks) {
    ScratchDir dir;
    fake::Game game;
    ASSERT_EQ(session.fade_level, 0);
    for (int k = 1; k <= 25; ++k) {
        logic_tick();
        ASSERT_EQ(session.fade_level, 10 * k);
    }
    logic_tick();
    EXPECT_EQ(session.fade_level, 255);
    ticks(5);
    EXPECT_EQ(session.fade_level, 255);
    EXPECT_EQ(session.game_state, GameState::menu);
}

TEST(LogicTick, RequestedStartHappensInTheTickTheScreenTurnsBlack) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    show(menu().cfg.wnd_cfg);  // with the main menu: every window the start closes
    show(menu().rec.wnd_rec);
    scenes.files[3] = "levels/level3.txt";
    write_bytes("levels/level3.txt", "sky\r\n0\r\n0\r\n0\r\n1\r\nenot\r\n400\r\n452\r\n0\r\n0\r\n0\r\n");  // the hero alone
    profile.level_index = 3;
    session.fade_level = 255;  // what new_game / continue_game do
    session.fading_out = 1;
    session.request = Request::start_level;
    for (int k = 1; k <= 25; ++k) {
        logic_tick();
        ASSERT_EQ(session.game_state, GameState::menu) << "tick " << k;
        ASSERT_EQ(session.fade_level, 255 - 10 * k);
    }
    EXPECT_EQ(session.fade_level, 5);
    logic_tick();  // the 26th: black, and the level starts
    EXPECT_EQ(session.fade_level, 0);
    EXPECT_EQ(session.game_state, GameState::playing);
    EXPECT_NE(session.request, Request::start_level);
    EXPECT_EQ(session.fading_out, 0);
    EXPECT_EQ(fake::mouse_locks, 1);
    EXPECT_EQ(world.level.level_file, "levels/level3.txt");
    EXPECT_FALSE(is_visible("wnd_main"));
    EXPECT_FALSE(is_visible("wnd_cfg"));
    EXPECT_FALSE(is_visible("wnd_rec"));
    // ... and the level fades in over the next 26 ticks.
    ticks(25);
    EXPECT_EQ(session.fade_level, 250);
    logic_tick();
    EXPECT_EQ(session.fade_level, 255);
}

TEST(LogicTick, WhatTheInterfaceCollectedChangesTheGameFirstThingInTheNextTick) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    build_menus();
    session.fade_level = 255;
    // The key pressing "Начать игру" while the frame draws the menu: heard, but nothing changes.
    menu().main.btn_new->key_activate();
    EXPECT_NE(session.request, Request::start_level);
    EXPECT_EQ(session.fading_out, 0);
    EXPECT_FALSE(fs::exists("cfg/prf/Tester"));
    // The next tick runs it before its fade step: the fade-out has taken its first step.
    logic_tick();
    EXPECT_EQ(session.request, Request::start_level);
    EXPECT_EQ(session.fading_out, 1);
    EXPECT_EQ(session.fade_level, 245);
    EXPECT_TRUE(fs::exists("cfg/prf/Tester"));
    // Two collected before one tick run in the order they were started.
    menu().main.btn_opt->key_activate();  // the settings window over the menu ...
    menu().cfg.btn_bk->key_activate();    // ... and its "Назад"
    EXPECT_TRUE(shown(menu().main.wnd_main));
    logic_tick();
    EXPECT_FALSE(shown(menu().cfg.wnd_cfg));
    EXPECT_TRUE(shown(menu().main.wnd_main));
}

TEST(LogicTick, JumpInputFromSpaceOrLeftButtonUnlessMouseIsOff) {
    ScratchDir dir;
    fake::Game game;
    EXPECT_EQ(read_jump(), 0);
    fake::keys_down = {32};
    EXPECT_EQ(read_jump(), 1);
    EXPECT_EQ(read_tick_input(read_jump()).jump, 1);
    fake::keys_down.clear();
    fake::buttons_down = {1};
    EXPECT_EQ(read_jump(), 1);
    settings.mouse_off = 1;
    EXPECT_EQ(read_jump(), 0);
}

TEST(LogicTick, PauseOnEscapeOrRightButtonOnlyOnceAndNeverOnTheFinalScene) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    hide(menu().main.wnd_main);
    assets.sounds.items = {{reinterpret_cast<OE_Sound *>(0x10), "a"}, {reinterpret_cast<OE_Sound *>(0x20), "click"}};
    assets.sounds.count = 2;

    session.game_state = GameState::playing;
    session.fade_level = 255;
    logic_tick();
    EXPECT_EQ(session.game_state, GameState::playing);
    fake::keys_down = {27};
    logic_tick();
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_TRUE(is_visible("wnd_pause"));
    ASSERT_EQ(fake::played.size(), 1u);
    EXPECT_EQ(fake::played[0], reinterpret_cast<OE_Sound *>(0x20));

    // Held again while the window is open: nothing more.
    session.game_state = GameState::playing;
    logic_tick();
    EXPECT_EQ(fake::played.size(), 1u);

    // The right button pauses even with mouse control off.
    set_visible("wnd_pause", false);
    fake::keys_down.clear();
    fake::buttons_down = {0};
    settings.mouse_off = 1;
    logic_tick();
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_EQ(fake::played.size(), 2u);

    // The final scene cannot be paused.
    set_visible("wnd_pause", false);
    session.game_state = GameState::playing;
    profile.level_index = 10;
    logic_tick();
    EXPECT_EQ(session.game_state, GameState::playing);
    EXPECT_FALSE(is_visible("wnd_pause"));
}

TEST(LogicTick, FrozenStateWaitsForTheEndOfTheFadeOut) {
    ScratchDir dir;
    fake::Game game;
    session.game_state = GameState::frozen;
    session.fading_out = 1;
    session.fade_level = 20;
    session.request = Request::respawn;
    logic_tick();  // 10: not yet black
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_EQ(session.request, Request::respawn);
    logic_tick();  // 0: respawn
    EXPECT_EQ(session.game_state, GameState::playing);
    EXPECT_NE(session.request, Request::respawn);
    EXPECT_EQ(session.fading_out, 0);
}

TEST(LogicTick, FourthDeathEndsTheGameAndSavesLevelTen) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    build_menus();
    hide(menu().main.wnd_main);
    show(menu().pause.wnd_pause);
    profile.total_nuts = 2;
    profile.total_points = 900;
    world.tallies.level_points = 55;  // not banked
    profile.deaths = 4;
    profile.level_index = 6;
    session.game_state = GameState::frozen;
    session.fading_out = 1;
    session.fade_level = 0;
    session.request = Request::respawn;
    logic_tick();
    EXPECT_TRUE(is_visible("lbl_go"));
    EXPECT_FALSE(is_visible("wnd_pause"));
    EXPECT_EQ(profile.level_index, 10);
    EXPECT_EQ(session.game_state, GameState::menu);
    EXPECT_NE(session.request, Request::respawn);
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Tester"), "10\r\n2\r\n900\r\n4\r\n");
}

TEST(LogicTick, ThirdDeathOnlyRespawns) {
    ScratchDir dir;
    fake::Game game;
    profile.deaths = 3;
    profile.level_index = 2;
    session.game_state = GameState::frozen;
    session.fading_out = 1;
    session.request = Request::respawn;
    logic_tick();
    EXPECT_EQ(session.game_state, GameState::playing);
    EXPECT_EQ(profile.level_index, 2);
    EXPECT_FALSE(fs::exists(dir.path() / "cfg"));  // nothing written
}

TEST(LogicTick, LevelEndShowsTheResultsOverTheFrozenLevel) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    profile.total_points = 100;
    world.tallies.level_points = 23;
    profile.total_nuts = 4;
    world.tallies.gold_nut_found = 1;
    session.game_state = GameState::frozen;
    session.fading_out = 1;
    session.request = Request::results;
    logic_tick();
    EXPECT_EQ(element_named("txt_points")->text, "123");
    EXPECT_EQ(element_named("txt_tnuts")->text, "5");
    EXPECT_TRUE(is_visible("wnd_stat"));
    EXPECT_EQ(session.game_state, GameState::frozen);
    EXPECT_EQ(session.fading_out, 0);
    EXPECT_NE(session.request, Request::results);
    logic_tick();  // fading in; nothing else happens
    EXPECT_EQ(session.fade_level, 10);
    EXPECT_EQ(session.game_state, GameState::frozen);
    // The window's "next level" banks what it shows.
    ensure_config_dirs();
    next_level();
    EXPECT_EQ(profile.total_points, 123);
    EXPECT_EQ(profile.total_nuts, 5);
}

TEST(LogicTick, ReloadLoadsLevelIndexAndShowsTheEndWindowOnTheFinalScene) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    scenes.files[10] = "levels/final.txt";
    write_bytes("levels/final.txt", "sky\r\n0\r\n0\r\n0\r\n1\r\nenot\r\n400\r\n452\r\n0\r\n0\r\n0\r\n");  // the hero alone
    game.camera.x = 500;
    game.camera.y = 300;
    fake::now_ms = 1234;
    profile.level_index = 10;
    session.game_state = GameState::frozen;
    session.fading_out = 1;
    session.request = Request::load_level;
    logic_tick();
    EXPECT_EQ(session.game_state, GameState::playing);
    EXPECT_NE(session.request, Request::load_level);
    EXPECT_EQ(game.camera.x, 0);
    EXPECT_EQ(game.camera.y, 0);
    EXPECT_EQ(world.level.level_file, "levels/final.txt");
    EXPECT_EQ(game.logic_timer.time_stamp, 1234);
    EXPECT_EQ(fake::mouse_locks, 1);
    EXPECT_TRUE(is_visible("wnd_win"));
}

TEST(LogicTick, ContinueHintNamesTheLevelEveryMenuTick) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    Ibutton *con = menu().main.btn_con;
    ASSERT_NE(con, nullptr);
    profile.level_index = 6;
    logic_tick();
    EXPECT_EQ(con->tooltip1, std::string(CP1251("Продолжить на уровне:").c_str()));
    EXPECT_EQ(con->tooltip2, std::string(CP1251("Старый рудник - Глава 1").c_str()));
    profile.level_index = 5;
    logic_tick();
    EXPECT_EQ(con->tooltip2, std::string(CP1251("Зеленая долина - Глава 6").c_str()));
    profile.level_index = 9;
    logic_tick();
    EXPECT_EQ(con->tooltip2, "");
    profile.level_index = 10;
    logic_tick();
    EXPECT_EQ(con->tooltip2, std::string(CP1251("Игра закончена!").c_str()));
    EXPECT_STREQ(level_title(11), "");
    EXPECT_STREQ(level_title(-1), "");
}

TEST(CameraFollow, EasesThreePercentTowardsTheLeadPoint) {
    ScratchDir dir;
    fake::Game game;
    world.level.hero_x = 1000;
    world.level.hero_y = 700;
    camera_follow();  // standing: hero centred, lead W/2
    EXPECT_EQ(session.camera_lead, 400);
    EXPECT_EQ(game.camera.x, std::lround((1000 - 400) * 0.03));
    EXPECT_EQ(game.camera.y, std::lround((700 - 300) * 0.03));

    game.camera.x = game.camera.y = 0;
    world.level.hero_walking = 1;  // walking right: 200 from the left edge
    camera_follow();
    EXPECT_EQ(session.camera_lead, 200);
    EXPECT_EQ(game.camera.x, std::lround((1000 - 200) * 0.03));

    game.camera.x = 0;
    world.level.hero_facing = 1;  // walking left: 600
    camera_follow();
    EXPECT_EQ(session.camera_lead, 600);
    EXPECT_EQ(game.camera.x, std::lround((1000 - 600) * 0.03));

    world.level.hero_walking = 0;
    world.level.riding = 1;  // riding counts as walking
    game.camera.x = 0;
    camera_follow();
    EXPECT_EQ(session.camera_lead, 600);

    // 17 pixels away still moves (0.51 rounds up); 16 away no longer does (0.48 rounds down).
    world.level.riding = 0;
    world.level.hero_x = 1000;
    game.camera.x = 1000 - 400 - 17;
    camera_follow();
    EXPECT_EQ(game.camera.x, 1000 - 400 - 16);
    camera_follow();
    EXPECT_EQ(game.camera.x, 1000 - 400 - 16);
}

// An outline of four points whose first three edges are solid (the closing edge never is).
tmin &add_outline(const char *kind, std::vector<OE_Point> points) {
    tmin &t = append_item(world.ground_layer, world.ground_count);
    t.kind = kind;
    t.outline.points = std::move(points);
    t.outline.count = 3;
    terrain_changed(world);
    return t;
}

// A slab with its top at y 748 from x 0 to 1000 (solid top, right side and bottom), the hero
// standing on it (centre 48 above the feet) at `x`; behind them a wide box of scenery rock, so
// that the view is nowhere held by the terrain's bounds.
void stand_on_slab(int32_t x) {
    add_outline("bgcarst", {{-4000, -4000}, {6000, -4000}, {6000, 6000}, {-4000, 6000}});
    add_outline("stone", {{0, 748}, {1000, 748}, {1000, 1000}, {0, 1000}});
    world.level.hero_x = x;
    world.level.hero_y = 700;
    world.level.on_ground = 1;
}

// Each case from the camera's y at 400, the usual aim (the hero's centre 700 - 300): it stays, or
// moves 3 % of the way to an aim 160 px lower (4.8 px, 405) while the hero stands at an edge over
// a drop of more than 96 px.
int32_t camera_y_after_one_tick(fake::Game &game) {
    game.camera.x = 0;
    game.camera.y = 400;
    camera_follow();
    return int32_t(game.camera.y);
}

TEST(CameraFollow, AimsLowerWhileTheHeroStandsAtAnEdgeOverADrop) {
    ScratchDir dir;
    fake::Game game;
    const int32_t level_aim = 400, low_aim = 405;
    stand_on_slab(960);   // 64 px ahead (x 1024) there is no floor
    EXPECT_EQ(camera_y_after_one_tick(game), low_aim);
    world.level.hero_facing = 1;   // facing back over the slab
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    world.level.hero_facing = 0;
    world.level.hero_walking = 1;   // walking, jumping, in the air or riding: the usual aim
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    world.level.hero_walking = 0;
    world.level.jumping = 1;
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    world.level.jumping = 0;
    world.level.on_ground = 0;
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    world.level.on_ground = 1;
    world.level.riding = 1;
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    world.level.riding = 0;
    world.level.hero_x = 930;   // the floor is still under the point ahead (x 994)
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    world.level.hero_x = 940;   // 4 px past the slab's end
    EXPECT_EQ(camera_y_after_one_tick(game), low_aim);
    world.level.hero_x = 40;   // at the left end, facing left over x -24
    world.level.hero_facing = 1;
    EXPECT_EQ(camera_y_after_one_tick(game), low_aim);
}

TEST(CameraFollow, DoesNotAimLowerAtAShallowStepOrAWall) {
    ScratchDir dir;
    fake::Game game;
    const int32_t level_aim = 400, low_aim = 405;
    stand_on_slab(960);
    // A wall rising from the slab's end (its left side is solid, its foot is not): the drop
    // beyond the wall's foot is not seen through it.
    tmin &wall = add_outline("stone", {{1000, 748}, {1000, 400}, {1100, 400}, {1100, 748}});
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    // Scenery rock ("bgcarst") is not solid: through it the drop shows.
    wall.kind = "bgcarst";
    terrain_changed(world);
    EXPECT_EQ(camera_y_after_one_tick(game), low_aim);
    // A floor beyond the slab's end, 95 px below its top: a step down, not a drop.
    tmin &below = add_outline("stone", {{1000, 843}, {2000, 843}, {2000, 1200}, {1000, 1200}});
    EXPECT_EQ(camera_y_after_one_tick(game), level_aim);
    below.outline.points = {{1000, 845}, {2000, 845}, {2000, 1200}, {1000, 1200}};   // 97 px: a drop
    terrain_changed(world);
    EXPECT_EQ(camera_y_after_one_tick(game), low_aim);
}

TEST(CameraFollow, RunsBeforeTheWorldStepInPlayOnly) {
    ScratchDir dir;
    fake::Game game;
    world.level.hero_x = 2000;
    session.fade_level = 255;
    logic_tick();  // menu: the camera stays
    EXPECT_EQ(game.camera.x, 0);
    session.game_state = GameState::playing;
    logic_tick();
    EXPECT_EQ(game.camera.x, std::lround((2000 - 400) * 0.03));
}

TEST(SlowTick, AdvancesTheSwayAndTheLogicTickDerivesTheOffset) {
    ScratchDir dir;
    fake::Game game;
    for (int i = 0; i < 10; ++i) slow_tick();
    EXPECT_NEAR(session.sway_phase, 1.0f, 1e-5);
    logic_tick();
    EXPECT_NEAR(session.sway_offset, std::cos(1.0f) * 6, 1e-5);
    session.game_state = GameState::frozen;
    session.sway_phase = 0;
    logic_tick();  // frozen: the offset is not recomputed
    EXPECT_NEAR(session.sway_offset, std::cos(1.0f) * 6, 1e-5);
}

TEST(LogicTick, F1ReloadsTheCurrentLevelFileAndRestartsItsTallies) {
    ScratchDir dir;
    fake::Game game;
    session.game_state = GameState::playing;
    world.level.level_file = "levels/a.txt";
    world.tallies.level_points = 70;
    world.tallies.damage = 30;
    fake::keys_pressed = {112};
    logic_tick();
    EXPECT_EQ(world.tallies.level_points, 0);
    EXPECT_EQ(world.tallies.damage, 0);
    EXPECT_EQ(world.level.level_file, "levels/a.txt");
}

TEST(SavedNumbers, DeathsAndExtraLivesStayWithinTheirBoundsAndTheResultsShowBoundedTotals) {
    ScratchDir dir;
    fake::Game game;
    WorldEvents died;
    died.died = 1;
    WorldEvents lives;
    lives.lives_gained = 2;
    // An extra life takes a death off, down to the bound (9999 lives shown), not past it.
    profile.deaths = kFewestDeaths + 1;
    apply_world_events(lives);
    EXPECT_EQ(profile.deaths, kDeathsToGameOver - 9999);
    apply_world_events(lives);
    EXPECT_EQ(profile.deaths, kDeathsToGameOver - 9999);
    // A death counts up to the game's end and no further (4: the game is over).
    profile.deaths = 4;
    apply_world_events(died);
    EXPECT_EQ(profile.deaths, 4);
    profile.deaths = 0;
    apply_world_events(died);
    EXPECT_EQ(profile.deaths, 1);

    // The results window shows the totals with the level's points and nut, held at the bound.
    build_menus();
    profile.total_points = 2147483647 - 5;
    profile.total_nuts = 2147483647;
    world.tallies.level_points = 779;
    world.tallies.gold_nut_found = 1;
    session.game_state = GameState::frozen;
    session.request = Request::results;
    session.fading_out = 1;
    session.fade_level = 0;
    logic_tick();
    ASSERT_TRUE(is_visible("wnd_stat"));
    EXPECT_EQ(menu().stat.txt_points->text, "2147483647");
    EXPECT_EQ(menu().stat.txt_tnuts->text, "2147483647");
}
