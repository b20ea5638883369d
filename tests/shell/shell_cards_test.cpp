// shell_cards_test.cpp - the level cards driven tick by tick against the recording engine table:
// the title card over a level's start (shown, shortened by a key press, the level playing under
// it), the results card's figures (time from the world steps, lives lost, the share of bonuses,
// the nut, the best time and its mark), and the best times in the profile file (the round trip,
// what a reader of the four old lines still reads, bad lines, a save that keeps the file's other
// values).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

#include "cp1251.h"
#include "platform/textreader.h"
#include "state/options.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"

using namespace testsupport;

#define RU(literal) std::string(CP1251(literal).c_str())

namespace {

constexpr int32_t kVkRight = 39;
constexpr int kFadeTicks = 26;     // a fade from full to black (or back), in logic ticks
constexpr int kCardTicks = 110;    // the title card's time after the load
constexpr int kCardFadeTicks = 20; // ... of which the fade-out at the end

void ticks(int n) {
    for (int i = 0; i < n; ++i) logic_tick();
}

// A level: a floor from x 0 to 2000 at y 500, the hero at (400, 452), four apples far off, one
// apple where the hero stands (taken by the first step).
void write_level(const std::string &path) {
    std::string objects = "6\r\nenot\r\n400\r\n452\r\n0\r\n0\r\n0\r\n";
    for (int x : {1200, 1300, 1400, 1500, 400}) objects += "bapple\r\n" + std::to_string(x) + "\r\n452\r\n0\r\n0\r\n0\r\n";
    write_bytes(path, "sky\r\n0\r\n1\r\nturf\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n500\r\n2000\r\n500\r\n0\r\n" + objects);
}

// Starts level `index` as "Начать игру" does and runs the fade-out to black: the level is loaded
// and played from the tick this returns after.
void start_level_from_menu(int32_t index) {
    profile.level_index = index;
    session.fade_level = 255;
    session.fading_out = 1;
    request(Request::start_level);
    ticks(kFadeTicks);
    ASSERT_EQ(session.game_state, GameState::playing);
}

// The level's end as the world reports it, then the fade-out to the results window.
void finish_level() {
    WorldEvents end;
    end.level_end = 1;
    apply_world_events(end);
    ticks(kFadeTicks);
    ASSERT_TRUE(is_visible("wnd_stat"));
}

// "Переиграть" once the results window has faded in; the level is loaded again at black.
void play_again() {
    ticks(kFadeTicks);
    replay_level();
    ticks(kFadeTicks);
    ASSERT_EQ(session.game_state, GameState::playing);
    ASSERT_EQ(world.steps, 0);
}

std::string text_of(Itext *label) { return label ? label->text : "<no label>"; }

}  // namespace

TEST(TitleCard, ShowsOverTheLevelsStartWhileTheLevelPlaysAndFadesOutAfterItsTime) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    ensure_config_dirs();
    scenes.files[2] = "level.txt";
    write_level("level.txt");
    start_level_from_menu(2);
    // Loaded in the tick the screen turned black: the card is up at full strength and fades in
    // with the level.
    EXPECT_EQ(session.title_card_ticks, kCardTicks);
    EXPECT_EQ(title_card_alpha(), 255);
    // The level runs under it: the world steps from the first tick and the hero walks at once.
    fake::keys_down.insert(kVkRight);
    ticks(10);
    EXPECT_EQ(world.steps, 10);
    EXPECT_GT(world.level.hero_x, 400);
    EXPECT_EQ(title_card_alpha(), 255) << "a key already held when the level started is no press";
    // At full strength until its fade-out, then fading evenly to nothing.
    ticks(kCardTicks - kCardFadeTicks - 10);
    EXPECT_EQ(title_card_alpha(), 255);
    ticks(kCardFadeTicks / 2);
    EXPECT_EQ(title_card_alpha(), 255 / 2);
    ticks(kCardFadeTicks / 2 - 1);
    EXPECT_GT(title_card_alpha(), 0);
    logic_tick();
    EXPECT_EQ(title_card_alpha(), 0);
    EXPECT_EQ(session.game_state, GameState::playing);
    // None over the final scene, which has the end window.
    scenes.files[10] = "level.txt";
    hide(menu().win.wnd_win);
    return_to_menu();
    logic_tick();
    start_level_from_menu(10);
    EXPECT_EQ(title_card_alpha(), 0);
}

TEST(TitleCard, AKeyPressedWhileItShowsLeavesItOnlyItsFadeOut) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    ensure_config_dirs();
    scenes.files[0] = "level.txt";
    write_level("level.txt");
    for (int32_t key : {kVkRight, int32_t(action_key(KeyAction::jump))}) {
        return_to_menu();
        logic_tick();
        fake::keys_down.clear();
        start_level_from_menu(0);
        ticks(5);
        EXPECT_EQ(session.title_card_ticks, kCardTicks - 5);
        fake::keys_down.insert(key);  // pressed now: down in this tick, up in the last
        logic_tick();
        EXPECT_EQ(session.title_card_ticks, kCardFadeTicks) << "key " << key;
        EXPECT_EQ(title_card_alpha(), 255);
        // Held on, it is no new press: the fade-out runs its course, the level plays on.
        ticks(kCardFadeTicks);
        EXPECT_EQ(title_card_alpha(), 0) << "key " << key;
        EXPECT_EQ(session.game_state, GameState::playing);
        EXPECT_EQ(world.steps, 5 + 1 + kCardFadeTicks);
    }
}

TEST(ResultsCard, ShowsTheLevelsTimeLivesLostBonusesNutAndKeepsTheBestTime) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    ensure_config_dirs();
    scenes.files[4] = "level.txt";
    write_level("level.txt");
    profile.level_index = 4;
    profile.total_points = 100;
    write_profile();
    start_level_from_menu(4);
    // 150 world steps, then twice a death (a fade-out to the respawn, the world still meanwhile)
    // and 100 steps: 350 steps of 20 ms.
    ticks(150);
    for (int d = 0; d < 2; ++d) {
        WorldEvents death;
        death.died = 1;
        apply_world_events(death);
        ticks(kFadeTicks);
        ASSERT_EQ(session.game_state, GameState::playing);
        ticks(100);
    }
    ASSERT_EQ(world.steps, 350);
    world.tallies.gold_nut_found = 1;
    finish_level();
    const ResultsCard &card = menu().card;
    EXPECT_EQ(session.finished_time_ms, 7000);
    EXPECT_EQ(text_of(card.txt_level), RU("Уровень 5 - Парящие камни"));
    EXPECT_EQ(text_of(card.txt_time_value), "0:07.00");
    EXPECT_EQ(text_of(card.txt_lost_value), "2");
    // Five apples at the load, the one under the hero taken: 1 of 5, 20 %.
    EXPECT_EQ(text_of(card.txt_bonus_value), "1" + RU(" из ") + "5 (20%)");
    EXPECT_EQ(text_of(card.txt_nut_value), RU("найден"));
    // The first finish is the best time: marked, and in the profile file at once (line 5 + 4),
    // its first four lines as they were on disk (this level's deaths are not banked by it).
    EXPECT_EQ(text_of(card.txt_best), RU("Новый рекорд!"));
    EXPECT_EQ(text_of(card.txt_best_value), "0:07.00");
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "4\r\n0\r\n100\r\n0\r\n0\r\n0\r\n0\r\n0\r\n7000\r\n");
    EXPECT_EQ(profile.deaths, 2);

    // Played again and slower (400 steps, no death, nothing taken but the first apple): the best
    // stays, unmarked.
    play_again();
    ticks(400);
    finish_level();
    EXPECT_EQ(text_of(card.txt_time_value), "0:08.00");
    EXPECT_EQ(text_of(card.txt_lost_value), "0");
    EXPECT_EQ(text_of(card.txt_nut_value), RU("не найден"));
    EXPECT_EQ(text_of(card.txt_best), RU("Лучшее время"));
    EXPECT_EQ(text_of(card.txt_best_value), "0:07.00");
    EXPECT_EQ(profile.best_ms[4], 7000);
    // Again, 349 steps: one tick faster is a new best.
    play_again();
    ticks(349);
    finish_level();
    EXPECT_EQ(text_of(card.txt_best), RU("Новый рекорд!"));
    EXPECT_EQ(text_of(card.txt_best_value), "0:06.98");
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "4\r\n0\r\n100\r\n0\r\n0\r\n0\r\n0\r\n0\r\n6980\r\n");
    // As fast as the best is no new best.
    play_again();
    ticks(349);
    finish_level();
    EXPECT_EQ(text_of(card.txt_best), RU("Лучшее время"));
    EXPECT_EQ(session.finished_new_best, 0);
    // Banked: the best time goes with the profile's other values.
    next_level();
    EXPECT_EQ(read_bytes("cfg/prf/Tester").substr(0, 3), "5\r\n");
    EXPECT_NE(read_bytes("cfg/prf/Tester").find("\r\n6980\r\n"), std::string::npos);
}

TEST(ResultsCard, ALevelEndedWithF2SetsNoBestTimeAndALevelWithoutBonusesShowsNoShare) {
    ScratchDir dir;
    fake::Game game;
    build_menus();
    ensure_config_dirs();
    scenes.files[1] = "bare.txt";
    write_bytes("bare.txt", "sky\r\n0\r\n0\r\n0\r\n1\r\nenot\r\n400\r\n452\r\n0\r\n0\r\n0\r\n");  // the hero alone
    write_profile();
    start_level_from_menu(1);
    ticks(30);
    fake::keys_pressed.insert(113);  // F2
    logic_tick();
    ticks(kFadeTicks);
    ASSERT_TRUE(is_visible("wnd_stat"));
    const ResultsCard &card = menu().card;
    EXPECT_EQ(text_of(card.txt_time_value), "0:00.62");
    EXPECT_EQ(text_of(card.txt_bonus_value), "0" + RU(" из ") + "0");
    EXPECT_EQ(text_of(card.txt_best), RU("Лучшее время"));
    EXPECT_EQ(text_of(card.txt_best_value), "-");
    EXPECT_EQ(profile.best_ms[1], 0);
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "0\r\n0\r\n0\r\n0\r\n");  // as written before the level
}

TEST(ResultsCard, TimesReadAsMinutesSecondsAndHundredths) {
    EXPECT_EQ(time_text(0), "0:00.00");
    EXPECT_EQ(time_text(20), "0:00.02");
    EXPECT_EQ(time_text(59990), "0:59.99");
    EXPECT_EQ(time_text(60000), "1:00.00");
    EXPECT_EQ(time_text(83460), "1:23.46");
    EXPECT_EQ(time_text(-20), "0:00.00");
    EXPECT_EQ(time_text(2147483647), "35791:23.64");
}

TEST(LevelNames, EveryLevelAndTheFinalSceneHasItsOwnNameAndNothingElseHasOne) {
    std::set<std::string> names;
    for (int32_t i = 0; i <= kLastLevel; ++i) {
        const std::string name = level_name(i);
        EXPECT_FALSE(name.empty()) << i;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), std::size_t(kLastLevel + 1));
    EXPECT_EQ(std::string(level_name(-1)), "");
    EXPECT_EQ(std::string(level_name(kLastLevel + 1)), "");
    EXPECT_EQ(level_name(0), RU("Дубовый луг"));
}

// ---- best times in the profile file ----

TEST(BestTimes, RoundTripAfterTheFourLinesAndAProfileWithoutThemStaysFourLines) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    settings.profile_name = "Ann";
    profile.level_index = 4;
    profile.total_nuts = 2;
    profile.total_points = 300;
    profile.deaths = 1;
    ASSERT_TRUE(write_profile());
    EXPECT_EQ(read_bytes("cfg/prf/Ann"), "4\r\n2\r\n300\r\n1\r\n");
    profile.best_ms[0] = 26080;
    profile.best_ms[3] = 41500;
    ASSERT_TRUE(write_profile());
    // Lines 5 to 8: levels 0 to 3, 0 where there is none; nothing after the last one kept.
    EXPECT_EQ(read_bytes("cfg/prf/Ann"), "4\r\n2\r\n300\r\n1\r\n26080\r\n0\r\n0\r\n41500\r\n");
    profile.best_ms[9] = 99980;
    ASSERT_TRUE(write_profile());
    const Profile written = profile;
    reset_profile();
    read_profile();
    EXPECT_EQ(profile, written);
    // A new game keeps them (they are the player's records); a new profile has none.
    new_game();
    EXPECT_EQ(profile.best_ms[9], 99980);
    EXPECT_EQ(profile.best_ms[3], 41500);
}

TEST(BestTimes, TheFourLinesStillReadAsTheyAlwaysWereByAReaderThatKnowsOnlyThem) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    settings.profile_name = "Old";
    profile.level_index = 7;
    profile.total_nuts = 5;
    profile.total_points = 12345;
    profile.deaths = -2;
    profile.best_ms = {30000, 41000, 0, 52000, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(write_profile());
    // The reader of the four lines: four numbers, each from the next line that holds a word, the
    // rest of its line ignored, nothing read after them.
    platform::TextReader old(read_bytes("cfg/prf/Old"));
    int32_t v[4] = {};
    for (int32_t &x : v) ASSERT_EQ(old.read_int(x), platform::TextReader::Number::ok);
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[1], 5);
    EXPECT_EQ(v[2], 12345);
    EXPECT_EQ(v[3], -2);
    EXPECT_EQ(old.line(), 4);
    // And a file the four-line writer made reads here with no best time and no warning.
    write_bytes("cfg/prf/Old", "3\r\n1\r\n250\r\n2\r\n");
    ::testing::internal::CaptureStderr();
    read_profile();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(profile.level_index, 3);
    EXPECT_EQ(profile.deaths, 2);
    EXPECT_EQ(profile.best_ms, (std::array<int32_t, kLastLevel>{}));
}

TEST(BestTimes, ABadLineIsNoBestTimeForItsLevelOnlyWithAWarningNamingFileAndLine) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    settings.profile_name = "Bob";
    write_bytes("cfg/prf/Bob", "2\r\n1\r\n70\r\n0\r\nfast\r\n-40\r\n31000 and words\r\n99999999999\r\n12000\r\n");
    ::testing::internal::CaptureStderr();
    read_profile();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(profile.level_index, 2);
    EXPECT_EQ(profile.total_nuts, 1);
    EXPECT_EQ(profile.total_points, 70);
    EXPECT_EQ(profile.best_ms, (std::array<int32_t, kLastLevel>{0, 0, 31000, 0, 12000, 0, 0, 0, 0, 0}));
    EXPECT_NE(said.find("Bob\", line 5: best time of level 0 is not a number; using 0"), std::string::npos) << said;
    EXPECT_NE(said.find("Bob\", line 6: best time of level 1 -40 is outside 0..2147483647; using 0"), std::string::npos)
        << said;
    EXPECT_NE(said.find("Bob\", line 8: best time of level 3 is not a number; using 0"), std::string::npos) << said;
    EXPECT_EQ(said.find("line 7"), std::string::npos) << said;
    EXPECT_EQ(said.find("line 9"), std::string::npos) << said;
    // A new best for level 0 keeps every other value as the file held it; the bad lines become 0.
    profile.deaths = 3;  // lives lost in the level being played: not the file's
    ASSERT_TRUE(save_best_time(0, 25000));
    EXPECT_EQ(read_bytes("cfg/prf/Bob"), "2\r\n1\r\n70\r\n0\r\n25000\r\n0\r\n31000\r\n0\r\n12000\r\n");
    EXPECT_EQ(profile.best_ms[0], 25000);
    EXPECT_EQ(profile.deaths, 3);
}

TEST(BestTimes, ASaveOfABestTimeLeavesAProfileThatCannotBeReadAlone) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    settings.profile_name = "Locked";
    write_bytes("cfg/prf/Locked", "5\r\n2\r\n900\r\n1\r\n");
    read_profile();
    // Since the level started, something that is not a file took the profile's place: it cannot
    // be read, so it is not replaced (a write would rename a regular file over it).
    fs::remove("cfg/prf/Locked");
    ASSERT_EQ(mkfifo("cfg/prf/Locked", 0600), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(save_best_time(5, 20000));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_fifo("cfg/prf/Locked"));
    EXPECT_NE(said.find("the best time is not saved"), std::string::npos) << said;
    EXPECT_FALSE(save_best_time(10, 20000));  // the final scene has no best time
    EXPECT_FALSE(save_best_time(-1, 20000));
}
