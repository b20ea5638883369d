// effects.cpp - drawing a particle set with each kind's picture and blend mode.
//
// In: the set, the engine table and share_textures. Out: sprite calls. A kind without a drawing
// rule is never drawn, nor is one whose picture is missing from share_textures (an effect is
// decoration: the play does not need it seen).
#include "render/effects.h"

#include "assets/assets.h"
#include "engine/engine.h"

namespace {

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

}  // namespace

void draw_effects(const Tpart_sys &set) {
    for (int32_t i = 0; i < set.count; ++i) {
        const TEffect2d &e = set.effects[static_cast<std::size_t>(i)];
        const DrawRule *rule = draw_rule(e.kind);
        if (!rule) continue;
        OE_Texture *picture = Base_Find(assets.share_textures, rule->picture);
        if (!picture) continue;
        const int32_t alpha = rule->fades ? eng.M_Round(e.alpha) : 255;
        const float angle = rule->turns ? e.angle : 0.0f;
        eng.FX_SetBlendMode(rule->blend);
        eng.FX_SetColorMix(static_cast<uint32_t>(e.colour));
        eng.SSprite_Draw(picture, e.x - e.size / 2, e.y - e.size / 2, e.size, e.size, alpha, angle,
                         kEffectSpriteFlags);
        eng.FX_SetBlendMode(0);
    }
}
