// opening.cpp - the opening screen's marks and the overlap of two levels' openings (opening.h).
#include "opening.h"

#include <algorithm>
#include <cmath>

namespace lv {
namespace {

constexpr double kBackParallax = 0.5;   // the back layer moves at half the camera's speed

// Even-odd test of (x, y) against a closed outline.
bool inside(const std::vector<Point> &pts, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        const Point &a = pts[i], &b = pts[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

// The last outline of `layer` holding (x, y), or null.
const Item *outline_at(const std::vector<Item> &layer, double x, double y) {
    for (auto it = layer.rbegin(); it != layer.rend(); ++it)
        if (it->pts.size() >= 3 && inside(it->pts, x, y)) return &*it;
    return nullptr;
}

int cell_of(double sx, double sy) {
    const int columns = int(std::ceil(kOpeningViewW / kOpeningCell));
    return int(sy / kOpeningCell) * columns + int(sx / kOpeningCell);
}

bool on_view(double sx, double sy) { return sx >= 0 && sy >= 0 && sx < kOpeningViewW && sy < kOpeningViewH; }

}  // namespace

OpeningSet opening_set(const Level &level) {
    OpeningSet marks;
    const Item *hero = nullptr;
    for (const Item &it : level.layers[kObjects])
        if (it.kind == "enot") hero = &it;
    if (!hero) return marks;
    // The view's top-left corner in the world, and where the back layer's world lies under it.
    const double cam_x = hero->x - kOpeningViewW / 2, cam_y = hero->y - kOpeningViewH / 2;
    const double back_x = cam_x * kBackParallax, back_y = cam_y * kBackParallax;

    for (double sy = kOpeningSample / 2; sy < kOpeningViewH; sy += kOpeningSample)
        for (double sx = kOpeningSample / 2; sx < kOpeningViewW; sx += kOpeningSample) {
            std::string kind;
            if (const Item *g = outline_at(level.layers[kGround], sx + cam_x, sy + cam_y)) kind = g->kind;
            else if (const Item *b = outline_at(level.layers[kBack], sx + back_x, sy + back_y)) kind = "back:" + b->kind;
            else if (!level.backdrop.empty()) kind = "backdrop:" + level.backdrop;
            if (!kind.empty()) marks.insert({kind, cell_of(sx, sy)});
        }

    for (int l = 0; l < kLayerCount; ++l)
        for (const Item &it : level.layers[l]) {
            if (!it.pts.empty() || it.kind.empty()) continue;
            const bool back = l == kBack;
            const double sx = it.x - (back ? back_x : cam_x), sy = it.y - (back ? back_y : cam_y);
            if (on_view(sx, sy)) marks.insert({back ? "back:" + it.kind : it.kind, cell_of(sx, sy)});
        }
    return marks;
}

double opening_overlap(const OpeningSet &a, const OpeningSet &b) {
    size_t shared = 0;
    for (const OpeningMark &m : a) shared += b.count(m);
    const size_t all = a.size() + b.size() - shared;
    return all == 0 ? 1.0 : double(shared) / double(all);
}

}  // namespace lv
