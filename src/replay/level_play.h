// level_play.h - what the game and the replay of a recording do alike with a level: start it on a
// World (begin_level) and count what a world step reported into the profile (count_world_events).
// The game's shell calls both and adds what only it does (pictures, the camera, the timers, fades,
// sounds, the recorder); the simulator's replay calls both on a World of its own.
#pragma once

#include <cstdint>
#include <string>

#include "assets/assets.h"
#include "state/state.h"
#include "world/world.h"

namespace replay {

// Starts the level `path` (level_index `level_index`) on `w` as every level start does: the world
// cleared, seeded with `seed`, the final scene marked (level_index kLastLevel), the file loaded
// (load_level: with `pictures` when given, else none; `why_no_path` for an empty path). False
// when the load failed (reported; the world is empty).
bool begin_level(World &w, int32_t level_index, const std::string &path, uint64_t seed, TBase *pictures,
                 const std::string &why_no_path);

// Counts a world step's events into `p` (a death adds one to deaths, then each extra life takes
// one off, each within deaths_after's bounds) and returns what the game-state machine is to do: Request::results at the level's end,
// else Request::respawn after a death, else Request::none. (A step that ends the level and kills
// the hero is counted as a death and ends the level: the results follow.)
Request count_world_events(const WorldEvents &events, Profile &p);

}  // namespace replay
