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
    std::vector<std::string> lines;   // the trace as written
    std::string recording;            // replay-000.txt, when F9 made one
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
// `scenes`, when given, becomes cfg/scenes.txt.
Play play(const std::string &level, int frames, const std::string &input = "", const std::string &extra = "",
          const std::string &scenes = "", const std::string &shell_prefix = "") {
    ScratchDir dir;
    fs::copy(std::string(TARVELOK_GAME_DIR) + "/cfg", "cfg", fs::copy_options::recursive);
    // Music off: the level modules are not needed to test the world.
    write_bytes("cfg/config.txt", "1\r\n0\r\n1\r\n1\r\nTester\r\n");
    if (!scenes.empty()) write_bytes("cfg/scenes.txt", scenes);
    for (const char *d : {"gfx", "snd", "fnt", "mus", "tests"})
        fs::create_directory_symlink(std::string(TARVELOK_GAME_DIR) + "/" + d, d);
    write_bytes("input.txt", input);
    const std::string cmd = shell_prefix + "'" + TARVELOK_GAME_DIR + "/tarvelok-sim' --frames " +
                            std::to_string(frames) + " --input input.txt --trace t.jsonl --calls c.log " +
                            (level.empty() ? "" : "--play " + level + " ") + extra + " > out.txt 2> err.txt";
    Play p;
    const int raw = std::system(cmd.c_str());
    p.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    p.err = read_bytes("err.txt");
    std::istringstream trace(read_bytes("t.jsonl"));
    const std::regex num("\"([a-z_]+)\":(-?[0-9.]+)");
    p.recording = fs::exists("replay-000.txt") ? read_bytes("replay-000.txt") : "";
    for (std::string line; std::getline(trace, line);) {
        p.lines.push_back(line);
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
std::string hold(int vk, int from, int to) { return key(from, "key-down", vk) + key(to, "key-up", vk); }

// Ticks at which `name` changed from the previous tick.
std::vector<int> changes(const Play &p, const std::string &name) {
    std::vector<int> out;
    for (std::size_t i = 1; i < p.ticks.size(); ++i)
        if (p.ticks[i][name] != p.ticks[i - 1][name]) out.push_back(static_cast<int>(i));
    return out;
}

constexpr int kStandY = 452;   // a hero standing on the test levels' floor (y = 500)
constexpr double kEps = 1e-4;

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

    // --level: the scene list's entry, with level_index set; --play with --level: the file, with
    // that level_index; --level on an empty entry: the message names the list's line.
    const std::string scenes = "tests/levels/flat.txt\r\n\r\ntests/levels/bee.txt\r\n";
    const Play l = play("", 30, "", "--level 2", scenes);
    ASSERT_EQ(l.status, 0) << l.err;
    EXPECT_EQ(l.ticks[0]["game_state"], 1);
    EXPECT_EQ(l.ticks[0]["level_index"], 2);
    EXPECT_EQ(l.ticks[0]["object_count"], 2);  // bee.txt: the hero and a bee
    const Play lp = play("tests/levels/cart.txt", 30, "", "--level 2", scenes);
    EXPECT_EQ(lp.ticks[0]["level_index"], 2);
    EXPECT_EQ(lp.ticks[0]["object_count"], 2);  // cart.txt: the hero and the cart
    const Play empty = play("", 30, "", "--level 1", scenes);
    EXPECT_EQ(empty.ticks.back()["game_state"], 0);
    EXPECT_NE(empty.err.find("line 2: empty entry for level 1"), std::string::npos) << empty.err;

    // A missing level file: a message naming it, back in the menu, the world empty.
    Play m = play("tests/levels/no_such_level.txt", 30);
    ASSERT_EQ(m.status, 0);
    EXPECT_NE(m.err.find("tests/levels/no_such_level.txt\": missing"), std::string::npos) << m.err;
    EXPECT_EQ(m.ticks.back()["game_state"], 0);
    EXPECT_EQ(m.ticks.back()["object_count"], 0);

    // Bad arguments.
    Play bad = play("", 10, "", "--level 30");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--level"), std::string::npos);
}

TEST(WorldSim, HostileLevelsAreRefusedWithinBoundedMemory) {
    // The simulator gets 1.5 GB of address space (not under AddressSanitizer, which reserves far
    // more up front): a level that still made the game load every picture thousands of times, or
    // keep a million-point outline, fails here instead of taking the machine's memory.
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit;
#else
    const std::string limit = "ulimit -v 1500000; ";
#endif
    char tmpl[] = "/tmp/tarvelok-hostile-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    // 28 bytes announcing 4097 objects and holding none.
    write_bytes(dir / "lying.lvl", "sky_valley\r\n\r\n0\r\n0\r\n0\r\n\r\n4097");
    // A shipped level cut short inside an item.
    const std::string shipped = read_bytes(std::string(TARVELOK_GAME_DIR) + "/cfg/levels/level-00.lvl");
    ASSERT_GT(shipped.size(), 4000u);
    write_bytes(dir / "cut.lvl", shipped.substr(0, shipped.size() / 2));
    // One ground outline of 1,000,000 points (8.8 MB), under the hero of flat.txt.
    std::string huge = "sky_valley\r\n0\r\n1\r\nturf\r\n0\r\n0\r\n0\r\n0\r\n999999\r\n";
    for (int i = 0; i < 1000000; ++i) huge += std::to_string(i % 800) + "\r\n" + std::to_string(500 + (i & 1)) + "\r\n";
    huge += "0\r\n1\r\nenot\r\n400\r\n400\r\n0\r\n0\r\n0\r\n";
    write_bytes(dir / "huge.lvl", huge);
    // The hero at the far end of the integers (it wrapped to -2147483646 when it fell).
    write_bytes(dir / "far.lvl", "sky_valley\r\n0\r\n0\r\n0\r\n1\r\nenot\r\n400\r\n2147483647\r\n0\r\n0\r\n0\r\n");
    const std::pair<const char *, const char *> cases[] = {
        {"lying.lvl", "line 7: the file ends before object item 1 of the 4097 announced"},
        {"cut.lvl", "the file ends inside an item"},
        {"huge.lvl", "line 9: point count 999999: an outline holds at most 1024 points"},
        {"far.lvl", "line 8: y 2147483647 lies outside the world"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        const Play p = play((dir / c.first).string(), 60, "", "", "", limit);
        EXPECT_EQ(p.status, 0) << p.err.substr(0, 2000);
        EXPECT_NE(p.err.find(c.second), std::string::npos) << p.err.substr(0, 2000);
        ASSERT_FALSE(p.ticks.empty());
        EXPECT_EQ(p.ticks.back()["game_state"], 0);  // back in the main menu
        EXPECT_EQ(p.ticks.back()["object_count"], 0);
    }
    fs::remove_all(dir);
}

// ---- walking, jumping, slopes, the camera and the shadow --------------------------------------

TEST(WorldSim, WalkRampsUpAndDownAndTheCameraLeadsTheWalk) {
    const Play p = play("tests/levels/flat.txt", 420, hold(kRight, 30, 150) + hold(kLeft, 250, 350));
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.ticks[10]["camera_lead"], 400);  // standing
    const int start = p.first([](const Tick &t) { return t["walk_speed"] > 0; });
    ASSERT_GT(start, 0);
    // +0.1 a tick for 12 ticks up to 1.2, then held there.
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(p.ticks[start + k]["walk_speed"], 0.1 * (k + 1), kEps) << k;
    for (int k = 12; k < 40; ++k) EXPECT_NEAR(p.ticks[start + k]["walk_speed"], 1.2, kEps);
    // At full speed the step is 3 * 1.2 = 3.6, rounded from a whole position: 4 pixels a tick.
    EXPECT_EQ(p.ticks[start + 31]["hero_x"] - p.ticks[start + 30]["hero_x"], 4);
    EXPECT_EQ(p.ticks[start + 30]["camera_lead"], 200);  // walking right: the hero at a quarter
    // Released: down by 0.1 a tick to a halt over 12 ticks.
    const int release = p.first([](const Tick &t) { return t["walk_speed"] < 1.2 - kEps; }, start + 12);
    ASSERT_GT(release, 0);
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(p.ticks[release + k]["walk_speed"], 1.1 - 0.1 * k, kEps) << k;
    EXPECT_EQ(p.ticks[release + 14]["hero_x"], p.ticks[release + 20]["hero_x"]);
    EXPECT_EQ(p.ticks[release + 20]["camera_lead"], 400);
    // Walking left: the hero at three quarters of the screen.
    const int left = p.first([](const Tick &t) { return t["camera_lead"] == 600; }, release);
    ASSERT_GT(left, 0);
    EXPECT_LT(p.ticks[left + 20]["hero_x"], p.ticks[left]["hero_x"]);
    EXPECT_EQ(p.ticks[left]["hero_y"], kStandY);
}

TEST(WorldSim, JumpRisesTwentyFourTicksAndLandsInDust) {
    const Play p = play("tests/levels/flat.txt", 200, hold(kSpace, 30, 32));
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_NEAR(p.ticks[20]["shadow_alpha"], 255 - (500 - kStandY), kEps);  // 48 above the floor
    const int j = p.first([](const Tick &t) { return t["jumping"] == 1; });
    ASSERT_GT(j, 0);
    EXPECT_NEAR(p.ticks[j]["fall_speed"], -12, kEps);
    EXPECT_EQ(p.count("jump"), 1);
    // The path from the rules: each tick y moves by round(fall_speed) + 2 and fall_speed grows by
    // 0.4; hero_y in the trace is the position at the start of the tick's turn.
    double fall = -12;
    int y = kStandY, rising = 0, apex = y;
    for (int k = 0; y <= kStandY && k < 80; ++k) {
        const int step = static_cast<int>(std::lround(fall)) + 2;
        y += step;
        if (step < 0) ++rising;
        apex = std::min(apex, y);
        if (y >= kStandY) break;
        EXPECT_EQ(p.ticks[j + 1 + k]["hero_y"], y) << "tick " << k;
        EXPECT_NEAR(p.ticks[j + 1 + k]["fall_speed"], fall + 0.4, 1e-3) << "tick " << k;
        fall += 0.4;
    }
    EXPECT_EQ(rising, 24);  // the rise ends after about 25 ticks
    int seen_apex = kStandY;
    for (const Tick &t : p.ticks) seen_apex = std::min(seen_apex, static_cast<int>(t["hero_y"]));
    EXPECT_EQ(seen_apex, apex);
    // Landing: back on the floor, jumping cleared, 16 puffs of dust at once.
    const int land = p.first([](const Tick &t) { return t["jumping"] == 0; }, j);
    ASSERT_GT(land, 0);
    EXPECT_EQ(p.ticks[land]["particle_count"] - p.ticks[land - 1]["particle_count"], 16);
    EXPECT_EQ(p.ticks[land + 5]["hero_y"], kStandY);
    // The shadow fades with height: at the apex it is fainter than when standing.
    double faintest = 255;
    for (std::size_t i = 20; i < p.ticks.size(); ++i) faintest = std::min(faintest, p.ticks[i]["shadow_alpha"]);
    EXPECT_LT(faintest, 255 - (500 - kStandY));
    EXPECT_GE(faintest, 255 - (500 - apex) - 40);  // sampled 20 times a second
}

TEST(WorldSim, SlopesHoldSlideAndRefuseJumps) {
    // 20 degrees: a floor (|normal x| = sin 20 < 0.5): after landing, fall_speed stays 0.
    const Play gentle = play("tests/levels/slope20.txt", 150);
    ASSERT_EQ(gentle.status, 0) << gentle.err;
    const int l20 = gentle.first([](const Tick &t) { return t["on_ground"] == 1; });
    ASSERT_GT(l20, 0);
    for (std::size_t i = static_cast<std::size_t>(l20) + 1; i < gentle.ticks.size(); ++i)
        EXPECT_EQ(gentle.ticks[i]["fall_speed"], 0) << i;

    // 35 degrees: sin 35 > 0.5, so the hero keeps gaining fall speed while touching: it slides down;
    // cos 35 = 0.82 > 0.75, so it can still jump from there.
    const Play steep = play("tests/levels/slope35.txt", 150);
    const int l35 = steep.first([](const Tick &t) { return t["on_ground"] == 1; });
    ASSERT_GT(l35, 0);
    for (int k = 1; k < 10; ++k) {
        EXPECT_NEAR(steep.ticks[l35 + k]["fall_speed"] - steep.ticks[l35 + k - 1]["fall_speed"], 0.4, 1e-3);
        EXPECT_EQ(steep.ticks[l35 + k]["on_ground"], 1);
    }
    EXPECT_LT(steep.ticks[l35 + 20]["hero_x"], steep.ticks[l35]["hero_x"] - 40);
    const Play jump35 = play("tests/levels/slope35.txt", 100, hold(kSpace, 1, 100));
    const int j35 = jump35.first([](const Tick &t) { return t["jumping"] == 1; });
    ASSERT_GT(j35, 0);
    EXPECT_GT(jump35.ticks[j35]["hero_x"], 1100);  // jumped from the ramp itself
    EXPECT_NEAR(jump35.ticks[j35]["fall_speed"], -12, kEps);

    // 45 degrees: cos 45 = 0.707 < 0.75: no jump on the ramp; the hero slides down it, and at its
    // foot, standing on the flat floor while still touching the ramp, it jumps.
    const Play jump45 = play("tests/levels/slope45.txt", 400, hold(kSpace, 1, 400));
    const int l45 = jump45.first([](const Tick &t) { return t["on_ground"] == 1; });
    const int j45 = jump45.first([](const Tick &t) { return t["jumping"] == 1; });
    ASSERT_GT(l45, 0);
    ASSERT_GT(j45, l45 + 20);  // Space is held from the start: no jump while sliding down the ramp
    EXPECT_LT(jump45.ticks[j45]["hero_x"], 1000);  // the ramp starts at x = 1000
    EXPECT_NEAR(jump45.ticks[j45]["fall_speed"], -12, kEps);
}

TEST(WorldSim, OnFirmGroundTheHeroJumpsWhateverElseItTouchesAndWallsAndCeilingsStillStopIt) {
    // step.txt: a slab's underside at y = 380 over the start, a step face at x = 800 rising 100 px.
    // Space at once (under the slab), then Right held into the step, and Space again against it
    // (input frames are 60 a second, trace ticks 50: frame 250 falls in tick 208).
    const Play p = play("tests/levels/step.txt", 400, hold(kSpace, 5, 7) + hold(kRight, 40, 400) + hold(kSpace, 250, 252));
    ASSERT_EQ(p.status, 0) << p.err;
    // The first jump: the probe's top (hero y + 16 - 32) meets the slab at y = 380, so the hero
    // rises no higher than y = 396 (a few pixels of push-out rounding) and lands back on the floor.
    const int j1 = p.first([](const Tick &t) { return t["jumping"] == 1; });
    ASSERT_GT(j1, 0);
    ASSERT_LT(j1, 20);
    int top = kStandY;
    for (int i = j1; i < 100; ++i) top = std::min(top, static_cast<int>(p.ticks[static_cast<std::size_t>(i)]["hero_y"]));
    EXPECT_GE(top, 396 - 3);
    EXPECT_LE(top, 396 + 3);
    // The second jump comes with the second press, from the floor in front of the step face.
    const int j2 = p.first([](const Tick &t) { return t["jumping"] == 1; }, 100);
    ASSERT_GE(j2, 205);
    ASSERT_LE(j2, 212);
    EXPECT_NEAR(p.ticks[j2]["fall_speed"], -12, kEps);
    EXPECT_EQ(p.count("jump"), 2);
    // Before it, pressed against the face: held at x = 800 - 32, standing (fall speed 0).
    for (int i = j2 - 40; i < j2; ++i) {
        EXPECT_EQ(p.ticks[static_cast<std::size_t>(i)]["hero_x"], 800 - 32) << i;
        EXPECT_EQ(p.ticks[static_cast<std::size_t>(i)]["hero_y"], kStandY) << i;
        EXPECT_EQ(p.ticks[static_cast<std::size_t>(i)]["fall_speed"], 0) << i;
    }
    // It takes the hero up onto the step (top y = 400), where it walks on.
    EXPECT_GT(p.ticks.back()["hero_x"], 800);
    EXPECT_EQ(p.ticks.back()["hero_y"], 400 - 48);
}

// ---- creatures and hazards --------------------------------------------------------------------

TEST(WorldSim, StompsFromAboveAndFromTheSideScore120AndBounce) {
    for (const char *lvl : {"stomp_bee", "stomp_worm", "stomp_krot"}) {
        SCOPED_TRACE(lvl);
        const Play p = play(std::string("tests/levels/") + lvl + ".txt", 120);
        ASSERT_EQ(p.status, 0) << p.err;
        const int s = p.first([](const Tick &t) { return t["level_points"] > 0; });
        ASSERT_GT(s, 0);
        EXPECT_EQ(p.ticks[s]["level_points"], 120);
        EXPECT_GT(p.ticks[s - 1]["fall_speed"] + 0.4, 2);  // falling faster than 2 when it touched
        EXPECT_NEAR(p.ticks[s]["fall_speed"], -8, kEps);
        EXPECT_EQ(p.ticks[s]["jumping"], 1);
        EXPECT_EQ(p.ticks[s]["object_count"], 1);  // the enemy is gone
        EXPECT_EQ(p.ticks[s]["particle_count"], 1);  // one grey ball
        EXPECT_EQ(p.count("kill"), 1);
        EXPECT_EQ(p.ticks[s]["damage"], 0);
        EXPECT_EQ(p.ticks.back()["level_points"], 120);
    }
}

TEST(WorldSim, HitsThrowTheHero15PixelsAndHurtOnlyEvery3000ms) {
    struct Case {
        const char *level;
        const char *sound;
        std::string input;
    };
    // A worm and a mole walk right into the standing hero; the hero walks into a hedgehog.
    for (const Case &c : {Case{"worm", "hit", ""}, Case{"krot", "hit", ""}, Case{"hedge", "kill", hold(kRight, 5, 400)}}) {
        SCOPED_TRACE(c.level);
        const Play p = play(std::string("tests/levels/") + c.level + ".txt", 500, c.input);
        ASSERT_EQ(p.status, 0) << p.err;
        const int h = p.first([](const Tick &t) { return t["damage"] > 0; });
        ASSERT_GT(h, 0);
        EXPECT_EQ(p.ticks[h]["damage"], 20);
        EXPECT_EQ(p.ticks[h]["hurt"], 1);
        EXPECT_EQ(p.ticks[h]["jumping"], 1);
        EXPECT_GE(p.count(c.sound), 1);
        // Thrown back against its facing (right): 15 pixels left of where the step left it.
        EXPECT_EQ(p.ticks[h + 1]["hero_x"], p.ticks[h]["hero_x"] + (c.input.empty() ? 0 : 4) - 15)
            << p.ticks[h]["hero_x"];
        EXPECT_NEAR(p.ticks[h + 1]["walk_speed"], 0, kEps);  // the -5 is clamped in the next turn
        // Immune for 3000 ms (150 ticks) although still touching; a second hit, if any, after that.
        for (int k = 1; k <= 150; ++k) EXPECT_EQ(p.ticks[h + k]["damage"], 20) << k;
        EXPECT_EQ(p.ticks[h + 149]["hurt"], 1);
        const int second = p.first([](const Tick &t) { return t["damage"] > 20; }, h);
        if (second > 0) {
            EXPECT_GT(second - h, 150);
            EXPECT_EQ(p.ticks[second]["damage"], 40);
        }
    }
}

TEST(WorldSim, SixHitsKillAndTheHeroRespawnsWithItsTalliesKept) {
    // Seven hedgehogs; the second stands 100 pixels after the first, inside the immunity.
    const Play p = play("tests/levels/hits.txt", 1800, key(5, "key-down", kRight));
    ASSERT_EQ(p.status, 0) << p.err;
    std::vector<int> hits;  // before the death; walking on after the respawn hurts again
    for (int i : changes(p, "damage"))
        if (p.ticks[i]["damage"] > p.ticks[i - 1]["damage"] && p.ticks[i]["deaths"] == 0) hits.push_back(i);
    ASSERT_EQ(hits.size(), 6u);
    for (std::size_t k = 0; k < hits.size(); ++k) {
        EXPECT_EQ(p.ticks[hits[k]]["damage"], 20.0 * (k + 1));
        if (k > 0) {
            EXPECT_GT(hits[k] - hits[k - 1], 150);  // 3000 ms apart at least
        }
    }
    EXPECT_GT(p.ticks[hits[1]]["hero_x"], 1500);  // the hedgehog at 900 did nothing
    // 120 damage: the next world step kills.
    const int d = hits.back() + 1;
    EXPECT_EQ(p.ticks[d]["deaths"], 1);
    EXPECT_EQ(p.ticks[d]["damage"], 0);
    EXPECT_EQ(p.ticks[d]["death_pending"], 1);
    EXPECT_EQ(p.ticks[d]["game_state"], 2);
    EXPECT_EQ(p.count("die"), 1);
    // Once black, back at the start; the hedgehogs are all still there.
    const int back = p.first([](const Tick &t) { return t["game_state"] == 1; }, d);
    ASSERT_GT(back, 0);
    EXPECT_EQ(p.ticks[back + 1]["hero_x"], 400);
    EXPECT_EQ(p.ticks[back]["object_count"], 8);
}

TEST(WorldSim, SpikesKillAtOnceAndTheSpringThrowsOnlyAFallingHero) {
    const Play pit = play("tests/levels/pit.txt", 400, key(5, "key-down", kRight));
    ASSERT_EQ(pit.status, 0) << pit.err;
    const int f = pit.first([](const Tick &t) { return t["damage"] > 0; });
    ASSERT_GT(f, 0);
    EXPECT_EQ(pit.ticks[f]["damage"], 120);  // set, not added
    EXPECT_GT(pit.ticks[f]["hero_x"], 1000);  // in the pit
    EXPECT_EQ(pit.ticks[f + 1]["deaths"], 1);
    EXPECT_EQ(pit.count("hit") + pit.count("kill"), 0);
    EXPECT_EQ(pit.count("die"), 1);

    const Play spring = play("tests/levels/spring.txt", 150);
    const int b = spring.first([](const Tick &t) { return t["fall_speed"] < -17; });
    ASSERT_GT(b, 0);
    EXPECT_NEAR(spring.ticks[b]["fall_speed"], -18, kEps);
    EXPECT_GT(spring.ticks[b - 1]["fall_speed"] + 0.4, 4);
    EXPECT_EQ(spring.ticks[b]["jumping"], 1);
    EXPECT_EQ(spring.ticks[b]["object_count"], 2);  // the spring stays
    EXPECT_GE(spring.count("rom"), 1);

    const Play stand = play("tests/levels/spring_stand.txt", 150);
    for (const Tick &t : stand.ticks) EXPECT_GE(t["fall_speed"], 0);
    EXPECT_EQ(stand.count("rom"), 0);
}

TEST(WorldSim, CartIsBoardedRiddenAndWreckedAgainstTheWall) {
    const Play p = play("tests/levels/cart.txt", 500);
    ASSERT_EQ(p.status, 0) << p.err;
    const int b = p.first([](const Tick &t) { return t["riding"] == 1; });
    ASSERT_GT(b, 0);
    EXPECT_GT(p.ticks[b - 1]["fall_speed"] + 0.4, 4);  // dropped into it
    // Carried: 6 pixels a tick, 80 above the cart's centre (the cart rests at 436 on the floor).
    for (int k = 2; k < 20; ++k) {
        EXPECT_EQ(p.ticks[b + k + 1]["hero_x"] - p.ticks[b + k]["hero_x"], 6) << k;
        EXPECT_EQ(p.ticks[b + k]["hero_y"], 436 - 80) << k;
    }
    EXPECT_GT(p.count("vag"), 100);  // rolling on the floor
    // The wall at x = 2000: the cart's probe (radius 32) meets it when the cart reaches 1968.
    const int w = p.first([](const Tick &t) { return t["object_count"] == 1; }, b);
    ASSERT_GT(w, 0);
    EXPECT_EQ(p.ticks[w]["riding"], 0);
    EXPECT_EQ(p.ticks[w]["particle_count"], 23);  // 21 stars, a ball and a light
    EXPECT_EQ(p.count("boom"), 1);
    EXPECT_NEAR(p.ticks[w]["hero_x"], 1968, 6);
    EXPECT_EQ(p.ticks.back()["hero_y"], kStandY);  // fell to the floor
}

// ---- collectibles and the level end -----------------------------------------------------------

TEST(WorldSim, PickupsScoreHealCapAndGiveALife) {
    const Play p = play("tests/levels/pickups.txt", 900, key(5, "key-down", kRight));
    ASSERT_EQ(p.status, 0) << p.err;
    // In path order: apple 40, berry 20, nut 180, gold 120, (silver 40 above: out of its 32 reach),
    // gold 40 above (within 48) 120, silver 60, then the second nut 180.
    std::vector<double> gains;
    for (int i : changes(p, "level_points")) gains.push_back(p.ticks[i]["level_points"] - p.ticks[i - 1]["level_points"]);
    EXPECT_EQ(gains, (std::vector<double>{40, 20, 180, 120, 120, 60, 180}));
    EXPECT_EQ(p.ticks.back()["gold_nut_found"], 1);
    // The hedgehog hurts (20), the health takes it to 0, not -40.
    std::vector<double> damage;
    for (int i : changes(p, "damage")) damage.push_back(p.ticks[i]["damage"]);
    EXPECT_EQ(damage, (std::vector<double>{20, 0}));
    // The extra life: deaths below 0.
    EXPECT_EQ(p.ticks.back()["deaths"], -1);
    // Left: the hero, the silver bonus above the path, the hedgehog.
    EXPECT_EQ(p.ticks.back()["object_count"], 3);
    EXPECT_EQ(p.count("bapple"), 2);   // the berry sounds like the apple
    EXPECT_EQ(p.count("ghealth"), 3);  // both nuts and the health
    EXPECT_EQ(p.count("bgold"), 2);
    EXPECT_EQ(p.count("bsilver"), 1);
    EXPECT_EQ(p.count("glife"), 1);
    // Nine pick-ups, each a burst of 11 stars, a ball and a light.
    int burst_ticks = 0;
    for (int i : changes(p, "object_count")) {
        if (p.ticks[i]["particle_count"] - p.ticks[i - 1]["particle_count"] == 13) ++burst_ticks;
    }
    EXPECT_EQ(burst_ticks, 9);
}

TEST(WorldSim, TheLevelEndsAtTheSignOrWithF2) {
    const Play sign = play("tests/levels/level_end.txt", 300, key(5, "key-down", kRight));
    ASSERT_EQ(sign.status, 0) << sign.err;
    const int e = sign.first([](const Tick &t) { return t["level_done_pending"] == 1; });
    ASSERT_GT(e, 0);
    EXPECT_EQ(sign.ticks[e]["game_state"], 2);
    EXPECT_EQ(sign.ticks[e]["fading_out"], 1);
    EXPECT_EQ(sign.ticks[e]["object_count"], 2);  // the sign stays
    // Within 64 pixels of the sign's centre (800, 436); the hero walks at y 452.
    EXPECT_LT(std::hypot(sign.ticks[e]["hero_x"] - 800, kStandY - 436), 64 + 4);
    EXPECT_GE(std::hypot(sign.ticks[e - 1]["hero_x"] - 800, kStandY - 436), 64 - 4);
    EXPECT_EQ(sign.count("fin"), 1);

    const Play f2 = play("tests/levels/flat.txt", 200, key(60, "key-down", kF2) + key(62, "key-up", kF2));
    const int k = f2.first([](const Tick &t) { return t["level_done_pending"] == 1; });
    ASSERT_GT(k, 0);
    EXPECT_EQ(f2.ticks[k]["game_state"], 2);
    EXPECT_EQ(f2.count("fin"), 1);
    EXPECT_EQ(f2.ticks[k]["hero_x"], 400);
}

// ---- checkpoints ------------------------------------------------------------------------------------

// checkpoint.txt: the hero at 400 walks right past an apple, a sign, the post at (900, 436) and a
// raspberry into a pit of thorns at 1400. The post lights when the hero's centre is less than 48 px
// across from it (on this floor, at a hero_x of 853 or more); from the death on, the hero comes
// back there, with what it took still gone. F9 records the level, and the recording replays the
// same world, the lighting and the respawn at the post included.
TEST(WorldSim, ACheckpointLightsOnceHoldsTheRespawnAndReplaysAsPlayed) {
    const int kF9 = 120;
    const Play p = play("tests/levels/checkpoint.txt", 900,
                        key(5, "key-down", kRight) + key(100, "key-down", kF9) + key(102, "key-up", kF9));
    ASSERT_EQ(p.status, 0) << p.err;
    ASSERT_EQ(p.ticks.size(), p.lines.size());
    const int lit = p.first([](const Tick &t) { return t.f.count("checkpoint_x") > 0; });
    ASSERT_GT(lit, 0) << "the post was never lit";
    EXPECT_GE(p.ticks[lit]["hero_x"], 853 - 4);   // the trace shows the hero after its move
    EXPECT_LT(p.ticks[lit - 1]["hero_x"], 853);
    EXPECT_EQ(p.ticks[lit]["checkpoint_x"], 900);
    EXPECT_EQ(p.ticks[lit]["checkpoint_y"], 436);
    EXPECT_EQ(p.ticks[lit]["deaths"], 0);
    EXPECT_EQ(p.count("lamp"), 1);
    // The death in the pit, then back at the post; the apple and the raspberry stay taken (8 objects
    // at the start: the hero, the apple, the sign, the post, the raspberry and three thorns).
    EXPECT_EQ(p.ticks[0]["object_count"], 8);
    const int d = p.first([](const Tick &t) { return t["deaths"] == 1; }, lit);
    ASSERT_GT(d, lit);
    EXPECT_EQ(p.ticks[d]["level_points"], 60);
    const int back = p.first([](const Tick &t) { return t["game_state"] == 1; }, d);
    ASSERT_GT(back, d);
    EXPECT_EQ(p.ticks[back + 1]["hero_x"], 900);
    EXPECT_EQ(p.ticks[back + 1]["object_count"], 6);
    EXPECT_EQ(p.ticks[back + 1]["level_points"], 60);
    EXPECT_EQ(p.ticks[back + 1]["checkpoint_x"], 900);
    EXPECT_EQ(p.count("lamp"), 1) << "a lit post does not light again";

    // The F9 recording replayed on the world alone: every world step as the game stepped it.
    ASSERT_FALSE(p.recording.empty()) << "F9 wrote no replay-000.txt";
    EXPECT_NE(p.recording.find("\nrespawn\n"), std::string::npos);
    ScratchDir dir;
    write_bytes("rec.txt", p.recording);
    fs::copy(std::string(TARVELOK_GAME_DIR) + "/cfg", "cfg", fs::copy_options::recursive);
    fs::create_directory_symlink(std::string(TARVELOK_GAME_DIR) + "/tests", "tests");
    const std::string cmd =
        std::string("'") + TARVELOK_GAME_DIR + "/tarvelok-sim' --replay rec.txt --trace r.jsonl > out.txt 2> err.txt";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << read_bytes("err.txt");
    std::vector<std::string> game;   // the game's lines of the ticks that stepped the world
    const std::regex steps_re("\"world_steps\":([0-9]+)");
    std::string last = "0";
    for (const std::string &l : p.lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(l, m, steps_re));
        if (m[1] != last && m[1] != "0") game.push_back(l);
        last = m[1];
    }
    std::istringstream replayed(read_bytes("r.jsonl"));
    std::size_t n = 0;
    int respawned_at_post = 0;
    for (std::string line; std::getline(replayed, line); ++n) {
        ASSERT_LT(n, game.size());
        for (const char *f : {"hero_x", "hero_y", "deaths", "level_points", "object_count", "particle_count",
                              "world_steps", "checkpoint_x", "checkpoint_y"}) {
            const std::regex re(std::string("\"") + f + "\":(-?[0-9.]+)");
            std::smatch a, b;
            const bool in_replay = std::regex_search(line, a, re), in_game = std::regex_search(game[n], b, re);
            ASSERT_EQ(in_replay, in_game) << f << " at step " << n + 1;
            if (in_game) {
                ASSERT_EQ(a[1], b[1]) << f << " at step " << n + 1 << "\n game:   " << game[n] << "\n replay: " << line;
            }
        }
        respawned_at_post += line.find("\"deaths\":1") != std::string::npos && line.find("\"hero_x\":90") != std::string::npos;
    }
    EXPECT_GT(n, 300u) << "the recording holds the play past the death";
    EXPECT_GT(respawned_at_post, 0);
}
