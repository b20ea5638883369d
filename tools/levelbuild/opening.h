// opening.h - how much two levels' first screens look alike: the set of (kind, cell) of everything
// the player sees on the screen the level opens with, and the overlap of two such sets.
//
// In: levels read back from their level files (level_core.h). Out: the sets and the overlap, a
// number from 0 (nothing alike) to 1 (the same). It does not draw and does not simulate: what lies
// on a cell is decided from the level's items alone.
#pragma once

#include <set>
#include <string>
#include <utility>

#include "level_core.h"

namespace lv {

constexpr double kOpeningViewW = 800;   // the screen, pixels
constexpr double kOpeningViewH = 600;
constexpr double kOpeningCell = 150;    // side of a cell of the opening's grid, pixels
constexpr double kOpeningSample = 25;   // spacing of the points at which terrain is looked up, pixels

// One thing seen on a cell: its kind ("turf", "oak", "back:earth", "backdrop:sky_valley") and the
// cell, numbered left to right then top to bottom from the view's top-left corner.
using OpeningMark = std::pair<std::string, int>;
using OpeningSet = std::set<OpeningMark>;

// The opening screen of `level`: the 800 x 600 view centred on the hero's start point, as the
// camera shows a hero standing there. On a grid of 150-px cells it marks, for each terrain sample
// point (every 25 px), the kind of what shows there: the last-drawn ground outline holding the
// point, else the last back-layer outline there (seen at half the camera's offset, "back:KIND"),
// else the backdrop ("backdrop:NAME"); and for every picture item (back, ground, front and object
// layers; back ones where they show) its kind on the cell of its centre. Empty when the level has
// no hero.
OpeningSet opening_set(const Level &level);

// |a and b| / |a or b| (1 when both are empty).
double opening_overlap(const OpeningSet &a, const OpeningSet &b);

}  // namespace lv
