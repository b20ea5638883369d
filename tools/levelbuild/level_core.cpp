// level_core.cpp - level sources to level records, the level rules, and the level file text.
//
// Source format (one statement a line; '#' at a line start or after a blank starts a comment):
//   backdrop NAME                      the backdrop picture
//   final                              this is the final scene (only the hero is required)
//   [back] [ground] [front] [objects]  the section the following items go to
//   KIND X Y [angle=A] [mirror]        one item; Y may be a ground reference (below)
//   znak X Y [mirror] text=TEXT        a sign: TEXT (UTF-8 here, to the end of the line, a few
//                                      words of Russian; the language catalogue's key) shows in a
//                                      bubble while the hero is near; stored in code page 1251
//   fonar X Y                          a checkpoint post: the hero respawns there once it is lit
//   row KIND X Y DX N [angle=A] [mirror]   N items from X every DX pixels
//   poly TEXTURE x,y x,y ...           an outline filled with TEXTURE (must be fan-drawable);
//                                      closed, so that all its sides are solid
//   land TEXTURE bottom=B [tufts] x,y x,y ...
//                                      a strip of terrain: the top line given left to right,
//                                      filled down to y B; split into convex pieces at most
//                                      kPieceWidth wide; "tufts" strews grass tufts along it
//   roof TEXTURE top=T x,y x,y ...     the same hanging down: the lower line given left to
//                                      right, filled up to y T (cave ceilings, usually "bgcarst")
// Point lists may go on in lines that start with a blank. A ground reference is "g", "g@Y0"
// (the first solid surface at or below Y0 instead of the topmost), optionally followed by +N or
// -N pixels; the kind's resting offset is applied so the item stands on that surface.
//
// The checks never run the world: the fall check uses a coarse model of walking and jumping
// computed from the hero's speeds (see the tuning block) that errs towards "the hero can get
// there", so that it refuses only levels that are surely wrong.
#include "level_core.h"

#include "cp1251.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <queue>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace lv {

namespace {

// ---- tuning: the hero's reach, from its speeds per 20 ms tick --------------------------------
constexpr double kJumpRise = 150;       // px: 130 of flight (impulse 12, gravity 0.4, 2 px extra fall
                                        // per tick) and the probe circle rounding over an edge
constexpr double kSpringRise = 330;     // px: a spring throws at 18 px per tick (312) and the rounding
constexpr double kRunStep = 4;          // px per tick at full walking speed (3.6, rounded)
constexpr double kFallCap = 12;         // px per tick: fall speed limit 10 plus the extra 2
constexpr double kReachSlack = 1.15;    // the model's generosity on horizontal reach
constexpr double kCartReach = 1400;     // px a cart may carry the hero to the right
constexpr double kCartRest = 64;        // px from a cart's centre down to its rails
constexpr double kCartDrop = 150;       // px above the rails a hero must drop from to board
constexpr double kCartBoardLeft = 220;  // px left of a cart from where a drop can land in it
constexpr double kSample = 8;           // px between the model's columns
constexpr double kHeadroom = 90;        // px of free space a place to stand needs above it
constexpr double kMoveCost = 2;         // px added to every move's cost: fewer moves first
constexpr int kPieceWidth = 256;        // px: widest terrain piece (the fill clamps far vertices)
constexpr double kTuftSpacing = 88;     // px between grass tufts along a strip
constexpr double kShipReachDown = 140;  // px: a "ship" this far above a pit's floor still kills there
// A ceiling over a take-off: the jump's probe (its top 64 px above the feet) rises 130 px, so solid
// terrain less than 194 px above a rim's floor, over the last kTakeOffRun px before the drop or the
// first kFlightReach px of the flight past it, cuts the jump short and drops the hero in (checked
// where thorns wait below the flight).
constexpr double kProbeTop = 64;        // px from the hero's feet to the top of its probe circle
constexpr double kJumpHeadroom = 194;   // px: kProbeTop plus the jump's 130 px of rise
constexpr double kHeroAboveFeet = 48;   // px from the hero's feet up to its centre
constexpr double kFeetRise = 130;       // px the feet rise in a jump (10 px a tick, 0.4 less each tick)
constexpr double kTakeOffRun = 64;      // px before the rim where a running jump takes off
constexpr double kFlightReach = 132;    // px past the rim the rising part of the flight covers (about
                                        // 25 ticks at 4 px) plus the probe's radius
constexpr double kRimDrop = 64;         // px the floor must fall within kSample past its end: a rim

// ---- tuning: what may hurt the hero at its start point (the world's creature rules) -----------
// Touch distances between the hero's centre and the creature's, in px: closer than this hurts.
constexpr double kBeeTouch = 32, kWormTouch = 64, kMoleTouch = 48, kHedgeTouch = 32, kShipTouch = 64;
constexpr double kWalkerPatrol = 202;   // px a worm or mole walks right of its place before it turns
                                        // (2 px a tick until it has gone more than 200), then back
constexpr double kBeeDip = 116;         // px a bee sinks below its place on its sine path (2 px x
                                        // sin of a phase that grows 2 degrees a tick), then rises back
constexpr double kPatrolStep = 2;       // px between the walker places tested
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string where(const std::string &source, int line) { return source + ":" + std::to_string(line) + ": "; }

std::vector<std::string> split_ws(const std::string &s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string t;
    while (in >> t) out.push_back(t);
    return out;
}

bool parse_int(const std::string &s, int &v) {
    if (s.empty()) return false;
    char *end = nullptr;
    const long r = std::strtol(s.c_str(), &end, 10);
    if (*end != 0 || r < -1000000 || r > 1000000) return false;
    v = static_cast<int>(r);
    return true;
}

bool parse_pair(const std::string &s, Point &p) {
    const size_t comma = s.find(',');
    if (comma == std::string::npos) return false;
    int x = 0, y = 0;
    if (!parse_int(s.substr(0, comma), x) || !parse_int(s.substr(comma + 1), y)) return false;
    p = {double(x), double(y)};
    return true;
}

double cross(const Point &o, const Point &a, const Point &b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Every segment of the solid outlines, with the source line of its item.
struct Segment {
    Point a, b;
    int line;
};
std::vector<Segment> solid_segments(const Level &level) {
    std::vector<Segment> segs;
    for (const Item &it : level.layers[kGround]) {
        if (it.pts.size() < 2 || it.kind == "bgcarst") continue;
        for (size_t i = 0; i + 1 < it.pts.size(); ++i) segs.push_back({it.pts[i], it.pts[i + 1], it.line});
    }
    return segs;
}

// Topmost crossing of the vertical line x at or below `from`, over the given segments.
bool surface_in(const std::vector<Segment> &segs, double x, double from, double &y, int *line) {
    bool found = false;
    for (const Segment &s : segs) {
        const double x0 = std::min(s.a.x, s.b.x), x1 = std::max(s.a.x, s.b.x);
        if (x < x0 || x > x1 || x1 - x0 < 1e-9) continue;
        const double t = (x - s.a.x) / (s.b.x - s.a.x);
        const double sy = s.a.y + t * (s.b.y - s.a.y);
        if (sy < from) continue;
        if (!found || sy < y) {
            y = sy;
            if (line) *line = s.line;
            found = true;
        }
    }
    return found;
}

// True when (x, y) lies inside a solid outline, taken as a closed polygon (even-odd rule).
bool inside_solid(const Level &level, double x, double y) {
    for (const Item &it : level.layers[kGround]) {
        if (it.pts.size() < 3 || it.kind == "bgcarst") continue;
        bool in = false;
        for (size_t i = 0, j = it.pts.size() - 1; i < it.pts.size(); j = i++) {
            const Point &a = it.pts[i], &b = it.pts[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
        }
        if (in) return true;
    }
    return false;
}

// A parsed vertical position: a number, or a ground reference resolved after the terrain is known.
struct YSpec {
    bool ground = false;
    double from = -kInf;
    int value = 0;   // the number, or the lift added to the ground reference
};
bool parse_y(const std::string &s, YSpec &y) {
    if (s.empty()) return false;
    if (s[0] != 'g') {
        y.ground = false;
        return parse_int(s, y.value);
    }
    y.ground = true;
    size_t i = 1;
    if (i < s.size() && s[i] == '@') {
        size_t j = i + 1;
        if (j < s.size() && s[j] == '-') ++j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
        int from = 0;
        if (!parse_int(s.substr(i + 1, j - i - 1), from)) return false;
        y.from = from;
        i = j;
    }
    if (i == s.size()) return true;
    if (s[i] != '+' && s[i] != '-') return false;
    return parse_int(s.substr(i), y.value);
}

// An item waiting for its ground reference.
struct Pending {
    int layer;
    size_t index;
    YSpec y;
};

}  // namespace

// ---- pictures ------------------------------------------------------------------------------

int Pictures::height(const std::string &name) const {
    auto it = size.find(name);
    return it == size.end() ? 0 : it->second.second;
}

bool load_pictures(const std::string &dir, Pictures &pics, std::string &error) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
        error = dir + ": cannot read the picture folder (" + ec.message() + ")";
        return false;
    }
    for (const auto &entry : it) {
        if (entry.path().extension() != ".tga") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        unsigned char hdr[18] = {};
        if (!in.read(reinterpret_cast<char *>(hdr), 18)) continue;
        pics.size[entry.path().stem().string()] = {hdr[12] | (hdr[13] << 8), hdr[14] | (hdr[15] << 8)};
    }
    return true;
}

int rest_offset(const std::string &kind, const Pictures &pics) {
    // The walkers' terrain probes (circle of radius 32) decide where they stand.
    if (kind == "enot") return 48;    // probe centre 16 below the centre
    if (kind == "krot") return 48;
    if (kind == "worm") return 24;    // probe centre 8 above the centre
    if (kind == "vag") return 64;     // probe centre 32 below the centre
    if (kind == "fonar") return 64;   // a 128-px frame, two rows of them (unlit, lit)
    return pics.height(kind) / 2;     // single-row pictures stand on their bottom edge
}

// ---- geometry -------------------------------------------------------------------------------

bool fan_drawable(const std::vector<Point> &pts) {
    if (pts.size() < 3) return false;
    int sign = 0;
    double sweep = 0;
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
        const double c = cross(pts[0], pts[i], pts[i + 1]);
        if (std::fabs(c) < 1e-9) continue;
        const int s = c > 0 ? 1 : -1;
        if (sign != 0 && s != sign) return false;
        sign = s;
        const double a1 = std::atan2(pts[i].y - pts[0].y, pts[i].x - pts[0].x);
        const double a2 = std::atan2(pts[i + 1].y - pts[0].y, pts[i + 1].x - pts[0].x);
        double d = std::fabs(a2 - a1);
        if (d > M_PI) d = 2 * M_PI - d;
        sweep += d;
    }
    return sign != 0 && sweep < 2 * M_PI - 1e-6;
}

bool surface_below(const Level &level, double x, double from, double &surface_y) {
    return surface_in(solid_segments(level), x, from, surface_y, nullptr);
}

namespace {

// Splits a strip's top line into convex pieces (slopes never decreasing within a piece) of at
// most kPieceWidth, each an outline: bottom-left, the top points, bottom-right.
std::vector<std::vector<Point>> land_pieces(std::vector<Point> top, double bottom, bool hanging) {
    // A hanging strip is a standing one upside down.
    if (hanging) {
        for (Point &p : top) p.y = -p.y;
        auto pieces = land_pieces(top, -bottom, false);
        for (auto &piece : pieces)
            for (Point &p : piece) p.y = -p.y;
        return pieces;
    }
    // Long segments are cut first so that no piece is wider than kPieceWidth.
    std::vector<Point> fine;
    for (size_t i = 0; i < top.size(); ++i) {
        if (i > 0) {
            const Point a = top[i - 1], b = top[i];
            const int parts = int(std::ceil((b.x - a.x) / kPieceWidth));
            for (int k = 1; k < parts; ++k)
                fine.push_back({std::round(a.x + (b.x - a.x) * k / parts), std::round(a.y + (b.y - a.y) * k / parts)});
        }
        fine.push_back(top[i]);
    }
    std::vector<std::vector<Point>> pieces;
    size_t start = 0;
    while (start + 1 < fine.size()) {
        size_t end = start + 1;
        while (end + 1 < fine.size()) {
            const Point &a = fine[end - 1], &b = fine[end], &c = fine[end + 1];
            const double s1 = (b.y - a.y) / (b.x - a.x), s2 = (c.y - b.y) / (c.x - b.x);
            if (s2 < s1 - 1e-9 || c.x - fine[start].x > kPieceWidth) break;
            ++end;
        }
        std::vector<Point> piece;
        piece.push_back({fine[start].x, bottom});
        for (size_t i = start; i <= end; ++i) piece.push_back(fine[i]);
        piece.push_back({fine[end].x, bottom});
        pieces.push_back(piece);
        start = end;
    }
    return pieces;
}

// Grass tufts along a strip's top line, every kTuftSpacing pixels, on slopes under 40 degrees.
void add_tufts(const std::vector<Point> &top, const Pictures &pics, int line, std::vector<Item> &out) {
    static const char *kinds[] = {"grass1", "grass2", "grass3"};
    double next = top.front().x + kTuftSpacing / 2;
    unsigned pick = unsigned(top.front().x) * 2654435761u;
    for (size_t i = 1; i < top.size(); ++i) {
        const Point a = top[i - 1], b = top[i];
        const double slope = std::atan2(b.y - a.y, b.x - a.x) * 180 / M_PI;
        for (; next < b.x; next += kTuftSpacing) {
            if (next < a.x || std::fabs(slope) > 40) continue;
            pick = pick * 1103515245u + 12345u;
            const char *k = kinds[(pick >> 16) % 3];
            if (!pics.has(k)) continue;
            const double t = (next - a.x) / (b.x - a.x);
            Item it;
            it.kind = k;
            it.x = int(std::lround(next));
            it.y = int(std::lround(a.y + t * (b.y - a.y))) - pics.height(k) / 2 + 8;
            it.angle = int(std::lround(slope));
            it.mirror = (pick >> 20) & 1;
            it.line = line;
            out.push_back(it);
        }
    }
}

}  // namespace

// ---- source parsing -------------------------------------------------------------------------

bool parse_source(const std::string &text, const std::string &source, const Pictures &pics, Level &level,
                  std::vector<std::string> &errors) {
    const size_t errors_before = errors.size();
    level = Level{};
    int layer = -1;
    std::vector<Pending> pending;
    // The statement whose point list may continue on the next lines.
    struct Open {
        bool active = false;
        bool land = false;
        bool roof = false;
        bool tufts = false;
        bool low = false;
        std::string texture;
        double bottom = 0;
        int line = 0;
        int layer = 0;
        std::vector<Point> pts;
    } open;

    auto fail = [&](int line, const std::string &msg) { errors.push_back(where(source, line) + msg); };
    // A sign's text: UTF-8 in the source, 1251 in the level file; refused when the code page cannot
    // hold it, when it is empty or longer than the game reads.
    auto sign_text_1251 = [&](int line, const std::string &utf8, std::string &out) {
        out = cp1251::from_utf8(utf8);
        std::string problem;
        if (out.empty()) problem = "a sign's text=TEXT is empty";
        else if (cp1251::to_utf8(out) != utf8) problem = "a sign's text holds a character code page 1251 cannot";
        else if (out.size() > size_t(kSignTextCapacity))
            problem = "a sign's text of " + std::to_string(out.size()) + " letters is longer than the " +
                      std::to_string(kSignTextCapacity) + " a sign holds";
        if (!problem.empty()) fail(line, problem);
        return problem.empty();
    };
    auto need_picture = [&](int line, const std::string &kind) {
        if (!pics.has(kind)) fail(line, "no picture named \"" + kind + "\" in gfx/obj");
    };
    auto close_open = [&]() {
        if (!open.active) return;
        open.active = false;
        if (open.land) {
            bool ok = open.pts.size() >= 2;
            for (size_t i = 1; i < open.pts.size(); ++i)
                if (open.pts[i].x <= open.pts[i - 1].x) ok = false;
            for (const Point &p : open.pts)
                if (open.roof ? p.y <= open.bottom : p.y >= open.bottom) ok = false;
            if (!ok) {
                fail(open.line, open.roof ? "roof needs two or more points with x rising and every y below top=" +
                                                std::to_string(int(open.bottom))
                                          : "land needs two or more points with x rising and every y above bottom=" +
                                                std::to_string(int(open.bottom)));
                return;
            }
            for (auto &piece : land_pieces(open.pts, open.bottom, open.roof)) {
                Item it;
                it.kind = open.texture;
                it.x = int(piece[1].x);
                it.y = int(piece[1].y);
                it.pts = piece;
                it.line = open.line;
                level.layers[open.layer].push_back(it);
            }
            if (open.tufts && !open.roof) add_tufts(open.pts, pics, open.line, level.layers[open.layer]);
        } else {
            if (!fan_drawable(open.pts)) {
                fail(open.line, "the outline cannot be drawn as a fan around its first point: make it convex "
                                "or star-shaped around the first point, or split it");
                return;
            }
            Item it;
            it.kind = open.texture;
            it.x = int(open.pts[0].x);
            it.y = int(open.pts[0].y);
            it.pts = open.pts;
            it.low_roof = open.low;
            // The world's terrain test does not close an outline: the first point is repeated at
            // the end so that every side of a block or stone is solid (the fill skips the empty
            // last triangle).
            if (it.pts.front().x != it.pts.back().x || it.pts.front().y != it.pts.back().y) it.pts.push_back(it.pts.front());
            it.line = open.line;
            level.layers[open.layer].push_back(it);
        }
    };
    auto add_points = [&](int line, const std::vector<std::string> &toks, size_t from) {
        for (size_t i = from; i < toks.size(); ++i) {
            Point p;
            if (!parse_pair(toks[i], p)) {
                fail(line, "expected a point x,y, found \"" + toks[i] + "\"");
                open.active = false;
                return;
            }
            open.pts.push_back(p);
        }
    };

    std::istringstream in(text);
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        // Comments: '#' at the start or after a blank.
        for (size_t i = 0; i < raw.size(); ++i)
            if (raw[i] == '#' && (i == 0 || raw[i - 1] == ' ' || raw[i - 1] == '\t')) {
                raw.resize(i);
                break;
            }
        // A sign's text runs from "text=" to the end of the line.
        std::string sign_text;
        bool has_text = false;
        if (const size_t t = raw.find(" text="); t != std::string::npos) {
            sign_text = raw.substr(t + 6);
            while (!sign_text.empty() && (sign_text.back() == ' ' || sign_text.back() == '\t')) sign_text.pop_back();
            raw.resize(t);
            has_text = true;
        }
        const auto toks = split_ws(raw);
        if (toks.empty()) continue;
        const bool continuation = raw[0] == ' ' || raw[0] == '\t';
        if (continuation && open.active) {
            add_points(line, toks, 0);
            continue;
        }
        close_open();
        if (continuation) {
            fail(line, "an indented line continues a point list, but no poly or land is open");
            continue;
        }
        const std::string &w = toks[0];
        if (w == "backdrop") {
            if (toks.size() != 2) { fail(line, "backdrop takes one picture name"); continue; }
            level.backdrop = toks[1];
            need_picture(line, toks[1]);
            continue;
        }
        if (w == "final") { level.final_scene = true; continue; }
        if (w.size() > 2 && w.front() == '[' && w.back() == ']') {
            static const char *names[] = {"[back]", "[ground]", "[front]", "[objects]"};
            layer = -1;
            for (int i = 0; i < kLayerCount; ++i)
                if (w == names[i]) layer = i;
            if (layer < 0) fail(line, "unknown section " + w + " (back, ground, front or objects)");
            continue;
        }
        if (layer < 0) { fail(line, "\"" + w + "\" before any section ([back], [ground], [front], [objects])"); continue; }

        if (w == "poly" || w == "land" || w == "roof") {
            if (toks.size() < 2) { fail(line, w + " needs a texture"); continue; }
            if (layer == kObjects) { fail(line, "outlines belong to [back], [ground] or [front], not [objects]"); continue; }
            open = Open{};
            open.active = true;
            open.land = w == "land" || w == "roof";
            open.roof = w == "roof";
            open.texture = toks[1];
            open.line = line;
            open.layer = layer;
            need_picture(line, toks[1]);
            size_t i = 2;
            if (open.land) {
                bool have_bottom = false;
                for (; i < toks.size() && toks[i].find(',') == std::string::npos; ++i) {
                    int b = 0;
                    const std::string key = open.roof ? "top=" : "bottom=";
                    if (toks[i].rfind(key, 0) == 0 && parse_int(toks[i].substr(key.size()), b)) {
                        open.bottom = b;
                        have_bottom = true;
                    } else if (toks[i] == "tufts") {
                        open.tufts = true;
                    } else {
                        fail(line, "unknown land option \"" + toks[i] + "\"");
                    }
                }
                if (!have_bottom) { fail(line, open.roof ? "roof needs top=Y" : "land needs bottom=Y"); open.active = false; continue; }
            } else if (i < toks.size() && toks[i] == "low") {
                open.low = true;   // a low roof over a jump that the level teaches first
                ++i;
            }
            add_points(line, toks, i);
            continue;
        }

        // An item or a row of items.
        const bool row = w == "row";
        const size_t base = row ? 1 : 0;
        const size_t fixed = row ? 6 : 3;   // row KIND X Y DX N | KIND X Y
        if (toks.size() < fixed) {
            fail(line, row ? "row takes KIND X Y DX N" : "an item takes KIND X Y");
            continue;
        }
        Item it;
        it.kind = toks[base];
        it.line = line;
        YSpec ys;
        int dx = 0, n = 1;
        if (!parse_int(toks[base + 1], it.x) || !parse_y(toks[base + 2], ys) ||
            (row && (!parse_int(toks[4], dx) || !parse_int(toks[5], n) || n < 1 || n > kLayerCapacity))) {
            fail(line, "bad number in \"" + raw + "\"");
            continue;
        }
        bool bad = false;
        for (size_t i = fixed; i < toks.size(); ++i) {
            if (toks[i] == "mirror") it.mirror = 1;
            else if (toks[i].rfind("angle=", 0) == 0 && parse_int(toks[i].substr(6), it.angle)) {}
            else { fail(line, "unknown option \"" + toks[i] + "\""); bad = true; }
        }
        if (bad) continue;
        if (it.kind == "delete") { fail(line, "\"delete\" is the world's removal mark, not a kind"); continue; }
        if ((it.kind == "znak") != has_text) {
            fail(line, has_text ? "only a sign (\"znak\") takes text=" : "a sign needs text=TEXT (a few words)");
            continue;
        }
        if (has_text && !sign_text_1251(line, sign_text, it.text)) continue;
        need_picture(line, it.kind);
        for (int k = 0; k < n; ++k) {
            Item copy = it;
            copy.x = it.x + k * dx;
            copy.y = ys.value;
            level.layers[layer].push_back(copy);
            if (ys.ground) pending.push_back({layer, level.layers[layer].size() - 1, ys});
        }
    }
    close_open();

    // Ground references, once all the terrain is known.
    const auto segs = solid_segments(level);
    for (const Pending &p : pending) {
        Item &it = level.layers[p.layer][p.index];
        double sy = 0;
        if (!surface_in(segs, it.x, p.y.from, sy, nullptr)) {
            fail(it.line, "no solid ground below x " + std::to_string(it.x) + " to stand \"" + it.kind + "\" on");
            continue;
        }
        it.y = int(std::lround(sy)) - rest_offset(it.kind, pics) + p.y.value;
    }
    return errors.size() == errors_before;
}

// ---- level rules ----------------------------------------------------------------------------

namespace {

// Horizontal reach of a running jump that rises `rise` at most and ends `drop` pixels lower than
// it started (negative: higher), with the model's slack.
double jump_reach(double rise, double drop) {
    // Rising: the speed falls by 0.4 per tick from rise*2/ticks; ticks to the apex ~ rise / 5.2
    // for the 130 px jump (25 ticks) and the 312 px spring (39 ticks).
    const double up_ticks = rise <= kJumpRise ? 25 : 39;
    rise = std::min(rise, rise <= kJumpRise ? 130.0 : 312.0);
    const double fall = rise + drop;
    if (fall < 0) return 0;
    double down_ticks;
    const double capped = 0.2 * 30 * 31;   // distance fallen when the speed limit is reached
    if (fall <= capped) down_ticks = (-1 + std::sqrt(1 + 20 * fall)) / 2;
    else down_ticks = 30 + (fall - capped) / kFallCap;
    return (up_ticks + down_ticks) * kRunStep * kReachSlack;
}

}  // namespace

// ---- the reach model ------------------------------------------------------------------------

bool ReachModel::build(const Level &level) {
    cross_at_.clear(); nodes_at_.clear(); solid_at_.clear(); nodes_.clear();
    spring_.clear(); cart_floor_.clear();
    const auto segs = solid_segments(level);
    if (segs.empty()) return false;
    double lo = kInf, hi = -kInf;
    for (const Segment &s : segs) {
        lo = std::min({lo, s.a.x, s.b.x});
        hi = std::max({hi, s.a.x, s.b.x});
    }
    lo -= 4 * kSample;   // open air beyond each end: falling off the level
    hi += 4 * kSample;
    lo_ = lo;
    const int n = int((hi - lo) / kSample) + 1;
    n_ = n;
    cross_at_.resize(n);
    nodes_at_.resize(n);
    solid_at_.resize(n);
    for (int i = 0; i < n; ++i) {
        const double x = lo + i * kSample + 0.5;
        std::vector<std::pair<double, int>> cs;
        for (const Segment &s : segs) {
            const double x0 = std::min(s.a.x, s.b.x), x1 = std::max(s.a.x, s.b.x);
            if (x < x0 || x > x1 || x1 - x0 < 1e-9) continue;
            cs.push_back({s.a.y + (x - s.a.x) / (s.b.x - s.a.x) * (s.b.y - s.a.y), s.line});
        }
        std::sort(cs.begin(), cs.end());
        double above = -kInf;
        for (const auto &[y, line] : cs) {
            cross_at_[i].push_back(y);
            if (y - above >= kHeadroom && !inside_solid(level, x, y - 2)) {
                nodes_at_[i].push_back(int(nodes_.size()));
                nodes_.push_back({i, y, line});
            }
            above = y;
        }
        // Solid stretches of the column: between crossings, wherever the middle is inside an outline.
        for (size_t k = 0; k <= cs.size() && !cs.empty(); ++k) {
            const double u = k == 0 ? -kInf : cs[k - 1].first, v = k == cs.size() ? kInf : cs[k].first;
            const double mid = k == 0 ? v - 1 : (k == cs.size() ? u + 1 : (u + v) / 2);
            if (inside_solid(level, x, mid)) solid_at_[i].push_back({u, v});
        }
        if (cs.empty()) {   // open air: whoever gets here falls for ever
            nodes_at_[i].push_back(int(nodes_.size()));
            nodes_.push_back({i, kInf, 0});
        }
    }
    spring_.assign(n, 0);
    cart_floor_.assign(n, kInf);
    for (const Item &it : level.layers[kObjects]) {
        if (it.kind == "romash")
            for (int i = column_of(it.x - 40); i <= column_of(it.x + 40); ++i) spring_[i] = 1;
        // A cart is boarded by dropping into it from a place well above its rails, just left of it.
        if (it.kind == "vag")
            for (int i = column_of(it.x - kCartBoardLeft); i <= column_of(it.x + 40); ++i)
                cart_floor_[i] = it.y + kCartRest;
    }
    return true;
}

int ReachModel::column_of(double x) const { return std::clamp(int(std::lround((x - lo_) / kSample)), 0, n_ - 1); }

double ReachModel::column_x(int column) const { return lo_ + column * kSample; }

int ReachModel::node_below(int column, double y) const {
    for (int id : nodes_at_[column])
        if (nodes_[id].y >= y - 1) return id;
    return nodes_at_[column].back();
}

// Moves from a node: to a node of a column within reach whose height the jump (or spring, or a
// cart ride to the right) can get to, with no terrain in the way at the heights between.
void ReachModel::moves(int from, const std::function<void(int, double)> &to) const {
    const Node &a = nodes_[from];
    if (!std::isfinite(a.y)) return;
    const int i = a.column, n = n_;
    const double rise = spring_[i] ? kSpringRise : kJumpRise;
    for (int dir = -1; dir <= 1; dir += 2) {
        for (int j = i + dir; j >= 0 && j < n; j += dir) {
            const double dist = std::fabs(j - i) * kSample;
            const bool by_cart = std::isfinite(cart_floor_[i]) && a.y <= cart_floor_[i] - kCartDrop && dir > 0 &&
                                 dist <= kCartReach;
            if (!by_cart && dist > jump_reach(rise, 2000)) break;
            for (int id : nodes_at_[j]) {
                const Node &b = nodes_[id];
                const double drop = b.y - a.y;
                if (drop < -rise) continue;
                const double reach = jump_reach(rise, std::isfinite(drop) ? drop : 2000);
                const bool ride = by_cart && b.y > cart_floor_[i] - 40;
                if (dist > reach && !ride) continue;
                // Nothing solid in the band the hero passes through on the way.
                const double band_top = std::min(a.y, b.y) - kHeadroom, band_bottom = std::max(a.y, b.y);
                bool clear = true;   // a cart ride flies over what lies between
                for (int k = std::min(i, j) + 1; k < std::max(i, j) && clear && !(ride && dist > reach); ++k) {
                    for (double c : cross_at_[k])
                        if (c > band_top && c < band_bottom) { clear = false; break; }
                    for (const auto &[u, v] : solid_at_[k])
                        if (u < band_bottom && v > band_top) { clear = false; break; }
                }
                // At both ends, rock above the place itself stands in the way too.
                for (const Node *end : {&a, &b})
                    for (const auto &[u, v] : solid_at_[end->column])
                        if (v <= end->y + 1 && u < band_bottom && v > band_top) clear = false;
                if (clear) to(id, dist + std::fabs(drop < 0 ? drop : 0));
            }
        }
    }
}

std::vector<double> ReachModel::costs_to(const std::vector<int> &goals) const {
    const int m = int(nodes_.size());
    std::vector<std::vector<std::pair<int, double>>> back(m);
    for (int id = 0; id < m; ++id) moves(id, [&](int j, double c) { back[j].push_back({id, c}); });
    std::vector<double> cost(m, kInf);
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    for (int g : goals) { cost[g] = 0; open.push({0, g}); }
    while (!open.empty()) {
        const auto [c, j] = open.top();
        open.pop();
        if (c > cost[j]) continue;
        for (const auto &[i, step] : back[j])
            if (c + step + kMoveCost < cost[i]) { cost[i] = c + step + kMoveCost; open.push({cost[i], i}); }
    }
    return cost;
}

bool check_level(const Level &level, const std::string &source, std::vector<std::string> &errors) {
    const size_t errors_before = errors.size();
    auto fail = [&](int line, const std::string &msg) { errors.push_back(where(source, line) + msg); };

    // Capacity of each layer.
    static const char *layer_names[] = {"[back]", "[ground]", "[front]", "[objects]"};
    for (int l = 0; l < kLayerCount; ++l)
        if (level.layers[l].size() > size_t(kLayerCapacity))
            fail(level.layers[l][kLayerCapacity].line,
                 std::string(layer_names[l]) + " holds " + std::to_string(level.layers[l].size()) +
                     " items, more than a layer holds (" + std::to_string(kLayerCapacity) + ")");

    // Outlines the fan fill can draw (sources check theirs as they are read; this catches any other).
    for (int l = 0; l < kLayerCount; ++l)
        for (const Item &it : level.layers[l])
            if (!it.pts.empty() && !fan_drawable(it.pts))
                fail(it.line, "outline of \"" + it.kind + "\" cannot be drawn as a fan around its first point");

    // The required objects, counted.
    std::map<std::string, std::vector<const Item *>> by_kind;
    for (const Item &it : level.layers[kObjects]) by_kind[it.kind].push_back(&it);
    auto count_of = [&](const char *k) { return by_kind.count(k) ? by_kind[k].size() : size_t(0); };
    auto require_one = [&](const char *k, const char *what) {
        const size_t n = count_of(k);
        if (n == 1) return;
        const int line = n ? by_kind[k][1]->line : (level.layers[kObjects].empty() ? 1 : level.layers[kObjects].back().line);
        fail(line, "the level needs exactly one \"" + std::string(k) + "\" (" + what + "), found " + std::to_string(n));
    };
    require_one("enot", "the hero");
    if (level.final_scene) {
        if (count_of("table")) fail(by_kind["table"][0]->line, "the final scene has no level end: \"table\" is not allowed");
    } else {
        require_one("table", "the level end");
        require_one("bnut", "the golden nut");
    }
    if (errors.size() != errors_before || !count_of("enot")) return false;

    // ---- the respawn points: the hero comes back to life at its start, or at the checkpoint it lit
    // last, with the creatures wherever their paths have taken them, so no path may come within
    // touch of any of them at any time ---------------------------------------------------------------
    struct Respawn {
        double x, y;
        std::string what;
    };
    std::vector<Respawn> respawns{{double(by_kind["enot"][0]->x), double(by_kind["enot"][0]->y), "the hero's start point"}};
    for (const Item *post : by_kind["fonar"]) {
        // The hero appears at the post's centre and comes to stand on the post's ground.
        const double stand = post->y + rest_offset("fonar", Pictures{}) - rest_offset("enot", Pictures{});
        respawns.push_back({double(post->x), double(post->y), "the checkpoint at x " + std::to_string(post->x)});
        respawns.push_back({double(post->x), stand, "the checkpoint at x " + std::to_string(post->x)});
    }
    for (const Respawn &hero : respawns) {
        for (const Item &it : level.layers[kObjects]) {
            double touch = 0, x_span = 0, y_span = 0;
            const bool walker = it.kind == "worm" || it.kind == "krot";
            if (it.kind == "worm") touch = kWormTouch, x_span = kWalkerPatrol;
            else if (it.kind == "krot") touch = kMoleTouch, x_span = kWalkerPatrol;
            else if (it.kind == "bee") touch = kBeeTouch, y_span = kBeeDip;
            else if (it.kind == "hedge") touch = kHedgeTouch;
            else if (it.kind == "ship") touch = kShipTouch;
            else continue;
            double nearest = kInf;
            const int rest = rest_offset(it.kind, Pictures{});   // walkers follow the ground they walk on
            for (double dx = 0; dx <= x_span; dx += kPatrolStep) {
                const double x = it.x + dx;
                double y = it.y, surface = 0;
                if (walker && surface_below(level, x, it.y - kHeadroom, surface)) y = surface - rest;
                // The nearest point of the vertical stretch [y, y + y_span] to the hero.
                const double ny = std::clamp(double(hero.y), y, y + y_span);
                nearest = std::min(nearest, std::hypot(x - hero.x, ny - hero.y));
            }
            if (nearest < touch)
                fail(it.line, "the \"" + it.kind + "\" at x " + std::to_string(it.x) + " comes within " +
                                  std::to_string(int(nearest)) + " px of " + hero.what + " (it hurts within " +
                                  std::to_string(int(touch)) + "): the hero would be hurt on coming back to life");
        }
        if (errors.size() != errors_before) return false;
    }

    // ---- the fall check: a coarse walk-and-jump model over the terrain ----------------------
    ReachModel model;
    if (!model.build(level)) {
        fail(by_kind["enot"][0]->line, "there is no solid ground at all");
        return false;
    }
    // ---- ceilings over take-offs: a jump from a rim must not be cut short by a roof the level has
    // not taught (those are marked "low" in the source) ------------------------------------------
    {
        const ReachModel &m = model;
        std::vector<const Item *> untaught;   // solid outlines not marked as taught low roofs
        for (const Item &it : level.layers[kGround])
            if (it.pts.size() >= 3 && it.kind != "bgcarst" && !it.low_roof) untaught.push_back(&it);
        // The outline holding (x, y), or null.
        auto solid_at = [&](double x, double y) -> const Item * {
            for (const Item *it : untaught) {
                Level one;
                one.layers[kGround].push_back(*it);
                if (inside_solid(one, x, y)) return it;
            }
            return nullptr;
        };
        // The roof over the take-off from the rim of floor `y` at `rim`, the drop towards `dir`.
        auto roof_over = [&](double rim, double y, int dir, double &at_x, double &up) -> const Item * {
            for (double dx = -kTakeOffRun; dx <= kFlightReach; dx += kSample) {
                const double x = rim + dir * dx;
                if (solid_at(x, y - kProbeTop / 2)) break;   // the ground rising ahead: a wall or a step
                for (up = kProbeTop; up <= kJumpHeadroom; up += kSample)
                    if (const Item *r = solid_at(x, y - up)) {
                        // A block whose top the jump's feet can reach is a step to land on, not a roof.
                        double top = up;
                        while (top <= kJumpHeadroom && solid_at(x, y - top)) top += kSample / 2;
                        if (top <= kFeetRise) break;
                        at_x = x;
                        return r;
                    }
            }
            return nullptr;
        };
        std::vector<const Item *> thorns;
        for (const Item &it : level.layers[kObjects])
            if (it.kind == "ship") thorns.push_back(&it);
        std::set<const Item *> reported;
        for (int c = 0; c < m.columns(); ++c)
            for (int id : m.nodes_at(c)) {
                const double y = m.nodes()[id].y;
                if (!std::isfinite(y)) continue;
                for (int dir = -1; dir <= 1; dir += 2) {
                    const int next = c + dir;
                    if (next < 0 || next >= m.columns()) continue;
                    // A rim: the next column has no floor higher than kRimDrop below this one (a
                    // floor going on, or ground rising as a step or a wall, is no drop).
                    bool floor_on = false;
                    for (int o : m.nodes_at(next))
                        if (m.nodes()[o].y <= y + kRimDrop && m.nodes()[o].y >= y - kFeetRise) floor_on = true;
                    if (floor_on) continue;
                    // A trap only where a jump cut short falls among thorns.
                    bool thorns_below = false;
                    for (const Item *t : thorns) {
                        const double along = (t->x - m.column_x(c)) * dir;
                        if (t->y > y && along >= 0 && along <= kFlightReach + kShipTouch) thorns_below = true;
                    }
                    if (!thorns_below) continue;
                    const double rim = m.column_x(c);
                    // A floor among thorns is where a fall ends, not where a jump starts.
                    bool thorny = false;
                    for (const Item *t : thorns)
                        if (std::hypot(t->x - rim, t->y - (y - kHeroAboveFeet)) < kShipTouch + kTakeOffRun) thorny = true;
                    if (thorny) continue;
                    double at_x = 0, up = 0;
                    const Item *roof = roof_over(rim, y, dir, at_x, up);
                    if (!roof || !reported.insert(roof).second) continue;
                    fail(roof->line, "a ceiling " + std::to_string(int(up)) + " px above the floor at x " +
                                         std::to_string(int(at_x)) + " cuts short a jump from the rim at x " +
                                         std::to_string(int(rim)) + " (y " + std::to_string(int(y)) +
                                         "): raise or move it, or mark it \"low\" where the level teaches it first");
                }
            }
        if (errors.size() != errors_before) return false;
    }

    const auto &nodes = model.nodes();
    const int n = model.columns();
    auto moves = [&](int from, const std::function<void(int)> &to) { model.moves(from, [&](int j, double) { to(j); }); };
    auto column_of = [&](double x) { return model.column_of(x); };
    auto node_below = [&](int column, double y) { return model.node_below(column, y); };
    auto nodes_at = [&](int column) -> const std::vector<int> & { return model.nodes_at(column); };
    const double lo = model.column_x(0);

    // Places the hero can reach from its start.
    const Item &hero = *by_kind["enot"][0];
    const int m = int(nodes.size());
    std::vector<char> reach(m, 0);
    std::deque<int> queue;
    const int start = node_below(column_of(hero.x), hero.y);
    reach[start] = 1;
    queue.push_back(start);
    while (!queue.empty()) {
        const int id = queue.front();
        queue.pop_front();
        moves(id, [&](int j) {
            if (!reach[j]) { reach[j] = 1; queue.push_back(j); }
        });
    }
    for (int id = 0; id < m; ++id) {
        if (!reach[id] || std::isfinite(nodes[id].y)) continue;
        int line = 0;
        for (int k = nodes[id].column; k >= 0 && !line; --k)
            for (int o : nodes_at(k)) if (nodes[o].line) { line = nodes[o].line; break; }
        fail(line ? line : hero.line, "the hero can fall off the terrain at x " +
                                          std::to_string(int(lo + nodes[id].column * kSample)) + ": there is no floor there");
        return false;
    }
    if (level.final_scene) return errors.size() == errors_before;

    // Places from which the table can still be reached (the moves, walked backwards).
    std::vector<std::vector<int>> back(m);
    for (int id = 0; id < m; ++id) moves(id, [&](int j) { back[j].push_back(id); });
    std::vector<char> finish(m, 0);
    const Item &end = *by_kind["table"][0];
    for (int i = column_of(end.x - 40); i <= column_of(end.x + 40); ++i) {
        const int id = node_below(i, end.y);
        if (!finish[id] && std::isfinite(nodes[id].y)) { finish[id] = 1; queue.push_back(id); }
    }
    while (!queue.empty()) {
        const int j = queue.front();
        queue.pop_front();
        for (int id : back[j])
            if (!finish[id]) { finish[id] = 1; queue.push_back(id); }
    }
    if (!finish[start]) {
        fail(hero.line, "the table cannot be reached from the hero's start by walking and jumping");
        return false;
    }

    // Each run of reachable places that cannot lead on is a pit: a "ship" must wait at its floor.
    std::vector<const Item *> ships = by_kind.count("ship") ? by_kind["ship"] : std::vector<const Item *>{};
    std::vector<char> seen(m, 0);
    for (int id = 0; id < m; ++id) {
        if (!reach[id] || finish[id] || seen[id]) continue;
        // The pit: this place and every trapped place joined to it by moves.
        std::vector<int> pit{id};
        seen[id] = 1;
        for (size_t k = 0; k < pit.size(); ++k)
            moves(pit[k], [&](int j) {
                if (reach[j] && !finish[j] && !seen[j]) { seen[j] = 1; pit.push_back(j); }
            });
        int deepest = id, x0 = n, x1 = 0;
        for (int p : pit) {
            if (nodes[p].y > nodes[deepest].y) deepest = p;
            x0 = std::min(x0, nodes[p].column);
            x1 = std::max(x1, nodes[p].column);
        }
        const double left = lo + x0 * kSample, right = lo + x1 * kSample;
        bool killed = false;
        for (const Item *s : ships)
            if (s->x >= left - 48 && s->x <= right + 48 && s->y >= nodes[deepest].y - kShipReachDown) killed = true;
        if (!killed)
            fail(nodes[deepest].line, "pit at x " + std::to_string(int(left)) + ".." + std::to_string(int(right)) +
                                          " has no \"ship\" at its bottom: a hero who falls in can never leave");
    }
    return errors.size() == errors_before;
}

// ---- level files ----------------------------------------------------------------------------

namespace {

std::string number(double v) {
    if (v == std::floor(v) && std::fabs(v) < 1e9) return std::to_string(long(v));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

}  // namespace

std::string write_level_file(const Level &level) {
    std::string out;
    auto line = [&](const std::string &s) { out += s + "\r\n"; };
    line(level.backdrop);
    for (int l = 0; l < kLayerCount; ++l) {
        line(std::to_string(level.layers[l].size()));
        for (const Item &it : level.layers[l]) {
            line(it.text.empty() ? it.kind : it.kind + " " + it.text);
            line(std::to_string(it.x));
            line(std::to_string(it.y));
            line(std::to_string(it.angle));
            line(std::to_string(it.mirror));
            line(std::to_string(it.pts.empty() ? 0 : it.pts.size() - 1));
            if (it.pts.size() >= 2)
                for (const Point &p : it.pts) {
                    line(number(p.x));
                    line(number(p.y));
                }
        }
    }
    return out;
}

bool read_level_file(const std::string &text, Level &level, std::string &error) {
    level = Level{};
    std::vector<std::string> lines;
    {
        std::istringstream in(text);
        std::string s;
        while (std::getline(in, s)) {
            if (!s.empty() && s.back() == '\r') s.pop_back();
            lines.push_back(s);
        }
    }
    size_t at = 0;
    auto name = [&](std::string &v) {
        if (at >= lines.size()) return false;
        v = lines[at++];
        return true;
    };
    auto num = [&](double &v) {
        while (at < lines.size() && split_ws(lines[at]).empty()) ++at;
        if (at >= lines.size()) return false;
        const auto toks = split_ws(lines[at]);
        char *end = nullptr;
        v = std::strtod(toks[0].c_str(), &end);
        if (*end != 0) {
            error = "line " + std::to_string(at + 1) + ": expected a number, found \"" + lines[at] + "\"";
            return false;
        }
        ++at;
        return true;
    };
    if (!name(level.backdrop)) { error = "empty file"; return false; }
    for (int l = 0; l < kLayerCount; ++l) {
        double count = 0;
        if (!num(count) || count < 0 || count > kLayerCapacity) {
            if (error.empty()) error = "section " + std::to_string(l + 1) + ": bad or missing count";
            return false;
        }
        for (int k = 0; k < int(count); ++k) {
            Item it;
            double x, y, a, m, last;
            if (!name(it.kind) || !num(x) || !num(y) || !num(a) || !num(m) || !num(last) || last < 0 || last > 100000) {
                if (error.empty()) error = "section " + std::to_string(l + 1) + " ends inside item " + std::to_string(k + 1);
                return false;
            }
            it.x = int(x); it.y = int(y); it.angle = int(a); it.mirror = int(m) & 0xFF;
            if (it.kind.rfind("znak ", 0) == 0) {   // a sign's name line carries its text
                it.text = it.kind.substr(5);
                it.kind = "znak";
            }
            if (last > 0)
                for (int p = 0; p <= int(last); ++p) {
                    Point pt;
                    if (!num(pt.x) || !num(pt.y)) {
                        if (error.empty()) error = "outline of item " + std::to_string(k + 1) + " ends early";
                        return false;
                    }
                    it.pts.push_back(pt);
                }
            level.layers[l].push_back(it);
        }
    }
    return true;
}

}  // namespace lv
