// effects_test.cpp - the particle effects: motion by kind, fading and the tick of removal, removal
// keeping order, the capacity, and drawing (picture, blend mode, opacity and angle by kind) read
// from the headless engine's call log.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/effects.h"
#include "render/render_log.h"

using namespace render_test;

namespace {

// A set on the heap (it holds 4097 records).
std::unique_ptr<Tpart_sys> new_set() { return std::make_unique<Tpart_sys>(); }

void ticks(Tpart_sys &set, int n) {
    for (int i = 0; i < n; ++i) update_effects(set);
}

}  // namespace

TEST(Effects, AddStartsFreshAndEachKindMovesByItsRule) {
    auto set = new_set();
    add_effect(*set, "star", 0xFFFFFF, 100, 200, 0, 0, 16, 5, 30);
    add_effect(*set, "smoke", 0x333333, 100, 200, 1.5f, 0, 80, 5, 0);
    add_effect(*set, "pball", 0x0000FF, 100, 200, 0, 0, 32, 5, 0);
    add_effect(*set, "light", 0xFFFFFF, 100, 200, 0, -1, 8, 5, 0);
    add_effect(*set, "berry", 0xFFFFFF, 100, 200, 0, 2, 48, 5, 0);
    ASSERT_EQ(set->count, 5);
    const TEffect2d &star = set->effects[0];
    EXPECT_EQ(star.alpha, 255.0f);
    EXPECT_EQ(star.age, 0.0f);
    EXPECT_EQ(star.angle, 30.0f);
    EXPECT_EQ(star.colour, 0xFFFFFF);

    update_effects(*set);
    // Berry: the phase becomes 1 and x swings by cos(1/20) x 10.
    EXPECT_NEAR(set->effects[4].x, 100 + 10 * std::cos(0.05), 1e-3);
    EXPECT_FLOAT_EQ(set->effects[4].y, 202);
    ticks(*set, 9);
    // A star at rest falls under a pull that grows by 0.1 per tick: 0.1 + 0.2 + ... + 1.0 = 5.5.
    EXPECT_NEAR(star.y, 205.5, 1e-3);
    EXPECT_FLOAT_EQ(star.x, 100);
    EXPECT_FLOAT_EQ(star.angle, 30);  // only lights turn
    EXPECT_FLOAT_EQ(star.size, 16);
    // Smoke and balls with no vertical step stay at their height.
    EXPECT_NEAR(set->effects[1].x, 115, 1e-3);
    EXPECT_FLOAT_EQ(set->effects[1].y, 200);
    EXPECT_FLOAT_EQ(set->effects[1].size, 80);
    EXPECT_FLOAT_EQ(set->effects[2].y, 200);
    EXPECT_FLOAT_EQ(set->effects[2].size, 52);  // +2 per tick
    EXPECT_FLOAT_EQ(set->effects[3].size, 48);  // +4 per tick
    EXPECT_FLOAT_EQ(set->effects[3].angle, 80); // +8 degrees per tick
    EXPECT_FLOAT_EQ(set->effects[3].y, 190);
    EXPECT_FLOAT_EQ(set->effects[0].alpha, 205);  // 10 ticks of 5

    // The berry's swing turns back once its phase passes a quarter turn (20 x pi/2 = 31.4 ticks).
    ticks(*set, 29);  // 39 ticks
    const float before = set->effects[4].x;
    update_effects(*set);
    EXPECT_LT(set->effects[4].x, before);
}

TEST(Effects, LifetimeFollowsTheFadeStep) {
    auto set = new_set();
    // A light of size 8 fading by 5 is drawn for 50 ticks, at size 208 at the end, and gone in
    // the 51st; one fading by 10 goes in the 26th; one that does not fade never goes.
    add_effect(*set, "light", 0xFFFFFF, 0, 0, 0, 0, 8, 5, 0);
    add_effect(*set, "smoke", 0x333333, 0, 0, 0, 0, 80, 10, 0);
    add_effect(*set, "fire", 0xFFFFFF, 0, 0, 0, 0, 16, 0, 0);
    ticks(*set, 25);
    ASSERT_EQ(set->count, 3);
    EXPECT_FLOAT_EQ(set->effects[1].alpha, 5);
    update_effects(*set);  // 26th
    ASSERT_EQ(set->count, 2);
    EXPECT_EQ(set->effects[0].kind, "light");
    EXPECT_EQ(set->effects[1].kind, "fire");
    ticks(*set, 24);  // 50 ticks
    ASSERT_EQ(set->count, 2);
    EXPECT_FLOAT_EQ(set->effects[0].size, 208);
    EXPECT_FLOAT_EQ(set->effects[0].angle, 400);
    EXPECT_FLOAT_EQ(set->effects[0].alpha, 5);
    update_effects(*set);  // 51st
    ASSERT_EQ(set->count, 1);
    EXPECT_EQ(set->effects[0].kind, "fire");
    ticks(*set, 1000);
    ASSERT_EQ(set->count, 1);
    EXPECT_FLOAT_EQ(set->effects[0].alpha, 255);
}

TEST(Effects, RemovalKeepsTheOrderOfTheRest) {
    auto set = new_set();
    // x numbers the effects; those fading by 10 finish together, neighbours included.
    const float fades[] = {10, 5, 10, 10, 5, 10};
    for (int i = 0; i < 6; ++i) add_effect(*set, "smoke", 0, float(i), 0, 0, 0, 8, fades[i], 0);
    ticks(*set, 26);
    ASSERT_EQ(set->count, 2);
    EXPECT_FLOAT_EQ(set->effects[0].x, 1);
    EXPECT_FLOAT_EQ(set->effects[1].x, 4);

    // remove_effects takes every match at once, adjacent ones too, and keeps the others' fields.
    auto mixed = new_set();
    const char *kinds[] = {"star", "smoke", "smoke", "pball", "smoke", "light"};
    for (int i = 0; i < 6; ++i) add_effect(*mixed, kinds[i], i, float(i), float(10 * i), 0, 0, 8, 5, 0);
    remove_effects(*mixed, "smoke");
    ASSERT_EQ(mixed->count, 3);
    EXPECT_EQ(mixed->effects[0].kind, "star");
    EXPECT_EQ(mixed->effects[1].kind, "pball");
    EXPECT_FLOAT_EQ(mixed->effects[1].y, 30);
    EXPECT_EQ(mixed->effects[1].colour, 3);
    EXPECT_EQ(mixed->effects[2].kind, "light");
    EXPECT_FLOAT_EQ(mixed->effects[2].x, 5);
    remove_effects(*mixed, "Star");  // exact, case-sensitive
    EXPECT_EQ(mixed->count, 3);

    // A kind without a rule of its own (a misspelt one) only moves by its step and is removed on time.
    auto odd = new_set();
    add_effect(*odd, "Star", 0, 0, 0, 1, 2, 8, 10, 0);
    ticks(*odd, 25);
    EXPECT_FLOAT_EQ(odd->effects[0].y, 50);  // no pull
    update_effects(*odd);
    EXPECT_EQ(odd->count, 0);
}

TEST(Effects, AFullSetDropsFurtherEffects) {
    auto set = new_set();
    for (int i = 0; i < kEffectCapacity; ++i) add_effect(*set, "smoke", 0, float(i), 0, 0, 0, 8, 10, 0);
    ASSERT_EQ(set->count, 4097);
    add_effect(*set, "star", 0, -1, 0, 0, 0, 8, 5, 0);
    EXPECT_EQ(set->count, 4097);
    EXPECT_EQ(set->effects[4096].kind, "smoke");
    EXPECT_FLOAT_EQ(set->effects[4096].x, 4096);
    // Once the smoke has gone there is room again.
    ticks(*set, 26);
    EXPECT_EQ(set->count, 0);
    add_effect(*set, "star", 0, 7, 0, 0, 0, 8, 5, 0);
    ASSERT_EQ(set->count, 1);
    EXPECT_FLOAT_EQ(set->effects[0].x, 7);
    EXPECT_FLOAT_EQ(set->effects[0].alpha, 255);
}

TEST(EffectsDrawing, EachKindHasItsPictureBlendOpacityAndAngle) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    for (const char *n : {"berry", "pball", "star", "light", "finn", "smoke"}) d.share(n, 64, 64);
    auto set = new_set();
    add_effect(*set, "berry", 0x3333FF, 100, 100, 0, 0, 48, 5, 45);
    add_effect(*set, "pball", 0x0000FF, 200, 100, 0, 0, 128, 5, 30);
    add_effect(*set, "star", 0x00FFFF, 300, 100, 0, 0, 16, 5, 33);
    add_effect(*set, "fire", 0xFFFFFF, 400, 100, 0, 0, 20, 5, 12);
    add_effect(*set, "light", 0xFFFFFF, 500, 100, 0, 0, 8, 5, 0);
    add_effect(*set, "smoke", 0x333333, 600, 100, 0, 0, 80, 5, 90);
    add_effect(*set, "Smoke", 0x333333, 700, 100, 0, 0, 80, 5, 0);  // no drawing rule
    for (TEffect2d &e : set->effects) e.alpha = 100.4f;  // drawn at M_Round(alpha) where it fades
    set->effects[4].angle = 24;

    d.start();
    draw_effects(*set);
    const std::vector<Call> calls = d.stop();
    const std::vector<Call> sprites = ops(calls, "SSprite_Draw");
    ASSERT_EQ(sprites.size(), 6u);
    struct Expect {
        std::string picture;
        int blend;
        uint32_t colour;
        double x, y, side, alpha, angle;
    };
    const Expect expect[] = {
        {shr("berry"), 0, 0x3333FF, 76, 76, 48, 255, 0},
        {shr("pball"), 1, 0x0000FF, 136, 36, 128, 100, 0},
        {shr("star"), 1, 0x00FFFF, 292, 92, 16, 100, 33},
        {shr("light"), 1, 0xFFFFFF, 390, 90, 20, 100, 0},
        {shr("finn"), 1, 0xFFFFFF, 496, 96, 8, 100, 24},
        {shr("smoke"), 1, 0x333333, 560, 60, 80, 100, 0},
    };
    // Each draw is preceded by its blend mode and its tint and followed by blend mode 0.
    int at = 0;
    for (const Expect &e : expect) {
        const int draw = find_draw(calls, e.picture, at);
        ASSERT_GE(draw, 2) << e.picture;
        const Call &c = calls[std::size_t(draw)];
        EXPECT_EQ(calls[std::size_t(draw) - 2].str(), "FX_SetBlendMode " + std::to_string(e.blend)) << e.picture;
        char tint[32];
        std::snprintf(tint, sizeof tint, "FX_SetColorMix 0x%06X", e.colour);
        EXPECT_EQ(calls[std::size_t(draw) - 1].str(), tint) << e.picture;
        EXPECT_EQ(nums(c), (std::vector<double>{e.x, e.y, e.side, e.side, e.alpha, e.angle, 9})) << e.picture;
        ASSERT_LT(std::size_t(draw) + 1, calls.size());
        EXPECT_EQ(calls[std::size_t(draw) + 1].str(), "FX_SetBlendMode 0");
        at = draw + 1;
    }
    EXPECT_EQ(calls.back().str(), "FX_SetBlendMode 0");
}

// A kind whose picture is missing from share_textures is left out (no null picture reaches the
// engine, and no other picture is drawn in its place); the others are drawn as ever.
TEST(EffectsDrawing, AKindWhosePictureIsMissingIsLeftOut) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    for (const char *n : {"berry", "pball", "light"}) d.share(n, 64, 64);  // no "star", no "smoke"
    auto set = new_set();
    add_effect(*set, "star", 0x00FFFF, 300, 100, 0, 0, 16, 5, 33);
    add_effect(*set, "pball", 0x0000FF, 200, 100, 0, 0, 128, 5, 30);
    add_effect(*set, "smoke", 0x333333, 600, 100, 0, 0, 80, 5, 90);
    d.start();
    draw_effects(*set);
    const std::vector<Call> calls = d.stop();
    const std::vector<Call> sprites = ops(calls, "SSprite_Draw");
    ASSERT_EQ(sprites.size(), 1u);
    EXPECT_EQ(sprites[0].args[0], shr("pball"));
    // Nothing but the drawn kind's blend, tint, sprite and blend 0.
    EXPECT_EQ(calls.size(), 4u);
}
