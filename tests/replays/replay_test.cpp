// replay_test - every committed route (tests/replays/level-NN.txt and level-NN-nut.txt) replayed
// by tarvelok-sim --level NN in a scratch game folder: the level must end without a death, the
// nut route must have taken the golden nut by then, and every checkpoint of the level is lit on
// the way. Also every level started and left alone: no
// creature may hurt the hero at its start point in the first 3 s of the life.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <regex>
#include <sstream>
#include <sys/wait.h>

#include "shell/test_support.h"

using namespace testsupport;

namespace {

constexpr int kLevels = 10;
constexpr int kFramesAfterScript = 300;   // the fade and the table's test after the last key
constexpr double kSafeStartMs = 3000;     // a life's first 3 s at the start point are safe
constexpr int kIdleFrames = 60 + 200;     // the level's start and more than 3 s of frames

long field(const std::string &json_line, const std::string &name) {
    std::smatch m;
    const std::regex re("\"" + name + "\":(-?[0-9]+)");
    if (!std::regex_search(json_line, m, re)) return LONG_MIN;
    return std::stol(m[1]);
}

// A scratch game folder: the game's data linked in, its own copy of cfg (settings, scene list,
// level files), so that nothing in the built game folder changes.
void make_game_folder() {
    const fs::path game = TARVELOK_GAME_DIR;
    for (const char *d : {"gfx", "snd", "fnt", "mus"}) fs::create_directory_symlink(game / d, d);
    fs::copy(game / "cfg", "cfg", fs::copy_options::recursive);
}

class Replay : public ::testing::TestWithParam<int> {};

TEST_P(Replay, FinishesTheLevel) {
    const int level = GetParam() / 2;
    const bool nut = GetParam() % 2 == 1;
    char name[64];
    std::snprintf(name, sizeof name, "level-%02d%s.txt", level, nut ? "-nut" : "");
    const fs::path script = fs::path(TARVELOK_SOURCE_DIR) / "tests" / "replays" / name;
    // Every shipped level has both routes committed; a missing one is a failure (run the automatic
    // player again, see the README).
    ASSERT_TRUE(fs::exists(script)) << "no route committed: " << script;

    // The script's last frame bounds the run.
    std::istringstream in(read_bytes(script));
    std::string line;
    long last_frame = 0;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#') last_frame = std::max(last_frame, std::atol(line.c_str()));
    ASSERT_GT(last_frame, 0);

    ScratchDir dir;
    make_game_folder();
    const std::string cmd = std::string("'") + TARVELOK_GAME_DIR + "/tarvelok-sim' --level " + std::to_string(level) +
                            " --input '" + script.string() + "' --frames " +
                            std::to_string(last_frame + kFramesAfterScript) + " --trace t.jsonl > sim.out 2> sim.err";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << read_bytes("sim.err");

    // The level's checkpoints (name lines "fonar" of its file): they lie on the way, so a route
    // that finishes lights every one of them before the end.
    char level_file[64];
    std::snprintf(level_file, sizeof level_file, "cfg/levels/level-%02d.lvl", level);
    std::istringstream lvl(read_bytes(level_file));
    int posts = 0, lit = 0;
    long last_post = LONG_MIN;
    while (std::getline(lvl, line)) posts += line == "fonar\r";
    std::istringstream trace(read_bytes("t.jsonl"));
    bool ended = false;
    long ticks = 0;
    while (std::getline(trace, line)) {
        ++ticks;
        const long post = field(line, "checkpoint_x");
        if (post != last_post && post != LONG_MIN) ++lit;
        last_post = post;
        ASSERT_EQ(field(line, "level_index"), level);
        // An extra life taken brings deaths below 0; a death would raise it.
        ASSERT_LE(field(line, "deaths"), 0) << name << ": the hero died at tick " << ticks;
        if (field(line, "level_done_pending") == 1) {
            ended = true;
            if (nut) {
                EXPECT_EQ(field(line, "gold_nut_found"), 1) << name << ": ended without the golden nut";
            }
            break;
        }
    }
    EXPECT_TRUE(ended) << name << ": the level did not end within " << ticks << " ticks";
    EXPECT_EQ(lit, posts) << name << ": checkpoints lit on the way";
    if (level > 0) {
        EXPECT_GE(posts, 2) << name;
    }
}

// The hero left alone at its start point for the first 3 s of the level: nothing hurts it. (The
// builder refuses a level in which any creature's path comes within touch of the start point, so
// that this holds for every later life too; this runs the game itself on every shipped level.)
class IdleStart : public ::testing::TestWithParam<int> {};

TEST_P(IdleStart, NothingHurtsTheHeroInItsFirstThreeSeconds) {
    const int level = GetParam();
    ScratchDir dir;
    make_game_folder();
    const std::string cmd = std::string("'") + TARVELOK_GAME_DIR + "/tarvelok-sim' --level " + std::to_string(level) +
                            " --frames " + std::to_string(kIdleFrames) + " --trace t.jsonl > sim.out 2> sim.err";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << read_bytes("sim.err");
    std::istringstream trace(read_bytes("t.jsonl"));
    std::string line;
    double start_ms = -1, last_ms = 0;
    const std::regex time_re("\"time_ms\":([0-9.]+)");
    while (std::getline(trace, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, time_re));
        const double ms = std::stod(m[1]);
        if (start_ms < 0 && field(line, "game_state") == 1) start_ms = ms;
        if (start_ms < 0) continue;
        if (ms > start_ms + kSafeStartMs) break;
        last_ms = ms;
        ASSERT_EQ(field(line, "damage"), 0) << "level " << level << ": hurt at its start, " << ms - start_ms << " ms in";
        ASSERT_EQ(field(line, "deaths"), 0) << "level " << level;
    }
    ASSERT_GE(start_ms, 0) << "level " << level << " never started";
    EXPECT_GE(last_ms - start_ms, kSafeStartMs - 50) << "the trace ends before 3 s of the level";
}

INSTANTIATE_TEST_SUITE_P(Levels, IdleStart, ::testing::Range(0, kLevels), [](const auto &info) {
    char name[32];
    std::snprintf(name, sizeof name, "level%02d", info.param);
    return std::string(name);
});

INSTANTIATE_TEST_SUITE_P(Levels, Replay, ::testing::Range(0, 2 * kLevels), [](const auto &info) {
    char name[32];
    std::snprintf(name, sizeof name, "level%02d%s", info.param / 2, info.param % 2 ? "_nut" : "");
    return std::string(name);
});

}  // namespace
