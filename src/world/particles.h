// particles.h - particle effects: sets of short-lived sprites that move and fade by kind (the
// motion; drawing them is render/effects.h).
//
// An effect set (Tpart_sys) is a bounded array of effect records with a count; entries
// 0..count-1 are live, contiguous and in order of addition. Every effect behaves by its kind string alone:
// "star" falls under a growing pull, "light" grows and turns, "pball" grows, "berry" swings from
// side to side, every other kind ("smoke", "fire", ...) only moves by its step. Each fades by its
// own fade step per logic tick and is removed in the tick its opacity drops below 1.
//
// In: add_effect from the world's behaviour; update_effects once per logic tick. Out: the set
// itself. Nothing here draws, reads the engine or saves effects. The set
// grows as effects are added (up to kEffectCapacity) and keeps its storage, so a copy costs only
// what is live.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t kEffectCapacity = 4097;  // effects one set holds; further additions are dropped

// One effect. Positions are in the coordinates in force when the set is drawn (world pixels for
// the level's set); steps are per logic tick of 20 ms.
struct TEffect2d {
    float fade_step = 0;   // opacity lost per tick
    float age = 0;         // 0 when added, +0.1 per tick; the extra downward step of a "star"
    int32_t colour = 0;    // tint 0x00BBGGRR, given to FX_SetColorMix before drawing
    float x = 0, y = 0;    // centre
    float size = 0;        // side of the drawn square
    float alpha = 0;       // opacity, 255 when added
    float angle = 0;       // degrees
    std::string kind;      // "delete" marks a finished effect
    float vx = 0, vy = 0;  // step per tick; for "berry" vx is the swing phase instead
    bool operator==(const TEffect2d &) const = default;
};

// Entries 0..count-1 of `effects` are live (it holds at least count entries).
struct Tpart_sys {
    std::vector<TEffect2d> effects;
    int32_t count = 0;
    bool operator==(const Tpart_sys &) const = default;
};

// Appends one effect with age 0 and alpha 255. A full set (kEffectCapacity live effects) drops
// the new effect: nothing is overwritten and the count stays.
void add_effect(Tpart_sys &set, const std::string &kind, int32_t colour, float x, float y, float vx,
                float vy, float size, float fade_step, float angle);

// Advances every live effect by one logic tick, in order, then removes the finished ones (those
// whose opacity dropped below 1 in this tick, and any already marked "delete").
void update_effects(Tpart_sys &set);

// Takes out every live effect whose kind equals `kind` exactly; the others close the gap and keep
// their order.
void remove_effects(Tpart_sys &set, const std::string &kind);

