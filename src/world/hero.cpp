// hero.cpp - the hero's turn in the object pass: input, walking, jumping, falling, standing on the
// terrain and riding a cart, then the interaction tests against every object and the removal of
// what was destroyed or collected.
//
// In: the tick's input (walk keys, jump, the pointer when mouse control is on, the clock) and the
// hero state of world.h. Out: the hero object's x, y, mirrored and the hero state. Units: pixels
// per logic tick of 20 ms. What the hero does to other objects is creatures.cpp and
// collectibles.cpp.
#include <algorithm>
#include <cmath>

#include "engine_math.h"
#include "world/world_internal.h"

namespace {

constexpr float kGravity = 0.4f;            // added to fall_speed per tick
constexpr float kJumpSpeed = -12.0f;        // fall_speed of a jump
constexpr float kFallLimit = 10.0f;         // fastest fall, pixels per tick
constexpr float kRiseLimit = -20.0f;        // fastest rise
constexpr int32_t kExtraFall = 2;           // pixels added to y every tick when not riding
constexpr float kWalkStep = 0.1f;           // walk_speed change per tick
constexpr float kWalkTop = 1.2f;            // highest walk_speed
constexpr int32_t kCartCarry = 6;           // pixels per tick a cart carries the hero
constexpr float kFloorNormal = 0.5f;        // |normal x| below this: a floor to stand still on
constexpr float kJumpNormal = -0.75f;       // normal y below this: firm enough to jump from
constexpr float kRimNormal = -0.6f;         // a rim holds a hero whose contact with its corner has a
                                            // normal y below this (centre at most 25 px past it)
constexpr int32_t kMouseDeadZone = 64;      // pixels between the hero and the pointer
constexpr float kHurtMs = 3000.0f;          // immunity after a hit
constexpr int32_t kHeroProbe = 16;          // probe centre below the hero's centre
constexpr float kNoDistance = 1e30f;        // stands for the distance of kinds that never use it
// Landing dust: a ring of puffs.
constexpr int32_t kDustPuffs = 16, kDustDegrees = 22, kDustBelow = 32;
constexpr float kDustSpeed = 2, kDustSize = 80, kDustFade = 10;
constexpr int32_t kDustColour = 0x333333;

void landing_dust(World &w, const tmin &hero) {
    for (int32_t i = 0; i < kDustPuffs; ++i)
        add_effect(w.particles, "smoke", kDustColour, static_cast<float>(hero.x),
                   static_cast<float>(hero.y + kDustBelow), engine_math::cos_deg(kDustDegrees * i) * kDustSpeed,
                   engine_math::sin_deg(kDustDegrees * i) * kDustSpeed, kDustSize, kDustFade, 0);
}

// Every touched segment: the hero stands, and the normal and depth kept are those of the ground
// under it - the contact whose normal points most nearly up (lowest y) in this pass. So a wall or
// a ceiling touched at the same time as a floor neither stops the jump nor lets gravity build up;
// they still push the hero out as before. on_ground is 0 before the first contact of a pass.
void record_ground(tmin &, const Contact &c, Step &step) {
    LevelState &level = step.w.level;
    if (!level.on_ground || c.ny < level.ground_normal_y) {
        level.ground_normal_x = c.nx;
        level.ground_normal_y = c.ny;
        level.ground_depth = c.depth;
        level.ground_corner = c.corner ? 1 : 0;
    }
    level.on_ground = 1;
}

// The pointer steers when it moves and is far enough from the hero on screen.
int32_t mouse_walk_direction(const TickInput &in, const LevelState &level) {
    if (!in.mouse_steers) return 0;
    if (!(std::fabs(level.hero_x - in.camera_x - in.mouse_x) > kMouseDeadZone)) return 0;
    return in.mouse_dx > 0 ? 1 : in.mouse_dx < 0 ? -1 : 0;
}

// The interaction tests against every object of the layer, in layer order.
void interactions(Step &step, tmin &hero) {
    World &w = step.w;
    const LevelState &level = w.level;
    for (int32_t i = 0; i < w.object_count; ++i) {
        tmin &obj = w.object_layer[i];
        const Kind kind = obj.role;
        // Only kinds with a touch distance need it (scenery is most of a layer).
        const bool near_test = kind != Kind::other && kind != Kind::removed && kind != Kind::enot && kind != Kind::vag;
        const float d = near_test ? engine_math::distance(static_cast<float>(level.hero_x), static_cast<float>(level.hero_y),
                                                   static_cast<float>(obj.x), static_cast<float>(obj.y))
                                  : kNoDistance;
        creature_interaction(step, hero, obj, kind, d);
        collectible_interaction(step, obj, obj.role, d);  // a stomp may have removed it
    }
}

// A hero resting on the corner of a rim (a pit's edge, a ledge's end), past the point where its
// round probe would start to slide off, is held there unless it walks towards the drop: a player
// who stops at an edge, or lands with the feet just over it, stays on it. A slope (the inside of a
// segment) never holds: steep ground still slides.
bool held_by_rim(const LevelState &level, const TickInput &in, int32_t mouse) {
    if (!level.on_ground || level.riding || !level.ground_corner) return false;
    if (std::fabs(level.ground_normal_x) < kFloorNormal || level.ground_normal_y > kRimNormal) return false;
    const bool left = in.left || mouse < 0, right = !left && (in.right || mouse > 0);
    return !(level.ground_normal_x > 0 ? right : left);   // walking out over the drop: let go
}

}  // namespace

void hero_turn(Step &step, tmin &hero) {
    World &w = step.w;
    LevelState &level = w.level;
    const TickInput &in = step.in;
    if (level.riding) hero.x += kCartCarry;
    // Time and the hit immunity.
    level.world_time = static_cast<float>(in.time_ms);
    if (level.hurt && std::fabs(level.hurt_time - level.world_time) > kHurtMs) level.hurt = 0;
    level.hero_x = hero.x;
    level.hero_y = hero.y;
    // Landed after being in the air.
    if (level.on_ground && level.jumping) landing_dust(w, hero);
    if (level.on_ground) level.jumping = 0;
    level.hero_walking = 0;
    const int32_t mouse = mouse_walk_direction(in, level);
    const bool rim = held_by_rim(level, in, mouse);
    const int32_t rest_x = hero.x, rest_y = hero.y;
    // Gravity; a floor or a rim holds the hero, a steep slope lets it slide.
    level.fall_speed += kGravity;
    if (level.on_ground && (rim || std::fabs(level.ground_normal_x) < kFloorNormal)) level.fall_speed = 0;
    if (in.jump && level.on_ground && (rim || level.ground_normal_y < kJumpNormal)) {
        level.jumping = 1;
        level.on_ground = 0;
        level.fall_speed = kJumpSpeed;
        play_sound(step.events, "jump");
    }
    if (level.fall_speed >= kFallLimit) level.fall_speed = kFallLimit;
    if (level.fall_speed <= kRiseLimit) level.fall_speed = kRiseLimit;
    if (!level.riding) hero.y = engine_math::round(static_cast<float>(hero.y + double(level.fall_speed)));
    // Walking: keys or the moving pointer; left wins when both are active.
    if (in.right || mouse > 0) {
        hero.mirrored = 0;
        level.hero_walking = 1;
    }
    if (in.left || mouse < 0) {
        hero.mirrored = 1;
        level.hero_walking = 1;
    }
    if (level.jumping) level.riding = 0;
    if (rim && !level.hero_walking && !level.jumping) level.walk_speed = 0;   // the rim stops a glide
    level.walk_speed += level.hero_walking ? kWalkStep : -kWalkStep;
    if (level.walk_speed >= kWalkTop) level.walk_speed = kWalkTop;
    if (level.walk_speed <= 0) level.walk_speed = 0;
    hero.x = engine_math::round(static_cast<float>(hero.x + double(kStride - 2 * kStride * hero.mirrored) * level.walk_speed));
    level.hero_facing = hero.mirrored;
    if (!level.riding) hero.y += kExtraFall;
    // The terrain holds the hero up.
    level.on_ground = 0;
    terrain_contact(step, hero, kHeroProbe, false, record_ground);
    // Held by a rim: standing still stays where it stood (the corner's slanted push would edge it
    // off); walking onto the top may climb over the corner but never sinks.
    if (rim && !level.jumping && level.on_ground && level.ground_corner) {
        if (level.hero_walking) {
            hero.y = std::min(hero.y, rest_y);
        } else {
            hero.x = rest_x;
            hero.y = rest_y;
        }
    }
    interactions(step, hero);
    remove_marked(w);
}
