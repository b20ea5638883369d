// collectibles.cpp - what the hero picks up (bonuses worth points, health, an extra life, the
// level's golden nut) and the level end (a "table", or the developer's F2; never on the final
// scene), tested after the creature rules for each object at the end of the hero's turn.
//
// A collected object becomes "delete" at once, plays its sound and bursts into stars. Points go to
// level_points, the nut to gold_nut_found, an extra life to deaths (which may go below 0).
#include "engine/engine.h"
#include "shell/shell.h"
#include "world/world_internal.h"

namespace {

constexpr int32_t kHealthCure = 60;
constexpr float kTableReach = 64;
constexpr int32_t kVkF2 = 113;
// The burst (sizes in pixels, fade in alpha per tick, colours 0x00BBGGRR).
constexpr int32_t kBurstStars = 11;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr float kStarSize = 16, kLightSize = 8, kBurstFade = 5;

// One pick-up: touch distance, points, sound, and the colour and size of the burst's ball.
struct Pickup {
    Kind kind;
    float reach;
    int32_t points;
    const char *sound;
    int32_t ball_colour;
    float ball_size;
};
// In test order (the level end comes between "life" and "bapple").
constexpr Pickup kHealth{Kind::health, 48, 0, "ghealth", 0xAA55AA, 32};
constexpr Pickup kLife{Kind::life, 64, 0, "glife", 0xFFFFFF, 64};
constexpr Pickup kBonuses[] = {
    {Kind::bapple, 48, 40, "bapple", 0x33FF33, 32},   {Kind::bberry, 48, 20, "bapple", 0x3333FF, 32},
    {Kind::bnut, 48, 180, "ghealth", 0x33AAAA, 32},   {Kind::bgold, 48, 120, "bgold", 0x33FFFF, 32},
    {Kind::bsilver, 32, 60, "bsilver", 0xFFFFFF, 32},
};

void burst(const tmin &obj, const Pickup &p) {
    const float x = static_cast<float>(obj.x), y = static_cast<float>(obj.y);
    for (int32_t i = 0; i < kBurstStars; ++i) {
        const float vx = (random_int(10) - 5) / 5.0f;  // -1 .. 0.8 pixels per tick
        const float vy = -(random_int(5) + 5) / 5.0f;  // -1 .. -1.8: up
        add_effect(world.particles, "star", kWhite, x, y, vx, vy, kStarSize, kBurstFade,
                   static_cast<float>(random_int(360)));
    }
    add_effect(world.particles, "pball", p.ball_colour, x, y, 0, 0, p.ball_size, kBurstFade, 0);
    add_effect(world.particles, "light", kWhite, x, y, 0, 0, kLightSize, kBurstFade, 0);
}

// Takes `obj` when it is of the pick-up's kind and close enough; true when taken.
bool pick(tmin &obj, Kind kind, float d, const Pickup &p) {
    if (kind != p.kind || !(d < p.reach)) return false;
    run.level_points += p.points;
    obj.kind = kDeleteKind;
    play_sound(p.sound);
    burst(obj, p);
    return true;
}

}  // namespace

void collectible_interaction(tmin &obj, Kind kind, float d) {
    if (pick(obj, kind, d, kHealth)) {
        run.damage -= kHealthCure;
        if (run.damage < 0) run.damage = 0;
        kind = Kind::removed;
    }
    if (pick(obj, kind, d, kLife)) {
        --run.deaths;
        kind = Kind::removed;
    }
    // The level end: F2 is asked once per object, so one press ends the level at the first object.
    // The final scene has no end: the end window is already over it.
    if (run.level_index != kLastLevel && (eng.Key_Press(kVkF2) || (kind == Kind::table && d < kTableReach))) {
        run.level_done_pending = 1;
        run.game_state = 2;
        run.fading_out = 1;
        play_sound("fin");
    }
    for (const Pickup &p : kBonuses) {
        if (pick(obj, kind, d, p)) {
            if (p.kind == Kind::bnut) run.gold_nut_found = 1;
            break;
        }
    }
}
