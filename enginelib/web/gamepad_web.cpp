// gamepad_web.cpp - what the page's gamepads (Gamepad API, "standard" mapping) press: the stick or
// the D-pad an arrow, the south button Space, Start Escape; as the SDL engine maps a controller.
//
// In: one reading of each pad (web_window.cpp samples them once a frame) and the stick arrows each
// pad held before (the stick has two thresholds, so a stick resting near one does not flicker).
// Out: the keys the pads hold together. Does not read the browser or send key events itself.
#include <algorithm>

#include "web_engine.h"

namespace web_engine {
namespace {

// The SDL engine's thresholds (16000 and 12000 of 32767), as fractions of a full deflection.
constexpr double kStickPress = 16000.0 / 32767.0;    // deflection that presses an arrow
constexpr double kStickRelease = 12000.0 / 32767.0;  // deflection below which a pressed arrow lets go
// Standard gamepad mapping (W3C): button indices.
constexpr int kPadSouth = 0, kPadStart = 9, kPadUp = 12, kPadDown = 13, kPadLeft = 14, kPadRight = 15;

}  // namespace

PadKeys pad_keys(const PadReading *pads, int count, PadStick *sticks) {
    PadKeys out;
    for (int i = 0; i < std::min(count, kPadCapacity); ++i) {
        const PadReading &pad = pads[i];
        bool *s = sticks[i].held;
        if (!pad.connected) {
            std::fill(s, s + 4, false);
            continue;
        }
        const double ax = pad.axes > 0 ? pad.axis[0] : 0, ay = pad.axes > 1 ? pad.axis[1] : 0;
        auto hyst = [](bool held, double value) { return held ? value > kStickRelease : value > kStickPress; };
        s[0] = hyst(s[0], -ax);
        s[1] = hyst(s[1], -ay);
        s[2] = hyst(s[2], ax);
        s[3] = hyst(s[3], ay);
        auto button = [&](int b) { return b < pad.buttons && b < kPadButtons && pad.button[b]; };
        const int dpad[4] = {kPadLeft, kPadUp, kPadRight, kPadDown};
        for (int k = 0; k < 4; ++k) out.arrow[k] = out.arrow[k] || s[k] || button(dpad[k]);
        out.space = out.space || button(kPadSouth);
        out.escape = out.escape || button(kPadStart);
    }
    return out;
}

}  // namespace web_engine
