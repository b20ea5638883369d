// world_step.cpp - the frame of the simulation: the world step of each logic tick (death check,
// object pass), the terrain contact every walker shares with its index of the ground layer, and
// the animation step and shadow probe of the slow tick.
//
// A hero that falls far below the level (no terrain under it, a cart without rails) loses a life
// as on spikes instead of falling for ever.
//
// Positions are whole world pixels; every rounding goes through the engine's M_Round. The per-kind
// rules live in hero.cpp, creatures.cpp and collectibles.cpp. The step reads and writes nothing
// but the World it is given and reports what happened in its events.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine_math.h"
#include "world/world_internal.h"

namespace {

constexpr int32_t kDeathDamage = 110;         // damage above this kills the hero
// A hero this many pixels below the level's bottom (its lowest solid terrain point, or its start
// point when that lies lower or there is no terrain) is lost: one screen height, so the fall is
// seen leaving the level. The shipped levels' builder refuses holes without a bottom, so no hero
// gets there on them.
constexpr double kLostBelow = 600;             // pixels: the logical screen's height
constexpr int32_t kLostDamage = 120;          // what a fall out of the level does: as much as spikes
constexpr float kShadowFar = 2147483648.0f;   // pixels: "nowhere" for the shadow search
constexpr float kShadowReachX = 800, kShadowReachY = 600;  // pixels: a screen's width and height
constexpr float kDegreesPerRadian = 180.0f / 3.1415f;
constexpr int32_t kUprightDegrees = 90;       // a floor's normal points up: angle 0
constexpr int32_t kLastFrame = 15;            // frames run 1..15
// Probe offsets below the object's centre, pixels.
constexpr int32_t kWormProbe = -8, kMoleProbe = 16;

// ---- the ground index -----------------------------------------------------------------------------
//
// Every solid segment in scan order (layer order, then outline order), and a grid of square cells
// over them; a cell lists, in scan order, the segments whose bounding box grown by the probe radius
// (plus a margin against rounding) reaches into it. A probe centre can touch only segments listed
// in its own cell, so walking that list in order finds exactly the contacts the full scan finds.

constexpr double kIndexMargin = kProbeRadius + 1.0;  // pixels added around each segment's box
constexpr double kIndexRelativeMargin = 4e-6;       // and this much of its largest coordinate
constexpr double kMinCell = 128.0;                   // pixels
constexpr int32_t kMaxCellsPerAxis = 512;
constexpr std::size_t kMaxIndexEntries = 1u << 22;   // beyond this, coarser cells

struct Segment {
    TVec2 a, b;
};

struct GroundIndex {
    std::vector<Segment> segments;
    double x0 = 0, y0 = 0, cell = kMinCell;
    int32_t cols = 0, rows = 0;
    std::vector<uint32_t> start;   // cols * rows + 1 offsets into `items`
    std::vector<uint32_t> items;   // segment numbers, ascending within a cell
};

// How far around a segment a probe centre may lie and still be found touching it: the radius, a
// pixel, and the float rounding of the contact test, which grows with the size of the numbers.
double margin(const Segment &s) {
    const double big = std::max({std::fabs(s.a.x), std::fabs(s.a.y), std::fabs(s.b.x), std::fabs(s.b.y)});
    return kIndexMargin + big * kIndexRelativeMargin;
}

bool solid(const tmin &entry) { return entry.outline.count > 0 && entry.kind != kNoCollideKind; }

// Cell column (or row) of a coordinate, clamped to the grid; the clamp only matters for boxes.
int32_t cell_of(double v, double origin, double cell, int32_t n) {
    const double c = std::floor((v - origin) / cell);
    if (c < 0) return 0;
    if (c >= n) return n - 1;
    return static_cast<int32_t>(c);
}

void build_index(const World &world, GroundIndex &g) {
    g.segments.clear();
    for (int32_t e = 0; e < world.ground_count; ++e) {
        const tmin &entry = world.ground_layer[e];
        if (!solid(entry)) continue;
        const auto &p = entry.outline.points;
        for (int32_t i = 0; i < entry.outline.count && i + 1 < static_cast<int32_t>(p.size()); ++i)
            g.segments.push_back({{p[i].x, p[i].y}, {p[i + 1].x, p[i + 1].y}});
    }
    double minx = 0, miny = 0, maxx = 0, maxy = 0;
    for (std::size_t i = 0; i < g.segments.size(); ++i) {
        const Segment &s = g.segments[i];
        const double lx = std::min(s.a.x, s.b.x), hx = std::max(s.a.x, s.b.x);
        const double ly = std::min(s.a.y, s.b.y), hy = std::max(s.a.y, s.b.y);
        if (i == 0) { minx = lx; maxx = hx; miny = ly; maxy = hy; }
        minx = std::min(minx, lx); maxx = std::max(maxx, hx);
        miny = std::min(miny, ly); maxy = std::max(maxy, hy);
    }
    double widest = kIndexMargin;
    for (const Segment &s : g.segments) widest = std::max(widest, margin(s));
    g.x0 = minx - widest;
    g.y0 = miny - widest;
    const double w = maxx - minx + 2 * widest, h = maxy - miny + 2 * widest;
    g.cell = std::max({kMinCell, w / kMaxCellsPerAxis, h / kMaxCellsPerAxis});
    for (;;) {
        g.cols = static_cast<int32_t>(std::floor(w / g.cell) + 1);  // at most kMaxCellsPerAxis + 1
        g.rows = static_cast<int32_t>(std::floor(h / g.cell) + 1);
        // Count first, then fill: each cell's list comes out in scan order.
        std::vector<uint32_t> count(static_cast<std::size_t>(g.cols) * g.rows + 1, 0);
        std::size_t total = 0;
        auto box = [&](const Segment &s, int32_t &c0, int32_t &c1, int32_t &r0, int32_t &r1) {
            const double m = margin(s);
            c0 = cell_of(double(std::min(s.a.x, s.b.x)) - m, g.x0, g.cell, g.cols);
            c1 = cell_of(double(std::max(s.a.x, s.b.x)) + m, g.x0, g.cell, g.cols);
            r0 = cell_of(double(std::min(s.a.y, s.b.y)) - m, g.y0, g.cell, g.rows);
            r1 = cell_of(double(std::max(s.a.y, s.b.y)) + m, g.y0, g.cell, g.rows);
        };
        for (const Segment &s : g.segments) {
            int32_t c0, c1, r0, r1;
            box(s, c0, c1, r0, r1);
            total += static_cast<std::size_t>(c1 - c0 + 1) * static_cast<std::size_t>(r1 - r0 + 1);
        }
        if (total > kMaxIndexEntries && g.cols * g.rows > 1) {
            g.cell *= 2;
            continue;
        }
        for (const Segment &s : g.segments) {
            int32_t c0, c1, r0, r1;
            box(s, c0, c1, r0, r1);
            for (int32_t r = r0; r <= r1; ++r)
                for (int32_t c = c0; c <= c1; ++c) ++count[static_cast<std::size_t>(r) * g.cols + c + 1];
        }
        for (std::size_t i = 1; i < count.size(); ++i) count[i] += count[i - 1];
        g.start = count;
        g.items.assign(total, 0);
        std::vector<uint32_t> fill(count.begin(), count.end() - 1);
        for (uint32_t n = 0; n < g.segments.size(); ++n) {
            int32_t c0, c1, r0, r1;
            box(g.segments[n], c0, c1, r0, r1);
            for (int32_t r = r0; r <= r1; ++r)
                for (int32_t c = c0; c <= c1; ++c) g.items[fill[static_cast<std::size_t>(r) * g.cols + c]++] = n;
        }
        break;
    }
}

TVec2 probe_centre(const tmin &obj, int32_t offset) {
    return {static_cast<float>(obj.x), static_cast<float>(static_cast<int64_t>(obj.y) + offset)};
}

// Everything derived from the ground layer: the index, the lowest solid point, the drawn extent.
}  // namespace

struct GroundCache {
    GroundIndex index;
    double bottom = 0;          // largest y of the solid terrain; NaN when there is none
    bool any = false;           // the ground layer has an outline point
    TerrainExtent extent;       // their bounding box, when `any`
    OutlineBoxes boxes;         // per entry of the back and ground layers, for the drawing
};

namespace {

// The box of the points an outline is drawn from (fill_outline's fan: points 0 to count).
OutlineBox outline_box(const TPolyLine2D &o) {
    OutlineBox b;
    if (o.count < 2 || o.points.size() < static_cast<std::size_t>(o.count) + 1) return b;
    b.drawn = true;
    b.left = b.right = o.points[0].x;
    b.top = b.bottom = o.points[0].y;
    for (int32_t i = 0; i <= o.count; ++i) {
        const OE_Point &p = o.points[static_cast<std::size_t>(i)];
        if (std::isnan(p.x) || std::isnan(p.y)) {
            const float inf = std::numeric_limits<float>::infinity();
            b.left = b.top = -inf;
            b.right = b.bottom = inf;
            return b;
        }
        b.left = std::min(b.left, p.x);
        b.right = std::max(b.right, p.x);
        b.top = std::min(b.top, p.y);
        b.bottom = std::max(b.bottom, p.y);
    }
    return b;
}

std::shared_ptr<const GroundCache> build_cache(const World &w) {
    auto c = std::make_shared<GroundCache>();
    for (int32_t e = 0; e < w.back_count; ++e) c->boxes.back.push_back(outline_box(w.back_layer[e].outline));
    for (int32_t e = 0; e < w.ground_count; ++e) c->boxes.ground.push_back(outline_box(w.ground_layer[e].outline));
    build_index(w, c->index);
    c->bottom = std::nan("");
    for (int32_t e = 0; e < w.ground_count; ++e) {
        const tmin &entry = w.ground_layer[e];
        const auto &o = entry.outline;
        if (o.count <= 0) continue;  // a picture, not a drawn outline
        const int32_t last = std::min(o.count, static_cast<int32_t>(o.points.size()) - 1);
        for (int32_t i = 0; i <= last; ++i) {
            const OE_Point &p = o.points[static_cast<std::size_t>(i)];
            if (!c->any) c->extent = {p.x, p.y, p.x, p.y};
            c->any = true;
            c->extent.left = std::min(c->extent.left, p.x);
            c->extent.right = std::max(c->extent.right, p.x);
            c->extent.top = std::min(c->extent.top, p.y);
            c->extent.bottom = std::max(c->extent.bottom, p.y);
            if (solid(entry) && !(p.y <= c->bottom)) c->bottom = p.y;  // also replaces the NaN
        }
    }
    return c;
}

const GroundCache &ground(const World &w) {
    if (!w.ground) w.ground = build_cache(w);
    return *w.ground;
}

// One contact of `obj` with the segment a-b, probe centre (x, y + offset): the callback, the tilt
// (on a segment's inside only), the push-out. True when the object moved.
bool touch(Step &step, tmin &obj, const TVec2 &a, const TVec2 &b, int32_t offset, bool tilts, ContactFn on_contact) {
    const TVec2 centre = probe_centre(obj, offset);
    Contact c;
    if (!circle_segment(a, b, centre, c, kProbeRadius)) return false;
    if (on_contact) on_contact(obj, c, step);
    // Only the inside of a segment turns a tilting object: a corner's normal is slanted however
    // flat the terrain on both sides is (as at the seam of two pieces of one floor).
    if (tilts && !c.corner) {
        const int32_t target =
            engine_math::round(static_cast<float>(safe_arc_tan2(c.ny, c.nx) * kDegreesPerRadian)) + kUprightDegrees;
        if (target > obj.angle) ++obj.angle;
        else if (target < obj.angle) --obj.angle;
    }
    const int32_t old_x = obj.x, old_y = obj.y;
    obj.x = engine_math::round(static_cast<float>(obj.x + double(c.nx) * c.depth));
    obj.y = engine_math::round(static_cast<float>(obj.y + double(c.ny) * c.depth));
    return obj.x != old_x || obj.y != old_y;
}

void contact_scan(Step &step, tmin &obj, int32_t offset, bool tilts, ContactFn on_contact) {
    const World &w = step.w;
    for (int32_t e = 0; e < w.ground_count; ++e) {
        const tmin &entry = w.ground_layer[e];
        if (!solid(entry)) continue;
        const auto &p = entry.outline.points;
        for (int32_t i = 0; i < entry.outline.count && i + 1 < static_cast<int32_t>(p.size()); ++i)
            touch(step, obj, {p[i].x, p[i].y}, {p[i + 1].x, p[i + 1].y}, offset, tilts, on_contact);
    }
}

void contact_indexed(Step &step, tmin &obj, int32_t offset, bool tilts, ContactFn on_contact) {
    const GroundIndex &g = ground(step.w).index;
    if (g.segments.empty()) return;
    uint32_t next = 0;  // segments before this one have been dealt with
    for (;;) {
        const TVec2 centre = probe_centre(obj, offset);  // exactly as the contact test forms it
        const double cx = centre.x, cy = centre.y;
        const double fc = std::floor((cx - g.x0) / g.cell), fr = std::floor((cy - g.y0) / g.cell);
        if (!(fc >= 0 && fc < g.cols && fr >= 0 && fr < g.rows)) return;  // far from every segment
        const std::size_t cell = static_cast<std::size_t>(fr) * g.cols + static_cast<std::size_t>(fc);
        const uint32_t *first = g.items.data() + g.start[cell], *last = g.items.data() + g.start[cell + 1];
        const uint32_t *it = std::lower_bound(first, last, next);
        bool moved = false;
        for (; it != last; ++it) {
            const Segment &s = g.segments[*it];
            next = *it + 1;
            if (touch(step, obj, s.a, s.b, offset, tilts, on_contact)) {
                moved = true;
                break;  // the centre may now lie in another cell: look it up again
            }
        }
        if (!moved) return;
    }
}

}  // namespace

void terrain_changed(const World &w) { w.ground.reset(); }

const OutlineBoxes &outline_boxes(const World &w) {
    const GroundCache *c = &ground(w);
    if (c->boxes.back.size() != static_cast<std::size_t>(std::max(w.back_count, 0)) ||
        c->boxes.ground.size() != static_cast<std::size_t>(std::max(w.ground_count, 0))) {
        terrain_changed(w);  // entries were added or dropped without word: all of it is stale
        c = &ground(w);
    }
    return c->boxes;
}

bool terrain_extent(const World &w, TerrainExtent &out) {
    const GroundCache &c = ground(w);
    if (c.any) out = c.extent;
    return c.any;
}

void terrain_contact(Step &step, tmin &obj, int32_t probe_offset, bool tilts, ContactFn on_contact) {
    if (step.w.use_ground_index) contact_indexed(step, obj, probe_offset, tilts, on_contact);
    else contact_scan(step, obj, probe_offset, tilts, on_contact);
}

// ---- the world step ---------------------------------------------------------------------------------

namespace {

// Death: damage above 110 costs a life; the shell fades out and respawns (or ends the game).
void death_check(Step &step) {
    LevelTallies &t = step.w.tallies;
    if (t.damage <= kDeathDamage) return;
    play_sound(step.events, "die");
    t.damage = 0;
    step.events.died = 1;
}

int32_t first_hero_index(const World &w) {
    for (int32_t i = 0; i < w.object_count; ++i)
        if (w.object_layer[i].role == Kind::enot) return i;
    return -1;
}

// A hero fallen more than kLostBelow below the level's bottom takes spikes' damage (the death
// check then takes the life).
void fall_check(World &w) {
    const int32_t i = first_hero_index(w);
    if (i < 0 || w.tallies.damage > kDeathDamage) return;
    const double terrain = ground(w).bottom;
    const double bottom = std::isnan(terrain) ? w.level.start_y : std::max(terrain, double(w.level.start_y));
    if (w.object_layer[i].y > bottom + kLostBelow) w.tallies.damage = kLostDamage;
}

// Every object's own turn, in layer order. Only the first "enot" is the hero; later ones are
// pictures. The hero's turn ends by removing deleted entries, which may move the hero down the
// layer; the pass goes on right after it, so each remaining object moves at most once.
void object_pass(Step &step) {
    World &w = step.w;
    const int32_t taken = w.object_count;
    bool hero_done = false;
    for (int32_t i = 0; i < taken && i < w.object_count; ++i) {
        tmin &obj = w.object_layer[i];
        switch (obj.role) {
        case Kind::bee: bee_turn(step, obj); break;
        case Kind::worm: walker_turn(step, obj, kWormProbe); break;
        case Kind::krot: walker_turn(step, obj, kMoleProbe); break;
        case Kind::vag: cart_turn(step, obj); break;
        case Kind::enot:
            if (hero_done) break;
            hero_done = true;
            hero_turn(step, obj);
            i = first_hero_index(w);
            break;
        default: break;
        }
    }
}

}  // namespace

WorldEvents world_step(World &w, const TickInput &in) {
    WorldEvents events;
    Step step{w, in, events};
    ++w.steps;
    fall_check(w);       // a hero fallen out of the level dies at once
    death_check(step);   // a death is acted on by the shell once the screen is black
    object_pass(step);   // creatures and carts, the hero with its interactions and the removals
    return events;
}

void update_particles(World &w) { update_effects(w.particles); }

void animation_step(World &w) {
    for (int32_t i = 0; i < w.object_count; ++i) {
        tmin &obj = w.object_layer[i];
        if (obj.role == Kind::enot) obj.row = w.level.jumping ? 1 : w.level.hero_walking ? 0 : 2;
        if (++obj.frame > kLastFrame) obj.frame = 1;
    }
}

bool terrain_crossing(const World &w, float x0, float y0, float x1, float y1, float &hit_x, float &hit_y) {
    const TVec2 from{x0, y0}, to{x1, y1};
    float best = 0;
    bool found = false;
    for (int32_t e = 0; e < w.ground_count; ++e) {
        const tmin &entry = w.ground_layer[e];
        if (!solid(entry)) continue;
        const auto &p = entry.outline.points;
        for (int32_t i = 0; i < entry.outline.count && i + 1 < static_cast<int32_t>(p.size()); ++i) {
            TVec2 hit;
            if (seg_intersect({p[i].x, p[i].y}, {p[i + 1].x, p[i + 1].y}, from, to, hit) != 1) continue;
            const float d = engine_math::distance(x0, y0, hit.x, hit.y);
            if (std::isnan(d) || (found && !(d < best))) continue;   // the first of equal distances
            best = d;
            hit_x = hit.x;
            hit_y = hit.y;
            found = true;
        }
    }
    return found;
}

void shadow_probe(World &w) {
    LevelState &level = w.level;
    const float x = static_cast<float>(level.hero_x), y = static_cast<float>(level.hero_y);
    float hit_x = 0, hit_y = 0;
    // The nearest floor straight below; one farther than the reach leaves the last shadow.
    if (!terrain_crossing(w, x, y, x, kShadowFar, hit_x, hit_y)) return;
    if (!(std::fabs(level.hero_x - hit_x) < kShadowReachX && std::fabs(level.hero_y - hit_y) < kShadowReachY)) return;
    const float d = engine_math::distance(x, y, hit_x, hit_y);
    level.shadow_alpha = std::max(0.0f, 255.0f - d);
    level.shadow_x = hit_x;
    level.shadow_y = hit_y;
}
