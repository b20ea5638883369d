// menu_flow_test.cpp - the menu flows clicked through on the simulator at the buttons' screen
// positions, from a scratch game folder: a new game writing zeros before the level fades in,
// continue (and not at level 10), the settings toggles written by "Назад" (and the click on
// "Настройки" toggling nothing), creating a profile, a refused name, choosing a profile, pause
// and resume, pause then "Выйти"; through small levels of their own: the results and their three
// buttons, the game over after the fourth death, the end window; the whole flow by keys alone,
// and once with the mouse from a new profile to continuing after a pause.
#include <gtest/gtest.h>

#include <cmath>

#include "menus/sim_driver.h"
#include "support/call_log.h"

using namespace simdrive;

namespace {

// Centres of the buttons on the 800 x 600 screen (x + width / 2, y + height / 2 of each).
struct Point {
    int x, y;
};
constexpr Point kNew{400, 230}, kContinue{400, 290}, kSettings{400, 350}, kProgress{400, 410};
constexpr Point kGreeting{400, 90};
constexpr Point kWindowMode{320, 220}, kDepth{360, 280}, kMouse{360, 340}, kMusic{360, 400};
constexpr Point kBack{400, 470};                 // "Назад" of settings, profiles, new profile, progress
constexpr Point kNewProfile{400, 410}, kListDown{478, 316};
constexpr Point kEditBox{400, 290}, kAdd{400, 350};
constexpr Point kResume{400, 330}, kPauseQuit{400, 470};

Script &click(Script &s, Point p) { return s.click(p.x, p.y); }

const char *kSettingsMusicOff = "1\r\n0\r\n0\r\n1\r\nTester\r\n";  // window, 32 bits, mouse on, music off
const int kMenuReady = 40;  // frames: the menu has faded in (26 ticks)
// Frames a requested fade-out takes before the change (26 ticks), with some room.
const int kFadeFrames = 40;

}  // namespace

TEST(MenuFlow, NewGameWritesTheZeroProfileBeforeTheLevelFadesIn) {
    ScratchDir dir;
    make_game_folder(kSettingsMusicOff, "Tester", "5\r\n3\r\n700\r\n2\r\n");
    Script s;
    click(s.at(kMenuReady), kNew);
    const int clicked = s.now;
    // Stopped halfway through the fade-out: the file already holds the fresh game.
    SimRun early = run_sim(s, clicked + 10);
    ASSERT_EQ(early.status, 0) << early.err;
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "0\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(early.last().num("game_state"), 0);
    EXPECT_EQ(early.last().num("start_pending"), 1);
    EXPECT_EQ(early.last().num("fading_out"), 1);
    EXPECT_LT(early.last().num("fade_level"), 255);
    // Run on: the level starts at black, level 0, with the menu windows hidden, and fades in.
    SimRun full = run_sim(s, clicked + kFadeFrames + 40);
    ASSERT_EQ(full.status, 0) << full.err;
    const int started = full.first([](const Tick &t) { return t.num("game_state") == 1; });
    ASSERT_GE(started, 0);
    EXPECT_EQ(full.ticks[started].num("fade_level"), 0);
    EXPECT_EQ(full.ticks[started].num("level_index"), 0);
    EXPECT_TRUE(full.ticks[started].windows().empty());
    EXPECT_EQ(full.last().num("fade_level"), 255);
    EXPECT_EQ(full.last().num("total_points"), 0);
}

TEST(MenuFlow, ContinueStartsTheSavedLevelButNothingOnceTheGameIsOver) {
    ScratchDir dir;
    make_game_folder(kSettingsMusicOff, "Tester", "3\r\n1\r\n450\r\n2\r\n");
    Script s;
    click(s.at(kMenuReady), kContinue);
    SimRun r = run_sim(s, s.now + kFadeFrames + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.last().num("game_state"), 1);
    EXPECT_EQ(r.last().num("level_index"), 3);
    EXPECT_EQ(r.last().num("total_points"), 450);
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "3\r\n1\r\n450\r\n2\r\n");  // nothing written

    write_bytes("cfg/prf/Tester", "10\r\n4\r\n900\r\n4\r\n");  // finished (or lost)
    SimRun over = run_sim(s, s.now + kFadeFrames + 10);
    ASSERT_EQ(over.status, 0) << over.err;
    for (const Tick &t : over.ticks) {
        ASSERT_EQ(t.num("game_state"), 0);
        ASSERT_EQ(t.num("start_pending"), 0);
    }
    EXPECT_EQ(over.last().windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(over.last().num("fade_level"), 255);
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "10\r\n4\r\n900\r\n4\r\n");
}

TEST(MenuFlow, SettingsTogglesAreWrittenAndAppliedByBack) {
    ScratchDir dir;
    make_game_folder(kSettingsMusicOff, "Tester", "0\r\n0\r\n0\r\n0\r\n");
    Script s;
    // "Настройки" lies over "Упр. мышью" of the settings window: its click must toggle nothing.
    click(s.at(kMenuReady), kSettings);
    click(s, kWindowMode);
    click(s, kMusic);
    click(s, kDepth);
    click(s, kDepth);  // twice: as it was
    click(s, kBack);
    SimRun r = run_sim(s, s.now + 10, "--calls calls.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const int settings_shown = r.first([](const Tick &t) { return t.showing("wnd_cfg"); });
    ASSERT_GE(settings_shown, 0);
    EXPECT_FALSE(r.ticks[settings_shown].showing("wnd_main"));
    // Written once, by "Назад": full screen, 32 bits, mouse still on, music on.
    EXPECT_EQ(read_bytes("cfg/config.txt"), "0\r\n0\r\n0\r\n0\r\nTester\r\n");
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
    // The new mode is applied once: 800 x 600, 32 bits, full screen.
    const std::string calls = read_bytes("calls.txt");
    std::size_t changes = 0;
    for (std::size_t at = calls.find("OE_ChangeScreenOptions"); at != std::string::npos;
         at = calls.find("OE_ChangeScreenOptions", at + 1))
        ++changes;
    EXPECT_EQ(changes, 1u);
    EXPECT_NE(calls.find("OE_ChangeScreenOptions 800 600 32 0 1 1\n"), std::string::npos);
}

TEST(MenuFlow, CreatingPlayer1AndRefusingABadName) {
    ScratchDir dir;
    make_game_folder(kSettingsMusicOff, "Tester", "2\r\n1\r\n100\r\n0\r\n");
    Script s;
    click(s.at(kMenuReady), kGreeting);
    click(s, kNewProfile);
    click(s, kEditBox);
    s.type("a/b");
    click(s, kAdd);  // refused: the window stays
    const int refused = s.now;
    click(s, kEditBox);
    s.key(8).key(8).key(8);  // Backspace three times
    s.type("Player1");
    click(s, kAdd);
    const int added = s.now;
    click(s, kBack);  // leaves the chooser with its highlighted entry
    SimRun r = run_sim(s, s.now + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes("cfg/prf/Player1"), "0\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator("cfg/prf"), fs::directory_iterator()), 2);  // no "a/b" anywhere
    EXPECT_FALSE(fs::exists("a"));
    // After the refused click the new-profile window stays alone; after "Добавить" the chooser.
    EXPECT_EQ(r.at_frame(refused).windows(), std::vector<std::string>{"wnd_np"});
    EXPECT_EQ(r.at_frame(added).windows(), std::vector<std::string>{"wnd_profile"});
    // "Player1" sorts before "Tester": it is entry 0, so it becomes the profile.
    EXPECT_EQ(r.last().profile(), "Player1");
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n0\r\n0\r\n1\r\nPlayer1\r\n");
}

TEST(MenuFlow, ChoosingAProfileFromTheListAndBackFromTheNewProfileWindow) {
    ScratchDir dir;
    make_game_folder(kSettingsMusicOff, "Tester", "1\r\n0\r\n10\r\n0\r\n");
    write_bytes("cfg/prf/Anna", "2\r\n0\r\n20\r\n0\r\n");
    write_bytes("cfg/prf/Bob", "6\r\n3\r\n2500\r\n1\r\n");
    Script s;
    // Opened and left at once: the chooser opens on the current profile, so nobody else is chosen.
    click(s.at(kMenuReady), kGreeting);
    click(s, kBack);
    const int left_at_once = s.now;
    click(s, kGreeting);
    // "Назад" of the new-profile window lies where the chooser's "Назад" is: one click goes one
    // window back only.
    click(s, kNewProfile);
    click(s, kBack);
    const int back_once = s.now;
    click(s, kListDown);  // Tester Anna Bob -> Anna Bob Tester
    click(s, kListDown);  // -> Bob Tester Anna
    click(s, kBack);
    SimRun r = run_sim(s, s.now + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.at_frame(left_at_once).windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(r.at_frame(left_at_once).profile(), "Tester");
    EXPECT_EQ(r.at_frame(left_at_once).num("level_index"), 1);
    EXPECT_EQ(r.at_frame(back_once).windows(), std::vector<std::string>{"wnd_profile"});
    EXPECT_EQ(r.last().profile(), "Bob");
    EXPECT_EQ(r.last().num("level_index"), 6);
    EXPECT_EQ(r.last().num("total_points"), 2500);
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n0\r\n0\r\n1\r\nBob\r\n");
}

TEST(MenuFlow, PauseResumeAndPauseQuitWithoutBanking) {
    ScratchDir dir;
    make_game_folder(kSettingsMusicOff, "Tester", "2\r\n1\r\n300\r\n1\r\n");
    Script s;
    click(s.at(kMenuReady), kContinue);
    s.wait(kFadeFrames + 10);
    s.key(kVkEscape);
    const int paused = s.now;
    s.wait(5);
    click(s, kResume);
    const int resumed = s.now;
    s.wait(10);
    s.key(kVkEscape);
    s.wait(5);
    click(s, kPauseQuit);
    SimRun r = run_sim(s, s.now + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.at_frame(paused).num("game_state"), 2);
    EXPECT_EQ(r.at_frame(paused).windows(), std::vector<std::string>{"wnd_pause"});
    EXPECT_EQ(r.at_frame(resumed).num("game_state"), 1);
    EXPECT_TRUE(r.at_frame(resumed).windows().empty());
    // "Выйти": the menu, the profile as last written (nothing banked), the settings written.
    EXPECT_EQ(r.last().num("game_state"), 0);
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(r.last().num("level_index"), 2);
    EXPECT_EQ(r.last().num("total_points"), 300);
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "2\r\n1\r\n300\r\n1\r\n");
}

// ---- through levels written by the tests; F2 ends a level ------------------------------------------

namespace {

const char *kSettingsKeysOnly = "1\r\n0\r\n1\r\n1\r\nTester\r\n";  // mouse off: the hero obeys the keys
constexpr Point kNext{400, 444}, kReplay{290, 510}, kResultsQuit{510, 510}, kEndBack{400, 540};
const int kWalkPastBonuses = 300;  // frames of Right: from x 400 well past the last bonus at 900

// Level 3 is a row of bonuses: walking through it earns 40 + 180 + 120 = 340 points and the golden
// nut; F2 then ends it. The others are the bare floor.
std::vector<std::string> bonus_row_at(std::size_t index) {
    write_level("levels/bonus_row.txt", {{"bapple", 600, 452}, {"bnut", 750, 452}, {"bgold", 900, 452}});
    std::vector<std::string> scenes(index + 1, "levels/flat.txt");
    scenes[index] = "levels/bonus_row.txt";
    return scenes;
}

// Continue at the profile's level, walk through it, end it with F2 and wait for the results.
Script &play_level_three_to_results(Script &s) {
    click(s.at(kMenuReady), kContinue);
    s.wait(kFadeFrames + 10);
    s.hold(kVkRight, kWalkPastBonuses);
    s.key(kVkF2);
    return s.wait(kFadeFrames + 10);
}

}  // namespace

TEST(MenuFlow, ResultsThenNextLevelBanksPointsAndNutAndWritesTheProfile) {
    ScratchDir dir;
    make_game_folder(kSettingsKeysOnly, "Tester", "3\r\n2\r\n500\r\n1\r\n", bonus_row_at(3));
    Script s;
    play_level_three_to_results(s);
    const int results = s.now;
    click(s, kNext);
    const int next = s.now;
    SimRun r = run_sim(s, s.now + kFadeFrames + 20);
    ASSERT_EQ(r.status, 0) << r.err;
    const Tick &at_results = r.at_frame(results);
    ASSERT_EQ(at_results.windows(), std::vector<std::string>{"wnd_stat"});
    EXPECT_EQ(at_results.num("game_state"), 2);
    EXPECT_EQ(at_results.num("level_points"), 340);
    EXPECT_EQ(at_results.num("gold_nut_found"), 1);
    // Banked, advanced and written at the click, before the next level is loaded.
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "4\r\n3\r\n840\r\n1\r\n");
    EXPECT_TRUE(r.at_frame(next).windows().empty());
    EXPECT_EQ(r.last().num("game_state"), 1);
    EXPECT_EQ(r.last().num("level_index"), 4);
    EXPECT_EQ(r.last().num("total_points"), 840);
    EXPECT_EQ(r.last().num("total_nuts"), 3);
    EXPECT_EQ(r.last().num("level_points"), 0);
}

TEST(MenuFlow, ResultsReplayKeepsEverythingAndResultsQuitBanksAndReturns) {
    ScratchDir dir;
    make_game_folder(kSettingsKeysOnly, "Tester", "3\r\n2\r\n500\r\n1\r\n", bonus_row_at(3));
    Script replay;
    play_level_three_to_results(replay);
    click(replay, kReplay);
    SimRun r = run_sim(replay, replay.now + kFadeFrames + 20);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.last().num("game_state"), 1);
    EXPECT_EQ(r.last().num("level_index"), 3);  // the same level again
    EXPECT_EQ(r.last().num("total_points"), 500);
    EXPECT_EQ(r.last().num("total_nuts"), 2);
    EXPECT_EQ(r.last().num("level_points"), 0);
    EXPECT_TRUE(r.last().windows().empty());
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "3\r\n2\r\n500\r\n1\r\n");

    Script quit;
    play_level_three_to_results(quit);
    click(quit, kResultsQuit);
    SimRun q = run_sim(quit, quit.now + 10);
    ASSERT_EQ(q.status, 0) << q.err;
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "4\r\n3\r\n840\r\n1\r\n");
    EXPECT_EQ(q.last().num("game_state"), 0);
    EXPECT_EQ(q.last().windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(q.last().num("level_index"), 4);  // read back from the file just written
    EXPECT_EQ(q.last().num("total_points"), 840);
}

TEST(MenuFlow, TheFourthDeathEndsTheGameAndBackKeepsTheProfile) {
    ScratchDir dir;
    // Level 2 has spikes ahead of the hero; three lives are already lost.
    write_level("levels/spikes.txt", {{"ship", 700, 468}});
    make_game_folder(kSettingsKeysOnly, "Tester", "2\r\n1\r\n300\r\n3\r\n",
                     {"levels/flat.txt", "levels/flat.txt", "levels/spikes.txt"});
    write_bytes("cfg/prf/Anna", "5\r\n0\r\n0\r\n0\r\n");  // first in the chooser's list
    Script s;
    click(s.at(kMenuReady), kContinue);
    s.wait(kFadeFrames + 10);
    s.hold(kVkRight, 200);
    s.wait(kFadeFrames + 10);
    const int over = s.now;
    click(s, kBack);
    const int back = s.now;
    click(s, kContinue);  // the game is over: nothing starts
    SimRun r = run_sim(s, s.now + kFadeFrames + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    const int died = r.first([](const Tick &t) { return t.num("deaths") == 4; });
    ASSERT_GE(died, 0) << "the hero never reached the spikes";
    // Level 10 with the banked nut and points (the level's own are not banked) and four deaths.
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "10\r\n1\r\n300\r\n4\r\n");
    EXPECT_EQ(r.at_frame(over).num("game_state"), 0);
    EXPECT_EQ(r.at_frame(over).windows(), std::vector<std::string>{"wnd_rec"});
    EXPECT_EQ(r.at_frame(back).windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(r.last().profile(), "Tester");
    EXPECT_EQ(r.last().num("game_state"), 0);
    EXPECT_EQ(r.last().num("start_pending"), 0);
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
}

TEST(MenuFlow, AfterTheLastLevelTheEndWindowThenProgressThenMenu) {
    ScratchDir dir;
    make_game_folder(kSettingsKeysOnly, "Tester", "9\r\n5\r\n2000\r\n2\r\n");
    Script s;
    click(s.at(kMenuReady), kContinue);
    s.wait(kFadeFrames + 10);
    s.key(kVkF2);
    s.wait(kFadeFrames + 10);
    click(s, kNext);
    s.wait(kFadeFrames + 10);
    const int end = s.now;
    // The developer's level end does nothing on the final scene: no results window, no level 11.
    s.key(kVkF2);
    s.wait(kFadeFrames + 10);
    const int after_f2 = s.now;
    click(s, kEndBack);
    const int progress = s.now;
    click(s, kBack);
    SimRun r = run_sim(s, s.now + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "10\r\n5\r\n2000\r\n2\r\n");
    // The final scene plays under the end window.
    EXPECT_EQ(r.at_frame(end).num("game_state"), 1);
    EXPECT_EQ(r.at_frame(end).num("level_index"), 10);
    EXPECT_EQ(r.at_frame(end).windows(), std::vector<std::string>{"wnd_win"});
    EXPECT_EQ(r.at_frame(after_f2).windows(), std::vector<std::string>{"wnd_win"});
    EXPECT_EQ(r.at_frame(after_f2).num("game_state"), 1);
    EXPECT_EQ(r.at_frame(after_f2).num("level_index"), 10);
    EXPECT_EQ(r.at_frame(progress).windows(), std::vector<std::string>{"wnd_rec"});
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(r.last().num("game_state"), 0);
    EXPECT_EQ(r.last().profile(), "Tester");
}

// The calls of each frame of a simulator call log, split into words.
std::vector<std::vector<std::vector<std::string>>> frames_of(const std::string &log) {
    std::vector<std::vector<std::vector<std::string>>> frames;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("frame ", 0) == 0) frames.emplace_back();
        else if (!frames.empty()) frames.back().push_back(call_log::split_log_line(line));
    }
    return frames;
}

TEST(MenuFlow, TheEndWindowHoldsItsTextAndTheFinalSceneShowsTheHeroWithoutTheStatusBar) {
    ScratchDir dir;
    // The shipped final scene (the hero in the middle of a wide meadow) after nine plain levels.
    fs::create_directories("levels");
    fs::copy_file(fs::path(TARVELOK_GAME_DIR) / "cfg" / "levels" / "final.lvl", "levels/final.lvl");
    std::vector<std::string> levels(10, "levels/flat.txt");
    levels.push_back("levels/final.lvl");
    make_game_folder(kSettingsKeysOnly, "Tester", "9\r\n5\r\n2000\r\n2\r\n", levels);
    fs::create_directory_symlink(fs::path(TARVELOK_GAME_DIR) / "gfx", "gfx");  // the pictures drawn
    Script s;
    click(s.at(kMenuReady), kContinue);
    s.wait(kFadeFrames + 10);
    s.key(kVkF2);
    s.wait(kFadeFrames + 10);
    click(s, kNext);
    s.wait(kFadeFrames + 10);
    const int end = s.now;
    click(s, kEndBack);
    s.wait(300);  // the camera settles
    const int progress = s.now;
    SimRun r = run_sim(s, s.now + 2, "--calls calls.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.at_frame(end).windows(), std::vector<std::string>{"wnd_win"});
    ASSERT_EQ(r.at_frame(progress).windows(), std::vector<std::string>{"wnd_rec"});
    const auto frames = frames_of(read_bytes("calls.txt"));
    ASSERT_GT(static_cast<int>(frames.size()), progress);
    // The end window: the three lines, measured in the game's font, lie inside the golden rim of
    // the panel under them (the picture's rim is 13 px in from each side of its 256).
    const auto &win = frames[static_cast<std::size_t>(end)];
    double panel_x = NAN, panel_w = NAN;
    for (const auto &c : win)
        if (c[0] == "SSprite_Draw" && fs::path(c[1]).stem() == "gbut" && std::stod(c[5]) == 220) {
            panel_x = std::stod(c[2]);
            panel_w = std::stod(c[4]);
        }
    ASSERT_FALSE(std::isnan(panel_x));
    const double rim = panel_w * 13 / 256;
    int lines = 0;
    for (const auto &c : win) {
        if (c[0] != "Text_GetWidth" || c.size() < 7) continue;
        const std::string text = c[2];
        if (text.rfind("Поздравляем", 0) != 0 && text.rfind("Вы дошли", 0) != 0 && text.rfind("самый лучший", 0) != 0)
            continue;
        ++lines;
        const double w = std::stod(c[6]);
        EXPECT_GE(400 - w / 2, panel_x + rim) << text;
        EXPECT_LE(400 + w / 2, panel_x + panel_w - rim) << text;
    }
    EXPECT_GE(lines, 3);
    // The final scene behind either window: no status bar (its health bar and panels; the coin and
    // head icons are the progress window's own too).
    for (int f : {end, progress})
        for (const auto &c : frames[static_cast<std::size_t>(f)]) {
            if (c[0] != "SSprite_Draw") continue;
            const std::string stem = fs::path(c[1]).stem();
            EXPECT_TRUE(stem != "health" && stem != "rnd") << f << " " << stem;
        }
    // Behind the progress window, the hero is drawn clear of the window's list frame.
    const auto &rec = frames[static_cast<std::size_t>(progress)];
    const Tick &t = r.at_frame(progress);
    double hero_left = NAN, hero_right = NAN, list_left = NAN, list_right = NAN;
    for (const auto &c : rec) {
        if (c[0] != "SSprite_Draw" && c[0] != "ASprite_Draw") continue;
        const std::string stem = fs::path(c[1]).stem();
        if (stem == "enot" && c[0] == "ASprite_Draw") {
            hero_left = std::stod(c[2]) - double(t.num("camera_x"));
            hero_right = hero_left + std::stod(c[4]);
        }
        if (stem == "gbut" && c[0] == "SSprite_Draw" && std::stod(c[4]) > 250) {  // the list frame, 64 px wider than the list
            list_left = std::stod(c[2]);
            list_right = list_left + std::stod(c[4]);
        }
    }
    ASSERT_FALSE(std::isnan(hero_left));
    ASSERT_FALSE(std::isnan(list_left));
    EXPECT_TRUE(hero_right <= list_left || hero_left >= list_right)
        << "hero " << hero_left << ".." << hero_right << ", list " << list_left << ".." << list_right;
}

TEST(MenuFlow, KeysAloneDriveTheWholeFlow) {
    ScratchDir dir;
    make_game_folder(kSettingsKeysOnly, "Tester", "4\r\n2\r\n800\r\n1\r\n");
    Script s;
    s.at(kMenuReady);
    s.key(kVkDown);                 // shows the focus on "Начать игру"
    s.key(kVkUp).key(kVkReturn);    // the greeting: the profile chooser, its list focused
    s.key(kVkDown).key(kVkReturn);  // "Новый": the name box, typing at once
    const int typing = s.now;
    s.type("Kay").key(kVkReturn);  // Enter in the box adds the profile
    const int added = s.now;
    s.key(kVkRight).key(kVkLeft);  // the list turns and back: "Kay" highlighted again
    s.key(kVkEscape);              // "Назад": Kay becomes the profile
    const int chosen = s.now;
    // The focus is back on the greeting that opened the chooser.
    s.key(kVkDown).key(kVkDown).key(kVkDown).key(kVkReturn);  // "Настройки"
    s.key(kVkReturn);                                          // "Режим": full screen
    s.key(kVkDown).key(kVkDown).key(kVkDown).key(kVkReturn);  // "Музыка": on
    s.key(kVkEscape);                                          // back, written
    const int back = s.now;
    s.key(kVkUp).key(kVkUp).key(kVkReturn);  // from "Настройки" up to "Начать игру": a new game
    s.wait(kFadeFrames + 10);
    s.key(kVkF2).wait(kFadeFrames + 10);  // the level ends: the results, "Продолжить" focused
    const int results = s.now;
    s.key(kVkReturn).wait(kFadeFrames + 10);  // the next level
    s.key(kVkEscape);  // pause, "Продолжить" focused
    const int paused = s.now;
    s.key(kVkReturn);  // resume
    const int resumed = s.now;
    s.wait(10);
    s.key(kVkEscape).key(kVkDown).key(kVkDown).key(kVkReturn);  // pause, "Выйти"
    const int quit = s.now;
    s.key(kVkDown).key(kVkReturn);  // from "Начать игру" down to "Продолжить"
    SimRun r = run_sim(s, s.now + kFadeFrames + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.at_frame(typing).windows(), std::vector<std::string>{"wnd_np"});
    EXPECT_EQ(r.at_frame(added).windows(), std::vector<std::string>{"wnd_profile"});
    EXPECT_EQ(r.at_frame(chosen).windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(r.at_frame(chosen).profile(), "Kay");
    EXPECT_EQ(r.at_frame(back).windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(read_bytes("cfg/config.txt"), "0\r\n0\r\n1\r\n0\r\nKay\r\n");
    EXPECT_EQ(r.at_frame(results).windows(), std::vector<std::string>{"wnd_stat"});
    EXPECT_EQ(r.at_frame(paused).num("game_state"), 2);
    EXPECT_EQ(r.at_frame(paused).num("level_index"), 1);
    EXPECT_EQ(r.at_frame(paused).windows(), std::vector<std::string>{"wnd_pause"});
    EXPECT_EQ(r.at_frame(resumed).num("game_state"), 1);
    EXPECT_EQ(r.at_frame(quit).num("game_state"), 0);
    EXPECT_EQ(r.at_frame(quit).windows(), std::vector<std::string>{"wnd_main"});
    // Level 0 was banked (no points on the flat level) and level 1 continued.
    EXPECT_EQ(read_bytes("cfg/prf/Kay"), "1\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(r.last().num("game_state"), 1);
    EXPECT_EQ(r.last().num("level_index"), 1);
    EXPECT_EQ(r.last().profile(), "Kay");
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "4\r\n2\r\n800\r\n1\r\n");  // untouched
}

TEST(MenuFlow, ProfileSettingsNewGameResultsNextLevelPauseMenuAndContinue) {
    ScratchDir dir;
    make_game_folder(kSettingsKeysOnly, "Tester", "6\r\n4\r\n1500\r\n2\r\n",
                     bonus_row_at(0));
    Script s;
    click(s.at(kMenuReady), kGreeting);
    click(s, kNewProfile);
    click(s, kEditBox);
    s.type("Player1");
    click(s, kAdd);
    click(s, kBack);  // "Player1" sorts first: it becomes the profile
    click(s, kSettings);
    click(s, kDepth);  // 16 bits
    click(s, kBack);
    click(s, kNew);
    s.wait(kFadeFrames + 10);
    s.hold(kVkRight, kWalkPastBonuses);
    s.key(kVkF2).wait(kFadeFrames + 10);
    const int results = s.now;
    click(s, kNext);
    s.wait(kFadeFrames + 10);
    s.key(kVkEscape);
    const int paused = s.now;
    click(s, kPauseQuit);
    const int menu = s.now;
    click(s, kContinue);
    SimRun r = run_sim(s, s.now + kFadeFrames + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n1\r\n1\r\n1\r\nPlayer1\r\n");
    EXPECT_EQ(r.at_frame(results).windows(), std::vector<std::string>{"wnd_stat"});
    EXPECT_EQ(r.at_frame(results).num("level_points"), 340);
    EXPECT_EQ(r.at_frame(paused).windows(), std::vector<std::string>{"wnd_pause"});
    EXPECT_EQ(r.at_frame(paused).num("level_index"), 1);
    EXPECT_EQ(r.at_frame(menu).windows(), std::vector<std::string>{"wnd_main"});
    // Level 0 banked: 340 points and the nut; Tester's profile untouched.
    EXPECT_EQ(read_bytes("cfg/prf/Player1"), "1\r\n1\r\n340\r\n0\r\n");
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "6\r\n4\r\n1500\r\n2\r\n");
    EXPECT_EQ(r.last().profile(), "Player1");
    EXPECT_EQ(r.last().num("game_state"), 1);
    EXPECT_EQ(r.last().num("level_index"), 1);
    EXPECT_EQ(r.last().num("total_points"), 340);
}

TEST(MenuFlow, TheChooserDoesNotOpenWhileTheScreenFadesToALevel) {
    ScratchDir dir;
    make_game_folder(kSettingsKeysOnly, "Tester", "0\r\n0\r\n0\r\n0\r\n");
    write_bytes("cfg/prf/Anna", "7\r\n0\r\n0\r\n0\r\n");
    Script s;
    click(s.at(kMenuReady), kNew);
    click(s, kGreeting);  // during the fade-out
    s.wait(kFadeFrames + 10);
    s.key(kVkEscape);
    const int paused = s.now;
    click(s, kPauseQuit);  // where the chooser's "Назад" would lie
    SimRun r = run_sim(s, s.now + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.at_frame(paused).windows(), std::vector<std::string>{"wnd_pause"});
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(r.last().profile(), "Tester");
}
