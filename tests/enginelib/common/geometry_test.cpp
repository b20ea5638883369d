// geometry_test.cpp - the maths helpers (whole-degree sine and cosine, rounding of halves,
// distance, decimal text, polyline centre) and the sprite geometry (rotation about the box
// centre, corner offsets before rotation, mirror, flip, frame cells), on engine_common directly.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "engine_common.h"

namespace {

TEST(Maths, SineAndCosineOfWholeDegrees) {
    EXPECT_EQ(ec::math_cos(90), 0.0f);   // exact, not 6e-17
    EXPECT_EQ(ec::math_cos(-90), 0.0f);
    EXPECT_EQ(ec::math_sin(180), 0.0f);
    EXPECT_EQ(ec::math_sin(270), -1.0f);
    EXPECT_EQ(ec::math_cos(360 * 5), 1.0f);
    EXPECT_FLOAT_EQ(ec::math_sin(30), 0.5f);
    EXPECT_FLOAT_EQ(ec::math_cos(420), 0.5f);  // 360 + 60
    EXPECT_FLOAT_EQ(ec::math_sin(-30), -0.5f);
    EXPECT_FLOAT_EQ(ec::math_cos(135), -std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(ec::math_sin(INT_MIN), float(std::sin(double(INT_MIN % 360) * M_PI / 180.0)));
}

TEST(Maths, RoundingTakesHalvesAwayFromZero) {
    EXPECT_EQ(ec::math_round(0.5f), 1);
    EXPECT_EQ(ec::math_round(-0.5f), -1);
    EXPECT_EQ(ec::math_round(1.5f), 2);
    EXPECT_EQ(ec::math_round(2.5f), 3);   // not to even
    EXPECT_EQ(ec::math_round(-2.5f), -3);
    EXPECT_EQ(ec::math_round(2.49f), 2);
    EXPECT_EQ(ec::math_round(-2.51f), -3);
    EXPECT_EQ(ec::math_round(0.0f), 0);
    EXPECT_EQ(ec::math_round(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ec::math_round(1e12f), INT_MAX);
    EXPECT_EQ(ec::math_round(-1e12f), INT_MIN);
}

TEST(Maths, DistanceTextAndPolylineCentre) {
    EXPECT_FLOAT_EQ(ec::math_distance(1, 2, 4, 6), 5.0f);
    EXPECT_FLOAT_EQ(ec::math_distance(-3, 0, -3, 0), 0.0f);
    char buf[12];
    EXPECT_STREQ(ec::int_to_str(-2147483647 - 1, buf), "-2147483648");
    EXPECT_STREQ(ec::int_to_str(0, buf), "0");

    // count 2 means three points: the centre is their mean.
    OE_Point pts[3] = {{0, 0}, {30, 0}, {0, 60}};
    OE_PolyLine line{2, -1, -1, pts};
    ec::poly_center(&line);
    EXPECT_FLOAT_EQ(line.cx, 10.0f);
    EXPECT_FLOAT_EQ(line.cy, 20.0f);
    // count 0: one point, its own centre. No points or a negative count: untouched.
    OE_PolyLine single{0, 0, 0, pts + 1};
    ec::poly_center(&single);
    EXPECT_FLOAT_EQ(single.cx, 30.0f);
    OE_PolyLine empty{0, 7, 7, nullptr};
    ec::poly_center(&empty);
    EXPECT_EQ(empty.cx, 7.0f);
    OE_PolyLine negative{-1, 7, 7, pts};
    ec::poly_center(&negative);
    EXPECT_EQ(negative.cy, 7.0f);
    ec::poly_center(nullptr);
}

void expect_corner(const ec::SpriteQuad &q, int i, float x, float y) {
    EXPECT_NEAR(q.x[i], x, 1e-4) << "corner " << i;
    EXPECT_NEAR(q.y[i], y, 1e-4) << "corner " << i;
}

TEST(SpriteGeometry, BoxRotatesClockwiseAboutItsCentre) {
    ec::SpriteInput in;
    in.x = 10; in.y = 20; in.w = 100; in.h = 50;
    ec::SpriteQuad q;
    ec::sprite_geometry(in, q);
    expect_corner(q, 0, 10, 20);
    expect_corner(q, 1, 110, 20);
    expect_corner(q, 2, 110, 70);
    expect_corner(q, 3, 10, 70);
    EXPECT_EQ(q.u[0], 0.0f); EXPECT_EQ(q.v[0], 0.0f);
    EXPECT_EQ(q.u[2], 1.0f); EXPECT_EQ(q.v[2], 1.0f);

    // 90 degrees clockwise on a y-down screen about the centre (60, 45): the top-left corner,
    // 50 left and 25 above the centre, ends 25 right of and 50 above it.
    in.angle = 90;
    ec::sprite_geometry(in, q);
    expect_corner(q, 0, 85, -5);
    expect_corner(q, 1, 85, 95);   // top-right: 50 right, 25 above -> 25 right, 50 below
    expect_corner(q, 2, 35, 95);
    expect_corner(q, 3, 35, -5);
}

TEST(SpriteGeometry, CornerOffsetsApplyOnlyWithFlag32AndBeforeRotation) {
    ec::SpriteInput in;
    in.x = 0; in.y = 0; in.w = 40; in.h = 20;
    const int offsets[8] = {-3, 0, -3, 0, 3, 0, 3, 0};  // the backdrop's shear
    for (int i = 0; i < 8; ++i) in.corner[i] = offsets[i];
    ec::SpriteQuad q;
    in.flags = 1;
    ec::sprite_geometry(in, q);
    expect_corner(q, 0, 0, 0);  // ignored without flag 32
    in.flags = 1 + 32;
    ec::sprite_geometry(in, q);
    expect_corner(q, 0, -3, 0);
    expect_corner(q, 1, 37, 0);
    expect_corner(q, 2, 43, 20);
    expect_corner(q, 3, 3, 20);
    // Rotated by 180 about the unmoved centre (20, 10): each moved corner is mirrored through it.
    in.angle = 180;
    ec::sprite_geometry(in, q);
    expect_corner(q, 0, 43, 20);
    expect_corner(q, 2, -3, 0);
}

TEST(SpriteGeometry, MirrorFlipAndFrameCells) {
    ec::SpriteInput in;
    in.w = in.h = 16;
    in.texture_w = 64; in.texture_h = 32;  // 4 columns, 2 rows of 16 x 16
    in.frame_w = in.frame_h = 16;
    in.frame = 6;                          // second row, second column
    ec::SpriteQuad q;
    ec::sprite_geometry(in, q);
    EXPECT_FLOAT_EQ(q.u[0], 0.25f); EXPECT_FLOAT_EQ(q.u[1], 0.5f);
    EXPECT_FLOAT_EQ(q.v[0], 0.5f);  EXPECT_FLOAT_EQ(q.v[3], 1.0f);
    in.flags = 1 + 2;  // mirrored: left and right texture edges swap
    ec::sprite_geometry(in, q);
    EXPECT_FLOAT_EQ(q.u[0], 0.5f); EXPECT_FLOAT_EQ(q.u[1], 0.25f);
    EXPECT_FLOAT_EQ(q.v[0], 0.5f);
    in.flags = 1 + 4;  // flipped: top and bottom swap
    ec::sprite_geometry(in, q);
    EXPECT_FLOAT_EQ(q.v[0], 1.0f); EXPECT_FLOAT_EQ(q.v[3], 0.5f);
    EXPECT_FLOAT_EQ(q.u[0], 0.25f);
    // Beyond the last cell wraps to the first; below 1 is the first.
    in.flags = 1;
    in.frame = 9;
    ec::sprite_geometry(in, q);
    EXPECT_FLOAT_EQ(q.u[0], 0.0f); EXPECT_FLOAT_EQ(q.v[0], 0.0f);
    in.frame = 0;
    ec::sprite_geometry(in, q);
    EXPECT_FLOAT_EQ(q.u[1], 1.0f);  // 0 means the whole picture
    // No frame size set: the whole picture.
    in.frame = 3; in.frame_w = 0;
    ec::sprite_geometry(in, q);
    EXPECT_FLOAT_EQ(q.u[1], 1.0f); EXPECT_FLOAT_EQ(q.v[2], 1.0f);
}

}  // namespace
