// level_file.h - the level file reader: text in, the world's backdrop and four layers filled.
//
// The file: a backdrop name line, then four sections (back, ground, front, objects), each a count
// line followed by that many item blocks: name, x, y, angle, mirror flag, last point index N and,
// when N is not 0, N + 1 pairs of x and y lines. Name lines are taken whole, but for a sign's:
// "znak TEXT" is the kind "znak" with its text (1251, at most kSignTextCapacity bytes; longer is
// refused). A number line holds a decimal number and anything after it on the line is ignored;
// blank lines before a number are skipped. A file may end where a section's count line would be:
// the sections left out are empty.
// A file that ends inside an item (its name, a number or a point missing) is refused.
//
// Bounds (world.h): kLayerCapacity items a section, kOutlinePointCapacity points an outline,
// kLevelPointCapacity points in all, positions and points within kWorldExtent; beyond any of them
// the file is refused. An empty name (a blank line) asks for no pictures.
//
// The reader opens no file, prints nothing and touches no picture or engine: the caller passes
// hooks for that (level_load.cpp does, the fuzz target passes its own). It stops at the first bad
// line and reports it; what it filled so far stays in the world for the caller to clear.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "world/world.h"

// Each hook may be empty.
struct LevelReadHooks {
    std::function<void(const std::string &name)> want_pictures;  // a kind or backdrop name was read
    std::function<int32_t()> random_frame;                       // 1..14 for each object; empty: 1
    std::function<void(TPolyLine2D &outline)> centre;            // fills cx, cy; empty: not filled
};

struct LevelReadReport {
    bool ok = true;
    int line = 0;              // 1-based line of the problem when !ok
    std::string problem;       // what is wrong there, 1251 text
    int extra_heroes = 0;      // "enot" objects after the first: left as inert pictures
    int extra_hero_line = 0;   // line of the first of them
};

// Fills the backdrop and the layers of `w` from `bytes` (the world should be empty). With `full`,
// the first "enot" of the object section also gives hero_x, hero_y, start_x and start_y.
// Empties the backdrop and the four layers (world_model.cpp).
void clear_layers(World &w);

LevelReadReport read_level_text(World &w, const std::string &bytes, bool full, const LevelReadHooks &hooks);
