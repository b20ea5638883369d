// replay_file.cpp - the replay file's lines: writing a section's start and its entries, and
// reading a whole file back with a clear message for the first bad line (format in replay.h).
//
// Numbers are written so that they read back exactly: the camera's x with 9 significant digits
// (a float), the clock with 17 (a double).
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string_view>

#include "platform/platform.h"
#include "replay/replay.h"
#include "state/state.h"

namespace replay {

const char *const kVersionLine = "tarvelok replay 1";

namespace {

constexpr int32_t kMaxLevelIndex = kSceneCapacity - 1;
constexpr double kMaxAbsClockMs = 1e15;   // ms: far beyond any run, and exact in a double
constexpr int64_t kMaxAbsPixels = 1000000000;  // pointer and camera coordinates
constexpr std::size_t kMaxKindBytes = 64;  // a particle kind: a picture's name
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // what some editors put before the first line

// The words of a line after its keyword, split at blanks.
std::vector<std::string> words(const std::string &line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

bool whole(const std::string &w, int64_t lo, int64_t hi, int64_t &out) {
    if (w.empty()) return false;
    errno = 0;
    char *end = nullptr;
    const long long v = std::strtoll(w.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool unsigned64(const std::string &w, uint64_t &out) {
    if (w.empty() || w[0] == '-' || w[0] == '+') return false;
    errno = 0;
    char *end = nullptr;
    const unsigned long long v = std::strtoull(w.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

bool real(const std::string &w, double limit, double &out) {
    if (w.empty()) return false;
    char *end = nullptr;
    const double v = std::strtod(w.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || std::fabs(v) > limit) return false;
    out = v;
    return true;
}

// The "hero" line: every field of HeroCarry, in this order; the one table both the writer and the
// reader go through. A flag is 0 or 1; a real is written with 9 significant digits (exact for a
// float) and read within kMaxAbsClockMs.
struct HeroField {
    const char *name;              // as the reader's message names it
    uint8_t HeroCarry::*flag;      // a 0/1 field, or
    float HeroCarry::*real;        // a real one
};
constexpr HeroField kHeroFields[] = {
    {"facing", &HeroCarry::hero_facing, nullptr},      {"walking", &HeroCarry::hero_walking, nullptr},
    {"walk-speed", nullptr, &HeroCarry::walk_speed},   {"fall-speed", nullptr, &HeroCarry::fall_speed},
    {"on-ground", &HeroCarry::on_ground, nullptr},     {"normal-x", nullptr, &HeroCarry::ground_normal_x},
    {"normal-y", nullptr, &HeroCarry::ground_normal_y}, {"depth", nullptr, &HeroCarry::ground_depth},
    {"jumping", &HeroCarry::jumping, nullptr},         {"hurt", &HeroCarry::hurt, nullptr},
    {"hurt-time", nullptr, &HeroCarry::hurt_time},     {"time", nullptr, &HeroCarry::world_time},
    {"riding", &HeroCarry::riding, nullptr},           {"shadow-x", nullptr, &HeroCarry::shadow_x},
    {"shadow-y", nullptr, &HeroCarry::shadow_y},       {"shadow-alpha", nullptr, &HeroCarry::shadow_alpha},
};
constexpr std::size_t kHeroFieldCount = std::size(kHeroFields);
// Six flags and ten reals, as laid out: a field added to HeroCarry changes the size, and then
// belongs in kHeroFields (and this count) too, or a replay would not carry it.
static_assert(kHeroFieldCount == 16 && sizeof(HeroCarry) == 56, "every HeroCarry field must be in kHeroFields");

std::string hero_line(const HeroCarry &h) {
    std::string out = "hero";
    char buf[32];
    for (const HeroField &f : kHeroFields) {
        if (f.flag) std::snprintf(buf, sizeof buf, " %d", int(h.*f.flag));
        else std::snprintf(buf, sizeof buf, " %.9g", double(h.*f.real));
        out += buf;
    }
    return out + "\n";
}

// The values of a "hero" line (after its keyword) into `h`; false when there are not exactly
// kHeroFieldCount of them or one is not what its field takes.
bool read_hero(const std::vector<std::string> &w, HeroCarry &h) {
    if (w.size() != kHeroFieldCount) return false;
    HeroCarry read;
    for (std::size_t i = 0; i < kHeroFieldCount; ++i) {
        const HeroField &f = kHeroFields[i];
        if (f.flag) {
            int64_t v = 0;
            if (!whole(w[i], 0, 1, v)) return false;
            read.*f.flag = uint8_t(v);
        } else {
            double v = 0;
            if (!real(w[i], kMaxAbsClockMs, v)) return false;
            read.*f.real = float(v);
        }
    }
    h = read;
    return true;
}

std::string hero_field_names() {
    std::string names;
    for (const HeroField &f : kHeroFields) names += std::string(names.empty() ? "" : " ") + f.name;
    return names;
}

}  // namespace

LevelStart start_of(const World &w, int32_t level_index, const std::string &path, uint64_t seed, int32_t deaths,
                    int32_t total_points, int32_t total_nuts) {
    LevelStart s;
    s.level_index = level_index;
    s.path = path;
    s.seed = seed;
    s.deaths = deaths;
    s.total_points = total_points;
    s.total_nuts = total_nuts;
    s.hero = static_cast<const HeroCarry &>(w.level);
    s.particles.assign(w.particles.effects.begin(), w.particles.effects.begin() + w.particles.count);
    return s;
}

void restore_start(World &w, const LevelStart &s) {
    // What the load sets (the start point, the file) stays the load's.
    static_cast<HeroCarry &>(w.level) = s.hero;
    w.particles.effects = s.particles;
    w.particles.count = int32_t(s.particles.size());
}

std::string format_start(const LevelStart &s) {
    char buf[512];
    std::string out = "level " + std::to_string(s.level_index) + " " + s.path + "\n";
    std::snprintf(buf, sizeof buf, "seed %" PRIu64 "\nprofile %d %d %d\n", s.seed, int(s.deaths), int(s.total_points),
                  int(s.total_nuts));
    out += buf;
    out += hero_line(s.hero);
    for (const TEffect2d &e : s.particles) {
        if (e.kind.empty() || e.kind.find_first_of(" \t\r\n") != std::string::npos) continue;  // no such kind is ever added
        // The kind goes in whole (the buffer holds the numbers only, so a long kind is never cut).
        std::snprintf(buf, sizeof buf, " %d %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n", int(e.colour),
                      double(e.x), double(e.y), double(e.vx), double(e.vy), double(e.size), double(e.fade_step),
                      double(e.age), double(e.alpha), double(e.angle));
        out += "particle " + e.kind + buf;
    }
    return out;
}

std::string format_entry(const Entry &e) {
    if (e.kind == EntryKind::respawn) return "respawn\n";
    if (e.kind == EntryKind::reload) return "reload\n";
    const TickInput &in = e.input;
    char buf[200];
    std::snprintf(buf, sizeof buf, "tick %d %d %d %d %d %d %d %.9g %.17g\n", in.left, in.right, in.jump, in.finish,
                  in.mouse_steers, int(in.mouse_x), int(in.mouse_dx), double(in.camera_x), in.time_ms);
    return buf;
}

bool parse(const std::string &text, const std::string &source, std::vector<Section> &out, std::string &error) {
    out.clear();
    std::size_t at = text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0;
    int line_no = 0;
    bool versioned = false;
    int64_t entries = 0, level_loads = 0;  // what replaying the file will cost, against its bounds
    auto fail = [&](const std::string &what) {
        error = source + ", line " + std::to_string(line_no) + ": " + what;
        return false;
    };
    if (text.size() > kMaxFileBytes) return fail("the file is larger than " + std::to_string(kMaxFileBytes) + " bytes");
    while (at < text.size()) {
        std::size_t eol = text.find('\n', at);
        if (eol == std::string::npos) eol = text.size();
        ++line_no;
        if (eol - at > kMaxLineBytes + 1)  // (the +1: a CR before the LF)
            return fail("the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
        std::string line = text.substr(at, eol - at);
        at = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // No control byte anywhere, a tab included (a NUL cut "100\0junk" to 100 and a level path
        // before it; the recorder writes none).
        for (std::size_t i = 0; i < line.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(line[i]);
            if (c < 0x20 || c == 0x7F)
                return fail("a control byte " + platform::quote(line.substr(i, 1)) + " at column " + std::to_string(i + 1));
        }
        if (line.size() > kMaxLineBytes) return fail("the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
        if (line.empty() || line[0] == '#') continue;
        if (!versioned) {
            if (line != kVersionLine)
                return fail("not a replay of this version: the first line must be \"" + std::string(kVersionLine) +
                            "\", it is " + platform::quote(line));
            versioned = true;
            continue;
        }
        const std::size_t sp = line.find(' ');
        const std::string key = line.substr(0, sp);
        const std::string rest = sp == std::string::npos ? "" : line.substr(sp + 1);
        const std::vector<std::string> w = words(rest);
        if (key == "level") {
            const std::size_t gap = rest.find(' ');
            int64_t n = 0;
            if (gap == std::string::npos || !whole(rest.substr(0, gap), 0, kMaxLevelIndex, n) || gap + 1 >= rest.size())
                return fail("\"level\" needs a level index 0.." + std::to_string(kMaxLevelIndex) + " and a level file");
            if (++level_loads > kMaxLevelLoads)
                return fail("more than " + std::to_string(kMaxLevelLoads) + " level loads (\"level\" and \"reload\" lines)");
            Section s;
            s.start.level_index = int32_t(n);
            s.start.path = rest.substr(gap + 1);
            out.push_back(std::move(s));
            continue;
        }
        if (out.empty()) return fail(platform::quote(key) + " before the first \"level\" line");
        Section &s = out.back();
        if (key == "seed") {
            if (w.size() != 1 || !unsigned64(w[0], s.start.seed)) return fail("\"seed\" needs one whole number 0..18446744073709551615");
        } else if (key == "profile") {
            // Within the bounds the game holds the profile to, so that no sum the replay makes overflows.
            int64_t d = 0, p = 0, k = 0;
            if (w.size() != 3 || !whole(w[0], kFewestDeaths, kMostDeaths, d) || !whole(w[1], 0, kMostBanked, p) ||
                !whole(w[2], 0, kMostBanked, k))
                return fail("\"profile\" needs three whole numbers: deaths (" + std::to_string(kFewestDeaths) + ".." +
                            std::to_string(kMostDeaths) + "), points and golden nuts (0.." + std::to_string(kMostBanked) + ")");
            s.start.deaths = int32_t(d);
            s.start.total_points = int32_t(p);
            s.start.total_nuts = int32_t(k);
        } else if (key == "hero") {
            if (!read_hero(w, s.start.hero))
                return fail("\"hero\" needs " + std::to_string(kHeroFieldCount) + " values: " + hero_field_names());
        } else if (key == "particle") {
            int64_t colour = 0;
            double v[9] = {};
            bool ok = w.size() == 11 && whole(w[1], INT32_MIN, INT32_MAX, colour);
            for (int i = 0; ok && i < 9; ++i) ok = real(w[std::size_t(i) + 2], kMaxAbsClockMs, v[i]);
            if (!ok) return fail("\"particle\" needs a kind, a colour and 9 numbers: x y vx vy size fade age alpha angle");
            // A kind is a picture's name; bounded so that the line written again stays within
            // kMaxLineBytes whatever the numbers' spelling.
            if (w[0].size() > kMaxKindBytes)
                return fail("a particle kind is at most " + std::to_string(kMaxKindBytes) + " bytes");
            if (int32_t(s.start.particles.size()) >= kEffectCapacity)
                return fail("more than " + std::to_string(kEffectCapacity) + " particles");
            TEffect2d e;
            e.kind = w[0];
            e.colour = int32_t(colour);
            e.x = float(v[0]);
            e.y = float(v[1]);
            e.vx = float(v[2]);
            e.vy = float(v[3]);
            e.size = float(v[4]);
            e.fade_step = float(v[5]);
            e.age = float(v[6]);
            e.alpha = float(v[7]);
            e.angle = float(v[8]);
            s.start.particles.push_back(e);
        } else if ((key == "tick" || key == "respawn" || key == "reload") && ++entries > kMaxEntries) {
            return fail("more than " + std::to_string(kMaxEntries) + " world steps, respawns and reloads");
        } else if (key == "tick") {
            int64_t flag[5] = {}, mx = 0, mdx = 0;
            double cx = 0, t = 0;
            bool ok = w.size() == 9;
            for (int i = 0; ok && i < 5; ++i) ok = whole(w[std::size_t(i)], 0, 1, flag[i]);
            ok = ok && whole(w[5], -kMaxAbsPixels, kMaxAbsPixels, mx) && whole(w[6], -kMaxAbsPixels, kMaxAbsPixels, mdx) &&
                 real(w[7], double(kMaxAbsPixels), cx) && real(w[8], kMaxAbsClockMs, t);
            if (!ok)
                return fail("\"tick\" needs left right jump F2 mouse-steering (0 or 1 each), pointer x, its motion, "
                            "camera x and the clock in ms");
            Entry e;
            e.input.left = uint8_t(flag[0]);
            e.input.right = uint8_t(flag[1]);
            e.input.jump = uint8_t(flag[2]);
            e.input.finish = uint8_t(flag[3]);
            e.input.mouse_steers = uint8_t(flag[4]);
            e.input.mouse_x = int32_t(mx);
            e.input.mouse_dx = int32_t(mdx);
            e.input.camera_x = float(cx);
            e.input.time_ms = t;
            s.entries.push_back(e);
        } else if (key == "respawn" || key == "reload") {
            if (!w.empty()) return fail(platform::quote(key) + " takes nothing after it");
            if (key == "reload" && ++level_loads > kMaxLevelLoads)
                return fail("more than " + std::to_string(kMaxLevelLoads) + " level loads (\"level\" and \"reload\" lines)");
            Entry e;
            e.kind = key == "respawn" ? EntryKind::respawn : EntryKind::reload;
            s.entries.push_back(e);
        } else {
            return fail("unknown line " + platform::quote(line));
        }
    }
    if (!versioned) {
        line_no = std::max(line_no, 1);
        return fail("empty: no \"" + std::string(kVersionLine) + "\" line");
    }
    if (out.empty()) return fail("no \"level\" line: nothing to replay");
    return true;
}

}  // namespace replay
