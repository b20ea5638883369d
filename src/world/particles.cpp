// particles.cpp - particle effects: adding, the per-tick motion and fading by kind, ordered
// removal (contract in particles.h).
//
// Kind names are compared exactly; a kind without a motion rule only moves by its step and fades.
#include "world/particles.h"

#include <cmath>

namespace {

// ---- tuning (per logic tick of 20 ms) ----
constexpr float kAgeStep = 0.1f;            // age gained per tick; also the star's extra fall
constexpr float kFullAlpha = 255.0f;        // opacity of a new effect
constexpr float kGoneBelowAlpha = 1.0f;     // an effect fainter than this is finished
constexpr float kBerryPhaseStep = 1.0f;     // swing phase gained per tick
constexpr float kBerryPhaseDivisor = 20.0f; // phase units per radian of the swing
constexpr float kBerrySwing = 10.0f;        // pixels the berry moves per tick at most
constexpr float kLightGrowth = 4.0f;        // pixels of side a "light" gains per tick
constexpr float kLightTurn = 8.0f;          // degrees a "light" turns per tick
constexpr float kBallGrowth = 2.0f;         // pixels of side a "pball" gains per tick

constexpr const char *kDelete = "delete";

// One tick of one effect.
void advance(TEffect2d &e) {
    e.age += kAgeStep;
    e.alpha -= e.fade_step;
    if (e.kind == "berry") {
        e.vx += kBerryPhaseStep;
        e.x += std::cos(e.vx / kBerryPhaseDivisor) * kBerrySwing;
    } else {
        e.x += e.vx;
    }
    if (e.kind == "light") {
        e.size += kLightGrowth;
        e.angle += kLightTurn;
    }
    if (e.kind == "pball") e.size += kBallGrowth;
    if (e.kind == "star")
        e.y += e.vy + e.age;
    else
        e.y += e.vy;
    if (e.alpha < kGoneBelowAlpha) {
        e.age = 0;
        e.size = 0;
        e.angle = 0;
        e.kind = kDelete;
        e.alpha = kFullAlpha;
    }
}

}  // namespace

void add_effect(Tpart_sys &set, const std::string &kind, int32_t colour, float x, float y, float vx,
                float vy, float size, float fade_step, float angle) {
    if (set.count < 0 || set.count >= kEffectCapacity) return;
    if (set.effects.size() <= static_cast<std::size_t>(set.count)) set.effects.resize(static_cast<std::size_t>(set.count) + 1);
    TEffect2d &e = set.effects[static_cast<std::size_t>(set.count++)];
    e.fade_step = fade_step;
    e.age = 0;
    e.colour = colour;
    e.x = x;
    e.y = y;
    e.size = size;
    e.alpha = kFullAlpha;
    e.angle = angle;
    e.kind = kind;  // assigned into the existing string: no allocation for short kinds
    e.vx = vx;
    e.vy = vy;
}

void update_effects(Tpart_sys &set) {
    for (int32_t i = 0; i < set.count; ++i) advance(set.effects[static_cast<std::size_t>(i)]);
    remove_effects(set, kDelete);
}

void remove_effects(Tpart_sys &set, const std::string &kind) {
    int32_t kept = 0;
    for (int32_t i = 0; i < set.count; ++i) {
        TEffect2d &e = set.effects[static_cast<std::size_t>(i)];
        if (e.kind == kind) continue;
        if (kept != i) std::swap(set.effects[static_cast<std::size_t>(kept)], e);
        ++kept;
    }
    set.count = kept;
    set.effects.resize(static_cast<std::size_t>(kept));
}

