// autoplay - the automatic player: finds keyboard input that finishes a level, and writes it as an
// input script for tarvelok-sim.
//
//   autoplay --level N [--nut] [--out SCRIPT] [--path FILE] [--beam B] [--max-seconds S]
//   autoplay --level N [--nut] --measure SCRIPT
//
// Runs from the game folder (like the game). The level is scene N of cfg/scenes.txt. The search
// drives the game's own world step (src/world) tick by tick, with the keys it chooses, saving and
// restoring the world and the hero between tries: a beam search over held-key choices made every
// kDecisionTicks ticks, ranked by the travel cost that the level tools' reach model gives from the
// hero's place to the table (through the golden nut first with --nut). A death, or a third hit,
// ends a try.
//
// The logic ticks are mapped to simulator frames with the simulator itself: tarvelok-sim is run
// once without input to learn in which frame each tick of the level runs, and once more with the
// script found, whose trace must show the level's end (and the nut) before the tool reports
// success. SCRIPT defaults to level-NN.txt (level-NN-nut.txt with --nut); FILE gets the hero's
// position per tick, for leveloverview --path.
// With --measure the tool finds nothing: it replays the route SCRIPT (one it wrote) with the same
// world code and prints how hard it is: the hazards on the route (creatures and thorn patches
// within kHazardNear px of the hero's path), each jump's take-off window and the route's time.
// A jump's window does not depend on how the route took it: from where the hero last came to
// stand before the take-off, plans of the form "stand still a while, run towards the landing,
// press the jump key at tick P" are played with the world code, and the window is the widest run
// of consecutive press ticks P that land on the route's landing surface and stand there unhurt
// (see jump_window). One line per jump, "  jump at x X (tick T) to x X2, y Y2: window W ticks",
// then "level N: hazards H, narrowest jump W ticks at x X (tick T), route S s".
// Exit status: 0 solution written and confirmed (measured), 1 none found or not confirmed (the
// route does not finish), 2 bad command line.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/engine.h"
#include "level_core.h"
#include "shell/shell.h"
#include "world/world.h"

namespace {

// ---- tuning ---------------------------------------------------------------------------------
constexpr int kDecisionTicks = 4;        // ticks a key choice is held
constexpr int kDefaultBeam = 160;        // states kept per decision
constexpr double kDefaultSeconds = 240;  // longest route searched, game seconds
constexpr double kHitPenalty = 400;      // cost added per hit taken (px of travel)
constexpr int32_t kMostDamage = 40;      // a try taking a third hit ends: a route stays far from
                                         // death even if the hit immunity ends a tick apart
constexpr double kNutDetour = 20000;     // cost of a route that still lacks the nut
constexpr double kAirReach = 200;        // px around a hero in the air where it may land
constexpr double kProbeReach = 40;       // px around a standing hero: its probe circle rounds edges
constexpr double kAirCost = 2;           // rank lost per decision spent in the air
constexpr int kStretch = 12;             // px: the beam keeps at most kPerStretch tries ...
constexpr int kPerStretch = 6;           // ... whose hero stands in the same stretch this wide
constexpr int kVkLeft = 37, kVkRight = 39, kVkSpace = 32;
constexpr double kTickMs = 20;
// --measure
constexpr int kSnapshotTicks = 25;       // ticks between the saved worlds a plan starts from
constexpr int kGraceTicks = 150;         // ticks the route is played past its script (the table's test)
constexpr int kRunUp = 100;              // ticks of standing before a take-off a plan may start from
constexpr int kMostWait = 100;           // ticks a plan may first stand still (a bee's dip, a worm's turn)
constexpr int kWaitStep = 10;            // ... in steps of this many ticks
constexpr int kMostRun = 50;             // press ticks tried past the route's take-off; a window wider
                                         // than this is free
constexpr int kPressTicks = 4;           // ticks the jump key is held (a tap)
constexpr int kMostFlight = 150;         // ticks a jump may stay in the air
constexpr int kRouteKeys = -1;           // an air hold that plays the route's own keys from its take-off
constexpr int kAirHold[] = {1000, 24, kRouteKeys};   // ticks the direction is held after the press: to the landing,
                                         // or let go about at the top of the jump (a careful player); or
                                         // the route's own keys in the air (a turn onto a spring)
constexpr float kStandNormal = 0.5f;     // a contact normal's y below minus this is ground to stand on
constexpr int kBackOffs[] = {0, 10, 20, 30};  // ticks a plan first walks away from the landing
constexpr int kSettleTicks = 15;         // ticks the hero must stand, keys let go, after landing
constexpr int kSameHeight = 16;          // px: how far a standing hero's feet may be from the top under it
constexpr int kSameStretch = 400;        // px: a plan lands alike on the route's surface at most this far along it
constexpr int kSurfaceSample = 8;        // px between the points that show a surface unbroken
constexpr double kHazardNear = 160;      // px from the hero's path within which a hazard is on the route
constexpr double kThornPatch = 130;      // px: thorns closer than this to each other are one patch

// ---- the world the search drives, and its snapshots -------------------------------------------
// A snapshot is a copy of the World (the level's state is all in it) and of what the steps since
// the level's start reported.
World g_world;
bool g_died = false, g_ended = false;   // a death, the level's end, since the start

struct Snapshot {
    World world;
    bool died = false, ended = false;
};

Snapshot save() { return {g_world, g_died, g_ended}; }
void restore(const Snapshot &s) {
    g_world = s.world;
    g_died = s.died;
    g_ended = s.ended;
}

// The held keys of one decision.
struct Keys {
    bool left, right, jump;
};
const Keys kChoices[] = {{false, true, false}, {false, true, true}, {false, false, false},
                         {true, false, false}, {true, false, true}, {false, false, true}};

// One world step with the given keys at tick `tick` (0 = the level's first step); what happened.
void step(const Keys &k, int tick, const std::vector<double> &tick_ms) {
    TickInput in;
    in.left = k.left;
    in.right = k.right;
    in.jump = k.jump;
    in.time_ms = tick < int(tick_ms.size()) ? tick_ms[tick] : tick_ms.back() + (tick - int(tick_ms.size()) + 1) * kTickMs;
    const WorldEvents ev = world_step(g_world, in);
    g_world.particles.count = 0;   // effects never matter to the search
    g_world.particles.effects.clear();
    g_died = g_died || ev.died;
    g_ended = g_ended || ev.level_end;
}

const tmin *hero_object() {
    for (int32_t i = 0; i < g_world.object_count; ++i)
        if (g_world.object_layer[i].kind == "enot") return &g_world.object_layer[i];
    return nullptr;
}

// ---- the goal's travel costs ----------------------------------------------------------------
struct Guide {
    lv::ReachModel model;
    std::vector<double> to_table, to_nut;
    double nut_x = 0, nut_y = 0, nut_to_table = 0;
    bool nut = false;

    // Cost of the cheapest place the hero can land on near (x, y): its travel cost plus the
    // horizontal distance to it. In the air that is anywhere a jump's length away.
    double place_cost(const std::vector<double> &cost, double x, double y) const {
        double best = 1e18;
        const double feet = y + 48;
        const double reach = g_world.level.on_ground ? kProbeReach : kAirReach;
        for (int c = model.column_of(x - reach); c <= model.column_of(x + reach); ++c) {
            const int id = model.node_below(c, feet - 24);
            if (model.nodes()[id].y < feet - 25) continue;   // only places above: not where it lands
            const double v = cost[id] + std::fabs(model.column_x(c) - x);
            best = std::min(best, v);
        }
        return best;
    }
    // While riding, the cart goes where it goes: the best place ahead of it, lower down.
    double ride_cost(const std::vector<double> &cost, double x, double y) const {
        double best = 1e18;
        for (int c = model.column_of(x); c <= model.column_of(x + 1400); ++c) {
            const int id = model.node_below(c, y + 48);
            if (model.nodes()[id].y < y + 47) continue;
            best = std::min(best, cost[id] + std::fabs(model.column_x(c) - x) * 0.5);
        }
        return best;
    }
    double rank(double x, double y, bool has_nut) const {
        if (!g_world.level.on_ground && g_world.level.fall_speed > 0)
            for (int32_t i = 0; i < g_world.object_count; ++i) {
                const tmin &o = g_world.object_layer[i];
                if (o.kind != "vag" || o.speed != 0 || std::fabs(o.x - x) > 96 || y > o.y - 40 || y < o.y - 260) continue;
                // Dropping towards a cart that stands ready: as good as half a ride.
                const double ride = (!nut || has_nut) ? ride_cost(to_table, x, y) : kNutDetour + ride_cost(to_nut, x, y);
                return ride + 200 + std::fabs(o.x - x);
            }
        if (g_world.level.riding) {
            if (!nut || has_nut) return ride_cost(to_table, x, y);
            return kNutDetour + ride_cost(to_nut, x, y) + std::fabs(x - nut_x) * 0.25;
        }
        if (!nut || has_nut) return place_cost(to_table, x, y);
        // On the way to the nut: its travel cost, the remaining height to it, then the rest.
        return kNutDetour + place_cost(to_nut, x, y) + std::fabs(y - nut_y) * 0.5 + std::fabs(x - nut_x) * 0.25;
    }
};

std::vector<int> goal_places(const lv::ReachModel &m, double x, double y, double half_width) {
    std::vector<int> g;
    for (int c = m.column_of(x - half_width); c <= m.column_of(x + half_width); ++c) {
        const int id = m.node_below(c, y);
        if (std::isfinite(m.nodes()[id].y)) g.push_back(id);
    }
    return g;
}

// ---- the simulator, for the tick-to-frame map and the confirmation --------------------------
struct TraceTick {
    double time_ms;
    int game_state, level_done, nut, deaths, hero_x, hero_y;
    int checkpoint_x;   // the respawn point's x once a checkpoint is lit; 0 before
};

int json_int(const std::string &line, const char *name) {
    const std::string key = std::string("\"") + name + "\":";
    const size_t at = line.find(key);
    return at == std::string::npos ? 0 : std::atoi(line.c_str() + at + key.size());
}
double json_real(const std::string &line, const char *name) {
    const std::string key = std::string("\"") + name + "\":";
    const size_t at = line.find(key);
    return at == std::string::npos ? 0 : std::atof(line.c_str() + at + key.size());
}

bool run_sim(int level_index, const std::string &input, int frames, std::vector<TraceTick> &out) {
    const std::string trace = "autoplay-trace.tmp";
    std::string cmd = "./tarvelok-sim --level " + std::to_string(level_index) + " --frames " + std::to_string(frames) +
                      " --trace " + trace;
    if (!input.empty()) cmd += " --input " + input;
    cmd += " > /dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    std::ifstream in(trace);
    std::string line;
    out.clear();
    while (std::getline(in, line))
        out.push_back({json_real(line, "time_ms"), json_int(line, "game_state"), json_int(line, "level_done_pending"),
                       json_int(line, "gold_nut_found"), json_int(line, "deaths"), json_int(line, "hero_x"),
                       json_int(line, "hero_y"), json_int(line, "checkpoint_x")});
    std::remove(trace.c_str());
    return !out.empty();
}

int frame_of(double ms) { return int(std::lround(ms * 60.0 / 1000.0)); }

// ---- --measure: the difficulty of a committed route -----------------------------------------

// The held keys of every logic tick of a route script written by this tool: the state after every
// event up to the frame in which that tick runs.
std::vector<Keys> script_ticks(const std::string &path, const std::vector<double> &tick_ms, bool &ok) {
    ok = false;
    std::ifstream in(path);
    if (!in) return {};
    struct Event { int frame, vk; bool down; };
    std::vector<Event> events;
    std::string line;
    int last_frame = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        int frame = 0, vk = 0;
        std::string what;
        if (!(ls >> frame >> what >> vk) || (what != "key-down" && what != "key-up")) return {};
        events.push_back({frame, vk, what == "key-down"});
        last_frame = std::max(last_frame, frame);
    }
    std::vector<Keys> keys;
    Keys held{false, false, false};
    size_t next = 0;
    for (size_t k = 0; k < tick_ms.size() && frame_of(tick_ms[k]) <= last_frame; ++k) {
        const int frame = frame_of(tick_ms[k]);
        for (; next < events.size() && events[next].frame <= frame; ++next) {
            const Event &e = events[next];
            if (e.vk == kVkLeft) held.left = e.down;
            if (e.vk == kVkRight) held.right = e.down;
            if (e.vk == kVkSpace) held.jump = e.down;
        }
        keys.push_back(held);
    }
    ok = !keys.empty();
    return keys;
}

// The hero's state at one tick of a replay.
struct HeroTick {
    int x = 0, y = 0;
    bool ground = false;   // standing on a floor or a rim (or riding)
    bool riding = false;   // in a cart
    int32_t damage = 0;
};

HeroTick hero_tick() {
    HeroTick h;
    if (const tmin *o = hero_object()) h.x = o->x, h.y = o->y;
    // A touch of a wall or a ceiling (a jump bumping under a ledge) is no standing.
    h.ground = (g_world.level.on_ground && g_world.level.ground_normal_y <= -kStandNormal) || g_world.level.riding;
    h.damage = g_world.tallies.damage;
    h.riding = g_world.level.riding;
    return h;
}

// A take-off on the route (the tick the hero leaves the ground with the jump key held) and the
// tick it next stands.
struct Jump {
    int a, landing;
};

constexpr int kFeetBelowCentre = 48;   // px from the hero's centre down to the ground it stands on
constexpr int kProbeRadius = 32;       // px: the hero's probe circle, which may rest on a corner

// The level's solid surfaces, asked where a landing is checked (kept per measure, as the same few
// columns are asked again and again).
class SurfaceCache {
public:
    explicit SurfaceCache(const lv::Level &level) : level_(level) {}
    // The ground under a hero standing at (x, y): the nearest column within the probe's radius
    // whose top lies within kSameHeight of the feet (a hero on a corner sags below its top). False
    // when there is none.
    bool under(int x, int y, int &sx, int &sy) {
        const int feet = y + kFeetBelowCentre;
        for (int d = 0; d <= kProbeRadius; d += kSurfaceSample / 2)
            for (int side = -1; side <= 1; side += 2) {
                int top = 0;
                if (surface(x + side * d, feet - 2 * kSameHeight, top) && std::abs(top - feet) <= kSameHeight) {
                    sx = x + side * d;
                    sy = top;
                    return true;
                }
            }
        return false;
    }
    // True when one surface a hero can walk runs from (x0, y0) to (x1, y1): every kSurfaceSample px
    // the top moves at most as much across as up or down (45 degrees), and ends at y1.
    bool unbroken(int x0, int y0, int x1, int y1) {
        if (x0 > x1) std::swap(x0, x1), std::swap(y0, y1);
        int y = y0;
        for (int x = x0 + kSurfaceSample; x < x1 + kSurfaceSample; x += kSurfaceSample) {
            const int at = std::min(x, x1);
            int top = 0;
            if (!surface(at, y - kSurfaceSample - 2, top) || std::abs(top - y) > at - (x - kSurfaceSample) + 2) return false;
            y = top;
        }
        return std::abs(y - y1) <= 2;
    }

private:
    bool surface(int x, int from, int &top) {
        const std::pair<int, int> key{x, from};
        auto it = seen_.find(key);
        if (it == seen_.end()) {
            double sy = 0;
            const bool ok = lv::surface_below(level_, x, from, sy);
            it = seen_.emplace(key, ok ? int(std::lround(sy)) : INT32_MIN).first;
        }
        top = it->second;
        return top != INT32_MIN;
    }
    const lv::Level &level_;
    std::map<std::pair<int, int>, int> seen_;
};


// One plan from the world as it is now (the hero standing): the jump key pressed for kPressTicks
// with `dir` held, `dir` held for `air_hold` ticks, then every key let go (with kRouteKeys: the
// `route_left` keys at `route_keys`, the route's from its take-off, the jump key a tap). True when the hero
// leaves the ground, lands on the route's landing surface (one unbroken surface from `landing`, not
// the surface of `take_off` unless the route's jump was a hop along one), then stands there
// kSettleTicks unhurt; or when the level ends (with the nut if asked).
bool plan_lands(int tick, int dir, int air_hold, const Keys *route_keys, int route_left, const HeroTick &take_off, const HeroTick &landing, int damage,
                SurfaceCache &surfaces, bool want_nut, const std::vector<double> &tick_ms) {
    const Keys none{false, false, false};
    const Keys press{dir < 0, dir > 0, true}, fly{dir < 0, dir > 0, false};
    bool flew = false;
    int landed_at = -1, land_x = 0, land_y = 0;
    for (int t = 0; t < kPressTicks + kMostFlight + kSettleTicks; ++t) {
        Keys k = t < kPressTicks ? press : t < air_hold ? fly : none;
        if (air_hold == kRouteKeys) {
            k = t < route_left ? route_keys[t] : none;
            k.jump = t < kPressTicks;
        }
        step(landed_at >= 0 ? none : k, tick + t, tick_ms);
        if (g_died || g_world.tallies.damage > damage) return false;
        if (g_ended) return !want_nut || g_world.tallies.gold_nut_found;
        const HeroTick h = hero_tick();
        if (landed_at < 0) {
            if (!h.ground) { flew = true; continue; }
            if (!flew) {
                if (t >= kPressTicks + 2) return false;   // the press lifted nobody
                continue;
            }
            // Into a cart, where the route's hero landed in one: landed alike.
            if (landing.riding || h.riding) {
                if (!landing.riding || !h.riding) return false;
                landed_at = t;
                land_x = h.x;
                land_y = h.y;
                continue;
            }
            // Landed: on the route's landing surface, and (unless the route's jump was a hop along
            // one surface) not back on the one it took off from?
            int sx = 0, sy = 0, lx = 0, ly = 0, ox = 0, oy = 0;
            if (std::abs(h.x - landing.x) > kSameStretch || !surfaces.under(h.x, h.y, sx, sy) ||
                !surfaces.under(landing.x, landing.y, lx, ly) || !surfaces.unbroken(sx, sy, lx, ly))
                return false;
            if (surfaces.under(take_off.x, take_off.y, ox, oy) && !surfaces.unbroken(ox, oy, lx, ly) &&
                surfaces.unbroken(sx, sy, ox, oy))
                return false;
            landed_at = t;
            land_x = h.x;
            land_y = h.y;
            continue;
        }
        if (t - landed_at >= kSettleTicks)
            return h.riding ? landing.riding
                            : h.ground && std::abs(h.y - land_y) <= 2 * kSameHeight && std::abs(h.x - land_x) <= kSameStretch;
    }
    return false;
}

// The widest take-off window of one route jump, in press ticks: from the route's world when the
// hero last came to stand before the take-off (at most kRunUp ticks before it), every plan "stand
// still W ticks, then run towards the landing and press the jump key at tick P, holding the
// direction to the landing or letting it go near the jump's top" is played; for each wait and
// hold, the longest run of consecutive press ticks P that land the jump alike is its window, and
// the jump's window is the widest of them (at most kMostRun + 1). So the number says how much
// room the level leaves for this jump, not how the route happened to take it.
int jump_window(const std::vector<Keys> &keys, const std::vector<Snapshot> &saved, const std::vector<HeroTick> &route,
                const Jump &j, SurfaceCache &surfaces, bool want_nut, const std::vector<double> &tick_ms) {
    // The start: the first tick of the stretch of standing that ends in the take-off (the world
    // before tick s is route[s - 1]: standing).
    int s = j.a;
    while (s > 1 && s > j.a - kRunUp && route[s - 2].ground) --s;
    const int dir = keys[j.a].right ? 1 : keys[j.a].left ? -1
                  : route[j.landing].x > route[j.a].x + kProbeReach ? 1
                  : route[j.landing].x < route[j.a].x - kProbeReach ? -1 : 0;
    const int damage = route[s - 1].damage;
    const Keys none{false, false, false}, run{dir < 0, dir > 0, false};
    // The world at s: the nearest saved one, then the route's own keys.
    restore(saved[s / kSnapshotTicks]);
    for (int t = s / kSnapshotTicks * kSnapshotTicks; t < s; ++t) step(keys[t], t, tick_ms);
    const Snapshot at_start = save();
    const Keys away{dir > 0, dir < 0, false};
    int widest = 0;
    for (int back : kBackOffs)
        for (int air_hold : kAirHold)
            for (int wait = 0; wait <= kMostWait && widest <= kMostRun; wait += kWaitStep) {
            if (back > 0 && dir == 0) break;   // a jump straight up needs no run-up
            restore(at_start);
            bool alive = true;
            for (int t = 0; t < back + wait && alive; ++t) {
                step(t < back ? away : none, s + t, tick_ms);
                alive = !g_died && !g_ended && g_world.tallies.damage <= damage;
            }
            if (!alive || !hero_tick().ground) break;   // standing still longer only gets worse
            int run_length = 0;
            const int presses = j.a - s + kMostRun;   // past the route's own take-off, and on
            const int t0 = s + back + wait;
            for (int p = 0; p <= presses; ++p) {
                const Snapshot before = save();
                const bool ok = hero_tick().ground &&
                                plan_lands(t0 + p, dir, air_hold, keys.data() + j.a, int(keys.size()) - j.a, route[j.a - 1], route[j.landing], damage, surfaces,
                                           want_nut, tick_ms);
                run_length = ok ? run_length + 1 : 0;
                widest = std::max(widest, run_length);
                restore(before);
                step(run, t0 + p, tick_ms);   // one more tick of the run-up
                if (g_died || g_ended || g_world.tallies.damage > damage) break;
            }
        }
    return std::min(widest, kMostRun + 1);
}

int measure(int level_index, bool want_nut, const std::string &script, const std::vector<double> &tick_ms,
            const lv::Level &level) {
    const std::vector<lv::Item> &objects = level.layers[lv::kObjects];
    bool ok = false;
    std::vector<Keys> keys = script_ticks(script, tick_ms, ok);
    if (!ok) {
        std::fprintf(stderr, "autoplay: %s: not a route script of key events\n", script.c_str());
        return 2;
    }
    // The route as recorded: the hero at every tick, and the saved worlds every kSnapshotTicks.
    const int limit = std::min(int(keys.size()) + kGraceTicks, int(tick_ms.size()));
    std::vector<Snapshot> saved;
    std::vector<std::pair<int, int>> path;
    std::vector<HeroTick> route;
    {
        const Snapshot start = save();
        const Keys none{false, false, false};
        bool ended = false;
        int t = 0;
        for (; t < limit && !ended; ++t) {
            if (t % kSnapshotTicks == 0) saved.push_back(save());
            step(t < int(keys.size()) ? keys[t] : none, t, tick_ms);
            route.push_back(hero_tick());
            path.push_back({route.back().x, route.back().y});
            if (g_died) break;
            ended = g_ended && (!want_nut || g_world.tallies.gold_nut_found);
        }
        restore(start);
        if (!ended) {
            std::fprintf(stderr, "autoplay: %s does not finish level %d\n", script.c_str(), level_index);
            return 1;
        }
        keys.resize(std::min(int(keys.size()), t));
    }
    const int route_ticks = int(route.size());

    // The jumps: take-offs with the jump key held (standing after one tick, in the air after the
    // next), each landing where the hero next stands. A key held through a landing jumps again.
    std::vector<Jump> jumps;
    for (int k = 1; k < std::min(int(keys.size()), route_ticks); ++k) {
        if (!keys[k].jump || !route[k - 1].ground || route[k].ground) continue;
        int l = k;
        while (l < route_ticks && !route[l].ground) ++l;   // the flight
        if (l < route_ticks) jumps.push_back({k, l});
    }
    // Each jump measured on its own: the widest take-off window of any plan that lands it.
    std::vector<int> windows;
    int narrowest = kMostRun + 1, narrow_x = 0, narrow_tick = -1;
    SurfaceCache surfaces(level);
    for (const Jump &j : jumps) {
        const int window = jump_window(keys, saved, route, j, surfaces, want_nut, tick_ms);
        windows.push_back(window);
        std::printf("  jump at x %d (tick %d) to x %d, y %d: window %d ticks\n", route[j.a].x, j.a,
                    route[j.landing].x, route[j.landing].y, window);
        if (window < narrowest || narrow_tick < 0) {  // a route whose every jump is free still has one
            narrowest = window;
            narrow_tick = j.a;
            narrow_x = route[j.a].x;
        }
    }

    // Hazards near the path: creatures one by one, thorns by patches.
    int hazards = 0;
    auto near_path = [&](const lv::Item &it) {
        for (const auto &[x, y] : path)
            if (std::hypot(double(x - it.x), double(y - it.y)) < kHazardNear) return true;
        return false;
    };
    std::vector<const lv::Item *> thorns;
    for (const lv::Item &it : objects) {
        if (it.kind == "ship") thorns.push_back(&it);
        else if ((it.kind == "bee" || it.kind == "worm" || it.kind == "krot" || it.kind == "hedge") && near_path(it))
            ++hazards;
    }
    std::vector<int> patch(thorns.size(), -1);
    int patches = 0;
    for (size_t i = 0; i < thorns.size(); ++i) {
        if (patch[i] >= 0) continue;
        std::vector<size_t> members{i};
        patch[i] = patches++;
        for (size_t k = 0; k < members.size(); ++k)
            for (size_t j = 0; j < thorns.size(); ++j)
                if (patch[j] < 0 && std::hypot(double(thorns[j]->x - thorns[members[k]]->x),
                                               double(thorns[j]->y - thorns[members[k]]->y)) < kThornPatch) {
                    patch[j] = patch[i];
                    members.push_back(j);
                }
        for (size_t m : members)
            if (near_path(*thorns[m])) { ++hazards; break; }
    }

    if (narrow_tick < 0)
        std::printf("level %d%s: hazards %d, narrowest jump none (no jump needed), route %.2f s\n", level_index,
                    want_nut ? " with the golden nut" : "", hazards, route_ticks * kTickMs / 1000.0);
    else
        std::printf("level %d%s: hazards %d, narrowest jump %d ticks at x %d (tick %d)%s, route %.2f s\n",
                    level_index, want_nut ? " with the golden nut" : "", hazards, narrowest, narrow_x, narrow_tick,
                    narrowest > kMostRun ? " (every jump lands alike a second off)" : "", route_ticks * kTickMs / 1000.0);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: autoplay --level N [--nut] [--out SCRIPT] [--path FILE] [--beam B] [--max-seconds S]\n"
                         "       autoplay --level N [--nut] --measure SCRIPT\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    int level_index = -1, beam = kDefaultBeam;
    bool want_nut = false;
    double max_seconds = kDefaultSeconds;
    std::string out_path, path_path, measure_path;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has = i + 1 < argc;
        if (a == "--level" && has) level_index = std::atoi(argv[++i]);
        else if (a == "--nut") want_nut = true;
        else if (a == "--out" && has) out_path = argv[++i];
        else if (a == "--path" && has) path_path = argv[++i];
        else if (a == "--beam" && has) beam = std::max(1, std::atoi(argv[++i]));
        else if (a == "--max-seconds" && has) max_seconds = std::atof(argv[++i]);
        else if (a == "--measure" && has) measure_path = argv[++i];
        else return usage();
    }
    if (level_index < 0 || level_index >= kSceneCapacity || !(max_seconds > 0)) return usage();
    if (out_path.empty()) {
        char name[64];
        std::snprintf(name, sizeof name, "level-%02d%s.txt", level_index, want_nut ? "-nut" : "");
        out_path = name;
    }
    int max_ticks = int(max_seconds * 1000 / kTickMs);
    if (!measure_path.empty()) {
        // Long enough for the route and a shifted one's grace.
        std::ifstream in(measure_path);
        std::string line;
        int last_frame = 0;
        while (std::getline(in, line))
            if (!line.empty() && line[0] != '#') last_frame = std::max(last_frame, std::atoi(line.c_str()));
        max_ticks = last_frame * 50 / 60 + kGraceTicks + 50;
    }

    // The frame of every tick, from a run of the simulator without input.
    std::vector<TraceTick> idle;
    if (!run_sim(level_index, "", int(max_ticks * 1.25) + 120, idle)) {
        std::fprintf(stderr, "autoplay: tarvelok-sim did not run level %d (run autoplay from the game folder)\n", level_index);
        return 1;
    }
    size_t first = 0;
    while (first < idle.size() && idle[first].game_state != 1) ++first;
    std::vector<double> tick_ms;   // the level's world steps: tick_ms[k] is the time of step k
    for (size_t t = first + 1; t < idle.size(); ++t) tick_ms.push_back(idle[t].time_ms);
    if (tick_ms.empty()) {
        std::fprintf(stderr, "autoplay: level %d never started in the simulator\n", level_index);
        return 1;
    }

    // The game's world code, on the headless engine with our own keys and clock.
    if (!engine_load("libengine_headless.so")) return 1;
    load_scene_catalogue();
    const std::string file = scene_file(level_index);
    clear_world(g_world);
    // No pictures: the search draws nothing.
    if (!load_level(g_world, file, nullptr, file.empty() ? scene_problem(level_index) : "")) return 1;
    int posts = 0;   // the level's checkpoints, which the confirmation counts as lit on the way
    for (int32_t i = 0; i < g_world.object_count; ++i) posts += g_world.object_layer[std::size_t(i)].role == Kind::fonar;

    // The guide: travel costs over the level tools' model of the same file.
    Guide guide;
    lv::Level lvl;
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        std::string error;
        if (!lv::read_level_file(ss.str(), lvl, error) || !guide.model.build(lvl)) {
            std::fprintf(stderr, "autoplay: %s: %s\n", file.c_str(), error.empty() ? "no terrain" : error.c_str());
            return 1;
        }
        double tx = 0, ty = 0;
        for (const lv::Item &it : lvl.layers[lv::kObjects]) {
            if (it.kind == "table") { tx = it.x; ty = it.y; }
            if (it.kind == "bnut") { guide.nut_x = it.x; guide.nut_y = it.y; }
        }
        guide.to_table = guide.model.costs_to(goal_places(guide.model, tx, ty, 40));
        guide.nut = want_nut;
        if (want_nut) guide.to_nut = guide.model.costs_to(goal_places(guide.model, guide.nut_x, guide.nut_y, 32));
    }

    if (!measure_path.empty()) return measure(level_index, want_nut, measure_path, tick_ms, lvl);

    // ---- the beam search ----
    struct State {
        Snapshot snap;
        std::vector<uint8_t> choices;   // one per decision
        std::vector<std::pair<int, int>> path;
        double rank;
        double ground_rank = 1e18;   // rank where the hero last stood
        uint8_t nut = 0;
    };
    std::vector<State> frontier(1);
    frontier[0].snap = save();
    frontier[0].rank = 0;
    const State *found = nullptr;
    std::vector<State> next;
    int decisions = 0;
    for (int tick = 0; tick < max_ticks && !found; tick += kDecisionTicks, ++decisions) {
        next.clear();
        std::unordered_map<uint64_t, size_t> best_at;   // duplicate places keep the best rank
        for (const State &s : frontier) {
            for (uint8_t c = 0; c < sizeof kChoices / sizeof kChoices[0]; ++c) {
                restore(s.snap);
                State n;
                n.choices = s.choices;
                n.choices.push_back(c);
                n.path = s.path;
                bool dead = false, done = false;
                for (int t = 0; t < kDecisionTicks; ++t) {
                    step(kChoices[c], tick + t, tick_ms);
                    if (const tmin *h = hero_object()) n.path.push_back({h->x, h->y});
                    if (g_world.tallies.damage > kMostDamage || g_died) { dead = true; break; }
                    if (g_ended) { done = true; break; }
                }
                if (dead) continue;
                const tmin *h = hero_object();
                if (!h) continue;
                n.snap = save();
                if (done) {
                    if (want_nut && !g_world.tallies.gold_nut_found) continue;   // a finish without the nut is no use
                    next.push_back(std::move(n));
                    found = &next.back();
                    break;
                }
                // In the air a try keeps the rank it took off with (a little worse for every
                // decision airborne), so that jumps over pits are not cut short.
                const double here = guide.rank(h->x, h->y, g_world.tallies.gold_nut_found);
                if (g_world.level.on_ground || g_world.level.riding || s.nut != g_world.tallies.gold_nut_found) n.ground_rank = here;
                else n.ground_rank = s.ground_rank + kAirCost;
                n.nut = g_world.tallies.gold_nut_found;
                n.rank = std::min(here, n.ground_rank) + g_world.tallies.damage / 20 * kHitPenalty;
                const uint64_t key = (uint64_t(uint32_t(h->x / 6)) << 40) ^ (uint64_t(uint32_t(h->y / 6)) << 20) ^
                                     (uint64_t(std::lround(g_world.level.fall_speed + 20)) << 12) ^
                                     (uint64_t(std::lround(g_world.level.walk_speed * 5)) << 8) ^
                                     (uint64_t(g_world.level.riding) << 7) ^ (uint64_t(g_world.tallies.gold_nut_found) << 6) ^
                                     uint64_t(g_world.object_count & 63);
                auto it = best_at.find(key);
                if (it != best_at.end()) {
                    if (next[it->second].rank <= n.rank) continue;
                    next[it->second] = std::move(n);
                } else {
                    best_at[key] = next.size();
                    next.push_back(std::move(n));
                }
            }
            if (found) break;
        }
        if (found) break;
        if (next.empty()) {
            std::fprintf(stderr, "autoplay: every try died by tick %d\n", tick);
            return 1;
        }
        std::sort(next.begin(), next.end(), [](const State &a, const State &b) { return a.rank < b.rank; });
        // The beam keeps the best tries, but only a few per stretch of the level, so that a
        // crowd of equal tries at one edge cannot push out the ones stepping past it.
        {
            std::unordered_map<int, int> per_stretch;
            std::vector<State> kept;
            for (State &st : next) {
                if (int(kept.size()) >= beam) break;
                if (per_stretch[st.path.back().first / kStretch]++ >= kPerStretch) continue;
                kept.push_back(std::move(st));
            }
            next.swap(kept);
        }
        frontier.swap(next);
        if (decisions % 50 == 0)
            std::fprintf(stderr, "autoplay: tick %d, best rank %.0f at x %d\n", tick, frontier[0].rank,
                         frontier[0].path.empty() ? 0 : frontier[0].path.back().first);
    }
    if (!found) {
        // The best try so far goes to the path file, to see where the search got stuck.
        if (!path_path.empty() && !frontier.empty()) {
            std::ofstream out(path_path);
            for (const auto &[x, y] : frontier[0].path) out << x << " " << y << "\n";
        }
        std::fprintf(stderr, "autoplay: no route found within %.0f game seconds\n", max_seconds);
        return 1;
    }

    // ---- the script: key changes at the frames of their ticks ----
    const int steps = int(found->path.size());
    std::ostringstream script;
    script << "# level " << level_index << (want_nut ? ", golden nut first" : "") << ": " << steps
           << " logic ticks (" << steps * kTickMs / 1000.0 << " s of game time); written by autoplay\n";
    Keys held{false, false, false};
    for (int k = 0; k < steps; ++k) {
        const Keys &want = kChoices[found->choices[k / kDecisionTicks]];
        const int frame = frame_of(k < int(tick_ms.size()) ? tick_ms[k] : tick_ms.back());
        auto change = [&](bool now, bool before, int vk) {
            if (now != before) script << frame << (now ? " key-down " : " key-up ") << vk << "\n";
        };
        change(want.left, held.left, kVkLeft);
        change(want.right, held.right, kVkRight);
        change(want.jump, held.jump, kVkSpace);
        held = want;
    }
    const int last_frame = frame_of(tick_ms[std::min(steps, int(tick_ms.size()) - 1)]);
    script << last_frame + 1 << " key-up " << kVkLeft << "\n" << last_frame + 1 << " key-up " << kVkRight << "\n"
           << last_frame + 1 << " key-up " << kVkSpace << "\n";
    {
        std::ofstream out(out_path, std::ios::binary);
        if (!(out << script.str())) {
            std::fprintf(stderr, "autoplay: cannot write %s\n", out_path.c_str());
            return 1;
        }
    }
    if (!path_path.empty()) {
        std::ofstream out(path_path);
        for (const auto &[x, y] : found->path) out << x << " " << y << "\n";
    }

    // ---- confirmation in the simulator ----
    std::vector<TraceTick> check;
    if (!run_sim(level_index, out_path, last_frame + 240, check)) return 1;
    bool ended = false, nut = false;
    int ended_tick = 0, lit = 0, last_post = 0;
    for (size_t t = 0; t < check.size() && !ended; ++t) {
        if (check[t].deaths > 0) break;   // an extra life makes it negative: no death
        if (check[t].checkpoint_x != last_post) ++lit, last_post = check[t].checkpoint_x;
        if (check[t].level_done) { ended = true; nut = check[t].nut; ended_tick = int(t); }
    }
    if (!ended || (want_nut && !nut)) {
        std::fprintf(stderr, "autoplay: the simulator did not confirm the route (%s)\n", ended ? "no nut" : "no end");
        return 1;
    }
    std::printf("level %d%s: %d ticks, %.2f s of game time; confirmed by tarvelok-sim (tick %d), %d of %d "
                "checkpoints lit on the way; written to %s\n",
                level_index, want_nut ? " with the golden nut" : "", steps, steps * kTickMs / 1000.0, ended_tick, lit,
                posts, out_path.c_str());
    return 0;
}
