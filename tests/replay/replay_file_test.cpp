// replay_file_test.cpp - the replay file: a level start with every carried value non-zero written
// and read back and put into a freshly loaded world; the reader against a table made from a good
// file, every line of every kind one value short, one value long, each value garbled, out of
// range or followed by stray bytes; and the recorder when F9 starts a recording in a second level.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "replay/replay.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

// A good file: one level with every kind of line, each value different from its default.
const std::vector<std::string> kGood = {
    "tarvelok replay 1",
    "level 3 levels/level3.txt",
    "seed 18446744073709551615",
    "profile 1 2 3",
    "hero 1 1 0.5 -2 1 0.25 -0.75 1.5 1 1 100.5 2000.25 1 10 20 128",
    "particle star 255 1 2 3 4 5 6 7 8 9",
    "tick 1 0 1 0 1 400 -3 12.5 1000.5",
    "respawn",
    "reload",
};

std::string join(const std::vector<std::string> &lines) {
    std::string s;
    for (const std::string &l : lines) s += l + "\n";
    return s;
}

std::vector<std::string> split(const std::string &line) {
    std::vector<std::string> w;
    std::istringstream in(line);
    std::string x;
    while (in >> x) w.push_back(x);
    return w;
}

std::string unsplit(const std::vector<std::string> &w) {
    std::string s;
    for (const std::string &x : w) s += (s.empty() ? "" : " ") + x;
    return s;
}

// A bad variant of the good file: its line `index` replaced, and why it is bad.
struct Bad {
    std::size_t index;
    std::string line;
    std::string why;
};

// Every bad variant of line `index`: one value short, one long, each value replaced by a word,
// by itself with stray bytes after it ("2e", "1x"), and each 0/1 flag by 2.
std::vector<Bad> bad_variants(std::size_t index) {
    std::vector<Bad> out;
    const std::vector<std::string> w = split(kGood[index]);
    const std::string &key = w[0];
    // The level line's file is the rest of the line (blanks included): only the index can be bad.
    const bool path_line = key == "level";
    if (w.size() > 1) out.push_back({index, unsplit({w.begin(), w.end() - 1}), "one value short"});
    if (!path_line) out.push_back({index, kGood[index] + " 0", "one value long"});
    for (std::size_t j = 1; j < w.size(); ++j) {
        if (key == "particle" && j == 1) continue;  // the kind is any word
        if (path_line && j == 2) continue;
        for (const char *stray : {"e", "x", ".5.5", " e"}) {
            std::vector<std::string> v = w;
            if (std::string(stray) == " e" && (j + 1 == w.size() || path_line)) continue;  // "one long", a path
            v[j] += stray;
            out.push_back({index, unsplit(v), "value " + std::to_string(j) + " followed by '" + stray + "'"});
        }
        std::vector<std::string> v = w;
        v[j] = "x";
        out.push_back({index, unsplit(v), "value " + std::to_string(j) + " not a number"});
        if (w[j] == "0" || w[j] == "1") {
            const bool flag = key == "tick" ? j <= 5 : key == "hero" ? (j == 1 || j == 2 || j == 5 || j == 9 || j == 10 || j == 13) : false;
            if (flag) {
                v[j] = "2";
                out.push_back({index, unsplit(v), "flag " + std::to_string(j) + " is 2"});
            }
        }
    }
    return out;
}

}  // namespace

TEST(ReplayFile, TheGoodFileReadsEveryValueIntoItsField) {
    std::vector<replay::Section> s;
    std::string error;
    ASSERT_TRUE(replay::parse(join(kGood), "good.txt", s, error)) << error;
    ASSERT_EQ(s.size(), 1u);
    const replay::LevelStart &st = s[0].start;
    EXPECT_EQ(st.level_index, 3);
    EXPECT_EQ(st.path, "levels/level3.txt");
    EXPECT_EQ(st.seed, 18446744073709551615ull);
    EXPECT_EQ(st.deaths, 1);
    EXPECT_EQ(st.total_points, 2);
    EXPECT_EQ(st.total_nuts, 3);
    const HeroCarry &h = st.hero;
    EXPECT_EQ(h.hero_facing, 1);
    EXPECT_EQ(h.hero_walking, 1);
    EXPECT_FLOAT_EQ(h.walk_speed, 0.5f);
    EXPECT_FLOAT_EQ(h.fall_speed, -2);
    EXPECT_EQ(h.on_ground, 1);
    EXPECT_FLOAT_EQ(h.ground_normal_x, 0.25f);
    EXPECT_FLOAT_EQ(h.ground_normal_y, -0.75f);
    EXPECT_FLOAT_EQ(h.ground_depth, 1.5f);
    EXPECT_EQ(h.jumping, 1);
    EXPECT_EQ(h.hurt, 1);
    EXPECT_FLOAT_EQ(h.hurt_time, 100.5f);
    EXPECT_FLOAT_EQ(h.world_time, 2000.25f);
    EXPECT_EQ(h.riding, 1);
    EXPECT_FLOAT_EQ(h.shadow_x, 10);
    EXPECT_FLOAT_EQ(h.shadow_y, 20);
    EXPECT_FLOAT_EQ(h.shadow_alpha, 128);
    ASSERT_EQ(st.particles.size(), 1u);
    const TEffect2d &p = st.particles[0];
    EXPECT_EQ(p.kind, "star");
    EXPECT_EQ(p.colour, 255);
    EXPECT_FLOAT_EQ(p.x, 1);
    EXPECT_FLOAT_EQ(p.y, 2);
    EXPECT_FLOAT_EQ(p.vx, 3);
    EXPECT_FLOAT_EQ(p.vy, 4);
    EXPECT_FLOAT_EQ(p.size, 5);
    EXPECT_FLOAT_EQ(p.fade_step, 6);
    EXPECT_FLOAT_EQ(p.age, 7);
    EXPECT_FLOAT_EQ(p.alpha, 8);
    EXPECT_FLOAT_EQ(p.angle, 9);
    ASSERT_EQ(s[0].entries.size(), 3u);
    const TickInput &in = s[0].entries[0].input;
    EXPECT_EQ(s[0].entries[0].kind, replay::EntryKind::tick);
    EXPECT_EQ(in.left, 1);
    EXPECT_EQ(in.right, 0);
    EXPECT_EQ(in.jump, 1);
    EXPECT_EQ(in.finish, 0);
    EXPECT_EQ(in.mouse_steers, 1);
    EXPECT_EQ(in.mouse_x, 400);
    EXPECT_EQ(in.mouse_dx, -3);
    EXPECT_FLOAT_EQ(in.camera_x, 12.5f);
    EXPECT_DOUBLE_EQ(in.time_ms, 1000.5);
    EXPECT_EQ(s[0].entries[1].kind, replay::EntryKind::respawn);
    EXPECT_EQ(s[0].entries[2].kind, replay::EntryKind::reload);
}

TEST(ReplayFile, EveryShortLongGarbledOrTrailingLineIsRefusedWithItsLineNumber) {
    int checked = 0;
    for (std::size_t i = 1; i < kGood.size(); ++i) {
        for (const Bad &b : bad_variants(i)) {
            std::vector<std::string> lines = kGood;
            lines.insert(lines.begin() + 1, "# a comment line, counted");
            lines[b.index + 1] = b.line;
            std::vector<replay::Section> s;
            std::string error;
            EXPECT_FALSE(replay::parse(join(lines), "r.txt", s, error)) << b.why << ": " << b.line;
            EXPECT_EQ(error.rfind("r.txt, line " + std::to_string(b.index + 2) + ": ", 0), 0u)
                << b.why << ": " << b.line << " gave " << error;
            ++checked;
        }
    }
    // Every kind of line contributed (at least short/long and a garbled value each).
    EXPECT_GT(checked, 150);
}

TEST(ReplayFile, TheVersionLineAndTheFilesShapeAreChecked) {
    struct Case {
        std::string text, where;
    };
    const std::vector<Case> cases = {
        {"", "line 1"},                                             // empty
        {"tarvelok replay 2\n", "line 1"},                          // another version
        {"tarvelok replay 1 \n", "line 1"},                         // stray blank after the version
        {"tarvelok replay 1\n", "line 1"},                          // no level
        {"tarvelok replay 1\nseed 1\n", "line 2"},                  // before the first level
        {"tarvelok replay 1\nlevel 30 a.txt\n", "line 2"},          // level index past the list
        {"tarvelok replay 1\nlevel -1 a.txt\n", "line 2"},
        {"tarvelok replay 1\nlevel 0 a.txt\nseed -1\n", "line 3"},  // a negative seed
        {"tarvelok replay 1\nlevel 0 a.txt\nseed 18446744073709551616\n", "line 3"},  // past 64 bits
        {"tarvelok replay 1\nlevel 0 a.txt\ntick 0 0 0 0 0 0 0 0 inf\n", "line 3"},
        {"tarvelok replay 1\nlevel 0 a.txt\ntick 0 0 0 0 0 0 0 nan 0\n", "line 3"},
        {"tarvelok replay 1\nlevel 0 a.txt\ntick 0 0 0 0 0 1000000001 0 0 0\n", "line 3"},
        {"tarvelok replay 1\nlevel 0 a.txt\nstep\n", "line 3"},     // unknown
    };
    for (const Case &c : cases) {
        std::vector<replay::Section> s;
        std::string error;
        EXPECT_FALSE(replay::parse(c.text, "v.txt", s, error)) << c.text;
        EXPECT_EQ(error.rfind("v.txt, " + c.where + ": ", 0), 0u) << c.text << " gave " << error;
    }
    // CR LF lines and blank lines are fine.
    std::vector<replay::Section> s;
    std::string error;
    EXPECT_TRUE(replay::parse("tarvelok replay 1\r\n\r\nlevel 0 a.txt\r\ntick 0 0 0 0 0 0 0 0 0\r\n", "ok.txt", s, error))
        << error;
}
