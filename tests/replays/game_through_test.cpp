// game_through_test - the shipped levels in the game's own flow: "Начать игру" starts level 0, each
// of the ten levels is ended with F2 and left with "Продолжить" on the results window, and after
// the tenth the final scene plays under the end window. Each level must be the shipped one: the
// hero stands at the start its level file gives.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "level_core.h"
#include "menus/sim_driver.h"

using namespace simdrive;

namespace {

constexpr int kMenuReady = 40;    // frames until the main menu has faded in
constexpr int kFadeFrames = 40;   // frames a fade-out takes before the change, with room
constexpr int kNewX = 400, kNewY = 230;     // "Начать игру"
constexpr int kNextX = 400, kNextY = 444;   // "Продолжить" on the results window
const char *kSettings = "1\r\n0\r\n1\r\n1\r\nTester\r\n";   // window, 32 bits, keys only, music off

// The hero's start in each shipped level, read from the level files through the scene list.
std::vector<std::pair<int, int>> shipped_starts() {
    std::vector<std::pair<int, int>> starts;
    std::istringstream scenes(read_bytes(fs::path(TARVELOK_GAME_DIR) / "cfg" / "scenes.txt"));
    for (std::string path; std::getline(scenes, path);) {
        if (!path.empty() && path.back() == '\r') path.pop_back();
        lv::Level level;
        std::string error;
        EXPECT_TRUE(lv::read_level_file(read_bytes(fs::path(TARVELOK_GAME_DIR) / path), level, error)) << path;
        for (const lv::Item &it : level.layers[lv::kObjects])
            if (it.kind == "enot") starts.push_back({it.x, it.y});
    }
    return starts;
}

TEST(GameThrough, NewGameThroughEveryLevelWithF2ReachesTheEndWindow) {
    const auto starts = shipped_starts();
    ASSERT_EQ(starts.size(), 11u);
    ScratchDir dir;
    const fs::path game = TARVELOK_GAME_DIR;
    for (const char *d : {"gfx", "snd", "fnt", "mus"}) fs::create_directory_symlink(game / d, d);
    fs::copy(game / "cfg", "cfg", fs::copy_options::recursive);
    write_bytes("cfg/config.txt", kSettings);
    fs::create_directories("cfg/prf");
    write_bytes("cfg/prf/Tester", "3\r\n1\r\n500\r\n1\r\n");

    Script s;
    s.at(kMenuReady).click(kNewX, kNewY);
    s.wait(kFadeFrames + 10);
    std::vector<int> playing;   // a frame inside each level
    for (int level = 0; level < 10; ++level) {
        playing.push_back(s.now);
        s.key(kVkF2).wait(kFadeFrames + 10);
        s.click(kNextX, kNextY).wait(kFadeFrames + 10);
    }
    const int end = s.now;
    SimRun r = run_sim(s, end + 10);
    ASSERT_EQ(r.status, 0) << r.err;
    for (int level = 0; level < 10; ++level) {
        const Tick &t = r.at_frame(playing[level]);
        EXPECT_EQ(t.num("game_state"), 1) << "level " << level;
        EXPECT_EQ(t.num("level_index"), level);
        EXPECT_EQ(t.num("hero_x"), starts[level].first) << "level " << level << " is not the shipped one";
        EXPECT_EQ(t.num("hero_y"), starts[level].second) << "level " << level;
    }
    const Tick &last = r.at_frame(end);
    EXPECT_EQ(last.num("level_index"), 10);
    EXPECT_EQ(last.num("game_state"), 1);
    EXPECT_EQ(last.windows(), std::vector<std::string>{"wnd_win"});
    EXPECT_EQ(last.num("hero_x"), starts[10].first);
    // Ten levels banked on the new game: the profile says the game is over, nothing lost.
    EXPECT_EQ(read_bytes("cfg/prf/Tester").substr(0, 4), "10\r\n");
}

}  // namespace
