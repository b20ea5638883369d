// engine_helpers.cpp - the maths and text helpers of the engine interface (M_*, U_IntToStr,
// ColEx_PolyCenter) of the windowed engines, answered by enginelib/common exactly as the headless
// engine answers them.
#define ENGINE_API_DECLARE_EXPORTS
#include "engine_api.h"
#include "engine_common.h"

extern "C" float M_Cos(int32_t degrees) { return ec::math_cos(degrees); }
extern "C" float M_Sin(int32_t degrees) { return ec::math_sin(degrees); }
extern "C" int32_t M_Round(float value) { return ec::math_round(value); }
extern "C" float M_Distance(float x1, float y1, float x2, float y2) { return ec::math_distance(x1, y1, x2, y2); }

// The text stays valid until the next call.
extern "C" const char *U_IntToStr(int32_t value) { return ec::int_text(value); }

extern "C" void ColEx_PolyCenter(OE_PolyLine *polyline) { ec::poly_center(polyline); }
