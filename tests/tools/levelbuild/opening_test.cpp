// opening_test - the opening-screen measure: which (kind, cell) marks a level's first screen gets
// (terrain by what shows at each sample point, the back layer at half the camera's offset,
// pictures on the cell of their centre, nothing past the view), the overlap of two sets, and the
// shipped levels' openings, which must differ pairwise (overlap at most 0.5).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "level_core.h"
#include "opening.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;

lv::Item outline(const std::string &kind, std::vector<lv::Point> pts) {
    lv::Item it;
    it.kind = kind;
    it.pts = std::move(pts);
    return it;
}

lv::Item picture(const std::string &kind, int x, int y) {
    lv::Item it;
    it.kind = kind;
    it.x = x;
    it.y = y;
    return it;
}

// The hero at (0, 300): the view is x -400..400, y 0..600, six columns of 150 px (the last one 50
// wide) and four rows. A stone floor fills everything from y 400 down, so rows 0 and 1 show only
// the sky, row 2 (y 300..450) both, row 3 only stone.
lv::Level floor_level(const std::string &backdrop) {
    lv::Level level;
    level.backdrop = backdrop;
    level.layers[lv::kGround].push_back(outline("stone", {{-2000, 400}, {2000, 400}, {2000, 1400}, {-2000, 1400}}));
    level.layers[lv::kObjects].push_back(picture("enot", 0, 300));
    return level;
}

int cell(int column, int row) { return row * 6 + column; }

TEST(Opening, MarksWhatShowsOnEachCellOfTheFirstScreen) {
    const lv::OpeningSet marks = lv::opening_set(floor_level("sky_valley"));
    // 18 sky cells (rows 0-2), 12 stone cells (rows 2-3), the hero on column 2 (x 300..450 of the
    // view), row 2.
    EXPECT_EQ(marks.size(), 18u + 12u + 1u);
    for (int column = 0; column < 6; ++column) {
        EXPECT_TRUE(marks.count({"backdrop:sky_valley", cell(column, 2)})) << column;
        EXPECT_FALSE(marks.count({"backdrop:sky_valley", cell(column, 3)})) << column;
        EXPECT_TRUE(marks.count({"stone", cell(column, 2)})) << column;
        EXPECT_FALSE(marks.count({"stone", cell(column, 1)})) << column;
    }
    EXPECT_TRUE(marks.count({"enot", cell(2, 2)}));

    // No hero, no opening.
    lv::Level empty = floor_level("sky_valley");
    empty.layers[lv::kObjects].clear();
    EXPECT_TRUE(lv::opening_set(empty).empty());
}

TEST(Opening, TheLastDrawnOutlineShowsAndTheBackLayerMovesAtHalfTheCameraSpeed) {
    lv::Level level = floor_level("sky_valley");
    level.layers[lv::kObjects][0].x = 1000;   // the view: x 600..1400, y 0..600
    // A patch of turf drawn over the stone on the view's cell (0, 3), and a hill of the back layer
    // where the back layer's world shows on the view's cell (1, 1): the back world under the view
    // is offset by half the camera (300, 0), so world x 460..590 is view x 160..290.
    level.layers[lv::kGround].push_back(outline("turf", {{600, 450}, {750, 450}, {750, 600}, {600, 600}}));
    level.layers[lv::kBack].push_back(outline("earth", {{460, 160}, {590, 160}, {590, 290}, {460, 290}}));
    // Pictures: a back-layer bush at world (700, 100) shows at view (400, 100); a ground-layer one
    // there at view (100, 100); one past the view's right edge is not seen.
    level.layers[lv::kBack].push_back(picture("bush", 700, 100));
    level.layers[lv::kGround].push_back(picture("bush", 700, 100));
    level.layers[lv::kFront].push_back(picture("oak", 1400, 100));
    const lv::OpeningSet marks = lv::opening_set(level);
    EXPECT_TRUE(marks.count({"turf", cell(0, 3)}));
    EXPECT_FALSE(marks.count({"stone", cell(0, 3)}));
    EXPECT_TRUE(marks.count({"back:earth", cell(1, 1)}));
    EXPECT_FALSE(marks.count({"backdrop:sky_valley", cell(1, 1)}));
    EXPECT_FALSE(marks.count({"back:earth", cell(0, 1)}));
    EXPECT_TRUE(marks.count({"back:bush", cell(2, 0)}));
    EXPECT_TRUE(marks.count({"bush", cell(0, 0)}));
    EXPECT_EQ(marks.size(), 31u + 2u);   // turf and back:earth replace what they cover; two bushes
}

TEST(Opening, OverlapIsTheSharedMarksOverAllMarks) {
    const lv::OpeningSet day = lv::opening_set(floor_level("sky_valley"));
    const lv::OpeningSet dawn = lv::opening_set(floor_level("sky_dawn"));
    EXPECT_DOUBLE_EQ(lv::opening_overlap(day, day), 1.0);
    // Shared: the 12 stone cells and the hero; all: those and 18 sky cells of each backdrop.
    EXPECT_DOUBLE_EQ(lv::opening_overlap(day, dawn), 13.0 / 49.0);
    EXPECT_DOUBLE_EQ(lv::opening_overlap(dawn, day), 13.0 / 49.0);
    EXPECT_DOUBLE_EQ(lv::opening_overlap(day, lv::OpeningSet{}), 0.0);
    EXPECT_DOUBLE_EQ(lv::opening_overlap(lv::OpeningSet{}, lv::OpeningSet{}), 1.0);
}

// The ten levels (not the final scene) open each on a scene of its own.
TEST(ShippedLevels, EveryTwoLevelsOpenOnDifferentScenes) {
    const fs::path game = TARVELOK_GAME_DIR;
    std::vector<lv::OpeningSet> sets;
    for (int n = 0; n < 10; ++n) {
        const std::string name = "level-0" + std::to_string(n) + ".lvl";
        lv::Level level;
        std::string error;
        ASSERT_TRUE(lv::read_level_file(test_files::read_file(game / "cfg" / "levels" / name), level, error))
            << name << ": " << error;
        sets.push_back(lv::opening_set(level));
        ASSERT_FALSE(sets.back().empty()) << name;
    }
    for (size_t a = 0; a < sets.size(); ++a)
        for (size_t b = a + 1; b < sets.size(); ++b)
            EXPECT_LE(lv::opening_overlap(sets[a], sets[b]), 0.5) << "levels " << a << " and " << b;
}

}  // namespace
