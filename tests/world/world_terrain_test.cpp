// world_terrain_test.cpp - terrain contact and the shadow probe on hand-built worlds: touching at
// exactly the probe radius, the one-degree tilt, corners pushed segment by segment, outlines that
// are scenery ("bgcarst") or have no segments, a centre on a segment; the shadow's opacity; and
// the ground index giving exactly the positions of the plain scan on random levels.
#include <gtest/gtest.h>

#include <random>

#include "world/world_fixture.h"

using namespace worldtest;

namespace {
constexpr float kFloor = 500;
std::vector<OE_Point> flat_floor() { return {{-1000, kFloor}, {1000, kFloor}}; }
}  // namespace

TEST(TerrainContact, TouchDepthTiltAndCorners) {
    for (bool indexed : {true, false}) {
        WorldGame game;
        world.use_ground_index = indexed;
        SCOPED_TRACE(indexed ? "indexed" : "plain scan");
        add_ground("turf", flat_floor());
        // Exactly 32 above: touching with depth 0, not moved, but a tilting object turns a degree
        // towards the floor's upright (target angle 0).
        tmin obj;
        obj.x = 0;
        obj.y = static_cast<int32_t>(kFloor) - 32;
        obj.angle = 5;
        static int contacts;
        contacts = 0;
        auto count = [](tmin &, const Contact &c, Step &) {
            ++contacts;
            EXPECT_EQ(c.depth, 0);
        };
        contact(obj, 0, true, count);
        EXPECT_EQ(contacts, 1);
        EXPECT_EQ(obj.y, 468);
        EXPECT_EQ(obj.angle, 4);
        obj.angle = -3;
        contact(obj, 0, true);
        EXPECT_EQ(obj.angle, -2);
        // 10 pixels into the floor: pushed straight up by 10; no tilt for a non-tilting object.
        obj.y = 478;
        obj.angle = 7;
        contact(obj, 0, false);
        EXPECT_EQ(obj.y, 468);
        EXPECT_EQ(obj.angle, 7);
        // The probe offset: a hero's probe sits 16 below its centre.
        obj.y = 460;
        contact(obj, 16, false);
        EXPECT_EQ(obj.y, 452);
    }
}

TEST(TerrainContact, CornerSceneryAndDegenerateOutlines) {
    for (bool indexed : {true, false}) {
        WorldGame game;
        world.use_ground_index = indexed;
        // A wall meeting the floor at (100, 500): floor then wall, in outline order.
        add_ground("stone", {{-200, kFloor}, {100, kFloor}, {100, 200}});
        // Scenery outline right through the probe, an outline of one point, and an entry whose
        // count is 0 although it has points: none of them counts.
        add_ground("bgcarst", {{-300, 470}, {300, 470}});
        tmin &lone = add_ground("turf", {{80, 480}, {90, 480}});
        lone.outline.count = 0;
        add_item(world.ground_layer, world.ground_count, "turf", 0, 0, {{80, 470}});
        terrain_changed(world);
        tmin obj;
        obj.x = 90;  // 10 into the wall, 10 into the floor
        obj.y = 478;
        contact(obj, 0, false);
        // The floor pushes up 10 first; then the wall, 10 away from (90, 468), pushes left by
        // 32 - 10.
        EXPECT_EQ(obj.x, 68);
        EXPECT_EQ(obj.y, 468);
        // A centre lying exactly on the floor: zero normal, nothing moves, no NaN.
        tmin on;
        on.x = 0;
        on.y = static_cast<int32_t>(kFloor);
        on.angle = 0;
        contact(on, 0, true);
        EXPECT_EQ(on.x, 0);
        EXPECT_EQ(on.y, 500);
        // The zero normal's target angle is atan2(0, 0.0001) + 90 = 90: a turn of one degree.
        EXPECT_EQ(on.angle, 1);
    }
}

// The builder cuts long terrain into pieces that meet at a seam: the left piece's top ends in a
// corner there (with its right side going down), the right piece's top goes on at the same height.
// A cart standing over the seam touches that corner; a corner's slanted normal still pushes it
// clear, but only the inside of a segment turns a tilting object: a cart at rest stands level.
TEST(TerrainContact, ACornerPushesButDoesNotTilt) {
    for (bool indexed : {true, false}) {
        WorldGame game;
        world.use_ground_index = indexed;
        SCOPED_TRACE(indexed ? "indexed" : "plain scan");
        add_ground("turf", {{0, 768}, {732, 768}, {732, 1400}});
        // 8 px right of the piece's corner and 28 px above it (29 px away): the corner pushes it
        // up and right, out of the 32-px probe's reach, and leaves it upright.
        tmin obj;
        obj.x = 740;
        obj.y = 740;
        obj.angle = 0;
        contact(obj, 0, true);
        EXPECT_GT(obj.x, 740);
        EXPECT_LT(obj.y, 740);
        EXPECT_EQ(obj.angle, 0);
        // The inside of a slope rising 45 degrees to the right does turn it, one degree a touch
        // towards the slope's -45.
        clear_world(world);
        add_ground("turf", {{700, 800}, {780, 720}});
        obj.x = 740;
        obj.y = 740;
        contact(obj, 0, true);
        EXPECT_EQ(obj.angle, -1);
    }
}

TEST(CartRules, ACartAtRestOverASeamStandsLevel) {
    WorldGame game;
    add_ground("turf", {{0, 768}, {732, 768}, {732, 1400}});
    add_ground("turf", {{732, 768}, {1400, 768}});
    add_object("enot", 200, 720);
    tmin &cart = add_object("vag", 740, 704);   // standing on the floor: probe 32 below the centre
    for (int i = 0; i < 100; ++i) step_world();
    EXPECT_EQ(cart.angle, 0);
    EXPECT_EQ(cart.y, 704);
    EXPECT_EQ(cart.speed, 0);
}

TEST(ShadowProbe, OpacityFallsWithDistanceAndScenerySkipped) {
    WorldGame game;
    add_ground("bgcarst", {{-100, 495}, {100, 495}});  // scenery: no shadow on it
    add_ground("turf", flat_floor());
    add_ground("turf", {{-100, 520}, {100, 520}});     // further down: not the nearest
    world.level.hero_x = 3;
    world.level.hero_y = 490;
    shadow_probe(world);
    EXPECT_FLOAT_EQ(world.level.shadow_alpha, 245);  // 10 pixels above the floor
    EXPECT_FLOAT_EQ(world.level.shadow_x, 3);
    EXPECT_FLOAT_EQ(world.level.shadow_y, 500);
    world.level.hero_y = 452;  // a hero standing on the floor
    shadow_probe(world);
    EXPECT_FLOAT_EQ(world.level.shadow_alpha, 255 - 48);
    world.level.hero_y = 245;  // 255 above: fully transparent
    shadow_probe(world);
    EXPECT_FLOAT_EQ(world.level.shadow_alpha, 0);
    // Nothing below within a screen's height: the last shadow stays.
    world.level.hero_y = -200;
    shadow_probe(world);
    EXPECT_FLOAT_EQ(world.level.shadow_alpha, 0);
    EXPECT_FLOAT_EQ(world.level.shadow_y, 500);
    world.level.hero_x = 5000;
    world.level.hero_y = 100;
    shadow_probe(world);
    EXPECT_FLOAT_EQ(world.level.shadow_x, 3);
}

// Random levels of many outlines and walkers, stepped with the index and with the plain scan: every
// position, angle and contact must agree, tick by tick.
TEST(TerrainContact, IndexGivesExactlyThePlainScanPositions) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
        WorldGame game;
        const float span = seed % 2 ? 3000.0f : 300000.0f;  // dense levels and sparse huge ones
        for (int e = 0; e < 60; ++e) {
            std::vector<OE_Point> pts;
            float x = uni(-span, span), y = uni(-span / 4, span / 4);
            const int n = 2 + static_cast<int>(rng() % 12);
            for (int i = 0; i < n; ++i) {
                pts.push_back({x, y});
                x += uni(-200, 400);
                y += uni(-150, 150);
            }
            add_ground(e % 10 == 9 ? "bgcarst" : "turf", pts);
        }
        // Walkers start a little above random outline points, so that they meet the terrain.
        std::vector<tmin> a(120);
        for (std::size_t i = 0; i < a.size(); ++i) {
            const tmin &g = world.ground_layer[rng() % static_cast<uint32_t>(world.ground_count)];
            const OE_Point &p = g.outline.points[rng() % g.outline.points.size()];
            a[i].x = static_cast<int32_t>(p.x + uni(-60, 60));
            a[i].y = static_cast<int32_t>(p.y - uni(0, 80));
        }
        std::vector<tmin> b = a;
        static long contacts_a, contacts_b;
        contacts_a = contacts_b = 0;
        auto count_a = [](tmin &, const Contact &, Step &) { ++contacts_a; };
        auto count_b = [](tmin &, const Contact &, Step &) { ++contacts_b; };
        for (int tick = 0; tick < 300; ++tick) {
            for (std::size_t i = 0; i < a.size(); ++i) {
                const int32_t offset = static_cast<int32_t>(i % 3) * 16 - 8;
                const bool tilts = i % 2 == 0;
                for (auto *set : {&a, &b}) {
                    tmin &o = (*set)[i];
                    o.y += 2;
                    o.x += (i % 4 == 0) ? -3 : 3;
                }
                world.use_ground_index = true;
                contact(a[i], offset, tilts, count_a);
                world.use_ground_index = false;
                contact(b[i], offset, tilts, count_b);
                ASSERT_EQ(a[i].x, b[i].x) << "tick " << tick << " walker " << i;
                ASSERT_EQ(a[i].y, b[i].y) << "tick " << tick << " walker " << i;
                ASSERT_EQ(a[i].angle, b[i].angle);
            }
        }
        EXPECT_EQ(contacts_a, contacts_b);
        EXPECT_GT(contacts_a, 1000);  // the walkers really do meet the terrain
    }
}
