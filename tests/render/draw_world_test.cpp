// draw_world_test.cpp - the level's drawing read from the headless engine's call log: the backdrop's
// shear, the back layer's half-speed parallax and grey tint, terrain fills (fan, clamping, texture
// anchored in the world, nothing for a two-point outline), plant sway, lamp glows, the shadow, the
// objects' frame sizes and cell numbers, the hurt blink, bonus rays, the mole's lamp, "delete"
// objects, the front layer and the order of the passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "assets/lang.h"
#include "render/render_log.h"

using namespace render_test;

namespace {

constexpr double kPi = 3.14159265358979;

tmin item(const std::string &kind, int x, int y) {
    tmin t;
    t.kind = kind;
    t.role = kind_of(kind);
    t.x = x;
    t.y = y;
    return t;
}

tmin outline(const std::string &kind, std::vector<OE_Point> points) {
    tmin t;
    t.kind = kind;
    t.outline.count = int32_t(points.size()) - 1;
    t.outline.points = std::move(points);
    return t;
}

template <typename Layer>
void put(Layer &layer, int32_t &count, tmin t) { append_item(layer, count) = std::move(t); }
void back(tmin t) { put(world.back_layer, world.back_count, std::move(t)); }
void ground(tmin t) { put(world.ground_layer, world.ground_count, std::move(t)); }
void objects(tmin t) { put(world.object_layer, world.object_count, std::move(t)); }
void front(tmin t) { put(world.front_layer, world.front_count, std::move(t)); }

// The shared pictures every drawing test needs; the first object picture is "sky" (which a kind
// without a picture must not get in its place).
void standard_pictures(HeadlessDraw &d) {
    d.share("light", 256, 256);
    d.share("shadow", 96, 32);
    d.share("ray", 128, 128);
    d.share("finn", 128, 128);
    d.object("sky", 1024, 768);
    d.object("rock1", 96, 64);
    d.object("lantern", 64, 128);
    d.object("earth", 256, 256);
    d.object("bush", 128, 96);
    d.object("mush", 64, 64);
    d.object("enot", 1440, 288);
    d.object("worm", 64, 32);   // smaller than its frames: the frame side is fixed at 128
    d.object("bee", 960, 64);
    d.object("bgold", 960, 64);
    d.object("krot", 1440, 96);
    d.object("beam2", 256, 48);
}

void camera_at(float x, float y) {
    handles.camera->x = x;
    handles.camera->y = y;
}

// The draw of `picture` at index `at` must carry exactly these numbers (after the picture).
void expect_draw(const std::vector<Call> &calls, int at, const std::vector<double> &numbers) {
    ASSERT_GE(at, 0);
    ASSERT_LT(at, int(calls.size()));
    const std::vector<double> got = nums(calls[std::size_t(at)]);
    ASSERT_EQ(got.size(), numbers.size()) << calls[std::size_t(at)].str();
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], numbers[i], 1e-3) << calls[std::size_t(at)].str() << " argument " << i + 1;
}

// A lamp glow at `at`: tint, additive, the light, back to blend 0.
void expect_glow(const std::vector<Call> &calls, int at, const char *tint, const std::vector<double> &numbers) {
    ASSERT_GE(at, 2);
    ASSERT_LT(at + 1, int(calls.size()));
    EXPECT_EQ(calls[std::size_t(at) - 2].str(), std::string("FX_SetColorMix ") + tint);
    EXPECT_EQ(calls[std::size_t(at) - 1].str(), "FX_SetBlendMode 1");
    expect_draw(calls, at, numbers);
    EXPECT_EQ(calls[std::size_t(at) + 1].str(), "FX_SetBlendMode 0");
}

// Vertices of a DrawPrimitiveUP line: (x, y, colour, u, v) each.
struct Vtx {
    double x, y;
    std::string colour;
    double u, v;
};
std::vector<Vtx> vertices(const Call &c) {
    std::vector<Vtx> out;
    for (std::size_t i = 3; i + 5 <= c.args.size(); i += 5)
        out.push_back({std::stod(c.args[i]), std::stod(c.args[i + 1]), c.args[i + 2], std::stod(c.args[i + 3]),
                       std::stod(c.args[i + 4])});
    return out;
}
void expect_vertex(const Vtx &v, double x, double y, const char *colour, double u, double uv) {
    EXPECT_NEAR(v.x, x, 1e-3);
    EXPECT_NEAR(v.y, y, 1e-3);
    EXPECT_EQ(v.colour, colour);
    EXPECT_NEAR(v.u, u, 1e-3);
    EXPECT_NEAR(v.v, uv, 1e-3);
}

}  // namespace

TEST(DrawWorld, BackdropShearsAndTheBackLayerScrollsAtHalfSpeedTintedGrey) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    standard_pictures(d);
    world.backdrop = "sky";
    presentation.sway_offset = 4.4f;
    tmin rock = item("rock1", 1300, 500);
    rock.angle = 10;
    rock.mirrored = 1;
    back(rock);
    back(item("lantern", 1100, 450));
    back(item("lantern", 5000, 450));  // out of view: neither sprite nor glow
    back(outline("earth", {{640, 320}, {896, 320}, {896, 576}}));
    camera_at(1000, 400);
    handles.camera->camera_on = 1;

    const std::vector<Call> calls = d.draw();
    // Backdrop: screen coordinates, 8 pixels past every edge, corners sheared by round(4.4) = 4.
    const int sky = find_draw(calls, obj("sky"));
    ASSERT_GE(sky, 1);
    EXPECT_EQ(calls[std::size_t(sky) - 1].str(), "FX_SetVertexes -4 0 -4 0 4 0 4 0");
    expect_draw(calls, sky, {-8, -8, 816, 616, 255, 0, 32});
    EXPECT_EQ(calls[std::size_t(sky) + 1].str(), "FX_SetBlendMode 0");

    // Half size around (x - cx/2, y - cy/2): 1300 - 24 - 500, 500 - 16 - 200; grey, mirrored.
    const int r = find_draw(calls, obj("rock1"));
    ASSERT_GT(r, sky);
    EXPECT_EQ(calls[std::size_t(r) - 1].str(), "FX_SetColorMix 0x999999");
    expect_draw(calls, r, {776, 284, 48, 32, 255, 10, 11});
    const int lamp = find_draw(calls, obj("lantern"));
    expect_draw(calls, lamp, {584, 218, 32, 64, 255, 0, 9});
    const int glow = find_draw(calls, shr("light"));
    expect_glow(calls, glow, "0xAAAA11", {472, 122, 256, 256, 128, 0, 9});
    EXPECT_EQ(ops(calls, "SSprite_Draw").size(), 5u);  // sky, rock, lantern, one glow, the shadow

    // The back layer's terrain: tinted 0x888888, texture at half size anchored at half the camera.
    const std::vector<Call> fills = ops(calls, "Device.DrawPrimitiveUP");
    ASSERT_EQ(fills.size(), 1u);
    const std::vector<Vtx> v = vertices(fills[0]);
    ASSERT_EQ(v.size(), 3u);
    expect_vertex(v[0], 140, 120, "0xFF888888", 5, 2.5);
    expect_vertex(v[1], 396, 120, "0xFF888888", 7, 2.5);
    expect_vertex(v[2], 396, 376, "0xFF888888", 7, 4.5);

    // Parallax: the camera moves 100 pixels right, the distant rock only 50 to the left.
    camera_at(1100, 400);
    const std::vector<Call> moved = d.draw();
    expect_draw(moved, find_draw(moved, obj("rock1")), {726, 284, 48, 32, 255, 10, 11});
    EXPECT_EQ(handles.camera->camera_on, 1);

    // No backdrop name: no backdrop, no shear.
    world.backdrop.clear();
    const std::vector<Call> bare = d.draw();
    EXPECT_EQ(find_draw(bare, obj("sky")), -1);
    EXPECT_TRUE(ops(bare, "FX_SetVertexes").empty());
}

TEST(DrawWorld, GroundFillsPlantsAndLamps) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    standard_pictures(d);
    camera_at(1000, 400);
    ground(outline("earth", {{1000, 400}, {1256, 400}, {1256, 656}, {1000, 656}}));
    ground(outline("earth", {{1100, 500}, {9000, 500}, {1100, -5000}, {-9000, 9000}}));  // far points clamped
    ground(outline("earth", {{1000, 400}, {1200, 400}}));                 // one segment: nothing
    ground(outline("", {{1000, 400}, {1100, 400}, {1100, 500}}));         // no picture: plain fill
    ground(item("bush", 1200, 600));
    tmin mush = item("mush", 1300, 600);
    mush.mirrored = 1;
    ground(mush);
    tmin rock = item("rock1", 1400, 600);
    rock.sway = 3.5f;
    ground(rock);
    ground(item("lantern", 1500, 500));
    ground(item("rock1", 9000, 600));  // out of view
    ground(item("", 1100, 500));       // no kind: no sprite
    world.level.world_time = 0;

    const std::vector<Call> calls = d.draw();
    const std::vector<Call> fills = ops(calls, "Device.DrawPrimitiveUP");
    ASSERT_EQ(fills.size(), 3u);
    // A fan around the first point: (P0, P1, P2), (P0, P2, P3); screen = world - camera; the
    // texture repeats every 256 world pixels.
    EXPECT_EQ(fills[0].args[0], "4");
    EXPECT_EQ(fills[0].args[1], "2");
    EXPECT_EQ(fills[0].args[2], "28");
    std::vector<Vtx> v = vertices(fills[0]);
    ASSERT_EQ(v.size(), 6u);
    expect_vertex(v[0], 0, 0, "0xFFFFFFFF", 1000.0 / 256, 400.0 / 256);
    expect_vertex(v[1], 256, 0, "0xFFFFFFFF", 1256.0 / 256, 400.0 / 256);
    expect_vertex(v[2], 256, 256, "0xFFFFFFFF", 1256.0 / 256, 656.0 / 256);
    expect_vertex(v[3], 0, 0, "0xFFFFFFFF", 1000.0 / 256, 400.0 / 256);
    expect_vertex(v[4], 256, 256, "0xFFFFFFFF", 1256.0 / 256, 656.0 / 256);
    expect_vertex(v[5], 0, 256, "0xFFFFFFFF", 1000.0 / 256, 656.0 / 256);
    // Half a screen beyond the edges at most; the texture follows the clamped position.
    v = vertices(fills[1]);
    ASSERT_EQ(v.size(), 6u);
    expect_vertex(v[1], 1200, 100, "0xFFFFFFFF", 2200.0 / 256, 500.0 / 256);
    expect_vertex(v[2], 100, -300, "0xFFFFFFFF", 1100.0 / 256, 100.0 / 256);
    expect_vertex(v[5], -400, 900, "0xFFFFFFFF", 600.0 / 256, 1300.0 / 256);

    // The device sequence around a fill, and the empty kind filled in its plain colour, with no
    // texture set (not with the catalogue's first picture).
    const int first = find(calls, [](const Call &c) { return c.op == "Device.DrawPrimitiveUP"; });
    ASSERT_GE(first, 3);
    EXPECT_EQ(calls[std::size_t(first) - 3].str(), "Device.SetRenderState 40 1");
    EXPECT_EQ(calls[std::size_t(first) - 2].str(), "Device.SetVertexShader 324");
    EXPECT_EQ(calls[std::size_t(first) - 1].str(), "Device.SetTexture 0 " + obj("earth"));
    EXPECT_EQ(calls[std::size_t(first) + 1].str(), "Device.SetTexture 0 null");
    EXPECT_EQ(calls[std::size_t(first) + 2].str(), "Device.SetRenderState 40 0");
    const std::vector<Call> textures = ops(calls, "Device.SetTexture");
    ASSERT_EQ(textures.size(), 6u);
    EXPECT_EQ(textures[4].args[1], "null");
    v = vertices(fills[2]);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].colour, "0xFFFFFFFF");
    EXPECT_EQ(find_draw(calls, obj("earth")), -1);  // outlines never get a sprite

    // Sway at world_time 0: the bush leans 6 pixels, the toadstool 2 (its own corner pattern);
    // other kinds get no offsets. The items keep their sway values: the drawing writes nothing
    // into the ground layer, which world copies share.
    const int bush = find_draw(calls, obj("bush"));
    EXPECT_EQ(calls[std::size_t(bush) - 1].str(), "FX_SetVertexes 6 0 6 0 0 0 0 0");
    expect_draw(calls, bush, {1136, 552, 128, 96, 255, 0, 33});
    EXPECT_FLOAT_EQ(world.ground_layer[4].sway, 0);
    const int m = find_draw(calls, obj("mush"));
    EXPECT_EQ(calls[std::size_t(m) - 1].str(), "FX_SetVertexes -2 2 2 0 0 0 0 0");
    expect_draw(calls, m, {1268, 568, 64, 64, 255, 0, 35});
    const int rk = find_draw(calls, obj("rock1"));
    EXPECT_EQ(calls[std::size_t(rk) - 1].str(), "FX_SetVertexes 0 0 0 0 0 0 0 0");
    expect_draw(calls, rk, {1352, 568, 96, 64, 255, 0, 33});
    EXPECT_FLOAT_EQ(world.ground_layer[6].sway, 3.5f);
    EXPECT_EQ(find_draw(calls, obj("rock1"), rk + 1), -1);  // the far rock is skipped
    const int lamp = find_draw(calls, obj("lantern"));
    expect_draw(calls, lamp, {1468, 436, 64, 128, 255, 0, 33});
    expect_glow(calls, find_draw(calls, shr("light")), "0x11AAAA", {1372, 372, 256, 256, 128, 0, 9});
    // Sprites: bush, mush, rock, lantern, its glow, the shadow. Nothing for the kindless item.
    EXPECT_EQ(ops(calls, "SSprite_Draw").size(), 6u);

    // Half a period later the toadstool and the bush swing the other way: cos(pi) = -1 and
    // cos(pi/2) = 0.
    world.level.world_time = float(200 * kPi);
    const std::vector<Call> later = d.draw();
    EXPECT_EQ(later[std::size_t(find_draw(later, obj("mush"))) - 1].str(), "FX_SetVertexes 2 -2 -2 0 0 0 0 0");
    EXPECT_EQ(later[std::size_t(find_draw(later, obj("bush"))) - 1].str(), "FX_SetVertexes 0 0 0 0 0 0 0 0");
}

TEST(DrawWorld, ShadowObjectsAndFrontLayerInOrder) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    standard_pictures(d);
    camera_at(1000, 400);
    back(item("rock1", 1300, 500));
    ground(outline("earth", {{1000, 800}, {1800, 800}, {1800, 1000}}));
    world.level.shadow_x = 1500.5f;
    world.level.shadow_y = 700.25f;
    world.level.shadow_alpha = 245.4f;
    world.level.world_time = 0;
    tmin hero = item("enot", 1200, 700);
    hero.row = 2;
    hero.frame = 7;
    objects(hero);
    tmin worm = item("worm", 1300, 700);
    worm.frame = 15;
    worm.angle = 12;
    objects(worm);
    tmin bee = item("bee", 1400, 700);
    bee.frame = 3;
    objects(bee);
    objects(item("delete", 1450, 700));
    objects(item("worm", 9000, 700));  // out of view
    objects(item("bgold", 1500, 700));
    tmin mole = item("krot", 1600, 700);
    mole.mirrored = 1;
    objects(mole);
    objects(item("krot", 1700, 700));
    tmin beam = item("beam2", 1200, 500);
    beam.mirrored = 1;
    front(beam);
    front(item("lantern", 1600, 500));

    const std::vector<Call> calls = d.draw();
    // The shadow: black tint, centred 48 left and 20 up of the ground point, rounded opacity.
    const int shadow = find_draw(calls, shr("shadow"));
    ASSERT_GE(shadow, 1);
    EXPECT_EQ(calls[std::size_t(shadow) - 1].str(), "FX_SetColorMix 0x000000");
    expect_draw(calls, shadow, {1452.5, 680.25, 96, 32, 245, 0, 9});

    // Frame sizes: 96 for the hero and 128 for a worm whatever their pictures, the picture's
    // height for others; set for every object with a picture, drawn or not (the "delete" entry is
    // removed: nothing, and no other picture in its place). Three passes in layer order: the things
    // (gold), the creatures (worm, bee, far worm, two moles), the hero.
    const std::vector<Call> sizes = ops(calls, "Tex_SetFramesSize");
    ASSERT_EQ(sizes.size(), 7u);
    EXPECT_EQ(sizes[0].str(), "Tex_SetFramesSize " + obj("bgold") + " 64 64");
    EXPECT_EQ(sizes[1].str(), "Tex_SetFramesSize " + obj("worm") + " 128 128");
    EXPECT_EQ(sizes[2].str(), "Tex_SetFramesSize " + obj("bee") + " 64 64");
    EXPECT_EQ(sizes[3].str(), "Tex_SetFramesSize " + obj("worm") + " 128 128");
    EXPECT_EQ(sizes[6].str(), "Tex_SetFramesSize " + obj("enot") + " 96 96");
    EXPECT_TRUE(ops(calls, "Pr2D_Rect").empty());  // every object has its picture: no stand-in box
    // Cells: row x 15 + frame; no red copy while the hero is not hurt.
    const std::vector<Call> anim = ops(calls, "ASprite_Draw");
    ASSERT_EQ(anim.size(), 6u);  // gold, worm, bee, two moles, hero: not "delete", not the far worm
    EXPECT_EQ(anim[0].args[0], obj("bgold"));
    expect_draw(anim, 1, {1236, 636, 128, 128, 15, 255, 12, 1});
    expect_draw(anim, 2, {1368, 668, 64, 64, 3, 255, 0, 1});
    EXPECT_EQ(anim[4].args[0], obj("krot"));
    expect_draw(anim, 5, {1152, 652, 96, 96, 37, 255, 0, 1});
    // The gold's rays and halo (later in the layer than the hero, the worm and the bee) go under
    // them all: drawn before every creature and the hero.
    EXPECT_LT(find_draw(calls, shr("finn")), find_draw(calls, obj("worm")));

    // Gold bonus at world_time 0: rays right and (mirrored) left, the halo turned 16 degrees at
    // opacity 128 - 32.
    const int ray = find_draw(calls, shr("ray"));
    ASSERT_GE(ray, 2);
    EXPECT_EQ(calls[std::size_t(ray) - 2].str(), "FX_SetColorMix 0x11AAAA");
    EXPECT_EQ(calls[std::size_t(ray) - 1].str(), "FX_SetBlendMode 1");
    expect_draw(calls, ray, {1500, 636, 128, 128, 128, 0, 1});
    expect_draw(calls, ray + 1, {1372, 636, 128, 128, 128, 0, 3});
    expect_draw(calls, ray + 2, {1436, 636, 128, 128, 96, 16, 3});
    EXPECT_EQ(calls[std::size_t(ray) + 2].args[0], shr("finn"));
    EXPECT_EQ(calls[std::size_t(ray) + 3].str(), "FX_SetBlendMode 0");
    EXPECT_FLOAT_EQ(world.object_layer[5].sway, 0);  // the drawing writes nothing into the world
    // The moles' lamps: on the side each faces.
    const int left_lamp = find_draw(calls, shr("light"));
    expect_glow(calls, left_lamp, "0x11AAAA", {1552, 636, 64, 64, 128, 0, 3});
    const int right_lamp = find_draw(calls, shr("light"), left_lamp + 1);
    expect_glow(calls, right_lamp, "0x11AAAA", {1684, 636, 64, 64, 128, 0, 1});

    // Front layer: full size, mirrored, no tint; its lantern glows warm.
    const int b = find_draw(calls, obj("beam2"));
    expect_draw(calls, b, {1072, 476, 256, 48, 255, 0, 3});
    const int front_glow = find_draw(calls, shr("light"), right_lamp + 1);
    expect_glow(calls, front_glow, "0x11AAAA", {1472, 372, 256, 256, 128, 0, 9});

    // Back, ground, shadow, objects, front.
    const int r = find_draw(calls, obj("rock1"));
    const int fill = find(calls, [](const Call &c) { return c.op == "Device.DrawPrimitiveUP"; });
    const int hero_at = find_draw(calls, obj("enot"));
    EXPECT_LT(r, fill);
    EXPECT_LT(fill, shadow);
    EXPECT_LT(shadow, hero_at);
    EXPECT_LT(hero_at, b);
    EXPECT_EQ(calls.back().str(), "FX_SetBlendMode 0");

    // A shadow at opacity 0 is still drawn, invisibly.
    world.level.shadow_alpha = 0;
    const std::vector<Call> faint = d.draw();
    expect_draw(faint, find_draw(faint, shr("shadow")), {1452.5, 680.25, 96, 32, 0, 0, 9});
}

TEST(DrawWorld, HurtBlinkAndGlowsFollowTheClock) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    standard_pictures(d);
    camera_at(1000, 400);
    tmin hero = item("enot", 1200, 700);
    hero.row = 1;
    hero.frame = 4;
    hero.mirrored = 1;
    objects(hero);
    objects(item("bgold", 1500, 700));
    world.level.hurt = 1;
    world.level.world_time = 1000.4f;  // the red copy's opacity: round(1000.4) mod 255 = 235

    std::vector<Call> calls = d.draw();
    const int h = find_draw(calls, obj("enot"));
    expect_draw(calls, h, {1152, 652, 96, 96, 19, 255, 0, 3});
    EXPECT_EQ(calls[std::size_t(h) + 1].str(), "FX_SetColorMix 0x0000FF");
    expect_draw(calls, h + 2, {1152, 652, 96, 96, 19, 235, 0, 11});
    EXPECT_EQ(calls[std::size_t(h) + 2].args[0], obj("enot"));

    // 255 ms later the blink has wrapped back to the same opacity; 20 ms later it is 0.
    world.level.world_time = 1255.4f;
    calls = d.draw();
    EXPECT_EQ(calls[std::size_t(find_draw(calls, obj("enot"))) + 2].args[6], "235");
    world.level.world_time = 1020;
    calls = d.draw();
    EXPECT_EQ(calls[std::size_t(find_draw(calls, obj("enot"))) + 2].args[6], "0");

    // Half a halo period (800 x pi ms): the halo turns the other way and is at its brightest.
    world.level.world_time = float(800 * kPi);
    calls = d.draw();
    const int finn = find_draw(calls, shr("finn"));
    expect_draw(calls, finn, {1436, 636, 128, 128, 160, -16, 3});

    // Not hurt: one hero draw only.
    world.level.hurt = 0;
    calls = d.draw();
    EXPECT_EQ(ops(calls, "ASprite_Draw").size(), 2u);
}

TEST(DrawWorld, OutlinesShorterThanTheirCountAndEmptyCataloguesDrawNoSprite) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    // No pictures at all: every lookup gives the null handle, which never reaches a sprite call;
    // the terrain is still filled, in its plain colour with no texture set.
    world.backdrop = "sky";
    back(item("rock1", 100, 100));
    ground(outline("earth", {{0, 0}, {100, 0}, {100, 100}}));
    objects(item("enot", 100, 100));
    front(item("beam2", 100, 100));
    std::vector<Call> calls = d.draw();
    EXPECT_EQ(ops(calls, "Device.DrawPrimitiveUP").size(), 1u);
    for (const Call &c : ops(calls, "Device.SetTexture")) EXPECT_EQ(c.args[1], "null");
    EXPECT_TRUE(ops(calls, "SSprite_Draw").empty());
    EXPECT_TRUE(ops(calls, "ASprite_Draw").empty());
    EXPECT_TRUE(ops(calls, "Tex_SetFramesSize").empty());
    EXPECT_EQ(handles.camera->camera_on, 1);

    // A count that claims more points than the outline holds is not followed past its points.
    standard_pictures(d);
    clear_world(world);
    tmin bad = outline("earth", {{0, 0}, {100, 0}, {100, 100}});
    bad.outline.count = 9;
    ground(bad);
    ground(outline("earth", {{0, 0}, {100, 0}, {100, 100}}));
    calls = d.draw();
    ASSERT_EQ(ops(calls, "Device.DrawPrimitiveUP").size(), 1u);
    EXPECT_EQ(ops(calls, "Device.DrawPrimitiveUP")[0].args[1], "1");
}

// A fan of any length goes to the device as one triangle list, on both sides of the length built
// without allocating; with no device in the context the terrain is not drawn at all.
TEST(DrawWorld, LongOutlinesGoWholeAsOneFanAndNoDeviceDrawsNoTerrain) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    standard_pictures(d);
    camera_at(0, 0);
    // Points on a circle of radius 200 around (400, 300): every one on the screen, none clamped.
    auto circle = [](std::size_t points) {
        std::vector<OE_Point> p;
        for (std::size_t i = 0; i < points; ++i) {
            const double a = 2 * M_PI * double(i) / double(points);
            p.push_back({float(std::lround(400 + 200 * std::cos(a))), float(std::lround(300 + 200 * std::sin(a)))});
        }
        return p;
    };
    for (std::size_t triangles : {kFanInlineTriangles, kFanInlineTriangles + 1, 4 * kFanInlineTriangles}) {
        SCOPED_TRACE(triangles);
        clear_world(world);
        const std::vector<OE_Point> p = circle(triangles + 2);
        ground(outline("earth", p));
        const std::vector<Call> fills = ops(d.draw(), "Device.DrawPrimitiveUP");
        ASSERT_EQ(fills.size(), 1u);
        EXPECT_EQ(fills[0].args[1], std::to_string(triangles));
        const std::vector<Vtx> v = vertices(fills[0]);
        ASSERT_EQ(v.size(), 3 * triangles);
        // Triangle i is (P0, P(i+1), P(i+2)); the last one ends on the outline's last point.
        for (std::size_t i = 0; i < triangles; ++i) {
            EXPECT_NEAR(v[3 * i].x, p[0].x, 1e-3);
            EXPECT_NEAR(v[3 * i + 1].x, p[i + 1].x, 1e-3);
            EXPECT_NEAR(v[3 * i + 2].y, p[i + 2].y, 1e-3);
        }
    }
    const std::vector<Call> without = d.draw_with_device(nullptr);
    EXPECT_TRUE(ops(without, "Device.DrawPrimitiveUP").empty());
    EXPECT_TRUE(ops(without, "Device.SetTexture").empty());
}

// An outline whose points all lie beyond one edge of the screen (on the edge counts as beyond: no
// pixel of it is inside) is not sent to the device; one reaching a pixel in is, however far its
// other points are. The back layer is judged at half the camera's offset. The boxes are kept
// until terrain_changed() or until a layer's count changes.
TEST(DrawWorld, OutlinesWhollyOffTheScreenAreNotSent) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    standard_pictures(d);
    camera_at(1000, 400);  // the screen shows world x 1000..1800, y 400..1000
    // A triangle with its first point at (x, y), reaching w right and h down.
    auto tri = [](float x, float y, float w, float h) {
        return outline("earth", {{x, y}, {x + w, y}, {x + w, y + h}});
    };
    ground(tri(900, 500, 100, 100));    // 0: right edge on the screen's left edge
    ground(tri(901, 510, 100, 100));    // 1: one pixel in
    ground(tri(1800, 520, 100, 100));   // 2: left edge on the right edge
    ground(tri(1799, 530, 100, 100));   // 3: one pixel in
    ground(tri(1200, 300, 100, 100));   // 4: bottom on the top edge
    ground(tri(1210, 301, 100, 100));   // 5: one pixel in
    ground(tri(1220, 1000, 100, 100));  // 6: top on the bottom edge
    ground(tri(1230, 999, 100, 100));   // 7: one pixel in
    ground(tri(2000, 540, 7000, 100));  // 8: beyond the right edge, its far points clamped
    ground(outline("earth", {{-5000, -5000}, {9000, -5000}, {9000, 9000}, {-5000, 9000}}));  // 9: all around
    back(tri(400, 250, 100, 100));      // back: screen = world - (500, 200): right edge at 0
    back(tri(401, 260, 100, 100));      // one pixel in
    back(tri(1000, 270, 100, 100));     // off for the ground layer's offset, on for the back layer's

    // The sent outlines, by their first point on the screen.
    auto sent = [&]() {
        std::vector<std::pair<int, int>> firsts;
        for (const Call &c : ops(d.draw(), "Device.DrawPrimitiveUP")) {
            const std::vector<Vtx> v = vertices(c);
            if (!v.empty()) firsts.emplace_back(int(std::lround(v[0].x)), int(std::lround(v[0].y)));
        }
        return firsts;
    };
    using P = std::vector<std::pair<int, int>>;
    EXPECT_EQ(sent(), (P{{-99, 60}, {500, 70},  // the back layer's
                         {-99, 110}, {799, 130}, {210, -99}, {230, 599}, {-400, -300}}));

    // Outline 0 moved one pixel in: with word of the change it is sent.
    for (OE_Point &p : world.ground_layer.edit()[0].outline.points) p.x += 1;
    terrain_changed(world);
    EXPECT_EQ(sent(), (P{{-99, 60}, {500, 70}, {-99, 100},
                         {-99, 110}, {799, 130}, {210, -99}, {230, 599}, {-400, -300}}));
    // An outline appended since the last draw, without a word: the layer's count changed.
    ground(tri(1700, 900, 100, 100));
    EXPECT_EQ(sent(), (P{{-99, 60}, {500, 70}, {-99, 100},
                         {-99, 110}, {799, 130}, {210, -99}, {230, 599}, {-400, -300}, {700, 500}}));

    // The camera moves so that outline 8 reaches the screen: only the offset changed.
    camera_at(1300, 400);
    const P moved = sent();
    EXPECT_NE(std::find(moved.begin(), moved.end(), std::make_pair(700, 140)), moved.end());
}

// A lit checkpoint post: its picture has two rows of 128-px frames (unlit, lit), so its frames are
// half the picture's height, and a lit one glows warm at its flame, 40 px above its centre.
// A sign shows its text, through the language catalogue, in a bubble over it while the hero is
// within 200 px across (fading out over 60 more) and 160 px up or down: the bubble's left end, its
// middle up to the tail, the tail over the sign, the middle again and the right end (cells 1, 2,
// 4, 2, 3 of 32 x 64), the tail's tip 56 px above the sign's centre, in screen pixels, the text
// 12 px below the bubble's top in the outlines' dark brown, over everything else.
TEST(DrawWorld, CheckpointsGlowWhenLitAndSignsSpeakInABubbleNearTheHero) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    standard_pictures(d);
    d.object("fonar", 1920, 256);
    d.object("znak", 1440, 96);
    d.share("bubble", 128, 64);
    const std::string fnt = std::string(TARVELOK_GAME_DIR) + "/fnt/";
    handles.font_cyr = eng.Text_LoadFontFromFile((fnt + "cyr.tga").c_str(), (fnt + "cyr.ofi").c_str(), -1, 266);
    ASSERT_NE(handles.font_cyr, nullptr);
    camera_at(1000, 400);
    tmin unlit = item("fonar", 1100, 636);
    unlit.frame = 3;
    objects(unlit);
    tmin lit = item("fonar", 1250, 636);
    lit.frame = 3;
    lit.row = 1;
    lit.phase = 1;
    objects(lit);
    const std::string text = cp1251::from_utf8("Прыгай!");
    tmin sign = item("znak", 1300, 652);
    sign.text = text;
    objects(sign);
    objects(item("enot", 1500, 668));
    world.level.hero_x = 1500, world.level.hero_y = 668;   // 200 px across: full

    std::vector<Call> calls = d.draw();
    const std::vector<Call> sizes = ops(calls, "Tex_SetFramesSize");
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].str(), "Tex_SetFramesSize " + obj("fonar") + " 128 128");
    const int post = find_draw(calls, obj("fonar"));
    expect_draw(calls, post, {1036, 572, 128, 128, 3, 255, 0, 1});
    const int lit_post = find_draw(calls, obj("fonar"), post + 1);
    expect_draw(calls, lit_post, {1186, 572, 128, 128, 18, 255, 0, 1});
    // Only the lit one glows, at its flame.
    ASSERT_EQ(find_draw(calls, shr("light")), lit_post + 3);
    expect_glow(calls, lit_post + 3, "0x11AAAA", {1250 - 128, 636 - 40 - 128, 256, 256, 128, 0, 9});
    EXPECT_EQ(find_draw(calls, shr("light"), lit_post + 4), -1);

    // The bubble, after the hero (the last of the level's drawing).
    const int hero = find_draw(calls, obj("enot"));
    const int first = find_draw(calls, shr("bubble"));
    ASSERT_GT(first, hero);
    const std::vector<Call> widths = ops(calls, "Text_GetWidth");
    ASSERT_EQ(widths.size(), 1u);
    const double text_w = std::stod(widths[0].args.back());
    ASSERT_GT(text_w, 20);
    const double body = std::ceil(text_w) + 8, cx = 1300 - 1000, top = 652 - 56 - 400 - 64;
    const double left = cx - body / 2 - 32, half = (body - 32) / 2;
    std::vector<Call> bubble;
    for (const Call &c : calls)
        if (c.op == "ASprite_Draw" && c.args[0] == shr("bubble")) bubble.push_back(c);
    ASSERT_EQ(bubble.size(), 5u);
    const std::vector<std::vector<double>> parts = {{left, top, 32, 64, 1, 255, 0, 1},
                                                    {left + 32, top, half, 64, 2, 255, 0, 1},
                                                    {cx - 16, top, 32, 64, 4, 255, 0, 1},
                                                    {cx + 16, top, half, 64, 2, 255, 0, 1},
                                                    {left + 32 + body, top, 32, 64, 3, 255, 0, 1}};
    for (std::size_t i = 0; i < 5; ++i) {
        const std::vector<double> got = nums(bubble[i]);
        ASSERT_EQ(got.size(), parts[i].size()) << bubble[i].str();
        for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], parts[i][k], 1e-3) << bubble[i].str();
    }
    const std::vector<Call> texts = ops(calls, "Text_Draw");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].args[3], cp1251::to_utf8(text));  // the log writes UTF-8
    EXPECT_NEAR(texts[0].num(1), std::round(cx - text_w / 2), 1e-3);
    EXPECT_NEAR(texts[0].num(2), top + 12, 1e-3);
    EXPECT_EQ(texts[0].args.back(), "0x2C1E2A");

    // Fading: 245 px across is 15 px into the 60-px fade: a quarter of 255, rounded.
    world.level.hero_x = 1300 - 245;
    calls = d.draw();
    ASSERT_EQ(ops(calls, "Text_Draw").size(), 1u);
    EXPECT_EQ(ops(calls, "Text_Draw")[0].args[6], "64");
    // Out of reach: 260 px across, or 161 px up.
    world.level.hero_x = 1300 + 260;
    EXPECT_EQ(find_draw(d.draw(), shr("bubble")), -1);
    world.level.hero_x = 1300, world.level.hero_y = 652 - 161;
    EXPECT_EQ(find_draw(d.draw(), shr("bubble")), -1);
    world.level.hero_y = 652 - 160;
    EXPECT_GE(find_draw(d.draw(), shr("bubble")), 0);

    // In English the bubble says the catalogue's text.
    language.code = "en";
    language.entries[text] = "Jump!";
    calls = d.draw();
    ASSERT_EQ(ops(calls, "Text_Draw").size(), 1u);
    EXPECT_EQ(ops(calls, "Text_Draw")[0].args[3], "Jump!");
    reset_language();
}

// A picture missing from its catalogue never reaches the engine as a null texture, nor is another
// picture drawn in its place: glows, rays, the shadow and scenery without their pictures are left
// out; a terrain fill without its texture is filled in its plain colour; an object the hero can
// touch is shown as a plain box where it stands.
TEST(DrawWorld, MissingPicturesAreLeftOutFilledPlainOrShownAsABox) {
    HeadlessDraw d;
    ASSERT_TRUE(d.ok());
    d.object("sky", 1024, 768);   // the catalogue's first picture: never a stand-in
    d.object("enot", 1440, 288);
    d.object("bgold", 960, 64);
    d.share("finn", 128, 128);    // no "light", "shadow" or "ray"
    camera_at(0, 0);
    world.backdrop = "sky-missing";
    back(item("rock-missing", 100, 100));
    ground(outline("earth-missing", {{0, 300}, {400, 300}, {400, 600}}));
    ground(item("lantern-missing", 500, 200));
    objects(item("bee", 300, 250));          // a creature without its picture
    objects(item("hedge", 600, 100));        // another
    objects(item("bgold", 700, 300));        // a bonus: its halo is there, its rays are not
    tmin gone = item("bee", 320, 250);
    gone.role = Kind::removed;               // taken away: no box either
    objects(gone);
    objects(item("enot", 100, 400));
    objects(item("krot", 5000, 250));        // off the screen: no box
    front(item("beam-missing", 200, 200));
    world.level.hurt = 0;

    const std::vector<Call> calls = d.draw();
    for (const Call &c : calls) {
        if (c.op == "SSprite_Draw" || c.op == "ASprite_Draw" || c.op == "Tex_SetFramesSize") {
            EXPECT_TRUE(c.args[0] != "null" && c.args[0] != "unknown" && c.args[0] != obj("sky")) << c.str();
        }
    }
    // Sprites: the bonus, its halo and the hero only.
    EXPECT_EQ(ops(calls, "ASprite_Draw").size(), 2u);
    ASSERT_EQ(ops(calls, "SSprite_Draw").size(), 1u);
    EXPECT_EQ(ops(calls, "SSprite_Draw")[0].args[0], shr("finn"));
    // The terrain: filled white with no texture.
    ASSERT_EQ(ops(calls, "Device.DrawPrimitiveUP").size(), 1u);
    const int fill = find(calls, [](const Call &c) { return c.op == "Device.DrawPrimitiveUP"; });
    EXPECT_EQ(calls[std::size_t(fill) - 1].str(), "Device.SetTexture 0 null");
    // Two boxes, in world coordinates (the camera is on), centred on the bee and the hedgehog.
    const std::vector<Call> boxes = ops(calls, "Pr2D_Rect");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].str(), "Pr2D_Rect 268 218 64 64 0xFF00FF 160 1");
    EXPECT_EQ(boxes[1].str(), "Pr2D_Rect 568 68 64 64 0xFF00FF 160 1");
    EXPECT_EQ(handles.camera->camera_on, 1);
}
