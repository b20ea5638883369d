// vec2.cpp - plane vectors and segment tests (contracts in vec2.h).
#include "world/vec2.h"

#include <cmath>

double arc_tan2(double y, double x) { return std::atan2(y, x); }

double safe_arc_tan2(double y, double x) { return arc_tan2(y, x == 0.0 ? 0.0001 : x); }

void v2_set(TVec2 &v, float x, float y) { v.x = x; v.y = y; }

void v2_from(const TVec2 &a, const TVec2 &b, TVec2 &out) {
    out.x = float(double(b.x) - a.x);
    out.y = float(double(b.y) - a.y);
}

void v2_sub(const TVec2 &a, const TVec2 &b, TVec2 &out) {
    out.x = float(double(a.x) - b.x);
    out.y = float(double(a.y) - b.y);
}

void v2_neg(const TVec2 &a, TVec2 &out) { out.x = -a.x; out.y = -a.y; }

void v2_scale(const TVec2 &a, TVec2 &out, float s) {
    out.x = float(double(a.x) * s);
    out.y = float(double(a.y) * s);
}

void v2_sub_from(TVec2 &a, const TVec2 &b) {
    a.x = float(double(a.x) - b.x);
    a.y = float(double(a.y) - b.y);
}

float v2_dot(const TVec2 &a, const TVec2 &b) { return float(double(a.x) * b.x + double(a.y) * b.y); }

float v2_length_sq(const TVec2 &a) { return float(double(a.x) * a.x + double(a.y) * a.y); }

float v2_length(const TVec2 &a) { return float(std::sqrt(double(v2_length_sq(a)))); }

float v2_normalize(TVec2 &a) {
    const float len = v2_length(a);
    if (len == 0.0f) {  // nothing to divide by: the vector stays zero
        a.x = a.y = 0.0f;
        return 0.0f;
    }
    a.x = float(double(a.x) / len);
    a.y = float(double(a.y) / len);
    return len;
}

int32_t seg_intersect(const TVec2 &a, const TVec2 &b, const TVec2 &c, const TVec2 &d, TVec2 &out) {
    const double den = (double(a.x) - b.x) * (double(d.y) - c.y) - (double(a.y) - b.y) * (double(d.x) - c.x);
    const double num_r = (double(a.x) - c.x) * (double(d.y) - c.y) - (double(a.y) - c.y) * (double(d.x) - c.x);
    const double num_s = (double(a.x) - b.x) * (double(a.y) - c.y) - (double(a.y) - b.y) * (double(a.x) - c.x);
    if (!(std::fabs(den) >= SEG_EPSILON)) return 0;  // parallel, degenerate, or not a number
    const double r = num_r / den;                    // position along AB, 0..1 inside
    const double s = num_s / den;                    // position along CD
    if (!(r >= 0 && r <= 1 && s >= 0 && s <= 1)) return -1;
    out.x = float(a.x + (double(b.x) - a.x) * r);
    out.y = float(a.y + (double(b.y) - a.y) * r);
    return 1;
}

float seg_closest(const TVec2 &p, const TVec2 &a, const TVec2 &b, TVec2 *out, ClosestCase *which) {
    TVec2 d, w;
    v2_sub(a, b, d);  // d = A - B
    v2_sub(a, p, w);  // w = A - P
    const float t = v2_dot(w, d);
    ClosestCase c = ClosestCase::first_end;
    if (t > 0) {
        const float dd = v2_length_sq(d);
        if (t >= dd) {
            v2_sub_from(w, d);  // B - P
            c = ClosestCase::second_end;
        } else {
            TVec2 part;
            v2_scale(d, part, float(double(t) / dd));
            v2_sub_from(w, part);
            c = ClosestCase::interior;
        }
    }
    if (out) *out = w;
    if (which) *which = c;
    return v2_length_sq(w);
}

bool circle_segment(const TVec2 &a, const TVec2 &b, const TVec2 &centre, Contact &result,
                    float radius) {
    TVec2 w;
    ClosestCase which;
    const float dist2 = seg_closest(centre, a, b, &w, &which);
    if (!(dist2 <= float(double(radius) * radius))) return false;
    TVec2 n;
    switch (which) {
    case ClosestCase::first_end: v2_sub(centre, a, n); break;
    case ClosestCase::second_end: v2_sub(centre, b, n); break;
    case ClosestCase::interior: v2_neg(w, n); break;
    }
    const float len = v2_normalize(n);
    result.nx = n.x;
    result.ny = n.y;
    result.depth = float(double(radius) - len);
    result.corner = which != ClosestCase::interior;
    return true;
}
