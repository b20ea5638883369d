// world_internal.h - what the world's own files share and nothing outside src/world (and its tests)
// needs: the kind table, the terrain contact, the per-kind turns and the interaction tests.
//
// Not a public header: the shell and the renderer include world.h only.
#pragma once

#include <cstdint>
#include <string>

#include "render/vec2.h"
#include "world/world.h"

// ---- kinds --------------------------------------------------------------------------------------

// Kinds with behaviour. Every other name (scenery, lamps, plants, unknown names) is `other`:
// drawn and animated, never moved, never touched.
enum class Kind : uint8_t {
    other, enot, bee, worm, krot, hedge, ship, romash, vag,
    health, life, bapple, bberry, bnut, bgold, bsilver, table, removed
};
// The kind a name stands for, compared exactly and case-sensitively ("delete" is `removed`).
Kind kind_of(const std::string &name);

extern const std::string kDeleteKind;  // "delete"
extern const std::string kHeroKind;    // "enot"
extern const std::string kNoCollideKind;  // "bgcarst": outline drawn, never solid

// ---- terrain contact ----------------------------------------------------------------------------

constexpr float kProbeRadius = 32.0f;  // pixels, every walker's probe circle
constexpr int32_t kStride = 3;         // hero's pixels per tick at walk_speed 1, right; -3 facing left

// Called for every touched segment before the object is pushed out; may change anything but the
// object's position.
using ContactFn = void (*)(tmin &obj, const Contact &contact, void *user);

// Pushes `obj` out of every solid ground segment its probe circle (x, y + probe_offset), radius 32,
// touches, in layer and outline order, each test seeing the previous push. A tilting object turns
// one degree towards each touched segment's normal. `on_contact` (may be null) runs before each
// push.
void terrain_contact(tmin &obj, int32_t probe_offset, bool tilts, ContactFn on_contact, void *user);

// True (the default): terrain_contact skips segments through the ground index; false: it scans
// every segment. Both give the same positions; the switch exists for tests and benchmarks.
extern bool terrain_use_index;

// ---- turns and interactions ---------------------------------------------------------------------

void hero_turn(tmin &hero);       // hero.cpp; ends with the interactions and remove_kind
void bee_turn(tmin &bee);         // creatures.cpp
void walker_turn(tmin &walker, int32_t probe_offset);  // "worm" and "krot"
void cart_turn(tmin &cart);
// The interaction tests of one object against the hero (creatures first, then pick-ups and the
// level end), with d the distance from (hero_x, hero_y) to the object.
void creature_interaction(tmin &hero, tmin &obj, Kind kind, float d);
void collectible_interaction(tmin &obj, Kind kind, float d);

// Plays a sound of the catalogue by name.
void play_sound(const std::string &name);
// A random integer 0..n-1 from the game's generator.
int32_t random_int(int32_t n);
