// effects.h - particle effects: sets of short-lived sprites that move and fade by kind.
//
// NOT BUILT YET: placeholder with the final records and names; update_effects and draw_effects do
// nothing yet.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int32_t kEffectCapacity = 4097;  // effects one set holds

struct TEffect2d {
    float fade_step = 0;   // opacity lost per tick
    float age = 0;         // +0.1 per tick
    int32_t colour = 0;    // tint 0x00BBGGRR
    float x = 0, y = 0;    // centre
    float size = 0;        // side of the drawn square
    float alpha = 0;       // opacity, 255 when added
    float angle = 0;       // degrees
    std::string kind;      // "delete" marks a finished effect
    float vx = 0, vy = 0;  // step per tick
};

struct Tpart_sys {
    std::array<TEffect2d, kEffectCapacity> effects;
    int32_t count = 0;
};

void add_effect(Tpart_sys &set, const std::string &kind, int32_t colour, float x, float y, float vx,
                float vy, float size, float fade_step, float angle);
// Advances every live effect by one logic tick and removes the finished ones.
void update_effects(Tpart_sys &set);
void remove_effects(Tpart_sys &set, const std::string &kind);
// Draws every live effect in order.
void draw_effects(const Tpart_sys &set);
