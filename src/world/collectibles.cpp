// collectibles.cpp - what the hero picks up (bonuses worth points, health, an extra life, the
// level's golden nut), the checkpoints it lights, and the level end (a "table", or the developer's
// F2; never on the final scene), tested after the creature rules for each object at the end of the
// hero's turn.
//
// A collected object is marked removed at once, plays its sound and bursts into stars. Points go to
// level_points, the nut to gold_nut_found; an extra life and the level end are reported in the
// step's events for the shell (which lowers deaths, and fades out to the results).
#include <cstdlib>

#include "world/world_internal.h"

namespace {

constexpr int32_t kHealthCure = 60;
constexpr float kTableReach = 64;
// A checkpoint post lights when the hero touches it: the hero's centre less than kCheckpointReachX
// across from the post's and less than kCheckpointReachY above or below it (the post's 64-px half
// height and the hero's 48), pixels. A hero walking or hopping past lights it; only one at the top
// of a full jump right over it (its centre 178 px above the ground, the post's top 128) passes.
constexpr int32_t kCheckpointReachX = 48, kCheckpointReachY = 112;
constexpr int32_t kCheckpointSparks = 14;       // stars of the lighting
constexpr int32_t kFlameColour = 0x40C8FF;      // 0x00BBGGRR: warm orange
constexpr float kFlameRise = 40;                // px above the post's centre where the flame is
constexpr float kFlameBallSize = 48, kFlameLightSize = 24;
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

void burst(World &w, const tmin &obj, const Pickup &p) {
    const float x = static_cast<float>(obj.x), y = static_cast<float>(obj.y);
    for (int32_t i = 0; i < kBurstStars; ++i) {
        const float vx = (random_int(w, 10) - 5) / 5.0f;  // -1 .. 0.8 pixels per tick
        const float vy = -(random_int(w, 5) + 5) / 5.0f;  // -1 .. -1.8: up
        add_effect(w.particles, "star", kWhite, x, y, vx, vy, kStarSize, kBurstFade,
                   static_cast<float>(random_int(w, 360)));
    }
    add_effect(w.particles, "pball", p.ball_colour, x, y, 0, 0, p.ball_size, kBurstFade, 0);
    add_effect(w.particles, "light", kWhite, x, y, 0, 0, kLightSize, kBurstFade, 0);
}

// Takes `obj` when it is of the pick-up's kind and close enough; true when taken.
bool pick(Step &step, tmin &obj, Kind kind, float d, const Pickup &p) {
    if (kind != p.kind || !(d < p.reach)) return false;
    step.w.tallies.level_points += p.points;
    obj.role = Kind::removed;
    play_sound(step.events, p.sound);
    burst(step.w, obj, p);
    return true;
}

// Lights an unlit checkpoint the hero touches and makes it the respawn point.
void light_checkpoint(Step &step, tmin &post) {
    World &w = step.w;
    if (post.phase || std::abs(w.level.hero_x - post.x) >= kCheckpointReachX ||
        std::abs(w.level.hero_y - post.y) >= kCheckpointReachY)
        return;
    post.phase = 1;
    post.row = 1;
    w.level.checkpoint_lit = 1;
    w.level.checkpoint_x = post.x;
    w.level.checkpoint_y = post.y;
    play_sound(step.events, "lamp");
    const float x = static_cast<float>(post.x), y = static_cast<float>(post.y) - kFlameRise;
    for (int32_t i = 0; i < kCheckpointSparks; ++i) {
        const float vx = (random_int(w, 21) - 10) / 6.0f;  // -1.7 .. 1.7 pixels per tick
        const float vy = -(random_int(w, 10) + 6) / 5.0f;  // -1.2 .. -3: up
        add_effect(w.particles, "star", kFlameColour, x, y, vx, vy, kStarSize, kBurstFade,
                   static_cast<float>(random_int(w, 360)));
    }
    add_effect(w.particles, "pball", kFlameColour, x, y, 0, 0, kFlameBallSize, kBurstFade, 0);
    add_effect(w.particles, "light", kWhite, x, y, 0, 0, kFlameLightSize, kBurstFade, 0);
}

}  // namespace

void collectible_interaction(Step &step, tmin &obj, Kind kind, float d) {
    LevelTallies &t = step.w.tallies;
    if (kind == Kind::fonar) {
        light_checkpoint(step, obj);
        kind = Kind::other;  // a post is no table: F2 below still counts once
    }
    if (pick(step, obj, kind, d, kHealth)) {
        t.damage -= kHealthCure;
        if (t.damage < 0) t.damage = 0;
        kind = Kind::removed;
    }
    if (pick(step, obj, kind, d, kLife)) {
        ++step.events.lives_gained;
        kind = Kind::removed;
    }
    // The level end: F2 counts once per tick, at the first object tested, so one press ends the
    // level once. The final scene has no end: the end window is already over it.
    if (!step.w.level.final_scene) {
        const bool f2 = step.in.finish && !step.finish_used;
        step.finish_used = step.finish_used || step.in.finish;
        if (f2 || (kind == Kind::table && d < kTableReach)) {
            step.events.level_end = 1;
            play_sound(step.events, "fin");
        }
    }
    for (const Pickup &p : kBonuses) {
        if (pick(step, obj, kind, d, p)) {
            if (p.kind == Kind::bnut) {
                t.gold_nut_found = 1;
                step.events.nut_taken = 1;
            }
            break;
        }
    }
}
