// world_fixture.h - the world tests' game: the shell tests' recording engine table (fake_engine.h)
// plus the maths the world uses, a sound catalogue whose plays can be read back by name, and the
// messages the world shows, captured instead of printed.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"
#include "world/world_internal.h"
#include "world/world_items.h"

namespace worldtest {

inline std::vector<std::string> messages;
inline void capture_message(const char *text, const char *, int) { messages.emplace_back(text); }
inline float m_sin(int32_t d) { return static_cast<float>(std::sin(d * M_PI / 180)); }
inline float m_cos(int32_t d) { return static_cast<float>(std::cos(d * M_PI / 180)); }
inline float m_distance(float x1, float y1, float x2, float y2) {
    return static_cast<float>(std::hypot(double(x2) - x1, double(y2) - y1));
}
inline int32_t mouse_zero() { return 0; }
inline void poly_centre(OE_PolyLine *p) {
    double sx = 0, sy = 0;
    for (int i = 0; i <= p->count; ++i) { sx += p->points[i].x; sy += p->points[i].y; }
    p->cx = static_cast<float>(sx / (p->count + 1));
    p->cy = static_cast<float>(sy / (p->count + 1));
}

inline const char *const kSoundNames[] = {"bapple", "bgold", "boom", "bsilver", "die", "fin", "ghealth",
                                          "glife", "hit", "jump", "kill", "rom", "vag"};

struct WorldGame : fake::Game {
    WorldGame() {
        eng.M_Sin = m_sin;
        eng.M_Cos = m_cos;
        eng.M_Distance = m_distance;
        eng.Mouse_DeltaX = mouse_zero;
        eng.ColEx_PolyCenter = poly_centre;
        // One catalogue entry per sound name; its handle is its index + 1, read back by played().
        for (std::size_t i = 0; i < std::size(kSoundNames); ++i)
            assets.sounds.items.push_back({reinterpret_cast<OE_Sound *>(i + 1), kSoundNames[i]});
        assets.sounds.count = static_cast<int32_t>(assets.sounds.items.size());
        messages.clear();
        platform::set_message_handler(capture_message);
        world.particles.count = 0;
    }
    ~WorldGame() {
        platform::set_message_handler(nullptr);
        clear_world(world);
        assets.sounds = TS_List{};
    }
    // Names of the sounds played so far, in order.
    static std::vector<std::string> played() {
        std::vector<std::string> out;
        for (OE_Sound *s : fake::played) out.emplace_back(kSoundNames[reinterpret_cast<std::size_t>(s) - 1]);
        return out;
    }
};

// Appends an item to a layer, with an outline when `points` is given.
using fake::step_world;

// terrain_contact on the shell's world outside a world step (no input, events dropped).
inline void contact(tmin &obj, int32_t offset, bool tilts, ContactFn on_contact = nullptr) {
    const TickInput in;
    WorldEvents events;
    Step step{world, in, events};
    terrain_contact(step, obj, offset, tilts, on_contact);
}

using worlditems::add_item;
inline tmin &add_ground(const std::string &kind, std::vector<OE_Point> points) {
    terrain_changed(world);
    return add_item(world.ground_layer, world.ground_count, kind, 0, 0, std::move(points));
}
inline tmin &add_object(const std::string &kind, int32_t x, int32_t y) {
    return add_item(world.object_layer, world.object_count, kind, x, y);
}

}  // namespace worldtest
