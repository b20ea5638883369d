// level_file.cpp - the level file reader (format and contract in level_file.h).
#include "world/level_file.h"

#include <cmath>

#include "platform/textreader.h"
#include "world/world_internal.h"

namespace {

constexpr int kSectionCount = 4;  // back, ground, front, objects: the order in the file

std::array<tmin, kLayerCapacity> *const kSectionLayer[kSectionCount] = {
    &world.back_layer, &world.ground_layer, &world.front_layer, &world.object_layer};
int32_t *const kSectionCount_[kSectionCount] = {&world.back_count, &world.ground_count,
                                                &world.front_count, &world.object_count};
const char *const kSectionName[kSectionCount] = {"back", "ground", "front", "object"};

class Reader {
public:
    Reader(const std::string &bytes, LevelReadReport &report) : in_(bytes), report_(report) {}

    bool integer(int32_t &value, const char *what) {
        return check(in_.read_int(value), what);
    }
    bool integer64(int64_t &value, const char *what) {
        return check(in_.read_int64(value), what);
    }
    // A coordinate: a real number that a float holds (finite).
    bool coordinate(float &value, const char *what) {
        double v = 0;
        if (!check(in_.read_real(v), what)) return false;
        value = static_cast<float>(v);
        if (!std::isfinite(value)) return fail(std::string(what) + " is out of range");
        return true;
    }
    std::string name() { return in_.read_line(); }
    int line() const { return in_.line(); }
    std::size_t remaining() const { return in_.remaining(); }

    bool fail(const std::string &problem) {
        report_.ok = false;
        report_.line = in_.line();
        report_.problem = problem;
        return false;
    }

private:
    bool check(platform::TextReader::Number r, const char *what) {
        if (r == platform::TextReader::Number::bad) return fail(std::string(what) + " is not a number");
        return true;  // ok, or the end of the file (0)
    }
    platform::TextReader in_;
    LevelReadReport &report_;
};

// The outline's points after its last point index `n` (not 0) was read.
bool read_points(Reader &r, int64_t n, TPolyLine2D &outline) {
    if (n < 0) return r.fail("point count " + std::to_string(n) + " is negative");
    // Each coordinate takes at least one character and a line end (none after the very last).
    const int64_t coordinates = (n + 1) * 2;
    if (coordinates * 2 - 1 > static_cast<int64_t>(r.remaining()))
        return r.fail("point count " + std::to_string(n) + " is more than the rest of the file holds");
    outline.points.resize(static_cast<std::size_t>(n + 1));
    for (OE_Point &p : outline.points)
        if (!r.coordinate(p.x, "point x") || !r.coordinate(p.y, "point y")) return false;
    outline.count = static_cast<int32_t>(n);
    return true;
}

}  // namespace

LevelReadReport read_level_text(const std::string &bytes, bool full, const LevelReadHooks &hooks) {
    LevelReadReport report;
    Reader r(bytes, report);
    world.backdrop = r.name();
    if (hooks.want_pictures) hooks.want_pictures(world.backdrop);
    bool hero_seen = false;
    for (int s = 0; s < kSectionCount; ++s) {
        const bool objects = s == kSectionCount - 1;
        auto &layer = *kSectionLayer[s];
        int32_t &count = *kSectionCount_[s];
        int32_t declared = 0;
        if (!r.integer(declared, "item count")) return report;
        if (declared < 0) {
            r.fail(std::string(kSectionName[s]) + " section count " + std::to_string(declared) + " is negative");
            return report;
        }
        if (declared > kLayerCapacity) {
            r.fail(std::string(kSectionName[s]) + " section holds " + std::to_string(declared) +
                   " items, more than the " + std::to_string(kLayerCapacity) + " a layer holds");
            return report;
        }
        for (int32_t i = 0; i < declared; ++i) {
            tmin &item = layer[static_cast<std::size_t>(i)];
            item.kind = r.name();
            const int name_line = r.line();
            item.outline.count = 0;
            count = i + 1;  // the entry is in use from here on, so that a stop leaves it clearable
            if (hooks.want_pictures) hooks.want_pictures(item.kind);
            int32_t mirror = 0;
            if (!r.integer(item.x, "x") || !r.integer(item.y, "y") || !r.integer(item.angle, "angle") ||
                !r.integer(mirror, "mirror flag"))
                return report;
            item.mirrored = static_cast<uint8_t>(mirror & 0xFF);
            if (objects) {
                item.speed = item.row = item.phase = 0;
                item.sway = 0;
                if (item.kind == kHeroKind) {
                    if (!hero_seen) {
                        hero_seen = true;
                        if (full) {
                            level.hero_x = level.start_x = item.x;
                            level.hero_y = level.start_y = item.y;
                        }
                    } else if (report.extra_heroes++ == 0) {
                        report.extra_hero_line = name_line;
                    }
                }
                item.frame = hooks.random_frame ? hooks.random_frame() : 1;
            }
            int64_t last = 0;
            if (!r.integer64(last, "point count")) return report;
            // Only the low 32 bits of the count are kept.
            const int32_t n = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(last)));
            if (n != 0) {
                if (!read_points(r, n, item.outline)) return report;
                if (hooks.centre) hooks.centre(item.outline);
            }
        }
    }
    return report;
}
