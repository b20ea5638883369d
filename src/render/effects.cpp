// effects.cpp - particle effects (placeholder).
//
// NOT BUILT YET: the effects are another issue. Effects can be added and removed; they neither
// move nor draw yet.
#include "render/effects.h"

void add_effect(Tpart_sys &set, const std::string &kind, int32_t colour, float x, float y, float vx,
                float vy, float size, float fade_step, float angle) {
    if (set.count < 0 || set.count >= kEffectCapacity) return;
    TEffect2d &e = set.effects[static_cast<std::size_t>(set.count++)];
    e = TEffect2d{fade_step, 0, colour, x, y, size, 255.0f, angle, kind, vx, vy};
}

void update_effects(Tpart_sys &) {}

void remove_effects(Tpart_sys &set, const std::string &kind) {
    int32_t kept = 0;
    for (int32_t i = 0; i < set.count; ++i)
        if (set.effects[i].kind != kind) set.effects[kept++] = set.effects[i];
    set.count = kept;
}

void draw_effects(const Tpart_sys &) {}
