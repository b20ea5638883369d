// creatures.cpp - the enemies, hazards and the cart: the own turns of "bee", "worm", "krot" and
// "vag" in the object pass, and what "romash", "bee", "worm", "krot", "hedge", "ship" and "vag"
// do with the hero in the interaction tests at the end of the hero's turn.
//
// Destroyed objects are marked removed and taken out at the end of the hero's turn. Effects
// go to the level's particle set, sounds through the sound catalogue by name. Units: pixels per
// logic tick, degrees, milliseconds.
#include <cmath>

#include "engine_math.h"
#include "world/world_internal.h"

namespace {

// Own turns.
constexpr int32_t kBeeSwing = 2;          // pixels of the bee's sine path per tick
constexpr int32_t kBeePhaseStep = 2;      // degrees per tick
constexpr int32_t kWalkerStep = 2;        // pixels per tick of worms and moles
constexpr int32_t kWalkerFall = 2;        // pixels per tick of their gravity
constexpr int32_t kWalkerTurn = 200;      // pixels walked before turning
constexpr int32_t kCartStep = 6;          // pixels per tick of a rolling cart
constexpr int32_t kCartFall = 4;
constexpr int32_t kCartProbe = 32;        // probe centre below the cart's centre
constexpr float kCartFloor = 0.5f;        // |normal x| below this: rolling on a floor
constexpr float kCartWall = 0.8f;         // |normal x| above this: a wall wrecks the cart

// Interactions: touch distances (pixels), speeds (pixels per tick), tallies.
constexpr float kSpringReach = 32, kSpringFall = 4, kSpringThrow = -18;
constexpr float kBeeReach = 32, kWormReach = 64, kMoleReach = 48, kHedgeReach = 32, kShipReach = 64;
constexpr float kStompFall = 2;           // falling faster than this stomps
constexpr float kStompBounce = -8;
constexpr int32_t kStompPoints = 120;
constexpr int32_t kHitDamage = 20;
constexpr int32_t kFatalDamage = 120;     // a "ship" sets this (not adds)
constexpr float kThrowSpeed = -5;         // walk_speed after a hit: one 15-pixel throw
// The cart's seat relative to the cart's centre.
constexpr int32_t kCartHalfWidth = 64, kSeatTop = 90, kSeatBottom = 50, kSeat = 80;
constexpr float kBoardFall = 4;
// Effects (sizes in pixels, fade in alpha per tick, colours 0x00BBGGRR).
constexpr int32_t kWreckStars = 21;
constexpr float kStarSize = 16, kEffectFade = 5;
constexpr float kStompBallSize = 32, kWreckBallSize = 128, kWreckLightSize = 16;
constexpr int32_t kStompBallColour = 0xAAAAAA, kStarColour = 0x00FFFF, kWreckBallColour = 0x0000FF,
                  kLightColour = 0xFFFFFF;

void mark_deleted(tmin &obj) { obj.role = Kind::removed; }

void stomp(Step &step, tmin &enemy) {
    LevelState &level = step.w.level;
    step.w.tallies.level_points += kStompPoints;
    mark_deleted(enemy);
    level.jumping = 1;
    level.on_ground = 0;
    level.fall_speed = kStompBounce;
    play_sound(step.events, "kill");
    add_effect(step.w.particles, "pball", kStompBallColour, static_cast<float>(enemy.x), static_cast<float>(enemy.y), 0,
               0, kStompBallSize, kEffectFade, 0);
}

void hit(Step &step, tmin &hero, const char *sound) {
    LevelState &level = step.w.level;
    step.w.tallies.damage += kHitDamage;
    level.walk_speed = kThrowSpeed;
    hero.x = engine_math::round(static_cast<float>(hero.x + double(kStride - 2 * kStride * hero.mirrored) * kThrowSpeed));
    level.jumping = 1;
    level.on_ground = 0;
    level.hurt = 1;
    level.hurt_time = static_cast<float>(step.in.time_ms);
    play_sound(step.events, sound);
}

void fatal_touch(Step &step) {
    LevelState &level = step.w.level;
    step.w.tallies.damage = kFatalDamage;
    level.walk_speed = kThrowSpeed;
    level.jumping = 1;
    level.hurt = 1;
    level.on_ground = 0;
    level.hurt_time = static_cast<float>(step.in.time_ms);
}

// A stompable enemy within `reach`: stomped while the hero falls fast, otherwise it hurts.
void enemy_touch(Step &step, tmin &hero, tmin &enemy, float d, float reach) {
    if (!(d < reach)) return;
    if (step.w.level.fall_speed > kStompFall) stomp(step, enemy);
    else if (!step.w.level.hurt) hit(step, hero, "hit");
}

void cart_wreck(Step &step, tmin &cart) {
    World &w = step.w;
    w.level.riding = 0;
    mark_deleted(cart);
    const float x = static_cast<float>(cart.x), y = static_cast<float>(cart.y);
    for (int32_t i = 0; i < kWreckStars; ++i) {
        const float vx = (random_int(w, 10) - 5) / 5.0f;      // -1 .. 0.8 pixels per tick
        const float vy = -(random_int(w, 5) + 5) / 2.5f;      // -2 .. -3.6: thrown up
        add_effect(w.particles, "star", kStarColour, x, y, vx, vy, kStarSize, kEffectFade,
                   static_cast<float>(random_int(w, 360)));
    }
    add_effect(w.particles, "pball", kWreckBallColour, x, y, 0, 0, kWreckBallSize, kEffectFade, 0);
    add_effect(w.particles, "light", kLightColour, x, y, 0, 0, kWreckLightSize, kEffectFade, 0);
    play_sound(step.events, "boom");
}

// Every segment a cart touches: the rolling sound on a floor, the wreck against a wall.
void cart_contact(tmin &cart, const Contact &c, Step &step) {
    if (cart.speed == 1 && std::fabs(c.nx) < kCartFloor) play_sound(step.events, "vag");
    if (std::fabs(c.nx) > kCartWall) cart_wreck(step, cart);
}

void cart_rules(Step &step, tmin &hero, tmin &cart) {
    LevelState &level = step.w.level;
    // Leaving: the hero has walked off the cart's width.
    if (cart.phase == 1 && (hero.x <= cart.x - kCartHalfWidth || hero.x >= cart.x + kCartHalfWidth)) {
        level.riding = 0;
        cart.phase = 0;
    }
    // Boarding: the hero drops into it.
    if (cart.y - kSeatTop < hero.y && hero.y < cart.y - kSeatBottom && cart.x - kCartHalfWidth < hero.x &&
        hero.x < cart.x + kCartHalfWidth && level.fall_speed > kBoardFall) {
        cart.phase = cart.speed = 1;
        level.riding = 1;
        level.on_ground = 1;
    }
    // Carried.
    if (level.riding && cart.phase == 1 && cart.speed == 1) hero.y = cart.y - kSeat;
}

}  // namespace

void bee_turn(Step &, tmin &bee) {
    bee.y = engine_math::round(static_cast<float>(bee.y + double(engine_math::sin_deg(bee.phase)) * kBeeSwing));
    bee.x += bee.speed;
    bee.phase += kBeePhaseStep;
}

void walker_turn(Step &step, tmin &walker, int32_t probe_offset) {
    if (walker.speed == 0) walker.speed = kWalkerStep;  // always sets off to the right
    walker.y += kWalkerFall;
    walker.x += walker.speed;
    walker.phase += walker.speed;
    if (std::abs(walker.phase) > kWalkerTurn) {
        walker.speed = -walker.speed;
        walker.mirrored = walker.speed < 0 ? 1 : 0;
        walker.phase = 0;
    }
    terrain_contact(step, walker, probe_offset, true, nullptr);
}

void cart_turn(Step &step, tmin &cart) {
    if (cart.speed == 1) cart.x += kCartStep;  // a rolling cart only goes right
    cart.y += kCartFall;
    terrain_contact(step, cart, kCartProbe, true, cart_contact);
}

void creature_interaction(Step &step, tmin &hero, tmin &obj, Kind kind, float d) {
    LevelState &level = step.w.level;
    switch (kind) {
    case Kind::romash:
        if (d < kSpringReach && level.fall_speed > kSpringFall) {
            level.jumping = 1;
            level.on_ground = 0;
            level.fall_speed = kSpringThrow;
            play_sound(step.events, "rom");
        }
        break;
    case Kind::bee: enemy_touch(step, hero, obj, d, kBeeReach); break;
    case Kind::worm: enemy_touch(step, hero, obj, d, kWormReach); break;
    case Kind::krot: enemy_touch(step, hero, obj, d, kMoleReach); break;
    case Kind::hedge:
        if (d < kHedgeReach && !level.hurt) hit(step, hero, "kill");  // never stomped
        break;
    case Kind::ship:
        if (d < kShipReach && !level.hurt) fatal_touch(step);
        break;
    case Kind::vag: cart_rules(step, hero, obj); break;
    default: break;
    }
}
