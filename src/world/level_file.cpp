// level_file.cpp - the level file reader (format and contract in level_file.h).
#include "world/level_file.h"

#include <cmath>
#include <sstream>

#include "platform/textreader.h"
#include "world/world_internal.h"

namespace {

constexpr int kSectionCount = 4;  // back, ground, front, objects: the order in the file

// The entries of section s, for writing.
std::vector<tmin> &section_layer(World &w, int s) {
    switch (s) {
    case 0: return w.back_layer.edit();
    case 1: return w.ground_layer.edit();
    case 2: return w.front_layer.edit();
    default: return w.object_layer;
    }
}
int32_t tscene::*const kSectionCount_[kSectionCount] = {&tscene::back_count, &tscene::ground_count,
                                                         &tscene::front_count, &tscene::object_count};
const char *const kSectionName[kSectionCount] = {"back", "ground", "front", "object"};

class Reader {
public:
    Reader(const std::string &bytes, LevelReadReport &report) : in_(bytes), report_(report) {}

    // A count line: the end of the file reads as 0 (the sections left out are empty).
    bool count(int32_t &value, const char *what) {
        return check(in_.read_int(value), what, false);
    }
    // A line of an item: the end of the file there is a level cut short.
    bool integer64(int64_t &value, const char *what) {
        return check(in_.read_int64(value), what, true);
    }
    // A position of an item, in world pixels within the world's extent.
    bool position(int32_t &value, const char *what) {
        if (!check(in_.read_int(value), what, true)) return false;
        if (value < -kWorldExtent || value > kWorldExtent) return out_of_world(what, value);
        return true;
    }
    bool integer(int32_t &value, const char *what) {
        return check(in_.read_int(value), what, true);
    }
    // A point coordinate: a real number within the world's extent.
    bool coordinate(float &value, const char *what) {
        double v = 0;
        if (!check(in_.read_real(v), what, true)) return false;
        if (!(v >= -kWorldExtent && v <= kWorldExtent)) return out_of_world(what, v);
        value = static_cast<float>(v);
        return true;
    }
    // The name line that starts an item: there must be one.
    bool item_name(std::string &kind, const char *section, int32_t index, int32_t declared) {
        if (in_.at_end())
            return fail("the file ends before " + std::string(section) + " item " + std::to_string(index + 1) +
                        " of the " + std::to_string(declared) + " announced");
        kind = in_.read_line();
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
    bool check(platform::TextReader::Number r, const char *what, bool inside_item) {
        if (r == platform::TextReader::Number::bad) return fail(std::string(what) + " is not a number");
        if (r == platform::TextReader::Number::end_of_file && inside_item)
            return fail("the file ends inside an item, where its " + std::string(what) + " should be");
        return true;  // ok, or the end of the file at a count (0)
    }
    template <typename T>
    bool out_of_world(const char *what, T value) {
        std::ostringstream text;
        text.precision(12);
        text << what << " " << value << " lies outside the world (" << -kWorldExtent << ".." << kWorldExtent << ")";
        return fail(text.str());
    }
    platform::TextReader in_;
    LevelReadReport &report_;
};

// The outline's points after its last point index was read: `written` as the file has it, of
// which only the low 32 bits count. `level_points` counts the points of the level so far.
bool read_points(Reader &r, int64_t written, TPolyLine2D &outline, int64_t &level_points) {
    const int32_t n = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(written)));
    const std::string told = "point count " + std::to_string(written);
    if (n < 0) return r.fail(told + (written < 0 ? " is negative" : " is out of range"));
    const int64_t points = int64_t(n) + 1;
    if (points > kOutlinePointCapacity)
        return r.fail(told + ": an outline holds at most " + std::to_string(kOutlinePointCapacity) + " points");
    if (level_points + points > kLevelPointCapacity)
        return r.fail(told + ": the level's outlines would hold more than the " + std::to_string(kLevelPointCapacity) +
                      " points a level may hold");
    // Each coordinate takes at least one character and a line end (none after the very last).
    if (points * 4 - 1 > static_cast<int64_t>(r.remaining()))
        return r.fail(told + " is more than the rest of the file holds");
    level_points += points;
    outline.points.resize(static_cast<std::size_t>(points));
    for (OE_Point &p : outline.points)
        if (!r.coordinate(p.x, "point x") || !r.coordinate(p.y, "point y")) return false;
    outline.count = n;
    return true;
}

// A sign's name line goes on after one space with its text: "znak TEXT". Splits it into the kind
// and the text; every other name line is the kind whole.
bool split_sign_text(Reader &r, tmin &item) {
    const std::string prefix = std::string(kSignKind) + " ";
    if (item.kind.compare(0, prefix.size(), prefix) != 0) return true;
    item.text = item.kind.substr(prefix.size());
    item.kind = kSignKind;
    if (item.text.size() > kSignTextCapacity)
        return r.fail("a sign's text of " + std::to_string(item.text.size()) + " bytes is longer than the " +
                      std::to_string(kSignTextCapacity) + " a sign holds");
    return true;
}

}  // namespace

LevelReadReport read_level_text(World &w, const std::string &bytes, bool full, const LevelReadHooks &hooks) {
    LevelReadReport report;
    Reader r(bytes, report);
    w.backdrop = r.name();
    if (hooks.want_pictures && !w.backdrop.empty()) hooks.want_pictures(w.backdrop);
    bool hero_seen = false;
    int64_t level_points = 0;
    for (int s = 0; s < kSectionCount; ++s) {
        const bool objects = s == kSectionCount - 1;
        std::vector<tmin> &layer = section_layer(w, s);
        int32_t &count = w.*kSectionCount_[s];
        int32_t declared = 0;
        if (!r.count(declared, "item count")) return report;
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
            count = i;
            tmin &item = append_item(layer, count);  // in use from here on, so that a stop leaves it clearable
            if (!r.item_name(item.kind, kSectionName[s], i, declared)) return report;
            const int name_line = r.line();
            if (!split_sign_text(r, item)) return report;
            if (hooks.want_pictures && !item.kind.empty()) hooks.want_pictures(item.kind);
            item.role = kind_of(item.kind);  // resolved once; the name stays for the picture
            int32_t mirror = 0;
            if (!r.position(item.x, "x") || !r.position(item.y, "y") || !r.integer(item.angle, "angle") ||
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
                            w.level.hero_x = w.level.start_x = item.x;
                            w.level.hero_y = w.level.start_y = item.y;
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
            if (static_cast<uint32_t>(static_cast<uint64_t>(last)) != 0) {
                if (!read_points(r, last, item.outline, level_points)) return report;
                if (hooks.centre) hooks.centre(item.outline);
            }
        }
    }
    return report;
}
