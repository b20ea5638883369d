// record_replay_test - a recording made in the real game reproduces in the simulator tick for tick.
// Level 0 is played in the real game under Xvfb with xdotool (record_game.sh: walking, jumps, the
// pointer steering, an F1 reload, F9 starting and stopping a second recording) while the game
// records (--record) and traces (--trace); then tarvelok-sim --replay plays each recording again
// and its trace must show, step for step, what the game's own trace shows for the world: the
// hero, the tallies, deaths, the objects and effects, the world's step count and the camera's x.
// Also the replay file's bad lines: each refused with the file and the line named.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "shell/test_support.h"
#include "support/test_files.h"

using namespace testsupport;
using test_files::have_tool;

namespace {

constexpr long kMinSteps = 150;       // world steps the scripted play gives at the very least

// The fields a replay must reproduce: everything the world decides, and the camera's x it read.
const char *const kWorldFields[] = {"hero_x",       "hero_y",       "walk_speed",     "fall_speed",  "on_ground",
                                    "jumping",      "hurt",         "riding",         "damage",      "deaths",
                                    "level_points", "gold_nut_found", "object_count", "particle_count",
                                    "world_steps",  "total_points", "total_nuts",     "level_index", "camera_x",
                                    "checkpoint_x", "checkpoint_y"};

std::string value_of(const std::string &line, const std::string &name) {
    std::smatch m;
    const std::regex re("\"" + name + "\":(-?[0-9.]+)");
    return std::regex_search(line, m, re) ? std::string(m[1]) : std::string("(none)");
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l))
        if (!l.empty()) out.push_back(l);
    return out;
}

// The game's trace lines of the logic ticks that stepped the world (world_steps moved).
std::vector<std::string> stepped(const std::vector<std::string> &trace) {
    std::vector<std::string> out;
    std::string last = "0";
    for (const std::string &l : trace) {
        const std::string steps = value_of(l, "world_steps");
        if (steps != last && steps != "0") out.push_back(l);
        last = steps;
    }
    return out;
}

struct Sim {
    int status = -1;
    std::string err;
};

Sim replay(const std::string &dir, const std::string &file, const std::string &trace) {
    const std::string cmd = "cd '" + dir + "' && '" TARVELOK_GAME_DIR "/tarvelok-sim' --replay '" + file +
                            "' --trace '" + trace + "' > sim.out 2> sim.err";
    Sim s;
    const int raw = std::system(cmd.c_str());
    s.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    s.err = read_bytes(fs::path(dir) / "sim.err");
    return s;
}

// Compares the replay's trace with the game's stepped lines, the first `n` of them.
void expect_same_world(const std::vector<std::string> &game, const std::vector<std::string> &sim, const char *what) {
    ASSERT_FALSE(sim.empty()) << what;
    ASSERT_LE(sim.size(), game.size()) << what;
    for (std::size_t i = 0; i < sim.size(); ++i)
        for (const char *f : kWorldFields)
            ASSERT_EQ(value_of(sim[i], f), value_of(game[i], f))
                << what << ": step " << i + 1 << ", field " << f << "\n game: " << game[i] << "\n sim:  " << sim[i];
}

}  // namespace

TEST(RecordReplay, ALevelPlayedInTheRealGameReplaysTickForTick) {
    if (!have_tool("Xvfb") || !have_tool("xdotool"))
        GTEST_SKIP() << "Xvfb or xdotool is missing: the real game cannot be run here";
    char tmpl[] = "/tmp/tarvelok-record-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string work = tmpl, run = work + "/run";
    // An X screen of its own: the test may run beside other display tests.
    const std::string cmd = "timeout 400 '" TARVELOK_SOURCE_DIR "/tests/support/own_xvfb.sh' 1024x768x24 bash '"
                            TARVELOK_SOURCE_DIR "/tests/replays/record_game.sh' '" TARVELOK_GAME_DIR "' '" + work +
                            "' > '" + work + "/xvfb.txt' 2>&1";
    const int raw = std::system(cmd.c_str());
    ASSERT_EQ(raw, 0) << read_bytes(work + "/xvfb.txt") << read_bytes(work + "/err.txt");

    const std::vector<std::string> game = stepped(lines_of(read_bytes(run + "/real.jsonl")));
    ASSERT_GE(long(game.size()), kMinSteps) << "the level was hardly played";
    // The play did what the script asked: the hero walked right and jumped.
    const long first_x = std::atol(value_of(game.front(), "hero_x").c_str());
    long right_most = first_x, highest_rise = 0;
    for (const std::string &l : game) {
        right_most = std::max(right_most, std::atol(value_of(l, "hero_x").c_str()));
        highest_rise = std::min(highest_rise, std::lround(std::atof(value_of(l, "fall_speed").c_str())));
    }
    EXPECT_GT(right_most, first_x + 100) << "the hero did not walk";
    EXPECT_LT(highest_rise, -5) << "no jump";
    const std::string recording = read_bytes(run + "/rec.txt");
    EXPECT_EQ(recording.rfind("tarvelok replay 1\n", 0), 0u) << recording.substr(0, 200);
    EXPECT_NE(recording.find("\nreload\n"), std::string::npos) << "F1 was not recorded";
    EXPECT_NE(recording.find("\ntick 0 0 0 0 1 "), std::string::npos) << "no tick with the pointer steering";

    // The --record file, which F9 stopped: the steps up to that F9, as the game made them.
    const Sim first = replay(run, "rec.txt", "sim.jsonl");
    ASSERT_EQ(first.status, 0) << first.err;
    const std::vector<std::string> part = lines_of(read_bytes(run + "/sim.jsonl"));
    EXPECT_LT(part.size(), game.size());
    EXPECT_GT(part.size(), game.size() / 2);
    expect_same_world(game, part, "rec.txt");

    // F9 again started replay-000.txt in the middle of the level: it holds the level from its
    // start to the end of the game, every step the game made.
    ASSERT_TRUE(fs::exists(run + "/replay-000.txt"));
    const Sim all = replay(run, "replay-000.txt", "f9.jsonl");
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<std::string> sim = lines_of(read_bytes(run + "/f9.jsonl"));
    EXPECT_EQ(sim.size(), game.size());
    expect_same_world(game, sim, "replay-000.txt");
    std::system(("rm -rf '" + work + "'").c_str());
}

TEST(RecordReplay, BadReplayFilesAreRefusedNamingTheFileAndLine) {
    ScratchDir dir;
    const fs::path game = TARVELOK_GAME_DIR;
    for (const char *d : {"gfx", "snd", "fnt", "mus"}) fs::create_directory_symlink(game / d, d);
    fs::copy(game / "cfg", "cfg", fs::copy_options::recursive);
    const std::string cwd = fs::current_path().string();
    const std::string head = "tarvelok replay 1\nlevel 0 cfg/levels/level-00.lvl\nseed 5\nprofile 0 0 0\n";
    const struct {
        std::string text, expected;
    } cases[] = {
        {"", "bad.txt, line 1: empty"},
        {"tarvelok replay 2\n", "bad.txt, line 1: not a replay of this version"},
        {"tarvelok replay 1\ntick 0 1 0 0 0 0 0 0 20\n", "bad.txt, line 2: \"tick\" before the first \"level\" line"},
        {"tarvelok replay 1\n# no level\n", "bad.txt, line 2: no \"level\" line"},
        {head + "tick 0 1 0 0 0 0 0 0\n", "bad.txt, line 5: \"tick\" needs"},
        {head + "tick 0 2 0 0 0 0 0 0 20\n", "bad.txt, line 5: \"tick\" needs"},
        {head + "tick 0 1 0 0 0 0 0 0 nan\n", "bad.txt, line 5: \"tick\" needs"},
        {head + "seed -1\n", "bad.txt, line 5: \"seed\" needs"},
        {"tarvelok replay 1\nlevel 30 x.lvl\n", "bad.txt, line 2: \"level\" needs a level index 0..29"},
        {head + "respawn now\n", "bad.txt, line 5: \"respawn\" takes nothing"},
        {head + "jump\n", "bad.txt, line 5: unknown line \"jump\""},
        {"tarvelok replay 1\nlevel 0 cfg/levels/none.lvl\n", "the level \"cfg/levels/none.lvl\" of the replay did not load"},
    };
    for (const auto &c : cases) {
        write_bytes("bad.txt", c.text);
        const Sim s = replay(cwd, "bad.txt", "t.jsonl");
        EXPECT_EQ(s.status, 2) << c.expected;
        EXPECT_NE(s.err.find(c.expected), std::string::npos) << "expected: " << c.expected << "\nsaid: " << s.err;
    }
    // A good file with CR LF line ends and comments replays.
    write_bytes("good.txt", "# a comment\r\n" + head + "tick 0 1 0 0 0 0 0 0 20\r\ntick 0 1 0 0 0 0 0 0 40\r\n");
    const Sim ok = replay(cwd, "good.txt", "t.jsonl");
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(lines_of(read_bytes("t.jsonl")).size(), 2u);
}
