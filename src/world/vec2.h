// vec2.h - plane vectors and the three segment tests the world's terrain contact and shadow search
// are built on: two segments crossing, the closest point of a segment, a circle against a segment.
//
// Units are world pixels, y growing downwards. Sums and products are worked in double precision;
// every stored or returned value is a float. Nothing here allocates, draws or reads global state.
// Degenerate input has a defined result: a zero vector normalises to (0, 0) with length 0, and a
// circle whose centre lies exactly on the segment gets a zero normal with the depth equal to the
// radius (so a push along the normal moves nothing and no NaN can reach a position).
#pragma once

#include <cstdint>

struct TVec2 {
    float x = 0, y = 0;
};

// Below this absolute determinant two segments count as parallel.
constexpr float SEG_EPSILON = 0.001f;

// Which part of a segment is closest to a point.
enum class ClosestCase : int32_t { first_end = 0, interior = 1, second_end = 2 };

// Contact of a circle with a segment: unit normal from the segment towards the centre, and how far
// the circle reaches past the segment (radius minus distance, 0 when just touching).
struct Contact {
    float nx = 0, ny = 0, depth = 0;
    bool corner = false;  // the nearest point is an end of the segment, not its inside
};

double arc_tan2(double y, double x);       // radians
double safe_arc_tan2(double y, double x);  // x exactly 0 is taken as 0.0001

void v2_set(TVec2 &v, float x, float y);
void v2_from(const TVec2 &a, const TVec2 &b, TVec2 &out);  // out = b - a
void v2_sub(const TVec2 &a, const TVec2 &b, TVec2 &out);   // out = a - b
void v2_neg(const TVec2 &a, TVec2 &out);                   // out = -a
void v2_scale(const TVec2 &a, TVec2 &out, float s);        // out = a * s
void v2_sub_from(TVec2 &a, const TVec2 &b);                // a -= b
float v2_dot(const TVec2 &a, const TVec2 &b);
float v2_length_sq(const TVec2 &a);
float v2_length(const TVec2 &a);
// Divides a by its length and returns that length; a zero vector stays (0, 0) and gives 0.
float v2_normalize(TVec2 &a);

// Segment AB against segment CD: 1 with `out` the crossing point (the ends count as inside),
// -1 when the lines cross outside either segment, 0 when they are parallel or degenerate
// (|determinant| < SEG_EPSILON, overlapping collinear segments included). `out` is written only
// for 1.
int32_t seg_intersect(const TVec2 &a, const TVec2 &b, const TVec2 &c, const TVec2 &d, TVec2 &out);

// Squared distance from P to segment AB. `out` (may be null) receives the vector from P to the
// closest point; `which` (may be null) which part of the segment that point is. A zero-length
// segment reports its first end.
float seg_closest(const TVec2 &p, const TVec2 &a, const TVec2 &b, TVec2 *out,
                  ClosestCase *which = nullptr);

// True when the circle touches segment AB (distance <= radius); then `result` holds the normal and
// the depth, otherwise it is left as it was.
bool circle_segment(const TVec2 &a, const TVec2 &b, const TVec2 &centre, Contact &result,
                    float radius);
