// world_internal.h - what the world's own files share and nothing outside src/world (and its tests)
// needs: the kind table, the terrain contact, the per-kind turns and the interaction tests.
//
// Not a public header: the shell and the renderer include world.h only.
#pragma once

#include <cstdint>
#include <string>

#include "world/vec2.h"
#include "world/world.h"

// ---- kinds --------------------------------------------------------------------------------------

inline constexpr char kHeroKind[] = "enot";
inline constexpr char kNoCollideKind[] = "bgcarst";  // outline drawn, never solid

// ---- one step ----------------------------------------------------------------------------------

// What every rule of a step works on: the world, the tick's input, and the events it reports.
struct Step {
    World &w;
    const TickInput &in;
    WorldEvents &events;
    bool finish_used = false;  // the F2 press of this tick has been counted
};

// Asks for a sound by name (a static string); beyond kStepSoundCapacity in one step it is dropped.
void play_sound(WorldEvents &events, const char *name);
// A random integer 0..n-1 from the world's generator; 0 when n <= 0.
int32_t random_int(World &w, int32_t n);

// Empties the backdrop and the four layers (world_model.cpp).
void clear_layers(World &w);

// ---- terrain contact ----------------------------------------------------------------------------

constexpr float kProbeRadius = 32.0f;  // pixels, every walker's probe circle
constexpr int32_t kStride = 3;         // hero's pixels per tick at walk_speed 1, right; -3 facing left

// Called for every touched segment before the object is pushed out; may change anything but the
// object's position.
using ContactFn = void (*)(tmin &obj, const Contact &contact, Step &step);

// Pushes `obj` out of every solid ground segment its probe circle (x, y + probe_offset), radius 32,
// touches, in layer and outline order, each test seeing the previous push. A tilting object turns
// one degree towards each touched segment's normal. `on_contact` (may be null) runs before each
// push.
void terrain_contact(Step &step, tmin &obj, int32_t probe_offset, bool tilts, ContactFn on_contact);

// ---- turns and interactions ---------------------------------------------------------------------

void hero_turn(Step &step, tmin &hero);       // hero.cpp; ends with the interactions and remove_kind
void bee_turn(Step &step, tmin &bee);         // creatures.cpp
void walker_turn(Step &step, tmin &walker, int32_t probe_offset);  // "worm" and "krot"
void cart_turn(Step &step, tmin &cart);
// The interaction tests of one object against the hero (creatures first, then pick-ups and the
// level end), with d the distance from (hero_x, hero_y) to the object.
void creature_interaction(Step &step, tmin &hero, tmin &obj, Kind kind, float d);
void collectible_interaction(Step &step, tmin &obj, Kind kind, float d);
