// level_fuzz - libFuzzer entry for the level file reader and the world step.
//
// Each input is read as a level file. When it reads, the level is played for a few ticks twice:
// once with the ground index and once with the plain scan of every segment, from the same start
// and the same input; the two must leave every object at the same place (a difference traps).
// The shadow probe and the animation step run too. Reads outside the input, undefined behaviour
// and runaway memory are findings. The world needs no engine; nothing is drawn or heard.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "world/level_file.h"
#include "world/world_internal.h"

namespace {

constexpr int kTicks = 40;
World world;
uint32_t g_keys = 0;  // bit 0 right, 1 left, 2 space, from the input's first byte
double g_now = 0;

struct Snapshot {
    std::vector<int64_t> values;
    bool operator==(const Snapshot &o) const { return values == o.values; }
};

Snapshot play(const std::string &bytes, bool indexed) {
    world = World{};
    world_seed(world, 1);
    g_now = 0;
    world.use_ground_index = indexed;
    LevelReadHooks hooks;
    const LevelReadReport report = read_level_text(world, bytes, true, hooks);
    Snapshot s;
    if (!report.ok) return s;
    int64_t deaths = 0;
    for (int t = 0; t < kTicks; ++t) {
        TickInput in;
        in.right = (g_keys & 1) ? 1 : 0;
        in.left = (g_keys & 2) ? 1 : 0;
        in.jump = (g_keys & 4) ? 1 : 0;
        in.time_ms = g_now;
        const WorldEvents ev = world_step(world, in);
        deaths += ev.died - ev.lives_gained;
        update_particles(world);
        if (t % 3 == 0) {
            animation_step(world);
            shadow_probe(world);
        }
        g_now += 20;
    }
    for (int32_t i = 0; i < world.object_count; ++i) {
        const tmin &o = world.object_layer[i];
        s.values.insert(s.values.end(), {o.x, o.y, o.angle, o.speed, o.phase, o.frame, o.row});
    }
    s.values.insert(s.values.end(), {world.tallies.damage, deaths, world.tallies.level_points, world.level.hero_x, world.level.hero_y});
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    g_keys = size > 0 ? data[0] : 0;
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const Snapshot a = play(bytes, true);
    const Snapshot b = play(bytes, false);
    if (!(a == b)) __builtin_trap();  // the index changed a position
    return 0;
}
