// vec2_test.cpp - the segment tests under the cases terrain contact and the shadow search lean on:
// crossings at the ends, parallel and near-parallel segments, crossings outside a segment, the
// three closest-point cases, touching at exactly the radius, and the degenerate inputs (zero
// vector, centre on the segment, zero-length segment, x = 0 in the arctangent) giving numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "world/vec2.h"

namespace {
TVec2 v(float x, float y) { return TVec2{x, y}; }
}  // namespace

TEST(Vec2, SegmentIntersection) {
    TVec2 out{-1, -1};
    // Crossing in the middle: the X of two diagonals of a 10x10 square.
    ASSERT_EQ(seg_intersect(v(0, 0), v(10, 10), v(0, 10), v(10, 0), out), 1);
    EXPECT_FLOAT_EQ(out.x, 5);
    EXPECT_FLOAT_EQ(out.y, 5);
    // Meeting exactly at an end point counts.
    ASSERT_EQ(seg_intersect(v(0, 0), v(10, 0), v(10, 0), v(10, 10), out), 1);
    EXPECT_FLOAT_EQ(out.x, 10);
    EXPECT_FLOAT_EQ(out.y, 0);
    // Parallel, and collinear overlapping: 0, out untouched.
    out = v(-7, -7);
    EXPECT_EQ(seg_intersect(v(0, 0), v(10, 0), v(0, 5), v(10, 5), out), 0);
    EXPECT_EQ(seg_intersect(v(0, 0), v(10, 0), v(5, 0), v(15, 0), out), 0);
    // Determinant just below 0.001 counts as parallel: |den| = 0.0009 here.
    EXPECT_EQ(seg_intersect(v(0, 0), v(0.0009f, 0), v(0, 0), v(0, 1), out), 0);
    EXPECT_FLOAT_EQ(out.x, -7);
    // The lines cross at (20, 0), outside the first segment: -1.
    EXPECT_EQ(seg_intersect(v(0, 0), v(10, 0), v(20, -5), v(20, 5), out), -1);
    EXPECT_FLOAT_EQ(out.x, -7);
    // A vertical probe of the shadow search, from a hero down to 2^31, finds a floor 10 below.
    ASSERT_EQ(seg_intersect(v(-100, 500), v(100, 500), v(3, 490), v(3, 2147483648.0f), out), 1);
    EXPECT_FLOAT_EQ(out.x, 3);
    EXPECT_FLOAT_EQ(out.y, 500);
}

TEST(Vec2, ClosestPointOfASegment) {
    TVec2 w;
    ClosestCase which;
    // Beyond A: |A - P|^2 and the first end.
    EXPECT_FLOAT_EQ(seg_closest(v(-3, 4), v(0, 0), v(10, 0), &w, &which), 25);
    EXPECT_EQ(which, ClosestCase::first_end);
    EXPECT_FLOAT_EQ(w.x, 3);
    EXPECT_FLOAT_EQ(w.y, -4);
    // Beyond B.
    EXPECT_FLOAT_EQ(seg_closest(v(13, -4), v(0, 0), v(10, 0), &w, &which), 25);
    EXPECT_EQ(which, ClosestCase::second_end);
    // Beside the middle: the squared perpendicular distance, w pointing from P to the segment.
    EXPECT_FLOAT_EQ(seg_closest(v(4, -6), v(0, 0), v(10, 0), &w, &which), 36);
    EXPECT_EQ(which, ClosestCase::interior);
    EXPECT_FLOAT_EQ(w.x, 0);
    EXPECT_FLOAT_EQ(w.y, 6);
    // A zero-length segment is its first end, no division.
    EXPECT_FLOAT_EQ(seg_closest(v(3, 4), v(0, 0), v(0, 0), nullptr, &which), 25);
    EXPECT_EQ(which, ClosestCase::first_end);
}

TEST(Vec2, CircleAgainstSegment) {
    Contact c{9, 9, 9};
    // 40 above a floor with radius 32: no contact, result untouched.
    EXPECT_FALSE(circle_segment(v(0, 500), v(100, 500), v(50, 460), c, 32));
    EXPECT_FLOAT_EQ(c.depth, 9);
    // Exactly 32 above: touching, depth 0, normal straight up (y grows downwards).
    ASSERT_TRUE(circle_segment(v(0, 500), v(100, 500), v(50, 468), c, 32));
    EXPECT_FLOAT_EQ(c.nx, 0);
    EXPECT_FLOAT_EQ(c.ny, -1);
    EXPECT_FLOAT_EQ(c.depth, 0);
    // 30 above: depth 2.
    ASSERT_TRUE(circle_segment(v(0, 500), v(100, 500), v(50, 470), c, 32));
    EXPECT_FLOAT_EQ(c.depth, 2);
    // Near an end: the normal points from that end to the centre (a 3-4-5 triangle, scaled by 4).
    ASSERT_TRUE(circle_segment(v(0, 500), v(100, 500), v(112, 484), c, 32));
    EXPECT_NEAR(c.nx, 0.6f, 1e-6);
    EXPECT_NEAR(c.ny, -0.8f, 1e-6);
    EXPECT_NEAR(c.depth, 12, 1e-5);
    // Centre exactly on the segment: zero normal, the whole radius as depth, no NaN.
    ASSERT_TRUE(circle_segment(v(0, 500), v(100, 500), v(50, 500), c, 32));
    EXPECT_EQ(c.nx, 0);
    EXPECT_EQ(c.ny, 0);
    EXPECT_EQ(c.depth, 32);
    // Centre on an end point: the same.
    ASSERT_TRUE(circle_segment(v(0, 500), v(100, 500), v(0, 500), c, 32));
    EXPECT_FALSE(std::isnan(c.nx) || std::isnan(c.ny) || std::isnan(c.depth));
    EXPECT_EQ(c.depth, 32);
}

TEST(Vec2, VectorsAndDegenerateCases) {
    TVec2 a{3, 4}, out;
    EXPECT_FLOAT_EQ(v2_length(a), 5);
    EXPECT_FLOAT_EQ(v2_length_sq(a), 25);
    EXPECT_FLOAT_EQ(v2_dot(a, v(2, -1)), 2);
    v2_from(v(1, 1), v(4, 5), out);
    EXPECT_FLOAT_EQ(out.x, 3);
    EXPECT_FLOAT_EQ(out.y, 4);
    v2_sub(v(1, 1), v(4, 5), out);
    EXPECT_FLOAT_EQ(out.x, -3);
    v2_scale(a, out, 0.5f);
    EXPECT_FLOAT_EQ(out.y, 2);
    v2_sub_from(a, v(1, 1));
    EXPECT_FLOAT_EQ(a.x, 2);
    EXPECT_FLOAT_EQ(a.y, 3);
    TVec2 n{3, 4};
    EXPECT_FLOAT_EQ(v2_normalize(n), 5);
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.y, 0.8f);
    // A zero vector: length 0, stays zero.
    TVec2 z{0, 0};
    EXPECT_EQ(v2_normalize(z), 0);
    EXPECT_EQ(z.x, 0);
    EXPECT_EQ(z.y, 0);
    // x exactly 0 becomes 0.0001: atan(1 / 0.0001), just below pi/2.
    const double a90 = safe_arc_tan2(1, 0);
    EXPECT_DOUBLE_EQ(a90, std::atan2(1.0, 0.0001));
    EXPECT_LT(a90, M_PI / 2);
    EXPECT_GT(a90, M_PI / 2 - 0.001);
    EXPECT_DOUBLE_EQ(safe_arc_tan2(-1, 0), std::atan2(-1.0, 0.0001));
    EXPECT_DOUBLE_EQ(safe_arc_tan2(1, -1), arc_tan2(1, -1));
}
