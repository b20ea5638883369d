// world_items.h - the world tests' way to build a level by hand: an item appended to a layer of a
// World (std::vector<tmin> or SharedLayer), its role resolved from its kind, with an outline when
// points are given. Needs the world library alone.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "world/world.h"

namespace worlditems {

template <typename Layer>  // std::vector<tmin> or SharedLayer
tmin &add_item(Layer &layer, int32_t &count, const std::string &kind, int32_t x, int32_t y,
               std::vector<OE_Point> points = {}) {
    tmin &t = append_item(layer, count);
    t.kind = kind;
    t.role = kind_of(kind);
    t.x = x;
    t.y = y;
    t.frame = 1;
    if (points.size() >= 2) {
        t.outline.points = std::move(points);
        t.outline.count = static_cast<int32_t>(t.outline.points.size()) - 1;
    }
    return t;
}

}  // namespace worlditems
