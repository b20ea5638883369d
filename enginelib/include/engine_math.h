// engine_math.h - the maths behind the engine's M_Sin, M_Cos, M_Round, M_Distance and
// ColEx_PolyCenter, as plain inline functions: one source for the engine libraries (which export
// them as those operations) and for game code that must compute exactly what they compute without
// an engine loaded (the world step, replays, the automatic player).
//
// Angles in whole degrees, results as the operations return them (float or int32). Nothing here
// keeps state, allocates or calls anything but <cmath>.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "engine_api.h"

namespace engine_math {

constexpr double kPi = 3.14159265358979323846;

// Sine of whole degrees, exact at multiples of 90 and symmetric by construction.
inline double sine_degrees(int32_t degrees) {
    int d = int(degrees % 360);
    if (d < 0) d += 360;
    const int quadrant = d / 90;
    const int r = d % 90;
    switch (quadrant) {
        case 0: return r == 0 ? 0.0 : std::sin(r * kPi / 180.0);
        case 1: return r == 0 ? 1.0 : std::cos(r * kPi / 180.0);
        case 2: return r == 0 ? 0.0 : -std::sin(r * kPi / 180.0);
        default: return r == 0 ? -1.0 : -std::cos(r * kPi / 180.0);
    }
}

// M_Sin: sine of whole degrees.
inline float sin_deg(int32_t degrees) { return float(sine_degrees(degrees)); }

// M_Cos: cos(d) = sin(d + 90), computed without overflowing the argument.
inline float cos_deg(int32_t degrees) { return float(sine_degrees(int32_t((int64_t(degrees) % 360) + 90))); }

// M_Round: halves away from zero; NaN gives 0; clamped to the int32 range.
inline int32_t round(float value) {
    if (std::isnan(value)) return 0;
    const double r = std::round(double(value));
    if (r >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (r <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(r);
}

// M_Distance: Euclidean distance, worked in double.
inline float distance(float x1, float y1, float x2, float y2) {
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    return float(std::sqrt(dx * dx + dy * dy));
}

// ColEx_PolyCenter: centre = mean of the count + 1 points; nothing happens for a null record,
// null points or a negative count.
inline void poly_center(OE_PolyLine *polyline) {
    if (!polyline || !polyline->points || polyline->count < 0) return;
    double sx = 0, sy = 0;
    const int n = polyline->count + 1;
    for (int i = 0; i < n; ++i) {
        sx += polyline->points[i].x;
        sy += polyline->points[i].y;
    }
    polyline->cx = float(sx / n);
    polyline->cy = float(sy / n);
}

}  // namespace engine_math
