// effects.cpp - particle effects: adding, the per-tick motion and fading by kind, ordered removal,
// and drawing with each kind's picture and blend mode.
//
// In: the set, the engine table (drawing only) and share_textures. Out: the set's records and
// sprite calls. Kind names are compared exactly; a kind without a motion rule only moves by its
// step and fades, a kind without a drawing rule is never drawn.
#include "render/effects.h"

#include <cmath>

#include "assets/assets.h"
#include "engine/engine.h"

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

const std::string kDelete = "delete";

// How one kind is drawn: its picture in share_textures, its blend mode, and whether its opacity
// and its angle are passed (else 255 and 0).
struct DrawRule {
    const char *kind;
    const char *picture;
    int32_t blend;
    bool fades;
    bool turns;
};

// The kinds that are drawn; any other kind draws nothing.
constexpr DrawRule kDrawRules[] = {
    {"berry", "berry", 0, false, false},
    {"pball", "pball", 1, true, false},
    {"star", "star", 1, true, true},
    {"fire", "light", 1, true, false},
    {"light", "finn", 1, true, true},
    {"smoke", "smoke", 1, true, false},
};
constexpr int32_t kEffectSpriteFlags = 1 + 8;  // ordinary draw, tinted by the colour mix

const DrawRule *draw_rule(const std::string &kind) {
    for (const DrawRule &r : kDrawRules)
        if (kind == r.kind) return &r;
    return nullptr;
}

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

void draw_effects(const Tpart_sys &set) {
    for (int32_t i = 0; i < set.count; ++i) {
        const TEffect2d &e = set.effects[static_cast<std::size_t>(i)];
        const DrawRule *rule = draw_rule(e.kind);
        if (!rule) continue;
        const int32_t alpha = rule->fades ? eng.M_Round(e.alpha) : 255;
        const float angle = rule->turns ? e.angle : 0.0f;
        eng.FX_SetBlendMode(rule->blend);
        eng.FX_SetColorMix(static_cast<uint32_t>(e.colour));
        eng.SSprite_Draw(Base_Find(share_textures, rule->picture), e.x - e.size / 2, e.y - e.size / 2,
                         e.size, e.size, alpha, angle, kEffectSpriteFlags);
        eng.FX_SetBlendMode(0);
    }
}
