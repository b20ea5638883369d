// shell_music_test.cpp - the shell's choice of music, tick by tick on the virtual audio device
// (which plays in real time): a song that starts quietly is not restarted before its first note,
// a module that cannot be played is read once, not at every tick, and music turned off in the
// settings stops at the next tick.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "music/music.h"
#include "menus/menus.h"
#include "music/xm_builder.h"
#include "platform/waveout.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

constexpr int kTickMs = 20;  // the logic tick

// Runs `n` logic ticks 20 ms apart; returns the loudest output level seen after any of them.
uint32_t ticks_in_real_time(int n) {
    uint32_t loudest = 0;
    for (int i = 0; i < n; ++i) {
        logic_tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
        loudest = std::max(loudest, music_output_level());
    }
    return loudest;
}

// 32 rows at speed 6, BPM 125 (0.12 s a row), the only note on row 8: the song is silent for its
// first 0.96 s, longer than the 341 ms ring, and loops.
std::string late_song(const char *title) {
    xmb::Builder b;
    b.set_name(title);
    xmb::SampleSpec dc;
    dc.points.assign(64, 16000);
    dc.loop = 1;
    dc.loop_length = 64;
    b.add_instrument(dc);
    std::vector<std::string> rows(8, "... .. .. ...");
    rows.push_back("C-4 01 .. ...");
    b.add_pattern(rows, 32);
    auto bytes = b.build();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(MusicChoice, ASongWhoseFirstNoteComesLateIsHeardAndReadOnce) {
    ScratchDir dir;
    fake::Game game;
    waveout_set_virtual(true);
    write_bytes(dir.path() / "mus" / "menu.xm", late_song("menu"));
    settings.music_off = 0;
    session.fade_level = 255;
    const uint64_t read_before = music_files_read();
    // 1.5 s of menu ticks: the note of row 8 is mixed by about 0.96 s - 0.34 s.
    EXPECT_GT(ticks_in_real_time(75), 0u) << "the song was restarted before its first note";
    EXPECT_TRUE(music_playing());
    EXPECT_STREQ(music_title(), "menu");
    EXPECT_EQ(music_files_read() - read_before, 1u);
    // Started again after a stop (as at a change of state): kept in memory, not read again.
    music_stop();
    ticks_in_real_time(1);
    EXPECT_TRUE(music_playing());
    EXPECT_EQ(music_files_read() - read_before, 1u);
    music_stop();
}

TEST(MusicChoice, AModuleThatCannotPlayIsReadOnceUntilTheStateChanges) {
    ScratchDir dir;
    fake::Game game;
    waveout_set_virtual(true);
    write_bytes(dir.path() / "mus" / "menu.xm", std::string(600, 'x'));  // not XM
    settings.music_off = 0;
    const uint64_t read_before = music_files_read();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 50; ++i) logic_tick();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(music_playing());
    EXPECT_EQ(music_output_level(), 0u);
    EXPECT_EQ(music_files_read() - read_before, 1u);
    EXPECT_NE(err.find("menu.xm"), std::string::npos) << err;
    EXPECT_EQ(err.find("menu.xm", err.find("menu.xm") + 1), std::string::npos) << "reported once: " << err;

    // The game starts a level (its shell stops the music): the level's module is tried, and back in
    // the menu the menu's module is tried once more.
    write_bytes(dir.path() / "mus" / "level1.xm", late_song("level"));  // level index 0 plays module 1
    session.game_state = GameState::playing;
    profile.level_index = 0;
    music_stop();
    testing::internal::CaptureStderr();
    logic_tick();
    EXPECT_TRUE(music_playing());
    EXPECT_EQ(music_files_read() - read_before, 2u);
    session.game_state = GameState::menu;
    music_stop();
    for (int i = 0; i < 10; ++i) logic_tick();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(music_files_read() - read_before, 3u);
    EXPECT_FALSE(music_playing());
    music_stop();
}

TEST(MusicChoice, MusicTurnedOffInTheSettingsStopsAtTheNextTickInTheMenuAndInALevel) {
    ScratchDir dir;
    fake::Game game;
    waveout_set_virtual(true);
    write_bytes(dir.path() / "mus" / "menu.xm", late_song("menu"));
    write_bytes(dir.path() / "mus" / "level1.xm", late_song("level"));  // level index 0 plays module 1
    settings.music_off = 0;
    logic_tick();
    ASSERT_TRUE(music_playing());
    toggle_music();  // "Музыка" in the settings window: no "Назад" needed
    logic_tick();
    EXPECT_FALSE(music_playing()) << "the menu's song went on after music was turned off";
    for (int i = 0; i < 5; ++i) logic_tick();
    EXPECT_FALSE(music_playing()) << "started again while off";
    toggle_music();
    logic_tick();
    EXPECT_TRUE(music_playing()) << "on again: the menu's song starts";

    session.game_state = GameState::playing;
    profile.level_index = 0;
    music_stop();
    logic_tick();
    ASSERT_TRUE(music_playing());
    settings.music_off = 1;  // as a settings file read in the middle of a level would leave it
    logic_tick();
    EXPECT_FALSE(music_playing()) << "the level's song went on after music was turned off";
    music_stop();
}
