// world_model_test.cpp - the level file reader and the level's lifecycle: the sections mapped to
// their layers, outlines of 0 and 1 segments, numbers followed by words, blank lines, short files,
// the hero's start, reload and respawn; every kind of bad file stopping the load with the file and
// line named and the world left empty; the scene list's edge cases; removal of deleted objects.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "world/level_file.h"
#include "world/world_fixture.h"

using namespace testsupport;
using namespace worldtest;

namespace {

// A level file from its lines, joined with CR LF.
std::string lines(std::initializer_list<const char *> l) {
    std::string s;
    for (const char *x : l) s += std::string(x) + "\r\n";
    return s;
}

// back: 1 plain item; ground: one outline of 2 segments and one of none; front: 0; objects: hero,
// a worm, a second hero.
const std::string kGoodLevel = lines({
    "sky_valley",
    "1", "oak", "10", "20", "5", "1", "0",
    "2",
    "turf", "100", "600", "0", "0", "2", "0", "500", "200", "500.5", "200", "700",
    "stone", "5", "6", "0", "0", "0",
    "0",
    "3",
    "enot", "120 the hero, words after the number", "452", "0", "0", "0",
    "worm", "", "  300", "476", "0", "257", "0",
    "enot", "900", "452", "0", "0", "0",
});

}  // namespace

TEST(LevelFile, SectionsFillTheirLayersInFileOrder) {
    WorldGame game;
    ScratchDir dir;
    write_bytes("level.txt", kGoodLevel);
    world.level.start_x = world.level.start_y = -1;
    ASSERT_TRUE(load_level(world, "level.txt", &object_textures));
    EXPECT_EQ(world.backdrop, "sky_valley");
    ASSERT_EQ(world.back_count, 1);
    EXPECT_EQ(world.back_layer[0].kind, "oak");
    EXPECT_EQ(world.back_layer[0].angle, 5);
    EXPECT_EQ(world.back_layer[0].mirrored, 1);
    // The second section is the ground layer, the third the front layer.
    ASSERT_EQ(world.ground_count, 2);
    EXPECT_EQ(world.front_count, 0);
    const tmin &turf = world.ground_layer[0];
    EXPECT_EQ(turf.kind, "turf");
    ASSERT_EQ(turf.outline.count, 2);
    ASSERT_EQ(turf.outline.points.size(), 3u);
    EXPECT_FLOAT_EQ(turf.outline.points[1].x, 200);
    EXPECT_FLOAT_EQ(turf.outline.points[1].y, 500.5f);
    EXPECT_FLOAT_EQ(turf.outline.points[2].y, 700);
    EXPECT_NEAR(turf.outline.cx, (0 + 200 + 200) / 3.0, 1e-3);  // the centre is filled
    EXPECT_NEAR(turf.outline.cy, (500 + 500.5 + 700) / 3.0, 1e-3);
    EXPECT_EQ(world.ground_layer[1].outline.count, 0);
    // Objects: "120 followed by words" reads as 120; blank lines before a number are skipped; the
    // mirror flag keeps its low byte (257 -> 1); loaded objects start at rest at a frame 1..14.
    ASSERT_EQ(world.object_count, 3);
    const tmin &hero = world.object_layer[0], &worm = world.object_layer[1];
    EXPECT_EQ(hero.x, 120);
    EXPECT_EQ(worm.x, 300);
    EXPECT_EQ(worm.y, 476);
    EXPECT_EQ(worm.mirrored, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(world.object_layer[i].frame, 1);
        EXPECT_LE(world.object_layer[i].frame, 14);
        EXPECT_EQ(world.object_layer[i].speed, 0);
    }
    // The first "enot" gives the start; the second is a picture, with one message on stderr.
    EXPECT_EQ(world.level.start_x, 120);
    EXPECT_EQ(world.level.start_y, 452);
    EXPECT_EQ(world.level.hero_x, 120);
    EXPECT_EQ(world.level.level_file, "level.txt");
    EXPECT_TRUE(messages.empty());
}

TEST(LevelFile, ShortFilesReloadAndRespawn) {
    WorldGame game;
    ScratchDir dir;
    // A file that stops inside the hero's block is cut short: refused, naming what is missing.
    write_bytes("cut.txt", lines({"", "0", "1", "turf", "0", "0", "0", "0", "1", "0", "500", "100", "500", "0",
                                  "1", "enot", "60"}));
    EXPECT_FALSE(load_level(world, "cut.txt", &object_textures));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("line 18: the file ends inside an item, where its y should be"), std::string::npos)
        << messages[0];
    messages.clear();
    // The same block whole, the last line without its line end: the hero's start comes from it.
    write_bytes("short.txt", lines({"", "0", "1", "turf", "0", "0", "0", "0", "1", "0", "500", "100", "500", "0",
                                    "1", "enot", "60", "0", "0", "0"}) + "0");
    world.level.start_x = 77;
    world.level.start_y = 88;
    world.tallies.level_points = 300;
    world.tallies.damage = 40;
    clear_world(world);
    ASSERT_TRUE(load_level(world, "short.txt", &object_textures));
    EXPECT_EQ(world.backdrop, "");
    EXPECT_EQ(world.ground_count, 1);
    EXPECT_EQ(world.ground_layer[0].outline.count, 1);  // two points, one segment
    EXPECT_EQ(world.front_count, 0);
    ASSERT_EQ(world.object_count, 1);
    EXPECT_EQ(world.object_layer[0].x, 60);
    EXPECT_EQ(world.object_layer[0].y, 0);
    EXPECT_EQ(world.level.start_x, 60);
    EXPECT_EQ(world.level.start_y, 0);
    EXPECT_EQ(world.tallies.level_points, 0);
    EXPECT_EQ(world.tallies.damage, 0);

    // Reload keeps the start point and the nut, and takes the hero's file position.
    write_bytes("level.txt", kGoodLevel);
    ASSERT_TRUE(load_level(world, "level.txt", &object_textures));
    world.tallies.gold_nut_found = 1;
    world.level.start_x = 5;
    world.level.riding = 1;
    clear_world(world);
    ASSERT_TRUE(reload_level(world, "level.txt"));
    EXPECT_EQ(world.level.start_x, 5);
    EXPECT_EQ(world.tallies.gold_nut_found, 1);
    EXPECT_EQ(world.level.riding, 0);
    EXPECT_EQ(world.object_layer[0].x, 120);

    // Respawn moves only the first "enot".
    world.object_layer[0].x = 999;
    world.object_layer[2].x = 998;
    world.level.start_x = 10;
    world.level.start_y = 20;
    respawn_hero(world);
    EXPECT_EQ(world.object_layer[0].x, 10);
    EXPECT_EQ(world.object_layer[0].y, 20);
    EXPECT_EQ(world.object_layer[2].x, 998);
    // With no hero at all, respawn does nothing.
    clear_world(world);
    respawn_hero(world);
    EXPECT_EQ(world.object_count, 0);
}

TEST(LevelFile, BadFilesStopTheLoadNameTheLineAndLeaveTheWorldEmpty) {
    WorldGame game;
    ScratchDir dir;
    struct Case {
        const char *name;
        std::string bytes;
        const char *expect;  // part of the message
    };
    std::string huge_section = lines({"sky", "4098"});
    const Case cases[] = {
        {"word.txt", lines({"sky", "1", "oak", "ten", "0", "0", "0", "0"}), "word.txt\", line 4: x is not a number"},
        {"negpoints.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "-1"}),
         "negpoints.txt\", line 9: point count -1 is negative"},
        {"manypoints.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "1000", "1", "2"}),
         "manypoints.txt\", line 9: point count 1000 is more than the rest of the file holds"},
        {"badpoint.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "1", "0", "nan", "1", "1"}),
         "badpoint.txt\", line 11: point y is not a number"},
        {"huge.txt", huge_section, "huge.txt\", line 2: back section holds 4098 items, more than the 4097"},
        {"negcount.txt", lines({"sky", "0", "0", "0", "-3"}), "negcount.txt\", line 5: object section count -3"},
        {"range.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "1", "0", "1e999", "1", "1"}),
         "range.txt\", line 11: point y inf lies outside the world"},
        // Counts that lie: the file ends inside an item (here before the first of 4097 announced,
        // and inside the hero's block) instead of reading on as empty items.
        {"lying.txt", "sky_valley\r\n0\r\n0\r\n0\r\n4097", "lying.txt\", line 5: the file ends before object item 1 of the 4097"},
        {"cut.txt", lines({"sky", "0", "0", "0", "1", "enot", "100", "200"}),
         "cut.txt\", line 9: the file ends inside an item, where its angle should be"},
        {"cutpoints.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "2", "0", "500", "200", "500", "400 "}),
         "cutpoints.txt\", line 15: the file ends inside an item, where its point y should be"},
        // A count as written, not its low 32 bits (-1).
        {"maxcount.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "9223372036854775807", "0", "0"}),
         "maxcount.txt\", line 9: point count 9223372036854775807 is out of range"},
        // Positions and points beyond the world's extent.
        {"farx.txt", lines({"sky", "0", "0", "0", "1", "enot", "2147483647", "0", "0", "0", "0"}),
         "farx.txt\", line 7: x 2147483647 lies outside the world (-1000000..1000000)"},
        {"fary.txt", lines({"sky", "1", "oak", "0", "-1000001", "0", "0", "0"}),
         "fary.txt\", line 5: y -1000001 lies outside the world"},
        {"farpoint.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "1", "0", "0", "1000000.5", "0"}),
         "farpoint.txt\", line 12: point x 1000000.5 lies outside the world"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(c.name, c.bytes);
        messages.clear();
        // A good level first, so that "empty" means emptied.
        write_bytes("good.txt", kGoodLevel);
        ASSERT_TRUE(load_level(world, "good.txt", &object_textures));
        clear_world(world);
        EXPECT_FALSE(load_level(world, c.name, &object_textures));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(c.expect), std::string::npos) << messages[0];
        EXPECT_EQ(world.back_count + world.ground_count + world.front_count + world.object_count, 0);
        EXPECT_EQ(world.backdrop, "");
    }
    // A missing file, a path that is a directory, and a named pipe (which must not hang the load).
    messages.clear();
    EXPECT_FALSE(load_level(world, "nothere.txt", &object_textures));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("nothere.txt\": missing"), std::string::npos) << messages[0];
    fs::create_directory("adir");
    EXPECT_FALSE(load_level(world, "adir", &object_textures));
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    EXPECT_FALSE(reload_level(world, "pipe"));
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_NE(messages[2].find("pipe\" is not a regular file"), std::string::npos) << messages[2];
    // A file too large to read and a name too long for the system say so (a sparse file: no disk).
    {
        std::FILE *f = std::fopen("big.txt", "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(ftruncate(fileno(f), off_t(platform::kMaxReadBytes) + 1), 0);
        std::fclose(f);
    }
    messages.clear();
    EXPECT_FALSE(load_level(world, "big.txt", &object_textures));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("big.txt\" is larger than 67108864 bytes"), std::string::npos) << messages[0];
    messages.clear();
    EXPECT_FALSE(load_level(world, std::string(1000000, 'a') + ".txt", &object_textures));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("(1000004 bytes) has a name too long for the file system"), std::string::npos) << messages[0];
    // Mending the file and loading again works: nothing sticky was left behind.
    write_bytes("word.txt", kGoodLevel);
    EXPECT_TRUE(load_level(world, "word.txt", &object_textures));
    EXPECT_EQ(world.object_count, 3);
}

TEST(LevelFile, ALevelWithoutAHeroIsRefused) {
    WorldGame game;
    ScratchDir dir;
    // Files that read as levels without an "enot" among the objects: nothing to play.
    const std::pair<const char *, std::string> cases[] = {
        {"empty.txt", ""},
        {"nul.txt", std::string(65536, '\0')},
        {"terrain_only.txt", lines({"sky", "0", "1", "turf", "0", "0", "0", "0", "1", "0", "500", "900", "500", "0", "0"})},
        {"hero_in_ground.txt", lines({"sky", "0", "1", "enot", "0", "0", "0", "0", "0", "0", "1", "bapple", "5", "5",
                                      "0", "0", "0"})},
    };
    for (const auto &[name, bytes] : cases) {
        SCOPED_TRACE(name);
        write_bytes(name, bytes);
        messages.clear();
        EXPECT_FALSE(load_level(world, name, &object_textures));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(std::string(name) + "\": no \"enot\""), std::string::npos) << messages[0];
        EXPECT_EQ(world.back_count + world.ground_count + world.front_count + world.object_count, 0);
        EXPECT_FALSE(reload_level(world, name));  // the developer's F1 refuses it the same way
        EXPECT_EQ(messages.size(), 2u);
    }
    // Text that is no level at all: this process's environment, a regular file of size 0 to stat.
    messages.clear();
    EXPECT_FALSE(load_level(world, "/proc/self/environ", &object_textures));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("no \"enot\""), std::string::npos) << messages[0];
    // One hero is enough, even as the only object.
    write_bytes("hero.txt", lines({"sky", "0", "0", "0", "1", "enot", "5", "6", "0", "0", "0"}));
    EXPECT_TRUE(load_level(world, "hero.txt", &object_textures));
}

TEST(LevelFile, ReaderLimitsAndTheSecondHero) {
    WorldGame game;
    // Exactly 4097 items fit a layer.
    std::string full = "sky\r\n0\r\n0\r\n0\r\n4097\r\n";
    for (int i = 0; i < kLayerCapacity; ++i) full += "bapple\r\n" + std::to_string(i) + "\r\n0\r\n0\r\n0\r\n0\r\n";
    LevelReadReport r = read_level_text(world, full, true, LevelReadHooks{});
    EXPECT_TRUE(r.ok) << r.problem;
    EXPECT_EQ(world.object_count, kLayerCapacity);
    EXPECT_EQ(world.object_layer[kLayerCapacity - 1].x, kLayerCapacity - 1);
    clear_layers(world);
    // Two more heroes: reported once, with the line of the first of them.
    r = read_level_text(world, kGoodLevel + lines({}), true, LevelReadHooks{});
    EXPECT_EQ(r.extra_heroes, 1);
    EXPECT_EQ(r.extra_hero_line, 43);
    clear_layers(world);
    // The point count keeps only its low 32 bits: 2^32 + 1 is one segment.
    r = read_level_text(world, lines({"", "0", "1", "turf", "0", "0", "0", "0", "4294967297", "0", "0", "5", "5"}), true,
                        LevelReadHooks{});
    EXPECT_TRUE(r.ok) << r.problem;
    EXPECT_EQ(world.ground_layer[0].outline.count, 1);
    clear_layers(world);
    // The world's extent holds exactly: -kWorldExtent..kWorldExtent for positions and points.
    const std::string edge = std::to_string(kWorldExtent), minus_edge = std::to_string(-kWorldExtent);
    r = read_level_text(world, lines({"", "0", "1", "turf", edge.c_str(), minus_edge.c_str(), "0", "0", "1", edge.c_str(),
                               minus_edge.c_str(), minus_edge.c_str(), edge.c_str()}),
                        true, LevelReadHooks{});
    EXPECT_TRUE(r.ok) << r.problem;
    EXPECT_FLOAT_EQ(world.ground_layer[0].outline.points[1].y, float(kWorldExtent));
    clear_layers(world);
}

// A level of `outlines` ground outlines of `points` points each (a saw along y = 500).
std::string outline_level(int outlines, int points) {
    std::string s = "sky\r\n0\r\n" + std::to_string(outlines) + "\r\n";
    for (int o = 0; o < outlines; ++o) {
        s += "turf\r\n0\r\n0\r\n0\r\n0\r\n" + std::to_string(points - 1) + "\r\n";
        for (int i = 0; i < points; ++i) s += std::to_string(o * 100000 + i) + "\r\n" + std::to_string(500 + i % 2) + "\r\n";
    }
    return s;
}

TEST(LevelFile, OutlinesAndLevelsHoldABoundedNumberOfPoints) {
    WorldGame game;
    // One outline of exactly the capacity reads; one point more is refused, as written.
    LevelReadReport r = read_level_text(world, outline_level(1, kOutlinePointCapacity), true, LevelReadHooks{});
    EXPECT_TRUE(r.ok) << r.problem;
    EXPECT_EQ(world.ground_layer[0].outline.points.size(), std::size_t(kOutlinePointCapacity));
    clear_layers(world);
    r = read_level_text(world, outline_level(1, kOutlinePointCapacity + 1), true, LevelReadHooks{});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 9);
    EXPECT_EQ(r.problem, "point count " + std::to_string(kOutlinePointCapacity) + ": an outline holds at most " +
                             std::to_string(kOutlinePointCapacity) + " points");
    clear_layers(world);
    // The level's points together: exactly the capacity reads, one outline more is refused at its count.
    const int outlines = kLevelPointCapacity / kOutlinePointCapacity;
    r = read_level_text(world, outline_level(outlines, kOutlinePointCapacity), true, LevelReadHooks{});
    EXPECT_TRUE(r.ok) << r.problem;
    clear_layers(world);
    const std::string over = outline_level(outlines + 1, kOutlinePointCapacity);
    r = read_level_text(world, over, true, LevelReadHooks{});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.problem.find("more than the " + std::to_string(kLevelPointCapacity) + " points a level may hold"),
              std::string::npos) << r.problem;
    EXPECT_EQ(r.line, 9 + outlines * (6 + 2 * kOutlinePointCapacity));
    clear_layers(world);
}

namespace {
std::vector<std::string> g_loaded_pictures;
OE_Texture *count_picture(const char *path, int32_t, int32_t) {
    g_loaded_pictures.emplace_back(path);
    return nullptr;
}
}  // namespace

TEST(LevelFile, PicturesLoadOnceWhateverTheItemsAskFor) {
    WorldGame game;
    ScratchDir dir;
    eng.Tex_LoadFromFile = count_picture;
    g_loaded_pictures.clear();
    const char *pictures[] = {"bapple", "bberry", "bee", "bgold", "enot", "oak"};
    for (const char *n : pictures) write_bytes(std::string("gfx/obj/") + n + ".tga", "");
    // Thousands of items with an empty kind (blank name lines) or a kind that is only a prefix of
    // picture names ("b"): each picture is still loaded once, and the empty kind asks for none.
    std::string level = "\r\n0\r\n0\r\n0\r\n" + std::to_string(kLayerCapacity) + "\r\n";
    for (int i = 0; i < kLayerCapacity; ++i)
        level += std::string(i == 0 ? "enot" : i % 2 ? "b" : "") + "\r\n1\r\n2\r\n0\r\n0\r\n0\r\n";
    write_bytes("many.txt", level);
    ASSERT_TRUE(load_level(world, "many.txt", &object_textures)) << (messages.empty() ? "" : messages[0]);
    EXPECT_EQ(world.object_count, kLayerCapacity);
    EXPECT_EQ(g_loaded_pictures.size(), 5u);  // enot, then bapple bberry bee bgold
    EXPECT_EQ(object_textures.count, 5);
    // The 28-byte file that announces 4097 items and holds none is refused and loads nothing more.
    g_loaded_pictures.clear();
    write_bytes("lying.txt", "sky_valley\r\n\r\n0\r\n0\r\n0\r\n\r\n4097");
    EXPECT_FALSE(load_level(world, "lying.txt", &object_textures));
    EXPECT_TRUE(g_loaded_pictures.empty());
    Base_Free(object_textures);
}

TEST(LevelFile, ALevelCutAnywhereLoadsOnlyWhereASectionWouldStart) {
    WorldGame game;
    // Cut at every byte, the good level either reads (the cut falls where a count line would
    // start, or inside the last line of a complete file) or is refused as ending inside an item
    // (or, within an outline, as announcing more points than the rest of the file holds).
    int loaded = 0;
    for (std::size_t cut = 0; cut <= kGoodLevel.size(); ++cut) {
        const LevelReadReport r = read_level_text(world, kGoodLevel.substr(0, cut), true, LevelReadHooks{});
        if (r.ok) {
            ++loaded;
        } else {
            EXPECT_TRUE(r.problem.find("the file ends") != std::string::npos ||
                        r.problem.find("more than the rest of the file holds") != std::string::npos)
                << cut << ": " << r.problem;
        }
        clear_layers(world);
    }
    // Where it reads: the backdrop line or a count line cut short, or the full file.
    EXPECT_GT(loaded, 0);
    const LevelReadReport whole = read_level_text(world, kGoodLevel, true, LevelReadHooks{});
    EXPECT_TRUE(whole.ok);
    clear_layers(world);
    const LevelReadReport no_objects = read_level_text(world, kGoodLevel.substr(0, kGoodLevel.find("3\r\nenot")), true, LevelReadHooks{});
    EXPECT_TRUE(no_objects.ok) << no_objects.problem;
    EXPECT_EQ(world.object_count, 0);
    clear_layers(world);
}

TEST(LevelFile, FuzzFindingsAndSeedsStayInsideTheWorld) {
    // The level fuzz target's seeds and every input it found (crashes, undefined behaviour, slow
    // or huge runs), each read and, when it reads, played for 200 ticks with Right and Space
    // held: under the sanitizer build any overflow fails here, and in every build each object stays
    // within reach of the world's extent (200 ticks move nothing more than a few thousand pixels).
    WorldGame game;
    int files = 0, played = 0;
    for (const char *folder : {"seeds", "regressions"}) {
        const fs::path dir = fs::path(TARVELOK_SOURCE_DIR) / "tools" / "levelfuzz" / folder;
        if (!fs::exists(dir)) continue;
        for (const auto &e : fs::directory_iterator(dir)) {
            SCOPED_TRACE(e.path().string());
            ++files;
            world = World{};
            session.game_state = GameState::playing;
            const LevelReadReport r = read_level_text(world, read_bytes(e.path()), true, LevelReadHooks{});
            if (!r.ok) {
                EXPECT_GT(r.line, 0);
                EXPECT_FALSE(r.problem.empty());
                continue;
            }
            ++played;
            fake::keys_down = {39, 32};
            for (int t = 0; t < 200; ++t) {
                step_world();  // Space held: every step jumps
                session.game_state = GameState::playing;
            }
            for (int32_t i = 0; i < world.object_count; ++i) {
                EXPECT_LE(std::abs(int64_t(world.object_layer[i].x)), kWorldExtent + 10000);
                EXPECT_LE(std::abs(int64_t(world.object_layer[i].y)), kWorldExtent + 10000);
            }
        }
    }
    EXPECT_GE(files, 8);
    EXPECT_GT(played, 0);
    clear_world(world);
}

TEST(LevelFile, TheLastCoordinateNeedsNoLineEnd) {
    WorldGame game;
    // The object section's one item has an outline of one segment; its four coordinates take one
    // character each, so the file holds exactly what they need when the last has no line end.
    const std::string head = lines({"sky", "0", "0", "0", "1", "enot", "5", "6", "0", "0", "1"});
    for (const std::string &points : {std::string("1\n2\n3\n4"), std::string("1\r\n2\r\n3\r\n-12.5")}) {
        SCOPED_TRACE(points);
        LevelReadReport r = read_level_text(world, head + points, true, LevelReadHooks{});
        EXPECT_TRUE(r.ok) << r.line << ": " << r.problem;
        ASSERT_EQ(world.object_count, 1);
        const TPolyLine2D &outline = world.object_layer[0].outline;
        ASSERT_EQ(outline.count, 1);
        ASSERT_EQ(outline.points.size(), 2u);
        EXPECT_FLOAT_EQ(outline.points[0].x, 1);
        EXPECT_FLOAT_EQ(outline.points[0].y, 2);
        EXPECT_FLOAT_EQ(outline.points[1].x, 3);
        EXPECT_FLOAT_EQ(outline.points[1].y, points.back() == '4' ? 4 : -12.5f);
        clear_layers(world);
    }
}

TEST(SceneList, LinesAreTakenWholeAndTheListIsBounded) {
    WorldGame game;
    ScratchDir dir;
    // Missing: empty, and the start of a level says so.
    load_scene_catalogue();
    EXPECT_EQ(scene_file(0), "");
    EXPECT_FALSE(load_world(scene_file(0)));  // the shell names the profile's level (0)
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("cfg\\scenes.txt: missing"), std::string::npos) << messages[0];

    // 11 lines, the last without a line break, spaces kept, a blank line giving an empty entry.
    std::string text;
    for (int i = 0; i < 10; ++i) text += (i == 3 ? std::string() : " lev" + std::to_string(i) + ".txt ") + "\r\n";
    text += "last.txt";
    write_bytes("cfg/scenes.txt", text);
    load_scene_catalogue();
    EXPECT_EQ(scene_file(0), " lev0.txt ");
    EXPECT_EQ(scene_file(3), "");
    EXPECT_EQ(scene_file(10), "last.txt");
    EXPECT_EQ(scene_file(11), "");
    EXPECT_EQ(scene_file(-1), "");
    EXPECT_EQ(scene_file(30), "");
    profile.level_index = 3;
    messages.clear();
    EXPECT_FALSE(load_world(scene_file(3)));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("line 4: empty entry for level 3"), std::string::npos) << messages[0];

    // A line holding a NUL byte is no path (the file system would see "lev" only): ignored with
    // one warning naming the line, and starting that level says why.
    write_bytes("cfg/scenes.txt", std::string("a.txt\r\nlev") + '\0' + "el.txt\r\nc.txt\r\n");
    testing::internal::CaptureStderr();
    load_scene_catalogue();
    std::string warned = testing::internal::GetCapturedStderr();
    EXPECT_EQ(scene_file(0), "a.txt");
    EXPECT_EQ(scene_file(1), "");
    EXPECT_EQ(scene_file(2), "c.txt");
    EXPECT_NE(warned.find("line 2: \"lev\\x00el.txt\" holds a NUL byte"), std::string::npos) << warned;
    profile.level_index = 1;
    messages.clear();
    EXPECT_FALSE(load_world(scene_file(1)));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("line 2: ignored, it holds a NUL byte (level 1)"), std::string::npos) << messages[0];

    // 35 lines: 30 kept, one warning.
    text.clear();
    for (int i = 0; i < 35; ++i) text += "l" + std::to_string(i) + "\r\n";
    write_bytes("cfg/scenes.txt", text);
    testing::internal::CaptureStderr();
    load_scene_catalogue();
    load_scene_catalogue();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(scene_file(29), "l29");
    EXPECT_NE(err.find("more than 30 lines"), std::string::npos) << err;
    EXPECT_EQ(err.find("more than 30 lines"), err.rfind("more than 30 lines"));  // once per run
}

TEST(WorldModel, RemovalTakesAdjacentRemovedEntriesOneCallApart) {
    WorldGame game;
    for (const char *k : {"a", "delete", "delete", "b", "delete", "c"}) add_object(k, 0, 0);
    remove_marked(world);
    // The first of the adjacent pair goes; the second moved into its place and waits.
    ASSERT_EQ(world.object_count, 4);
    EXPECT_EQ(world.object_layer[0].kind, "a");
    EXPECT_EQ(world.object_layer[1].kind, "delete");
    EXPECT_EQ(world.object_layer[2].kind, "b");
    EXPECT_EQ(world.object_layer[3].kind, "c");
    remove_marked(world);
    ASSERT_EQ(world.object_count, 3);
    EXPECT_EQ(world.object_layer[1].kind, "b");
    EXPECT_EQ(world.object_layer[2].kind, "c");
    // A long layer with every third entry removed (never two side by side) is cleared in one call,
    // the others in their order, and the removed entries keep their names to the end.
    world = World{};
    for (int i = 0; i < 3000; ++i) {
        tmin &o = add_object(i % 3 == 1 ? "bapple" : "oak", i, 0);
        if (i % 3 == 1) o.role = Kind::removed;
    }
    remove_marked(world);
    ASSERT_EQ(world.object_count, 2000);
    ASSERT_EQ(world.object_layer.size(), 2000u);
    for (int32_t i = 0; i < world.object_count; ++i) {
        ASSERT_EQ(world.object_layer[std::size_t(i)].x, i / 2 * 3 + (i % 2 == 0 ? 0 : 2)) << i;
        ASSERT_EQ(world.object_layer[std::size_t(i)].kind, "oak");
    }
}
