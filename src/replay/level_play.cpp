// level_play.cpp - a level's start on a World and the counting of a step's events, shared by the
// game's shell and the simulator's replay (see level_play.h).
#include "replay/level_play.h"

namespace replay {

bool begin_level(World &w, int32_t level_index, const std::string &path, uint64_t seed, TBase *pictures,
                 const std::string &why_no_path) {
    clear_world(w);
    world_seed(w, seed);
    w.level.final_scene = level_index == kLastLevel ? 1 : 0;
    return load_level(w, path, pictures, path.empty() ? why_no_path : "");
}

Request count_world_events(const WorldEvents &ev, Profile &p) {
    p.deaths = deaths_after(p.deaths, ev.died);
    p.deaths = deaths_after(p.deaths, -ev.lives_gained);
    if (ev.level_end) return Request::results;
    if (ev.died) return Request::respawn;
    return Request::none;
}

}  // namespace replay
