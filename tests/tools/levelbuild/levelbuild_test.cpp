// levelbuild_test - the level builder: each refusal made by a small broken source (the message
// must name the source line), the terrain splitting, and the shipped level files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cp1251.h"
#include "level_core.h"
#include "world/level_file.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;

// The pictures a small source may use, with the sizes of the game's pictures.
lv::Pictures pictures() {
    lv::Pictures p;
    p.size = {{"enot", {1440, 288}}, {"table", {1920, 128}}, {"bnut", {960, 64}}, {"ship", {1440, 96}},
              {"turf", {256, 256}}, {"stone", {256, 256}}, {"bgcarst", {256, 256}}, {"sky_valley", {800, 600}},
              {"bapple", {720, 48}}, {"romash", {1440, 96}}, {"worm", {1920, 128}}, {"bee", {960, 64}},
              {"fonar", {1920, 256}}, {"znak", {1440, 96}}};
    return p;
}

// A sound little level: flat ground from x 0 to 2000 at y 768 between two walls, hero, nut, table.
const std::string kGood =
    "backdrop sky_valley\n"
    "[ground]\n"
    "poly stone 0,0 64,0 64,1024 0,1024\n"
    "land turf bottom=1024  64,768 1936,768\n"
    "poly stone 1936,0 2000,0 2000,1024 1936,1024\n"
    "[objects]\n"
    "enot 200 g\n"
    "bnut 600 g\n"
    "table 1700 g\n";

struct Result {
    bool ok;
    std::vector<std::string> errors;
    lv::Level level;
};
Result build(const std::string &text) {
    Result r;
    r.ok = lv::parse_source(text, "t.lvs", pictures(), r.level, r.errors);
    if (r.ok) r.ok = lv::check_level(r.level, "t.lvs", r.errors);
    return r;
}

// Replaces the first occurrence of `from` in the good level.
std::string good_with(const std::string &from, const std::string &to) {
    std::string s = kGood;
    const size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
}

// Expects a refusal whose first message starts with "t.lvs:LINE: " and contains `words`.
void expect_refused(const std::string &text, int line, const std::string &words) {
    const Result r = build(text);
    ASSERT_FALSE(r.ok) << "accepted:\n" << text;
    ASSERT_FALSE(r.errors.empty());
    const std::string &e = r.errors.front();
    EXPECT_EQ(e.rfind("t.lvs:" + std::to_string(line) + ": ", 0), 0u) << e;
    EXPECT_NE(e.find(words), std::string::npos) << e;
}

TEST(LevelBuild, SoundLevelIsAcceptedAndStandsOnTheGround) {
    const Result r = build(kGood);
    ASSERT_TRUE(r.ok) << (r.errors.empty() ? "" : r.errors.front());
    const auto &objs = r.level.layers[lv::kObjects];
    ASSERT_EQ(objs.size(), 3u);
    // The hero's probe circle (radius 32, 16 below its centre) rests on the ground at 768.
    EXPECT_EQ(objs[0].y, 768 - 48);
    EXPECT_EQ(objs[1].y, 768 - 32);   // a 64 px picture stands on its bottom edge
    EXPECT_EQ(objs[2].y, 768 - 64);
}

TEST(LevelBuild, RefusesOutlinesTheFanCannotDraw) {
    // A "C" shape whose first point is on the inner side: the fan folds over itself.
    expect_refused(good_with("[objects]", "poly stone 300,400 400,300 500,300 500,500 400,500 400,380 450,380 450,420\n[objects]"),
                   6, "fan");
    // A square with a notch: star-shaped around the notch's tip, which sees all of it, but not
    // around a corner from which the notch hides part of the far side.
    EXPECT_TRUE(lv::fan_drawable({{50, 40}, {0, 100}, {0, 0}, {100, 0}, {100, 100}}));
    EXPECT_FALSE(lv::fan_drawable({{0, 0}, {100, 0}, {100, 100}, {50, 40}, {0, 100}}));
    EXPECT_FALSE(lv::fan_drawable({{0, 0}, {10, 10}}));   // two points fill nothing
}

TEST(LevelBuild, RefusesMissingOrDoubledRequiredObjects) {
    expect_refused(good_with("enot 200 g\n", ""), 8, "exactly one \"enot\"");
    expect_refused(good_with("bnut 600 g\n", "bnut 600 g\nbnut 700 g\n"), 9, "exactly one \"bnut\"");
    expect_refused(good_with("table 1700 g\n", ""), 8, "exactly one \"table\"");
    // The final scene needs only the hero, and may not end.
    std::string final_scene = good_with("bnut 600 g\n", "");
    final_scene = "final\n" + final_scene;
    expect_refused(final_scene, 9, "not allowed");
    final_scene.replace(final_scene.find("table 1700 g\n"), 13, "");
    EXPECT_TRUE(build(final_scene).ok);
}

TEST(LevelBuild, RefusesKindsWithoutPictures) {
    expect_refused(good_with("bnut 600 g\n", "bnut 600 g\nbapples 900 g\n"), 9, "no picture named \"bapples\"");
    expect_refused(good_with("backdrop sky_valley", "backdrop sky_nowhere"), 1, "no picture");
    expect_refused(good_with("land turf", "land grass"), 4, "no picture named \"grass\"");
    expect_refused(good_with("bnut 600 g\n", "bnut 600 g\ndelete 900 g\n"), 9, "removal mark");
}

TEST(LevelBuild, RefusesPitsWithoutAHazardAndFallsOffTheWorld) {
    // A 160 px wide, 232 px deep pit: jumped over at 200 px, never climbed out of (130 px jump).
    const std::string pit = good_with("64,768 1936,768", "64,768 900,768 904,1000 1064,1000 1068,768 1936,768");
    expect_refused(pit, 4, "pit at x");
    // A thorn at its floor kills, so the hero starts again: accepted.
    std::string killing = pit;
    killing += "ship 984 g\n";
    EXPECT_TRUE(build(killing).ok);
    // A shallow dip (100 px) can be jumped out of: no hazard needed.
    EXPECT_TRUE(build(good_with("64,768 1936,768", "64,768 900,768 904,868 1064,868 1068,768 1936,768")).ok);
    // Without the right wall the hero walks off the end of the world.
    expect_refused(good_with("poly stone 1936,0 2000,0 2000,1024 1936,1024\n", ""), 4, "fall off");
    // A gap in the ground (two strips 300 px apart) has no floor at all.
    expect_refused(good_with("land turf bottom=1024  64,768 1936,768",
                             "land turf bottom=1024  64,768 800,768\nland turf bottom=1024  1100,768 1936,768"),
                   4, "no floor");
    // A spring at the bottom of a deep pit is a way out: no hazard needed.
    std::string sprung = pit + "romash 984 g\n";
    EXPECT_TRUE(build(sprung).ok) << build(sprung).errors.front();
}

// A roof over a take-off: with thorns in a 120 px pit (x 900..1020) and floor at 768 both sides, a
// jump's probe reaches 64 + 130 = 194 px above the floor; a slab whose underside is lower than that
// over the last 64 px before a rim, or the first 132 px of the flight past it, cuts the jump short.
TEST(LevelBuild, RefusesUntaughtRoofsOverAJumpFromARim) {
    std::string pit = good_with("64,768 1936,768", "64,768 900,768 904,900 1016,900 1020,768 1936,768");
    pit += "ship 960 g@800\n";
    ASSERT_TRUE(build(pit).ok) << build(pit).errors.front();
    // A slab 176 px above the floor, over the last stretch before the rim (x 860..960): refused,
    // naming the slab's line (the pit's thorns are line 9, the slab is line 5).
    auto with_slab = [&](const std::string &slab) {
        std::string s = pit;
        return s.insert(s.find("poly stone 1936"), slab + "\n");
    };
    expect_refused(with_slab("poly stone 860,592 960,592 960,570 860,570"), 5, "cuts short a jump from the rim");
    // The same marked as a low roof the level teaches: accepted.
    EXPECT_TRUE(build(with_slab("poly stone low 860,592 960,592 960,570 860,570")).ok);
    // High enough (underside 200 px above the floor): the probe passes under it.
    EXPECT_TRUE(build(with_slab("poly stone 860,568 960,568 960,540 860,540")).ok);
    // Far enough back from the rim (ends 72 px before it, the run-up is 64): accepted.
    EXPECT_TRUE(build(with_slab("poly stone 700,592 828,592 828,570 700,570")).ok);
    // A block the jump can land on (its top 100 px up), just past the far rim where a jump back
    // takes off: a step, not a roof.
    EXPECT_TRUE(build(with_slab("poly stone 1030,692 1090,692 1090,668 1030,668")).ok);
    // Over the pit, where the jump from the near rim (x 900) rises, 168 px up: refused.
    expect_refused(with_slab("poly stone 1000,600 1060,600 1060,578 1000,578"), 5, "cuts short a jump");
}

// The hero comes back to life at its start with the creatures wherever they are, so no creature's
// path may come within touch of the start point. The hero's centre stands at y 720 there (x 200),
// a worm's at 744: a worm hurts within 64 px, so it must keep sqrt(64^2 - 24^2) = 59.3 px away.
TEST(LevelBuild, RefusesCreaturesWhosePathsReachTheStartPoint) {
    EXPECT_TRUE(build(good_with("table 1700 g\n", "table 1700 g\nworm 260 g\n")).ok);
    expect_refused(good_with("table 1700 g\n", "table 1700 g\nworm 258 g\n"), 10, "of the hero's start point");
    // A worm walks 202 px to the right before it turns: left of a start at 700 it must stay
    // at or left of 700 - 202 - 60.
    const std::string later = good_with("enot 200 g", "enot 700 g");
    EXPECT_TRUE(build(later + "worm 438 g\n").ok);
    expect_refused(later + "worm 440 g\n", 10, "\"worm\" at x 440 comes within 62 px");
    // A bee sinks 116 px below its place and hurts within 32 px: over the start its place must be
    // at y 720 - 32 - 116 = 572 or higher.
    EXPECT_TRUE(build(good_with("table 1700 g\n", "table 1700 g\nbee 200 572\n")).ok);
    expect_refused(good_with("table 1700 g\n", "table 1700 g\nbee 200 574\n"), 10, "\"bee\" at x 200");
}

// A lit checkpoint is where the hero comes back to life, so the same holds for every post: the
// hero appears at the post's centre (its 128-px frame on the ground at 768: y 704) and comes to stand
// at y 720. A worm (centre at 744) left of a post at 1000 walks 202 px right, so it must keep
// sqrt(64^2 - 24^2) = 59.3 px from 1000 - 202 with its place.
TEST(LevelBuild, RefusesCreaturesWhosePathsReachACheckpoint) {
    const std::string post = good_with("table 1700 g\n", "table 1700 g\nfonar 1000 g\n");
    const Result r = build(post);
    ASSERT_TRUE(r.ok) << r.errors.front();
    EXPECT_EQ(r.level.layers[lv::kObjects][3].y, 768 - 64);
    EXPECT_TRUE(build(post + "worm 738 g\n").ok);
    expect_refused(post + "worm 740 g\n", 11, "\"worm\" at x 740 comes within 62 px of the checkpoint at x 1000");
    // A bee over the post: 32 px of touch below its 116-px dip from the post's centre at 704.
    EXPECT_TRUE(build(post + "bee 1000 556\n").ok);
    expect_refused(post + "bee 1000 558\n", 11, "of the checkpoint at x 1000");
}

// A sign's text runs from text= to the end of the line, is stored in code page 1251 on the sign's
// name line, and is read back by the builder and the game alike; it must be a few words the code
// page holds, and only a sign takes one.
TEST(LevelBuild, SignsCarryTheirTextInCodePage1251) {
    const std::string sign = good_with("table 1700 g\n", "table 1700 g\nznak 500 g text=Прыгай через яму!  \n");
    const Result r = build(sign);
    ASSERT_TRUE(r.ok) << r.errors.front();
    const lv::Item &it = r.level.layers[lv::kObjects][3];
    EXPECT_EQ(it.kind, "znak");
    EXPECT_EQ(it.y, 768 - 48);
    EXPECT_EQ(it.text, cp1251::from_utf8("Прыгай через яму!"));  // trailing blanks dropped
    const std::string file = lv::write_level_file(r.level);
    EXPECT_NE(file.find("\r\nznak " + it.text + "\r\n500\r\n"), std::string::npos);
    lv::Level back;
    std::string error;
    ASSERT_TRUE(lv::read_level_file(file, back, error)) << error;
    EXPECT_EQ(back.layers[lv::kObjects][3].kind, "znak");
    EXPECT_EQ(back.layers[lv::kObjects][3].text, it.text);
    World world;
    const LevelReadReport report = read_level_text(world, file, true, LevelReadHooks{});
    ASSERT_TRUE(report.ok) << report.problem;
    EXPECT_EQ(world.object_layer[3].kind, "znak");
    EXPECT_EQ(world.object_layer[3].text, it.text);

    expect_refused(good_with("table 1700 g\n", "table 1700 g\nznak 500 g\n"), 10, "a sign needs text=");
    expect_refused(good_with("table 1700 g\n", "table 1700 g\nbapple 500 g text=Ешь!\n"), 10, "only a sign");
    expect_refused(good_with("table 1700 g\n", "table 1700 g\nznak 500 g text=Прыгай 日\n"), 10, "code page 1251");
    // 64 letters of Cyrillic are 64 bytes in the code page: the most a sign holds.
    std::string longest;
    for (int i = 0; i < lv::kSignTextCapacity; ++i) longest += "Ж";
    EXPECT_TRUE(build(good_with("table 1700 g\n", "table 1700 g\nznak 500 g text=" + longest + "\n")).ok);
    expect_refused(good_with("table 1700 g\n", "table 1700 g\nznak 500 g text=" + longest + "Ж\n"), 10,
                   "65 letters is longer than the 64");
}

TEST(LevelBuild, RefusesMoreThanALayerHolds) {
    expect_refused(good_with("table 1700 g\n", "table 1700 g\nrow bapple 100 500 0 4096\n"), 10, "more than a layer holds");
    EXPECT_TRUE(build(good_with("table 1700 g\n", "table 1700 g\nrow bapple 100 500 0 4094\n")).ok);
}

TEST(LevelBuild, RefusesMalformedStatementsNamingTheLine) {
    expect_refused(good_with("[objects]", "[things]"), 6, "unknown section");
    expect_refused(good_with("enot 200 g", "enot 200 x"), 7, "bad number");
    expect_refused(good_with("land turf bottom=1024", "land turf"), 4, "bottom=");
    expect_refused(good_with("64,768 1936,768", "64,768 60,700 1936,768"), 4, "x rising");
    expect_refused("enot 1 2\n", 1, "before any section");
    expect_refused(good_with("bnut 600 g", "bnut 600 g@2000"), 8, "no solid ground");
}

TEST(LevelBuild, LandIsSplitIntoNarrowConvexPiecesWithTheSameSurface) {
    const std::string valley = good_with("64,768 1936,768", "64,768 700,600 1000,900 1300,600 1936,768");
    const Result r = build(valley);
    ASSERT_TRUE(r.ok) << r.errors.front();
    int pieces = 0;
    for (const lv::Item &it : r.level.layers[lv::kGround]) {
        if (it.kind != "turf") continue;
        ++pieces;
        EXPECT_TRUE(lv::fan_drawable(it.pts));
        EXPECT_LE(it.pts.back().x - it.pts.front().x, 256);
    }
    EXPECT_GE(pieces, 8);   // 1872 px wide, at most 256 each
    // The surface follows the given line: halfway down the first slope, and the valley floor.
    double y = 0;
    ASSERT_TRUE(lv::surface_below(r.level, 382, -1e9, y));
    EXPECT_NEAR(y, 684, 1.0);
    ASSERT_TRUE(lv::surface_below(r.level, 1000, -1e9, y));
    EXPECT_NEAR(y, 900, 1.0);
}

TEST(LevelBuild, LevelFileRoundTrips) {
    const Result r = build(kGood);
    ASSERT_TRUE(r.ok);
    const std::string text = lv::write_level_file(r.level);
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    lv::Level back;
    std::string error;
    ASSERT_TRUE(lv::read_level_file(text, back, error)) << error;
    for (int l = 0; l < lv::kLayerCount; ++l) ASSERT_EQ(back.layers[l].size(), r.level.layers[l].size());
    EXPECT_EQ(back.layers[lv::kGround][1].pts.size(), r.level.layers[lv::kGround][1].pts.size());
    // A file cut inside a section is refused.
    EXPECT_FALSE(lv::read_level_file(text.substr(0, text.size() / 2), back, error));
}

// Every shipped level was written by the builder and reads back with its required objects.
TEST(ShippedLevels, EveryListedLevelReadsBackWithItsObjects) {
    const fs::path game = TARVELOK_GAME_DIR;
    const std::string scenes = test_files::read_file(game / "cfg" / "scenes.txt");
    std::vector<std::string> paths;
    size_t at = 0;
    while (at < scenes.size()) {
        const size_t eol = scenes.find("\r\n", at);
        ASSERT_NE(eol, std::string::npos) << "scene list lines end in CR LF";
        paths.push_back(scenes.substr(at, eol - at));
        at = eol + 2;
    }
    ASSERT_FALSE(paths.empty());
    for (size_t i = 0; i < paths.size(); ++i) {
        lv::Level level;
        std::string error;
        ASSERT_TRUE(lv::read_level_file(test_files::read_file(game / paths[i]), level, error)) << paths[i] << ": " << error;
        int heroes = 0, tables = 0, nuts = 0;
        for (const lv::Item &it : level.layers[lv::kObjects]) {
            heroes += it.kind == "enot";
            tables += it.kind == "table";
            nuts += it.kind == "bnut";
        }
        EXPECT_EQ(heroes, 1) << paths[i];
        const bool final_scene = i + 1 == paths.size() && paths.size() == 11;
        EXPECT_EQ(tables, final_scene ? 0 : 1) << paths[i];
        EXPECT_EQ(nuts, final_scene ? 0 : 1) << paths[i];

        // The game's own reader takes the file whole, with the same count in every section.
        World world;
        const LevelReadReport report =
            read_level_text(world, test_files::read_file(game / paths[i]), true, LevelReadHooks{});
        ASSERT_TRUE(report.ok) << paths[i] << ", line " << report.line << ": " << report.problem;
        EXPECT_EQ(report.extra_heroes, 0) << paths[i];
        const int32_t game_counts[] = {world.back_count, world.ground_count, world.front_count,
                                       world.object_count};
        for (int l = 0; l < lv::kLayerCount; ++l)
            EXPECT_EQ(game_counts[l], int32_t(level.layers[l].size())) << paths[i] << ", section " << l + 1;
    }
}

}  // namespace
